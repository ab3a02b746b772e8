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
