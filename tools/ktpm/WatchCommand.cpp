// ktpm watch DIR: opens a project, prints its tree, then one line for every node the tree
// reports while it follows the disk, until Ctrl-C closes the project.
#include <iostream>
#include <mutex>

#include "Command.h"
#include "TreePrinter.h"

#include <ktpm/platform/KFileEntry.h>
#include <ktpm/platform/TerminationSignals.h>
#include <ktpm/projtree/KProjectTree.h>

namespace ktpm::tool {
namespace {

// Prints what the tree reports. Calls arrive on the watcher and resync threads.
class PrintingSink : public IProjectNotifySink {
 public:
  explicit PrintingSink(std::ostream& out) : m_out(out) {}

  void OnNodeChanged(KT_PM_Node* node) override {
    std::lock_guard<std::mutex> guard(m_lock);
    const char* what = node->GetState() == NS_DELETED ? "deleted"
                       : node->GetClientData() == 0   ? "new"
                                                      : "changed";
    // The client data marks a node as seen, as the application's view item would.
    if (node->GetState() != NS_DELETED) node->SetClientData(1);
    m_out << what << "\t" << DescribeNode(node) << std::endl;
  }
  void OnInitProgress(int steps) override {
    std::lock_guard<std::mutex> guard(m_lock);
    m_steps = steps > 0 ? steps : 1;
    m_out << "building [" << std::string(static_cast<size_t>(m_steps), ' ') << "]\r" << std::flush;
  }
  void OnSetProgress(int step) override {
    std::lock_guard<std::mutex> guard(m_lock);
    const int done = step < 0 ? 0 : (step > m_steps ? m_steps : step);
    m_out << "building [" << std::string(static_cast<size_t>(done), '#')
          << std::string(static_cast<size_t>(m_steps - done), ' ') << "]\r" << std::flush;
  }
  void OnEndProgress() override {
    std::lock_guard<std::mutex> guard(m_lock);
    m_out << "building [" << std::string(static_cast<size_t>(m_steps), '#') << "] done"
          << std::endl;
  }

 private:
  std::ostream& m_out;
  std::mutex m_lock;
  int m_steps = 5;
};

// Marks every node printed in the first listing as seen.
void MarkSeen(KT_PM_Node* first) {
  for (KT_PM_Node* node = first; node != nullptr; node = node->GetNextSibling()) {
    node->SetClientData(1);
    MarkSeen(node->GetFirstChild());
  }
}

CommandRun SetUp(CLI::App& app) {
  auto* command = app.add_subcommand(
      "watch",
      "Open a project directory, print its tree, then print one line for every node the tree "
      "reports (new, changed or deleted: label, kind, state, icon) while it follows the disk. "
      "Ctrl-C closes the project and exits. Opening may write-protect files in use and record "
      "facts in model, boundary-condition and input files, as the application does.");
  auto directory = std::make_shared<std::string>();
  command->add_option("DIR", *directory, "Project directory")->required();
  return [directory]() {
    if (!KFileEntry(*directory).IsDirectory()) {
      std::cerr << "ktpm watch: not a directory: " << *directory << "\n";
      return kExitFailure;
    }
    ktpm::detail::BlockTerminationSignals();
    PrintingSink sink(std::cout);
    KProjectTree tree;
    tree.RegisterNotifySink(&sink);
    tree.Open(*directory);
    {
      auto lock = tree.LockTree();
      PrintTree(std::cout, tree.GetRootNode(), TreePrintOptions{});
      MarkSeen(tree.GetRootNode()->GetFirstChild());
    }
    std::cout << "watching " << *directory << " (Ctrl-C to stop)" << std::endl;
    ktpm::detail::WaitForTerminationSignal();
    tree.Close();
    tree.UnregisterNotifySink(&sink);
    std::cout << "closed" << std::endl;
    return kExitOk;
  };
}

const CommandRegistration registration{"watch", SetUp};

}  // namespace
}  // namespace ktpm::tool
