// Opening a project by its path.
#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "ScratchProject.h"
#include "TreeTestSupport.h"

namespace {

using ktpm::test::RecordingSink;
using ktpm::test::ScratchProject;
namespace fs = std::filesystem;

// Every message the tree reports, as "<severity> <text>".
class MessageLog {
 public:
  void Attach(KProjectTree& tree) {
    tree.SetDiagnosticHandler([this](KDiagnosticSeverity severity, const std::string& text) {
      std::lock_guard<std::mutex> guard(m_lock);
      m_messages.push_back(std::to_string(static_cast<int>(severity)) + " " + text);
    });
  }
  std::vector<std::string> Messages() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_messages;
  }

 private:
  std::mutex m_lock;
  std::vector<std::string> m_messages;
};

}  // namespace

// A relative path names the directory as seen before Open enters it: the build and the watcher
// use that directory, not a subfolder of the same name inside it.
TEST(OpenPath, RelativePathIsTheDirectoryBeforeOpenEntersIt) {
  ScratchProject scratch;
  fs::create_directories(scratch.Path() / "proj" / "proj");
  scratch.Write("proj/part.stl", "solid\n");
  scratch.Write("proj/proj/decoy.igs", "IGES\n");
  RecordingSink sink;
  scratch.tree.RegisterNotifySink(&sink);
  scratch.tree.Open("proj");
  EXPECT_EQ(scratch.tree.GetProjectPath(), (scratch.Path() / "proj").string());
  EXPECT_EQ(fs::current_path(), scratch.Path() / "proj");
  EXPECT_NE(scratch.tree.FindFileInTree("part.stl"), nullptr);
  EXPECT_EQ(scratch.tree.FindFileInTree("decoy.igs"), nullptr);
  scratch.Write("proj/later.stl", "solid\n");
  EXPECT_TRUE(sink.WaitFor([&] { return sink.CountNew("later.stl") == 1; }));
  scratch.tree.Close();
  scratch.tree.UnregisterNotifySink(&sink);
}

// A directory that cannot be entered leaves the tree closed and empty, the current directory
// and the disk as they were, and says so once.
TEST(OpenPath, DirectoryThatCannotBeEnteredLeavesTheTreeClosed) {
  MessageLog log;
  ScratchProject scratch;
  log.Attach(scratch.tree);
  scratch.Write("part.stl", "solid\n");
  scratch.tree.Open(scratch.Path().string());
  ASSERT_EQ(scratch.tree.IsOpen(), 1);
  scratch.Write("other.igs", "IGES\n");  // in the current directory, not the project
  const std::string missing = (scratch.Path() / "gone").string();
  scratch.tree.Open(missing);
  EXPECT_EQ(scratch.tree.IsOpen(), 0);
  EXPECT_EQ(scratch.tree.GetRootNode()->GetFirstChild(), nullptr);
  EXPECT_EQ(scratch.tree.GetProjectPath(), "");
  EXPECT_EQ(fs::current_path(), scratch.Path());
  EXPECT_FALSE(fs::exists(missing));
  const std::vector<std::string> expected{"2 Cannot open the project directory " + missing +
                                          ": No such file or directory. The project is closed."};
  EXPECT_EQ(log.Messages(), expected);
  // Nothing follows the disk: a resync of the closed tree does nothing.
  scratch.tree.Resync();
  scratch.tree.Close();
  EXPECT_EQ(scratch.tree.IsOpen(), 0);
}
