// Opening a project by its path, and sinks that act on the tree from inside a notification.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
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

namespace {

// Counts the calls it gets, and runs an action on the first build start it hears of.
class ActingSink : public IProjectNotifySink {
 public:
  std::function<void()> onFirstInit;
  std::atomic<int> inits{0};
  std::atomic<int> ends{0};
  void OnNodeChanged(KT_PM_Node*) override {}
  void OnInitProgress(int) override {
    if (inits++ == 0 && onFirstInit) onFirstInit();
  }
  void OnSetProgress(int) override {}
  void OnEndProgress() override { ++ends; }
};

}  // namespace

// The walk goes over the sinks registered when it began, less those unregistered since.
TEST(NotifySinks, SinkMayRegisterAndUnregisterSinksDuringAWalk) {
  ScratchProject scratch;
  scratch.Write("part.stl", "solid\n");
  ActingSink first, second, third, added;
  first.onFirstInit = [&] {
    scratch.tree.UnregisterNotifySink(&second);
    scratch.tree.RegisterNotifySink(&added);
    scratch.tree.UnregisterNotifySink(&first);
  };
  for (ActingSink* sink : {&first, &second, &third}) scratch.tree.RegisterNotifySink(sink);
  scratch.tree.Open(scratch.Path().string());
  EXPECT_EQ(first.inits.load(), 1);
  EXPECT_EQ(first.ends.load(), 0);
  EXPECT_EQ(second.inits.load() + second.ends.load(), 0);
  EXPECT_EQ(third.inits.load(), 1);
  EXPECT_EQ(third.ends.load(), 1);
  EXPECT_EQ(added.inits.load(), 0);
  EXPECT_EQ(added.ends.load(), 1);
  scratch.tree.Close();
  scratch.tree.UnregisterNotifySink(&third);
  scratch.tree.UnregisterNotifySink(&added);
}

// Open and Close from inside a notification would free the nodes being walked, or wait for the
// thread that makes the call: they are refused, on the application's thread and on a resync.
TEST(NotifySinks, OpenAndCloseFromASinkAreRefused) {
  for (const bool close : {false, true}) {
    for (const bool onResync : {false, true}) {
      MessageLog log;
      ScratchProject scratch;
      log.Attach(scratch.tree);
      scratch.Write("part.stl", "solid\n");
      ActingSink sink;
      sink.onFirstInit = [&] {
        if (close) {
          scratch.tree.Close();
        } else {
          scratch.tree.Open(scratch.Path().string());
        }
      };
      if (onResync) {
        scratch.tree.Open(scratch.Path().string());
        sink.inits = 0;
        scratch.tree.RegisterNotifySink(&sink);
        scratch.tree.Resync();
      } else {
        scratch.tree.RegisterNotifySink(&sink);
        scratch.tree.Open(scratch.Path().string());
      }
      const std::string expected = std::string("2 ") + (close ? "Close" : "Open") +
                                   " was called from inside a notification of the project tree "
                                   "and is refused.";
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
      while (log.Messages().empty() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
      EXPECT_EQ(log.Messages(), std::vector<std::string>{expected}) << close << onResync;
      {
        auto lock = scratch.tree.LockTree();
        EXPECT_NE(scratch.tree.FindFileInTree("part.stl"), nullptr) << close << onResync;
      }
      scratch.tree.Close();
      scratch.tree.UnregisterNotifySink(&sink);
    }
  }
}

// Destroying the tree from inside its own notification cannot be undone by the tree: it says so
// and ends the process rather than run on in freed memory.
TEST(NotifySinksDeathTest, DestroyingTheTreeFromASinkEndsTheProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const auto destroyFromSink = [] {
    ScratchProject scratch;
    auto* tree = new KProjectTree;
    tree->SetDiagnosticHandler([](KDiagnosticSeverity, const std::string& text) {
      std::fprintf(stderr, "%s\n", text.c_str());
    });
    ActingSink sink;
    sink.onFirstInit = [tree] { delete tree; };
    tree->RegisterNotifySink(&sink);
    tree->Open(scratch.Path().string());
  };
  EXPECT_DEATH(destroyFromSink(), "destroyed from inside a notification");
}
