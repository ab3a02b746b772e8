// The tree following the disk: real directories, real file operations, the real watcher.
#include <dirent.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "ScratchProject.h"
#include "TreeTestSupport.h"

#include <ktpm/analysis/KJobsManager.h>

namespace {

using ktpm::test::CanonicalTree;
using ktpm::test::RecordingSink;
using ktpm::test::ScratchProject;
using Clock = std::chrono::steady_clock;

int CountEntries(const char* directory) {
  int count = 0;
  if (DIR* stream = opendir(directory)) {
    while (readdir(stream) != nullptr) ++count;
    closedir(stream);
  }
  return count;
}

int ThreadCount() { return CountEntries("/proc/self/task"); }
int DescriptorCount() { return CountEntries("/proc/self/fd"); }

// A project whose tree is open and watched, with a sink that records what it hears.
class WatchedProject : public ::testing::Test {
 protected:
  void SetUp() override {
    m_project = std::make_unique<ScratchProject>();
    Write("part.stl", "solid part\nendsolid part\n");
    Write("other.igs", "IGES\n");
    Write("part.ktl", "MESH_MODEL_TYPE: MIDPLANE\n");
    Write("part.nda", "1\n");
    Write("part.lab", "Part mesh");
  }
  void TearDown() override {
    Tree().Close();
    Tree().UnregisterNotifySink(&m_sink);
    m_project.reset();
  }

  void Open() {
    Tree().RegisterNotifySink(&m_sink);
    Tree().Open(m_project->Path().string());
    m_sink.Clear();
  }
  void Write(const std::string& name, const std::string& text) { m_project->Write(name, text); }
  void Remove(const std::string& name) { std::filesystem::remove(m_project->Path() / name); }
  KProjectTree& Tree() { return m_project->tree; }
  KT_PM_Node* Find(const std::string& name) {
    auto lock = Tree().LockTree();
    return Tree().FindFileInTree(name.c_str());
  }
  // A node's state and its parent's subtype, read under the tree lock (the watcher may be
  // changing the node).
  Node_State StateOf(KT_PM_Node* node) {
    auto lock = Tree().LockTree();
    return node->GetState();
  }
  Node_SubType ParentSubTypeOf(KT_PM_Node* node) {
    auto lock = Tree().LockTree();
    return node->GetParent() != nullptr ? node->GetParent()->GetSubType() : NST_NONE;
  }
  // Waits until the tree has finished a build after the current count.
  bool WaitForBuilds(int count) {
    return m_sink.WaitFor([&] { return m_sink.CompletedBuilds() >= count; });
  }
  std::string Canonical() {
    auto lock = Tree().LockTree();
    return CanonicalTree(Tree().GetRootNode());
  }

  std::unique_ptr<ScratchProject> m_project;
  RecordingSink m_sink;
};

}  // namespace

TEST_F(WatchedProject, NewFileBecomesANodeAfterTheQuietSecond) {
  Open();
  const int builds = m_sink.CompletedBuilds();
  Write("new.igs", "IGES\n");
  ASSERT_TRUE(m_sink.WaitFor([&] { return m_sink.CountNew("new.igs") == 1; }));
  EXPECT_EQ(m_sink.CompletedBuilds(), builds + 1);
  KT_PM_Node* node = Find("new.igs");
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->GetType(), NT_CAD_MODEL);
}

TEST_F(WatchedProject, TwoModelsDeletedAtOnceGoInOneResync) {
  Open();
  const int builds = m_sink.CompletedBuilds();
  Remove("part.stl");
  Remove("other.igs");
  ASSERT_TRUE(m_sink.WaitFor([&] {
    return m_sink.Count("part.stl", NS_DELETED) == 1 && m_sink.Count("other.igs", NS_DELETED) == 1;
  }));
  ASSERT_TRUE(WaitForBuilds(builds + 1));
  EXPECT_EQ(m_sink.CompletedBuilds(), builds + 1);
  EXPECT_EQ(Find("part.stl"), nullptr);
  EXPECT_EQ(Find("other.igs"), nullptr);
  // The mesh of the deleted model comes back under a placeholder, as in a fresh open.
  KT_PM_Node* mesh = Find("part.ktl");
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(ParentSubTypeOf(mesh), NST_NONE);
}

TEST_F(WatchedProject, DeletedSummaryLeavesTheResultPending) {
  Write("run.001", "PLASTIC_MODEL: part.ktl\n3DFLOW_ANALYSIS_AIM: FILL\n3DFLOW_RESULT_NAME: run\n");
  Write("run.fsu", "Completed analysis\n");
  Open();
  KT_PM_Node* result = Find("run.fsu");
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(StateOf(result), NS_OK);
  Remove("run.fsu");
  ASSERT_TRUE(m_sink.WaitFor([&] { return m_sink.Count("run.fsu", NS_PENDING) >= 1; }));
  auto lock = Tree().LockTree();
  EXPECT_EQ(result->GetState(), NS_PENDING);
  EXPECT_EQ(Tree().FindFileInTree("run.fsu"), result);
}

TEST_F(WatchedProject, DeletedSideFileLeavesTheFileListUnreported) {
  Open();
  const int builds = m_sink.CompletedBuilds();
  Remove("part.lab");
  ASSERT_TRUE(WaitForBuilds(builds + 1));
  KT_PM_Node* mesh = Find("part.ktl");
  ASSERT_NE(mesh, nullptr);
  auto lock = Tree().LockTree();
  EXPECT_FALSE(mesh->FindFileInNodeFiles("part.lab"));
  EXPECT_EQ(m_sink.Count("part.ktl", NS_DELETED), 0);
}

TEST_F(WatchedProject, TenFilesInHalfASecondGiveOneResyncASecondAfterTheLast) {
  Open();
  const int builds = m_sink.CompletedBuilds();
  Clock::time_point last;
  for (int i = 0; i < 10; ++i) {
    Write("burst" + std::to_string(i) + ".stl", "solid\n");
    last = Clock::now();
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
  }
  ASSERT_TRUE(WaitForBuilds(builds + 1));
  const auto elapsed = Clock::now() - last;
  EXPECT_GE(elapsed, std::chrono::milliseconds(950));
  // No second build follows.
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  EXPECT_EQ(m_sink.CompletedBuilds(), builds + 1);
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(m_sink.CountNew("burst" + std::to_string(i) + ".stl"), 1);
  }
}

TEST_F(WatchedProject, FailedNodeIsNotChecked) {
  Write("run.001", "PLASTIC_MODEL: part.ktl\n3DFLOW_ANALYSIS_AIM: FILL\n3DFLOW_RESULT_NAME: run\n");
  Write("run.fse", "solver error\n");
  Open();
  KT_PM_Node* result = Find("run.fsu");
  ASSERT_NE(result, nullptr);
  ASSERT_EQ(StateOf(result), NS_FAILED);
  const int builds = m_sink.CompletedBuilds();
  Write("touch.stl", "solid\n");
  ASSERT_TRUE(WaitForBuilds(builds + 1));
  auto lock = Tree().LockTree();
  EXPECT_EQ(result->GetState(), NS_FAILED);
  EXPECT_EQ(Tree().FindFileInTree("run.fsu"), result);
}

TEST_F(WatchedProject, ResyncTwiceAnnouncesEachNewNodeOnce) {
  Open();
  Tree().Close();  // no watcher: only the explicit resyncs build
  Tree().Open(m_project->Path().string());
  for (int i = 0; i < 20; ++i) Write("twice" + std::to_string(i) + ".stl", "solid\n");
  m_sink.Clear();
  Tree().Resync();
  Tree().Resync();
  ASSERT_TRUE(m_sink.WaitFor([&] {
    for (int i = 0; i < 20; ++i) {
      if (m_sink.CountNew("twice" + std::to_string(i) + ".stl") == 0) return false;
    }
    return true;
  }));
  // Let any further build finish before counting.
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(m_sink.CountNew("twice" + std::to_string(i) + ".stl"), 1) << i;
  }
}

TEST_F(WatchedProject, UpdateNodeStatusFindsReportAndThreeDimensionalJobs) {
  Write("knob.m3i", "mesh");
  Write("knob1.090", "PLASTIC_MODEL: knob.m3i\nMOLD3D_RESULT_NAME: knob1\n");
  Open();
  KT_PM_Node* result = Find("knob1.m3r");
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(StateOf(result), NS_PENDING);
  Write("knob1.m3r", "result");
  Write("knob1.m3s", "Completed analysis\n");
  Tree().UpdateNodeStatus("knob1.m3s", 1);
  {
    auto lock = Tree().LockTree();
    EXPECT_EQ(result->GetState(), NS_OK);
    EXPECT_TRUE(result->FindFileInNodeFiles("knob1.m3s"));
  }
  Tree().UpdateNodeStatus("knob1.m3s", 0);
  {
    auto lock = Tree().LockTree();
    EXPECT_EQ(result->GetState(), NS_FAILED);
  }
  // A report job's key file ".rsu" names the report request ".rpi".
  Write("part.rpt",
        "PROJECT_PARENT_NODE : \"part.ktl\"\nNO_HTML_REPORTS : 0\n"
        "TEMPLATE_NAME : \"Part report\"\n");
  Write("Short.rpi",
        "PROJECT_PARENT_NODE : \"part.rpt\"\nHTML_STYLE : \"Short\"\n"
        "REPORT_TEMPLATE : \"part.rpt\"\n");
  Tree().Resync();
  ASSERT_TRUE(m_sink.WaitFor([&] { return m_sink.Count("Short.rpi", NS_PENDING) >= 1; }));
  std::filesystem::create_directory(m_project->Path() / "Short");
  Write("part.rpt",
        "PROJECT_PARENT_NODE : \"part.ktl\"\nNO_HTML_REPORTS : 1\n"
        "HTML_REPORT_DIR : \"Short\"\nTEMPLATE_NAME : \"Part report\"\n");
  Tree().UpdateNodeStatus("Short.rsu", 1);
  KT_PM_Node* report = Find("Short");
  ASSERT_NE(report, nullptr);
  EXPECT_EQ(StateOf(report), NS_OK);
  EXPECT_FALSE(m_project->Exists("Short.rpi"));
}

TEST_F(WatchedProject, FileInANewSubdirectoryWakesTheWatcherButMakesNoNode) {
  Open();
  const int builds = m_sink.CompletedBuilds();
  std::filesystem::create_directories(m_project->Path() / "sub" / "deeper");
  ASSERT_TRUE(WaitForBuilds(builds + 1));
  Write("sub/deeper/inside.stl", "solid\n");
  ASSERT_TRUE(WaitForBuilds(builds + 2));
  EXPECT_EQ(Find("inside.stl"), nullptr);
  EXPECT_EQ(Find("sub/deeper/inside.stl"), nullptr);
}

TEST_F(WatchedProject, AfterABurstTheTreeEqualsAFreshOpen) {
  Write("run.001", "PLASTIC_MODEL: part.ktl\n3DFLOW_ANALYSIS_AIM: FILL\n3DFLOW_RESULT_NAME: run\n");
  Open();
  // A thousand files: models, meshes with side files, inputs and results, renames and deletions.
  for (int i = 0; i < 200; ++i) {
    const std::string base = "m" + std::to_string(i);
    Write(base + ".stl", "solid\n");
    Write(base + ".ktl", "MESH_MODEL_TYPE: FUSION\nUNV|" + base + ".stl|\n");
    Write(base + ".nda", "1\n");
    Write(base + "1.005", "PLASTIC_MODEL: " + base +
                              ".ktl\n3DFLOW_ANALYSIS_AIM: FILL\n"
                              "3DFLOW_RESULT_NAME: " +
                              base + "1\n");
    Write(base + "1.fsu", "Completed analysis\n");
  }
  for (int i = 0; i < 50; ++i) {
    const std::string base = "m" + std::to_string(i);
    std::filesystem::rename(m_project->Path() / (base + ".stl"),
                            m_project->Path() / (base + "x.stl"));
    Remove(base + "1.fsu");
  }
  Remove("part.stl");
  ASSERT_TRUE(
      m_sink.WaitFor([&] { return Find("m199.stl") != nullptr && Find("m0.stl") == nullptr; }));
  // Wait for the watcher to go quiet: no build for two seconds.
  int builds = -1;
  while (builds != m_sink.CompletedBuilds()) {
    builds = m_sink.CompletedBuilds();
    std::this_thread::sleep_for(std::chrono::milliseconds(2000));
  }
  const std::string followed = Canonical();
  Tree().Close();
  Tree().Open(m_project->Path().string());
  const std::string fresh = Canonical();
  EXPECT_EQ(followed, fresh);
}

TEST_F(WatchedProject, ModelArrivingAfterItsMeshTakesTheMeshFromThePlaceholder) {
  Write("late.ktl", "MESH_MODEL_TYPE: MIDPLANE\nUNV|late.igs|\n");
  Write("late.nda", "1\n");
  Write("late2.ktl", "MESH_MODEL_TYPE: MIDPLANE\n");
  Write("late2.nda", "1\n");
  Open();
  KT_PM_Node* mesh = Find("late.ktl");
  ASSERT_NE(mesh, nullptr);
  EXPECT_EQ(ParentSubTypeOf(mesh), NST_NONE);
  const int builds = m_sink.CompletedBuilds();
  Write("late.igs", "IGES\n");
  Write("late2.081", "TRANS_INPUT_MODEL: late2.stl\nTRANS_OUTPUT_MODEL: late2\n");
  Write("late2.stl", "solid\n");
  ASSERT_TRUE(WaitForBuilds(builds + 1));
  {
    auto lock = Tree().LockTree();
    EXPECT_EQ(mesh->GetParent(), Tree().FindFileInTree("late.igs"));
    EXPECT_EQ(Tree().FindFileInTree("late2.ktl")->GetParent(), Tree().FindFileInTree("late2.stl"));
  }
  const std::string followed = Canonical();
  Tree().Close();
  Tree().Open(m_project->Path().string());
  EXPECT_EQ(followed, Canonical());
}

TEST(TreeThreads, ResyncOfAClosedProjectDoesNothing) {
  ScratchProject project;
  project.Write("a.stl", "solid\n");
  RecordingSink sink;
  project.tree.RegisterNotifySink(&sink);
  project.tree.Open(project.Path().string());
  project.tree.Close();
  const int builds = sink.StartedBuilds();
  project.tree.Resync();
  project.tree.UpdateNodeStatus("a.stl", 1);
  project.tree.Close();  // waits for the resync thread
  EXPECT_EQ(sink.StartedBuilds(), builds);
  EXPECT_EQ(project.tree.IsOpen(), 0);
  project.tree.UnregisterNotifySink(&sink);
}

TEST(TreeThreads, CloseOpenAndDestroyLeaveNoThreadOrDescriptor) {
  // The process's job manager, which tree building asks about running jobs, keeps its own thread.
  KJobsManager::GetManager();
  const int threadsBefore = ThreadCount();
  const int descriptorsBefore = DescriptorCount();
  {
    ScratchProject first;
    for (int i = 0; i < 300; ++i) first.Write("p" + std::to_string(i) + ".stl", "solid\n");
    ScratchProject second;
    second.Write("q.igs", "IGES\n");
    auto tree = std::make_unique<KProjectTree>();
    tree->Open(first.Path().string());
    // Close while resyncs build or wait for the tree lock.
    tree->Resync();
    tree->Resync();
    tree->Close();
    // Open of another project while a resync waits.
    tree->Open(first.Path().string());
    tree->Resync();
    tree->Open(second.Path().string());
    EXPECT_NE(tree->FindFileInTree("q.igs"), nullptr);
    // Destruction right after Resync.
    tree->Resync();
    tree.reset();
  }
  EXPECT_EQ(ThreadCount(), threadsBefore);
  EXPECT_EQ(DescriptorCount(), descriptorsBefore);
}
