// What a project tree tells its diagnostic handler about the work it could not do.
#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "ScratchProject.h"

#include <ktpm/projtree/KProjectTree.h>

namespace {

// Keeps every message the tree reports, and checks the handler's contract as it goes: never two
// calls at once, never with the tree lock held by another thread.
class DiagnosticLog {
 public:
  // Made before the tree and attached to it, so that it outlives every call.
  void Attach(KProjectTree& tree) {
    tree.SetDiagnosticHandler([this, &tree](KDiagnosticSeverity severity, const std::string& text) {
      std::unique_lock<std::mutex> busy(m_busy, std::try_to_lock);
      if (!busy.owns_lock()) Add("<overlapping calls>");
      // The tree lock is free unless this thread holds it itself.
      auto lock = tree.LockTree();
      Add(std::to_string(static_cast<int>(severity)) + " " + text);
    });
  }
  std::vector<std::string> Messages() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_messages;
  }
  // The messages that mention the text.
  std::vector<std::string> Mentioning(const std::string& text) {
    std::vector<std::string> found;
    for (const std::string& message : Messages()) {
      if (message.find(text) != std::string::npos) found.push_back(message);
    }
    return found;
  }

 private:
  void Add(const std::string& message) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_messages.push_back(message);
  }
  std::mutex m_busy;
  std::mutex m_lock;
  std::vector<std::string> m_messages;
};

}  // namespace

TEST(ProjectDiagnostics, AProjectDirectoryThatCannotBeEnteredIsReported) {
  for (const bool inspect : {false, true}) {
    DiagnosticLog log;
    ktpm::test::ScratchProject project;
    const std::string missing = (project.Path() / "gone").string();
    log.Attach(project.tree);
    project.tree.SetInspectionMode(inspect ? 1 : 0);
    project.Write("part.ktl",
                  "KTL model file\nEND\n");  // in the current directory, not the project
    project.tree.Open(missing);
    EXPECT_EQ(project.tree.GetRootNode()->GetFirstChild(), nullptr);
    const auto opening = log.Mentioning("Cannot open the project directory " + missing);
    ASSERT_EQ(opening.size(), 1u) << inspect;
    EXPECT_EQ(opening[0].substr(0, 2), "2 ");
    // The tree stays closed: it neither lists another directory nor starts a watcher.
    EXPECT_EQ(log.Messages().size(), 1u) << inspect;
    EXPECT_EQ(log.Mentioning("<overlapping calls>").size(), 0u);
    project.tree.Close();
  }
}
