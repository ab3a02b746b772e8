// ktpm watch DIR: opens a project as the application does, prints its tree, then one line for
// every node the tree reports while it follows the disk, until Ctrl-C or a termination request
// closes the project.
#include <signal.h>
#include <unistd.h>

#include <atomic>

#include "Command.h"
#include "Input.h"
#include "Output.h"
#include "TreePrinter.h"

#include <ktpm/platform/TerminationSignals.h>
#include <ktpm/projtree/KProjectTree.h>

namespace ktpm::tool {
namespace {

// Prints what the tree reports, as text lines or JSON Lines. Calls arrive on the watcher and
// resync threads, with the tree lock held.
class WatchSink : public BuildProgressSink {
 public:
  explicit WatchSink(bool json) : m_json(json) {}

  void OnNodeChanged(KT_PM_Node* node) override {
    const char* event = node->GetState() == NS_DELETED ? "deleted"
                        : node->GetClientData() == 0   ? "new"
                                                       : "changed";
    // The client data marks a node as seen, as the application's view item would.
    if (node->GetState() != NS_DELETED) node->SetClientData(1);
    PrintEvent(event, node);
  }

  void PrintEvent(const char* event, KT_PM_Node* node) {
    if (m_json) {
      PrintJsonLine({{"event", event}, {"depth", NodeDepth(node)}, {"node", NodeToJson(node)}});
    } else {
      std::string line = event;
      for (const std::string& cell : NodeCells(node, 0)) line += "\t" + EscapeText(cell);
      PrintLine(line);
    }
    StopOnOutputFailure();
  }

  void PrintListing(KT_PM_Node* root, const std::string& directory) {
    if (m_json) {
      ForEachNode(root, [](KT_PM_Node* node, int depth) {
        PrintJsonLine({{"event", "listed"}, {"depth", depth}, {"node", NodeToJson(node)}});
      });
      PrintJsonLine({{"event", "watching"}, {"depth", nullptr}, {"node", nullptr}});
    } else {
      PrintTree(root, directory, TreePrintOptions{});
      PrintLine("EVENT\tNODE\tKIND\tSTATE\tFILE");
    }
    StopOnOutputFailure();
  }

 private:
  // Output nobody can read is no reason to go on watching: end as a termination request would.
  void StopOnOutputFailure() {
    if (StdoutFailed() && !m_stopRequested.exchange(true)) kill(getpid(), SIGTERM);
  }

  const bool m_json;
  std::atomic<bool> m_stopRequested{false};
};

// Marks every node printed in the first listing as seen.
void MarkSeen(KT_PM_Node* first) {
  for (KT_PM_Node* node = first; node != nullptr; node = node->GetNextSibling()) {
    node->SetClientData(1);
    MarkSeen(node->GetFirstChild());
  }
}

int Watch(const std::string& directory, bool json) {
  const std::string problem = DirectoryProblem(directory);
  if (!problem.empty()) {
    return FailWith("watch", "cannot read the directory " + directory + ": " + problem);
  }
  // Before the tree starts its threads, which inherit the blocked set.
  ktpm::detail::BlockTerminationSignals();
  WatchSink sink(json);
  KProjectTree tree;
  tree.SetDiagnosticHandler(DiagnosticPrinter());
  tree.RegisterNotifySink(&sink);
  tree.Open(AbsolutePath(directory));
  {
    auto lock = tree.LockTree();
    sink.PrintListing(tree.GetRootNode(), directory);
    MarkSeen(tree.GetRootNode()->GetFirstChild());
  }
  if (StderrIsTerminal()) PrintError("watch", "watching " + directory + " (Ctrl-C to stop)");
  ktpm::detail::WaitForTerminationSignal();
  tree.Close();
  tree.UnregisterNotifySink(&sink);
  ClearStatusLine();
  return kExitOk;
}

CommandRun SetUp(CLI::App& app) {
  auto* command = app.add_subcommand(
      "watch",
      "Open a project directory as the application does, print its tree, then one line for "
      "every node the tree reports (new, changed or deleted) while it follows the disk, until "
      "Ctrl-C or SIGTERM closes the project (exit status 0). Unlike `ktpm tree`, this is not "
      "an inspection: opening may write-protect the files of analyses that have results or "
      "running jobs (and make others writable again), record facts in model, "
      "boundary-condition and input files, and write new material files.");
  auto directory = std::make_shared<std::string>();
  auto json = std::make_shared<bool>(false);
  command->add_option("DIR", *directory, "Project directory")->required();
  command->add_flag("--json", *json, "Print JSON Lines: one object a node and an event");
  return [directory, json]() { return Watch(*directory, *json); };
}

const CommandRegistration registration{"watch", SetUp};

}  // namespace
}  // namespace ktpm::tool
