// Opening projects whose files lie: references that leave the project directory, references to
// a node's own files or that would make a loop, directories full of files of no known kind, and
// files that cannot be read or hold garbage. The tree must stay a tree, never name or touch a
// file outside the project, and building must end.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>

#include "ScratchProject.h"
#include "TreeShape.h"

using ktpm::test::CheckTree;
using ktpm::test::DumpTree;
using ktpm::test::kMidplaneMesh;
using ktpm::test::NodeOf;
using ktpm::test::ParentOf;
using ktpm::test::ScopedMaterialData;
using ktpm::test::ScratchProject;

namespace {

namespace fs = std::filesystem;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || \
    __has_feature(undefined_behavior_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// A directory beside the project with files that references try to reach. Remembers every
// file's content and mode so that a test can tell whether anything touched them.
class OutsideDirectory {
 public:
  explicit OutsideDirectory(const fs::path& project)
      : m_path(project.parent_path() / (project.filename().string() + "-outside")) {
    fs::create_directories(m_path / "Summary");
    for (const char* name : {"x.fsu", "x.psu", "x.md3", "mesh.ktl", "mesh.nda", "mesh.igs", "r.r05",
                             "out.bf3", "out.bc2", "t.rpt", "x.jsu", "Detail.rpi"}) {
      Write(name, std::string("outside file ") + name + "\n");
    }
    Write("Summary/index.html", "<html></html>\n");
    m_before = Snapshot();
  }
  OutsideDirectory(const OutsideDirectory&) = delete;
  OutsideDirectory& operator=(const OutsideDirectory&) = delete;
  ~OutsideDirectory() {
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
  }

  const fs::path& Path() const { return m_path; }
  std::string Name() const { return m_path.filename().string(); }
  // Everything as it was: same files, same contents, same modes.
  bool Unchanged() const { return Snapshot() == m_before; }

 private:
  void Write(const std::string& name, const std::string& text) const {
    std::ofstream(m_path / name, std::ios::binary) << text;
  }
  std::map<std::string, std::string> Snapshot() const {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(m_path)) {
      std::string state = std::to_string(static_cast<int>(entry.status().permissions()));
      if (entry.is_regular_file()) {
        std::ifstream in(entry.path(), std::ios::binary);
        state += ":" + std::string(std::istreambuf_iterator<char>(in), {});
      }
      files[entry.path().string()] = state;
    }
    return files;
  }

  fs::path m_path;
  std::map<std::string, std::string> m_before;
};

// Names of node files that are not plain names of the project directory.
std::string FilesOutsideTheProject(KProjectTree& tree) {
  std::string found;
  for (const auto& node : tree.GetNodes()) {
    for (const KFileEntry& file : node->GetFiles()) {
      const std::string& name = file.GetPath();
      if (name.find('/') != std::string::npos || name.find('\\') != std::string::npos ||
          name == "." || name == "..") {
        found += name + "\n";
      }
    }
  }
  return found;
}

}  // namespace

TEST(TreeSafety, ReferencesOutsideTheProjectAreNeverFollowed) {
  ScratchProject project;
  OutsideDirectory outside(project.Path());
  ScopedMaterialData data(project.Path() / ".data");
  const std::string up = "../" + outside.Name() + "/";
  const std::string absolute = outside.Path().string() + "/";

  project.Write("part.ktl", kMidplaneMesh);
  project.Write("part.nda", "1 0 0 0\n");
  project.Write("m.md3", "PLASTIC_MODEL: part.ktl\n");
  const std::string onMesh = "PLASTIC_MODEL: part.ktl\nMATERIAL_FILE: m.md3\n";
  project.Write("a.001", onMesh + "3DFLOW_RESULT_NAME: " + up + "x\n");
  project.Write("b.001", onMesh + "3DFLOW_RESULT_NAME: " + absolute + "x\n");
  project.Write("c.002", onMesh +
                             "3DFLOW_ANALYSIS_AIM: PACK\n3DFLOW_RESTART: NONE\n"
                             "3DFLOW_RESULT_NAME: " +
                             up + "x\n");
  project.Write("d.002", onMesh +
                             "3DFLOW_ANALYSIS_AIM: PACK\n3DFLOW_RESTART: INTERMEDIATE_PACKING\n"
                             "3DFLOW_RESTART_INTERMEDIATE_PACKING: " +
                             up + "r.r05\n3DFLOW_RESULT_NAME: d\n");
  project.Write("e.001", "PLASTIC_MODEL: part.ktl\nMATERIAL_FILE: " + up + "x.md3\n");
  project.Write("f.001", "PLASTIC_MODEL: " + up + "mesh.ktl\n");
  project.Write("g.040", onMesh + "3DCOOL_MOLD_MODEL_FILE: " + up +
                             "mesh\n3DCOOL_BOUNDARY_CONDITION: " + up + "out.bc2\n");
  project.Write("h.001", onMesh + "3DFLOW_BOUNDARY_CONDITION: " + absolute + "out.bf3\n");
  project.Write("w.060", onMesh + "3DSTRUCT_INITIAL_CONDITIONS_FILE: " + up + "x.jsu\n");
  project.Write("v.060", onMesh + "3DSTRUCT_FENAS_INPUT_FILE: " + up + "x\n");
  project.Write("k.081",
                "TRANS_INPUT_MODEL: " + up + "mesh.igs\nTRANS_OUTPUT_MODEL: " + up + "made\n");
  project.Write("n.092", "KTMESH3D_MESH_INPUT_FILENAME: part.ktl\nKTMESH3D_MESH_OUTPUT_FILENAME: " +
                             absolute + "made\nKTMESH3D_OUTPUT_FILETYPE: KELTRAVO_FLOW3D_INPUT\n");
  project.Write("o.bf3", "*MODEL    " + up + "mesh.ktl\n");
  project.Write("p.md3", "PLASTIC_MODEL: " + up + "mesh.ktl\n");
  project.Write("mold.ktl", "KTL model file\nMESH_MODEL_TYPE: MIDPLANE\n Cavity Model  " + up +
                                "mesh.ktl\nEND\n");
  project.Write("mold.nda", "1 0 0 0\n");
  project.Write("u.ktl",
                "KTL model file\nMESH_MODEL_TYPE: MIDPLANE\nUNV|" + up + "mesh.igs|PART |\nEND\n");
  project.Write("u.nda", "1 0 0 0\n");
  project.Write("t.rpt",
                "PROJECT_PARENT_NODE : \"part.ktl\"\nNO_HTML_REPORTS : 2\n"
                "HTML_REPORT_DIR : \"" +
                    up + "Summary\"\nHTML_REPORT_DIR : \"" + absolute +
                    "Summary\"\nTEMPLATE_NAME : \"t\"\n");
  project.Write("Summary.rpi",
                "PROJECT_PARENT_NODE : \"t.rpt\"\nHTML_STYLE : \"Summary\"\n"
                "REPORT_TEMPLATE : \"t.rpt\"\n");
  project.Write("q.rpi", "PROJECT_PARENT_NODE : \"" + up +
                             "t.rpt\"\nHTML_STYLE : \"q\"\nREPORT_TEMPLATE : \"" + up +
                             "t.rpt\"\n");

  project.tree.Open(project.Path().string());
  // Keeps the directory watcher's resyncs out while the test changes and reads the tree.
  auto held = project.tree.LockTree();
  EXPECT_EQ(FilesOutsideTheProject(project.tree), "");
  EXPECT_EQ(CheckTree(project.tree), "");
  EXPECT_TRUE(outside.Unchanged());
  // The pending report was not given a directory outside the project.
  KT_PM_Node* pending = project.tree.FindInternalNode("Summary.rpi");
  ASSERT_NE(pending, nullptr);
  EXPECT_EQ(pending->GetState(), NS_PENDING);
  EXPECT_TRUE(project.Exists("Summary.rpi"));
  // The input whose material lies outside gets no material of its own.
  EXPECT_EQ(ParentOf(project.tree, "e.001"), "<none>");

  KProjectTreeTestPeer::BuildTree(project.tree);
  EXPECT_EQ(FilesOutsideTheProject(project.tree), "");
  EXPECT_EQ(CheckTree(project.tree), "");
  held.unlock();
  project.tree.Close();
  EXPECT_TRUE(outside.Unchanged());
}

TEST(TreeSafety, ReferencesToOwnFilesAndLoopsLeaveATree) {
  ScratchProject project;
  project.Write("part.ktl", kMidplaneMesh);
  project.Write("part.nda", "1 0 0 0\n");
  project.Write("m.md3", "PLASTIC_MODEL: part.ktl\n");
  const std::string onMesh = "PLASTIC_MODEL: part.ktl\nMATERIAL_FILE: m.md3\n";
  // An input that starts from its own result.
  project.Write(
      "f.001",
      onMesh +
          "3DFLOW_ANALYSIS_AIM: FILL\n3DFLOW_RESULT_NAME: f\nMOLD3D_RESTART_FILE_NAME: f.fsu\n");
  // An input that restarts from itself, and one that restarts from its own result.
  project.Write("s.002", onMesh +
                             "3DFLOW_ANALYSIS_AIM: PACK\n3DFLOW_RESTART: INTERMEDIATE_PACKING\n"
                             "3DFLOW_RESTART_INTERMEDIATE_PACKING: s.002\n"
                             "3DFLOW_RESULT_NAME: s\n");
  project.Write("r.002", onMesh +
                             "3DFLOW_ANALYSIS_AIM: PACK\n3DFLOW_RESTART: INTERMEDIATE_PACKING\n"
                             "3DFLOW_RESTART_INTERMEDIATE_PACKING: r.psu\n"
                             "3DFLOW_RESULT_NAME: r\n");
  // Two inputs each hanging under the other's result.
  project.Write("c.040", onMesh +
                             "3DCOOL_RESULT_NAME: c\n3DCOOL_FLOW_RESULTS: END_OF_FILLING\n"
                             "3DCOOL_FLOW_RESULTS_END_OF_FILLING: g.fsu\n");
  project.Write(
      "g.001",
      onMesh +
          "3DFLOW_ANALYSIS_AIM: FILL\n3DFLOW_RESULT_NAME: g\n3DFLOW_COOLING_INTERFACE: c.csu\n");
  // A warp run whose result is its own start.
  project.Write("w.060",
                onMesh + "3DSTRUCT_FENAS_INPUT_FILE: w\n3DSTRUCT_FENAS_SVA_RESULT_FILE: w\n");
  // A result name that is the input itself.
  project.Write("i.001", onMesh + "3DFLOW_ANALYSIS_AIM: FILL\n3DFLOW_RESULT_NAME: i.001\n");
  // A translator whose output is its input, and meshes translated from each other.
  project.Write("t.ktl", kMidplaneMesh);
  project.Write("t.nda", "1 0 0 0\n");
  project.Write("t.081", "TRANS_INPUT_MODEL: t.ktl\nTRANS_OUTPUT_MODEL: t\n");
  project.Write("u1.ktl", "KTL model file\nMESH_MODEL_TYPE: FUSION\nUNV|u2.ktl|PART |\nEND\n");
  project.Write("u1.nda", "1 0 0 0\n");
  project.Write("u2.ktl", "KTL model file\nMESH_MODEL_TYPE: FUSION\nUNV|u1.ktl|PART |\nEND\n");
  project.Write("u2.nda", "1 0 0 0\n");
  // Mold meshes that are each other's cavity, and one that is its own.
  project.Write("ma.ktl",
                "KTL model file\nMESH_MODEL_TYPE: MIDPLANE\n Cavity Model  mb.ktl\nEND\n");
  project.Write("ma.nda", "1 0 0 0\n");
  project.Write("mb.ktl",
                "KTL model file\nMESH_MODEL_TYPE: MIDPLANE\n Cavity Model  ma.ktl\nEND\n");
  project.Write("mb.nda", "1 0 0 0\n");
  project.Write("me.ktl", "KTL model file\nMESH_MODEL_TYPE: FUSION\n Cavity Model  me.ktl\nEND\n");
  project.Write("me.nda", "1 0 0 0\n");
  // A material for itself, templates and reports under themselves.
  project.Write("self.md3", "PLASTIC_MODEL: self.md3\n");
  project.Write("self.rpt", "PROJECT_PARENT_NODE : \"self.rpt\"\nTEMPLATE_NAME : \"s\"\n");
  project.Write("one.rpt", "PROJECT_PARENT_NODE : \"two.rpt\"\nTEMPLATE_NAME : \"1\"\n");
  project.Write("two.rpt", "PROJECT_PARENT_NODE : \"one.rpt\"\nTEMPLATE_NAME : \"2\"\n");
  project.Write("own.rpi", "PROJECT_PARENT_NODE : \"own.rpi\"\nHTML_STYLE : \"own\"\n");
  // A boundary condition that names itself as its model.
  project.Write("loop.bf3", "*MODEL    loop.bf3\n");

  project.tree.Open(project.Path().string());
  // Keeps the directory watcher's resyncs out while the test changes and reads the tree.
  auto held = project.tree.LockTree();
  EXPECT_EQ(CheckTree(project.tree), "");
  EXPECT_EQ(ParentOf(project.tree, "f.fsu"), "f.001");
  EXPECT_EQ(ParentOf(project.tree, "f.001"), "<none>");
  EXPECT_EQ(ParentOf(project.tree, "s.002"), "<none>");
  EXPECT_EQ(ParentOf(project.tree, "r.002"), "<none>");
  EXPECT_EQ(ParentOf(project.tree, "w.060"), "<none>");
  // Of the pair, the first placed stays; the other would close a loop.
  EXPECT_EQ(ParentOf(project.tree, "c.040"), "g.fsu");
  EXPECT_EQ(ParentOf(project.tree, "g.001"), "<none>");
  // A result cannot be its own input.
  KT_PM_Node* input = NodeOf(project.tree, "i.001");
  ASSERT_NE(input, nullptr);
  EXPECT_EQ(input->GetType(), NT_ANALYSIS_INPUT);
  EXPECT_NE(input->GetParent(), input);
  EXPECT_NE(ParentOf(project.tree, "t.ktl"), "t.ktl");
  for (int i = 0; i < 2; ++i) {
    KProjectTreeTestPeer::BuildTree(project.tree);
    EXPECT_EQ(CheckTree(project.tree), "");
  }
}

TEST(TreeSafety, DirectoryOfManyFilesOfNoKnownKind) {
  ScratchProject project;
  const int count = kSanitized ? 5000 : 50000;
  static const char* const kExtensions[] = {".xyz", ".bak", "",     ".tmp~", ".txt",
                                            ".lab", ".621", ".fr0", ".ela",  ".r05"};
  for (int i = 0; i < count; ++i) {
    const std::string name = "junk" + std::to_string(i) + kExtensions[i % 10];
    std::ofstream(project.Path() / name, std::ios::binary);
  }
  project.Write("part.ktl", kMidplaneMesh);
  project.Write("part.nda", "1 0 0 0\n");
  const auto start = std::chrono::steady_clock::now();
  project.tree.Open(project.Path().string());
  // Keeps the directory watcher's resyncs out while the test changes and reads the tree.
  auto held = project.tree.LockTree();
  const auto seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  // Only the mesh and its placeholder model; no stray file joined anything.
  EXPECT_EQ(DumpTree(project.tree),
            "NT_CAD_MODEL NST_NONE NS_OK\n"
            "  NT_MESH NST_MESH_MIDPLANE NS_OK part.ktl part.nda\n");
  EXPECT_EQ(project.tree.GetNodes().size(), 2u);
  // Linear work per name: a quadratic build would take minutes here.
  EXPECT_LT(seconds, kSanitized ? 60.0 : 20.0);
  KProjectTreeTestPeer::BuildTree(project.tree);
  EXPECT_EQ(project.tree.GetNodes().size(), 2u);
}

TEST(TreeSafety, UnreadableAndGarbageFilesBuildWithoutHarm) {
  ScratchProject project;
  // Directories named like files of every kind, and links that lead nowhere.
  for (const char* name : {"dir.001", "dir.ktl", "dir.rpt", "dir.md3", "dir.fsu"}) {
    fs::create_directory(project.Path() / name);
  }
  for (const char* name : {"dangling.ktl", "dangling.001", "dangling.bf3", "dangling.rpi"}) {
    fs::create_symlink(project.Path() / "nowhere" / name, project.Path() / name);
  }
  // Files of every kind holding random bytes with NULs, and one keyword file with a NUL inside a
  // file name and a line far longer than any buffer.
  std::mt19937 random(7);
  const char* const kinds[] = {"g.001", "g.002",  "g.040", "g.060", "g.061", "g.090", "g.081",
                               "g.092", "g.ktl",  "g.m3i", "g.md3", "g.bf3", "g.bc2", "g.exl",
                               "g.rpt", "G2.rpi", "g.fsu", "g.m3r", "g.m3s", "g.lab", "g.txt",
                               "g.nda", "g.mse",  "g.igs", "g.inp", "g.dss"};
  for (const char* name : kinds) {
    std::string bytes(4096, '\0');
    for (char& c : bytes) c = static_cast<char>(random() % 256);
    for (size_t i = 0; i < bytes.size(); i += 97) bytes[i] = '\n';
    project.Write(name, bytes);
  }
  project.Write("n.001", std::string("PLASTIC_MODEL: g.ktl\n3DFLOW_RESULT_NAME: a\0b\n", 44) +
                             "3DFLOW_BOUNDARY_CONDITION: " + std::string(1 << 20, 'b') + "\n");
  project.Write("n.rpt", std::string("PROJECT_PARENT_NODE : \"") + std::string(1 << 16, '"') +
                             "\nHTML_REPORT_DIR : \"\"\nNO_HTML_REPORTS : 99999999\n");
  project.Write("empty.001", "");
  project.Write("empty.ktl", "");

  project.tree.Open(project.Path().string());
  // Keeps the directory watcher's resyncs out while the test changes and reads the tree.
  auto held = project.tree.LockTree();
  EXPECT_EQ(CheckTree(project.tree), "");
  EXPECT_EQ(project.tree.FindInternalNode("dir.001"), nullptr);
  EXPECT_EQ(project.tree.FindInternalNode("dir.ktl"), nullptr);
  // Nothing named after a file that held a NUL.
  for (const auto& node : project.tree.GetNodes()) {
    for (const KFileEntry& file : node->GetFiles()) {
      EXPECT_EQ(file.GetPath().find('\0'), std::string::npos);
    }
  }
  KProjectTreeTestPeer::BuildTree(project.tree);
  EXPECT_EQ(CheckTree(project.tree), "");
  held.unlock();
  project.tree.Close();
  EXPECT_EQ(project.tree.IsOpen(), 0);
}

TEST(TreeSafety, ProjectDirectoryThatCannotBeListedGivesAnEmptyTree) {
  ScratchProject project;
  project.tree.Open((project.Path() / "no-such-directory").string());
  EXPECT_EQ(project.tree.IsOpen(), 0);
  EXPECT_EQ(project.tree.GetRootNode()->GetFirstChild(), nullptr);
}

TEST(TreeSafety, ReportRequestNamingANodeThatIsNoTemplateTakesOverNothing) {
  ScratchProject project;
  project.Write("part.ktl", kMidplaneMesh);
  project.Write("part.nda", "1 0 0 0\n");
  project.Write("part.bc3", "*NODAL    COOLANT\n");
  project.Write("part.md3", "PLASTIC_MODEL: part.ktl\n");
  project.Write("c.040",
                "PLASTIC_MODEL: part.ktl\nMATERIAL_FILE: part.md3\n"
                "3DCOOL_BOUNDARY_CONDITION: part.bc3\n");
  project.tree.Open(project.Path().string());
  // Keeps the directory watcher's resyncs out while the test changes and reads the tree.
  auto held = project.tree.LockTree();
  // Requests that appear later: their "template" is the mesh, and their styles are endings of
  // the names of the mesh's children.
  project.Write("q.rpi", "PROJECT_PARENT_NODE : \"part.ktl\"\nHTML_STYLE : \"bc3\"\n");
  project.Write("r.rpi", "PROJECT_PARENT_NODE : \"part.ktl\"\nHTML_STYLE : \"]\"\n");
  KProjectTreeTestPeer::BuildTree(project.tree);
  KT_PM_Node* bc = project.tree.FindInternalNode("part.bc3");
  ASSERT_NE(bc, nullptr);
  EXPECT_EQ(bc->GetMainFile(), "part.bc3");
  EXPECT_EQ(bc->GetType(), NT_BOUNDARY_CONDITION);
  EXPECT_EQ(bc->GetState(), NS_OK);
  for (const char* request : {"q.rpi", "r.rpi"}) {
    KT_PM_Node* report = project.tree.FindInternalNode(request);
    ASSERT_NE(report, nullptr) << request;
    EXPECT_EQ(report->GetType(), NT_REPORT);
    EXPECT_EQ(report->GetMainFile(), request);
  }
  EXPECT_EQ(CheckTree(project.tree), "");
}
