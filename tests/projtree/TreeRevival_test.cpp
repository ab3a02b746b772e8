// Nodes whose files come and go while a project is open: generated reports in folders, models,
// inputs and results found again, and deletes that must leave nothing behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "ScratchProject.h"
#include "TreeShape.h"
#include "TreeTestSupport.h"

#include <ktpm/projtree/IProjectNotifySink.h>

using ktpm::test::CanonicalTree;
using ktpm::test::CheckTree;
using ktpm::test::FilesOf;
using ktpm::test::NodeOf;
using ktpm::test::ParentOf;
using ktpm::test::ScratchProject;

namespace {

// A project holding a midplane mesh "part.ktl" and a material "m.md3" for it, opened and
// rebuilt by hand (the watcher's resyncs are kept out by the tree lock the test holds).
class RevivalProject : public ScratchProject {
 public:
  RevivalProject() {
    Write("part.ktl", "KTL model file\nMESH_MODEL_TYPE: MIDPLANE\nEND\n");
    Write("m.md3", "PLASTIC_MODEL: part.ktl\n");
  }
  void Open() { tree.Open(Path().string()); }
  void Rebuild() { KProjectTreeTestPeer::BuildTree(tree); }
  // The tree a fresh Open of the same directory builds, in canonical form.
  std::string FreshTree() {
    KProjectTree fresh;
    fresh.SetInspectionMode(1);
    fresh.Open(Path().string());
    auto lock = fresh.LockTree();
    std::string dump = CanonicalTree(fresh.GetRootNode());
    lock.unlock();
    fresh.Close();
    return dump;
  }
};

}  // namespace

TEST(TreeRevival, ReportGeneratedIntoAFolderCompletesItsRequest) {
  for (const char* recorded : {"part_rpt/Summary", "part_rpt\\Summary"}) {
    RevivalProject project;
    project.Write("part.rpt",
                  std::string("PROJECT_PARENT_NODE : \"part.ktl\"\nNO_HTML_REPORTS : 1\n"
                              "HTML_REPORT_DIR : \"") +
                      recorded + "\"\nTEMPLATE_NAME : \"Part report\"\n");
    project.Write("Summary.rpi",
                  "PROJECT_PARENT_NODE : \"part.rpt\"\nHTML_STYLE : \"Summary\"\n"
                  "REPORT_TEMPLATE : \"part.rpt\"\n");
    std::filesystem::create_directories(project.Path() / "part_rpt" / "Summary");
    project.Open();
    auto held = project.tree.LockTree();
    KT_PM_Node* report = NodeOf(project.tree, "part_rpt/Summary");
    ASSERT_NE(report, nullptr) << recorded;
    EXPECT_EQ(report->GetState(), NS_OK) << recorded;
    EXPECT_EQ(ParentOf(project.tree, "part_rpt/Summary"), "part.rpt") << recorded;
    EXPECT_EQ(report->GetDisplayLabel(), "Summary") << recorded;
    EXPECT_FALSE(project.Exists("Summary.rpi")) << recorded;
  }
}

TEST(TreeRevival, TreeAfterFilesGoAndComeBackEqualsAFreshOpen) {
  struct Case {
    const char* what;
    std::vector<std::pair<const char*, const char*>> files;
    const char* removed;
    bool restored;
    bool replacedByDirectory = false;
  };
  const char* input =
      "PLASTIC_MODEL: part.ktl\nMATERIAL_FILE: m.md3\n3DFLOW_ANALYSIS_AIM: FILL\n"
      "3DFLOW_RESULT_NAME: part1\n3DFLOW_BOUNDARY_CONDITION: part.bf3\n";
  const std::vector<std::pair<const char*, const char*>> chain{
      {"part.bf3", "*MODEL    part.ktl\n*NODAL    INJECT\n\t1\t1\t1\n"},
      {"part1.001", input},
      {"part1.fsu", "summary\n"},
      {"part1.501", "screen output\n"}};
  std::vector<std::pair<const char*, const char*>> pending = chain;
  pending.erase(pending.begin() + 2);  // no summary: the result waits for its run
  const std::vector<std::pair<const char*, const char*>> translated{
      {"bracket.igs", "iges\n"},
      {"bracket.081", "TRANS_INPUT_MODEL: bracket.igs\nTRANS_OUTPUT_MODEL: bracket.ktl\n"},
      {"bracket.ktl", "KTL model file\nMESH_MODEL_TYPE: MIDPLANE\nUNV|bracket.igs|PART |\nEND\n"}};
  const Case cases[] = {
      {"CAD model comes back", translated, "bracket.igs", true},
      {"translated mesh goes", translated, "bracket.ktl", false},
      {"boundary condition goes", chain, "part.bf3", false},
      {"boundary condition comes back", chain, "part.bf3", true},
      {"input comes back", chain, "part1.001", true},
      {"input of a pending result comes back", pending, "part1.001", true},
      {"run output comes back", chain, "part1.501", true},
      {"input replaced by a directory", chain, "part1.001", false, true},
      {"boundary condition replaced by a directory", chain, "part.bf3", false, true},
  };
  for (const Case& c : cases) {
    RevivalProject project;
    for (const auto& [name, text] : c.files) project.Write(name, text);
    project.Open();
    const std::string saved = project.Read(c.removed);
    std::filesystem::remove(project.Path() / c.removed);
    if (c.replacedByDirectory) std::filesystem::create_directory(project.Path() / c.removed);
    KProjectTreeTestPeer::Resync(project.tree);
    if (c.restored) {
      project.Write(c.removed, saved);
      KProjectTreeTestPeer::Resync(project.tree);
    }
    auto held = project.tree.LockTree();
    EXPECT_EQ(CanonicalTree(project.tree.GetRootNode()), project.FreshTree()) << c.what;
    EXPECT_EQ(CheckTree(project.tree), "") << c.what;
    for (const auto& node : project.tree.GetNodes()) {
      if (node->GetParent() != nullptr) {
        EXPECT_NE(node->GetState(), NS_DELETED) << c.what;
      }
    }
  }
}

namespace {

// Records what the sinks hear; may ask the build to give up when it hears of a node.
class StopSink : public IProjectNotifySink {
 public:
  explicit StopSink(KProjectTree& tree, std::string stopAt = {})
      : m_tree(tree), m_stopAt(std::move(stopAt)) {}
  void OnNodeChanged(KT_PM_Node* node) override {
    calls.push_back("changed " + node->GetMainFile());
    if (!m_stopAt.empty() && node->GetMainFile() == m_stopAt) {
      KProjectTreeTestPeer::RequestStop(m_tree);
    }
  }
  void OnInitProgress(int steps) override { calls.push_back("init " + std::to_string(steps)); }
  void OnSetProgress(int step) override { calls.push_back("set " + std::to_string(step)); }
  void OnEndProgress() override { calls.push_back("end"); }
  std::vector<std::string> calls;

 private:
  KProjectTree& m_tree;
  std::string m_stopAt;
};

}  // namespace

TEST(TreeRevival, BuildGivenUpSendsNoMoreProgress) {
  RevivalProject project;
  project.Write("x.stl", "solid x\nendsolid x\n");  // the last name of the listing
  project.Open();
  auto held = project.tree.LockTree();
  project.tree.FindInternalNode("x.stl")->SetClientData(1);
  StopSink sink(project.tree, "x.stl");
  project.tree.RegisterNotifySink(&sink);
  KProjectTreeTestPeer::BuildTree(project.tree);
  project.tree.UnregisterNotifySink(&sink);
  const std::vector<std::string> expected{"init 5", "set 1", "changed x.stl"};
  EXPECT_EQ(sink.calls, expected);
}

TEST(TreeRevival, ReportRequestOfNoKnownTemplateIsAnnounced) {
  RevivalProject project;
  project.Write("orphan.rpi", "PROJECT_PARENT_NODE : \"gone.rpt\"\nHTML_STYLE : \"Summary\"\n");
  StopSink sink(project.tree);
  project.tree.RegisterNotifySink(&sink);
  project.Open();
  project.tree.UnregisterNotifySink(&sink);
  EXPECT_NE(std::find(sink.calls.begin(), sink.calls.end(), "changed orphan.rpi"),
            sink.calls.end());
}

TEST(TreeRevival, ReportRequestFoundAgainIsANewNodeForTheSinks) {
  RevivalProject project;
  project.Write("part.rpt",
                "PROJECT_PARENT_NODE : \"part.ktl\"\nNO_HTML_REPORTS : 0\nTEMPLATE_NAME : \"R\"\n");
  const std::string request =
      "PROJECT_PARENT_NODE : \"part.rpt\"\nHTML_STYLE : \"Later\"\nREPORT_TEMPLATE : "
      "\"part.rpt\"\n";
  project.Write("Later.rpi", request);
  project.Open();
  auto held = project.tree.LockTree();
  KT_PM_Node* report = project.tree.FindInternalNode("Later.rpi");
  ASSERT_NE(report, nullptr);
  report->SetClientData(7);
  project.tree.InternalDeleteNode(report, 1);
  ASSERT_FALSE(project.Exists("Later.rpi"));
  // Requested again.
  project.Write("Later.rpi", request);
  KProjectTreeTestPeer::Resync(project.tree);
  EXPECT_EQ(report->GetState(), NS_PENDING);
  EXPECT_EQ(ParentOf(project.tree, "Later.rpi"), "part.rpt");
  EXPECT_EQ(report->GetClientData(), 0u);
}

TEST(TreeRevival, DeletingAGeneratedReportRemovesItsDirectoryAndEntry) {
  RevivalProject project;
  project.Write("part.rpt",
                "PROJECT_PARENT_NODE : \"part.ktl\"\nNO_HTML_REPORTS : 1\n"
                "HTML_REPORT_DIR : \"part_rpt/Summary\"\nTEMPLATE_NAME : \"R\"\n");
  std::filesystem::create_directories(project.Path() / "part_rpt" / "Summary");
  project.Open();
  auto held = project.tree.LockTree();
  KT_PM_Node* report = project.tree.FindInternalNode("part_rpt/Summary");
  ASSERT_NE(report, nullptr);
  project.tree.InternalDeleteNode(report, 1);
  EXPECT_FALSE(project.Exists("part_rpt/Summary"));
  EXPECT_EQ(project.Read("part.rpt").find("Summary"), std::string::npos);
  EXPECT_EQ(report->GetState(), NS_DELETED);
}

TEST(TreeRevival, EmptyReferencesFindNothing) {
  RevivalProject project;
  ktpm::test::ScopedMaterialData data(project.Path() / ".data");
  // An input whose grade no database knows: its material is unresolved and has no file.
  project.Write("q1.001",
                "PLASTIC_MODEL: part.ktl\nMATERIAL_SUPPLIER: Nobody\nMATERIAL_GRADE: None\n"
                "3DFLOW_ANALYSIS_AIM: FILL\n");
  project.Write("t.rpt", "PROJECT_PARENT_NODE : \"\"\nNO_HTML_REPORTS : 0\n");
  project.Write("e.rpi", "PROJECT_PARENT_NODE : \"\"\nHTML_STYLE : \"E\"\n");
  project.Write("out.081", "TRANS_INPUT_MODEL: \nTRANS_OUTPUT_MODEL: out.ktl\n");
  project.tree.SetInspectionMode(1);
  project.Open();
  // The unresolved material is there from the first build: the rebuild could find it.
  project.Rebuild();
  auto held = project.tree.LockTree();
  ASSERT_EQ(project.tree.FindInternalNode("q1.001")->GetParent()->GetSubType(),
            NST_MATERIAL_UNRESOLVED);
  EXPECT_EQ(ParentOf(project.tree, "t.rpt"), "<none>");
  EXPECT_EQ(ParentOf(project.tree, "e.rpi"), "<none>");
  EXPECT_EQ(ParentOf(project.tree, "out.ktl"), "NT_CAD_MODEL");
}

TEST(TreeRevival, DeletingALongChainOfRestartedAnalyses) {
  ScratchProject project;
  KT_PM_Node* top = project.Node(NT_ANALYSIS_INPUT, NST_FLOW);
  KT_PM_Node* last = top;
  constexpr int kLinks = 200000;
  for (int i = 0; i < kLinks; ++i) {
    KT_PM_Node* node = project.Node(i % 2 == 0 ? NT_RESULT : NT_ANALYSIS_INPUT, NST_FLOW);
    // Linked directly: AppendChild walks the ancestors of every new child.
    node->SetParent(last);
    last->SetFirstChild(node);
    last = node;
  }
  std::vector<KT_PM_Node*> dependants;
  top->GetDependentNodes(dependants, 1);
  EXPECT_EQ(dependants.size(), static_cast<size_t>(kLinks / 2));
  project.tree.InternalDeleteNode(top, 1);
  EXPECT_EQ(last->GetState(), NS_DELETED);
}
