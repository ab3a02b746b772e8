// Inspection mode: a tree that opens and follows a project without changing anything on disk,
// and still shows the tree a normal Open shows.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "ScratchProject.h"
#include "TreeShape.h"
#include "TreeTestSupport.h"

namespace {

namespace fs = std::filesystem;
using ktpm::test::ScratchProject;

// Everything about a project directory a build could change: each entry's kind, permission
// bits, modification time and bytes, by path below the directory.
std::map<std::string, std::string> Snapshot(const fs::path& directory) {
  std::map<std::string, std::string> entries;
  for (const auto& entry : fs::recursive_directory_iterator(directory)) {
    std::ostringstream state;
    state << static_cast<int>(entry.symlink_status().type()) << " "
          << static_cast<unsigned>(entry.symlink_status().permissions()) << " "
          << entry.last_write_time().time_since_epoch().count();
    if (entry.is_regular_file()) {
      std::ifstream in(entry.path(), std::ios::binary);
      state << " " << std::string(std::istreambuf_iterator<char>(in), {});
    }
    entries[fs::relative(entry.path(), directory).string()] = state.str();
  }
  return entries;
}

// The paths whose entries differ between two snapshots, one a line.
std::string Changed(const std::map<std::string, std::string>& before,
                    const std::map<std::string, std::string>& after) {
  std::set<std::string> paths;
  for (const auto& [path, state] : before) {
    const auto other = after.find(path);
    if (other == after.end() || other->second != state) paths.insert(path);
  }
  for (const auto& [path, state] : after) {
    if (before.count(path) == 0) paths.insert(path);
  }
  std::string text;
  for (const std::string& path : paths) text += path + "\n";
  return text;
}

// The labelled tree, read under the tree lock (the watcher may be rebuilding it).
std::string LabelledTree(KProjectTree& tree) {
  auto lock = tree.LockTree();
  return ktpm::test::DumpLabelledTree(tree);
}

std::multiset<std::string> SortedLines(const std::string& text) {
  std::multiset<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.insert(line);
  return lines;
}

// Clears (or sets again) the owner-write bit of the directory and of everything in it.
void SetTreeReadOnly(const fs::path& directory, bool readOnly) {
  const auto change = readOnly ? fs::perm_options::remove : fs::perm_options::add;
  for (const auto& entry : fs::recursive_directory_iterator(directory)) {
    fs::permissions(entry.path(), fs::perms::owner_write, change);
  }
  fs::permissions(directory, fs::perms::owner_write, change);
}

// Messages the tree reported, kept under a lock (they come from the watcher thread too).
class DiagnosticLog {
 public:
  // Made before the tree and attached to it, so that it outlives every call.
  void Attach(KProjectTree& tree) {
    tree.SetDiagnosticHandler([this](KDiagnosticSeverity, const std::string& text) {
      std::lock_guard<std::mutex> guard(m_lock);
      m_messages += text + "\n";
    });
  }
  std::string Text() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_messages;
  }

 private:
  std::mutex m_lock;
  std::string m_messages;
};

// Sample projects copied into directories of the test, with the material database built from the
// seed in a directory of its own (not inside a project, whose files are compared).
class InspectedSample : public ::testing::Test {
 protected:
  InspectedSample() : m_materials(m_data.Path()) {}

  static void CopySample(const ScratchProject& project) {
    fs::copy(fs::path(KTPM_SOURCE_DIR) / "data/sample-project", project.Path(),
             fs::copy_options::recursive);
  }
  // The labelled tree of a normal Open of a fresh copy, which has nothing to report.
  std::string NormalTree() {
    DiagnosticLog log;
    ScratchProject project;
    CopySample(project);
    log.Attach(project.tree);
    project.tree.Open(project.Path().string());
    const std::string dump = LabelledTree(project.tree);
    project.tree.Close();
    EXPECT_EQ(log.Text(), "");
    return dump;
  }

  ScratchProject m_data;
  ktpm::test::ScopedMaterialData m_materials;
};

}  // namespace

TEST_F(InspectedSample, ChangesNothingAndShowsTheTreeOfANormalOpen) {
  const std::string normal = NormalTree();
  ASSERT_NE(normal.find("cover2.md3"), std::string::npos);  // a material made from the database
  for (const bool readOnly : {false, true}) {
    DiagnosticLog log;
    ScratchProject project;
    CopySample(project);
    if (readOnly) SetTreeReadOnly(project.Path(), true);
    const auto before = Snapshot(project.Path());
    log.Attach(project.tree);
    project.tree.SetInspectionMode(1);
    project.tree.Open(project.Path().string());
    EXPECT_EQ(LabelledTree(project.tree), normal) << readOnly;
    project.tree.Close();
    EXPECT_EQ(Changed(before, Snapshot(project.Path())), "") << readOnly;
    // Skipping a write is what the mode is for: nothing to report.
    EXPECT_EQ(log.Text(), "") << readOnly;
    if (readOnly) SetTreeReadOnly(project.Path(), false);
  }
}

TEST_F(InspectedSample, FollowsTheDiskWithoutWriting) {
  ktpm::test::RecordingSink sink;  // outlives the tree that calls it
  ScratchProject project;
  CopySample(project);
  project.tree.RegisterNotifySink(&sink);
  project.tree.SetInspectionMode(1);
  project.tree.Open(project.Path().string());
  const std::string opened = [&] {
    auto lock = project.tree.LockTree();
    return ktpm::test::CanonicalTree(project.tree.GetRootNode());
  }();
  auto before = Snapshot(project.Path());

  project.Write("extra.stl", "solid extra\nendsolid extra\n");
  ASSERT_TRUE(sink.WaitFor([&] { return sink.CountNew("extra.stl") == 1; }));
  {
    // The material file that was only named is still there, under its input's mesh.
    auto lock = project.tree.LockTree();
    EXPECT_EQ(SortedLines(ktpm::test::CanonicalTree(project.tree.GetRootNode())),
              SortedLines(opened + "/extra.stl NT_CAD_MODEL NST_STL NS_OK [extra.stl;]\n"));
  }
  project.tree.Close();
  project.tree.UnregisterNotifySink(&sink);
  EXPECT_EQ(Changed(before, Snapshot(project.Path())), "extra.stl\n");
}

TEST_F(InspectedSample, ANormalOpenOfAReadOnlyProjectReportsWhatItCouldNotWrite) {
  DiagnosticLog log;
  ScratchProject project;
  CopySample(project);
  // The library honours the owner-write bit itself, also for root: the counter file cannot be
  // rewritten, however the process runs.
  project.Write("keltravo.ctr", "1\n");
  SetTreeReadOnly(project.Path(), true);
  log.Attach(project.tree);
  project.tree.Open(project.Path().string());
  project.tree.Close();
  SetTreeReadOnly(project.Path(), false);
  EXPECT_NE(log.Text().find("Cannot update the file counter keltravo.ctr"), std::string::npos)
      << log.Text();
  EXPECT_EQ(project.Read("keltravo.ctr"), "1\n");
}
