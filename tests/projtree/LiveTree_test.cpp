// An open, watched project while real tools change it: once the watcher has resynced, the open
// tree equals a fresh Open of the same directory (node identity aside).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>

#include "ScratchProject.h"
#include "TreeTestSupport.h"

namespace {

using ktpm::test::CanonicalTree;
using ktpm::test::RecordingSink;
using ktpm::test::ScratchProject;
namespace fs = std::filesystem;

bool HasTool(const std::string& tool) {
  return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// Kinds, states, files and shape, and every node's display label.
std::string Snapshot(KProjectTree& tree) {
  auto lock = tree.LockTree();
  std::set<std::string> labels;
  for (const auto& node : tree.GetNodes()) {
    if (node->GetParent() != nullptr) {
      labels.insert(node->GetMainFile() + " '" + node->GetDisplayLabel() + "'");
    }
  }
  std::string text = CanonicalTree(tree.GetRootNode());
  for (const std::string& label : labels) text += label + "\n";
  return text;
}

// The tree a fresh Open makes of the directory; inspection mode, so that it writes nothing the
// watched tree would see.
std::string FreshSnapshot(const fs::path& directory) {
  KProjectTree fresh;
  fresh.SetInspectionMode(1);
  fresh.Open(directory.string());
  std::string text = Snapshot(fresh);
  fresh.Close();
  return text;
}

// Models, meshes with side files, analysis inputs and their results, named from prefix.
void WriteProject(const fs::path& directory, const std::string& prefix, int count) {
  fs::create_directories(directory);
  const auto write = [&](const std::string& name, const std::string& text) {
    std::ofstream(directory / name, std::ios::binary) << text;
  };
  for (int i = 0; i < count; ++i) {
    const std::string base = prefix + std::to_string(i);
    write(base + ".stl", "solid\n");
    write(base + ".ktl", "MESH_MODEL_TYPE: FUSION\nUNV|" + base + ".stl|\n");
    write(base + ".nda", "1\n");
    write(base + ".lab", "Mesh " + base);
    write(base + "1.005", "PLASTIC_MODEL: " + base + ".ktl\n3DFLOW_ANALYSIS_AIM: FILL\n" +
                              "3DFLOW_RESULT_NAME: " + base + "1\n");
    if (i % 2 == 0) write(base + "1.fsu", "Completed analysis\n");
  }
}

class LiveTree : public ::testing::Test {
 protected:
  void SetUp() override {
    m_scratch = std::make_unique<ScratchProject>();
    m_project = m_scratch->Path() / "project";
    m_staging = m_scratch->Path() / "staging";
    WriteProject(m_project, "a", 6);
    WriteProject(m_staging, "b", 6);
    m_scratch->tree.RegisterNotifySink(&m_sink);
    m_scratch->tree.Open(m_project.string());
  }
  void TearDown() override {
    m_scratch->tree.Close();
    m_scratch->tree.UnregisterNotifySink(&m_sink);
  }

  // Runs a shell command in the project directory, then waits (with a deadline) for a resync
  // after it and for the open tree to equal a fresh Open.
  void Burst(const std::string& command) {
    SCOPED_TRACE(command);
    const int builds = m_sink.CompletedBuilds();
    ASSERT_EQ(std::system(("cd '" + m_project.string() + "' && " + command).c_str()), 0);
    std::string live, fresh;
    const bool same = m_sink.WaitFor(
        [&] {
          if (m_sink.CompletedBuilds() <= builds) return false;
          live = Snapshot(m_scratch->tree);
          fresh = FreshSnapshot(m_project);
          return live == fresh;
        },
        std::chrono::seconds(30));
    EXPECT_TRUE(same) << "open tree:\n" << live << "fresh Open:\n" << fresh;
  }

  std::unique_ptr<ScratchProject> m_scratch;
  fs::path m_project;
  fs::path m_staging;
  RecordingSink m_sink;
};

}  // namespace

TEST_F(LiveTree, ArchiveCopyRemoveAndMoveBursts) {
  ASSERT_EQ(std::system(("tar cf '" + (m_scratch->Path() / "b.tar").string() + "' -C '" +
                         m_staging.string() + "' .")
                            .c_str()),
            0);
  Burst("tar xf ../b.tar");
  Burst("rm -rf a0* a2* a4* b1* b3* b5*");
  Burst("cp -r ../staging/. .");
  Burst("mv a1.stl ../a1.stl");
  Burst("mv ../a1.stl a1.stl");
  Burst(
      "for i in $(seq 40); do echo solid > t$i.stl; mv t$i.stl u$i.stl; rm u$i.stl; done; "
      "for i in $(seq 10); do echo solid > k$i.stl; mv k$i.stl v$i.stl; done");
}

TEST_F(LiveTree, RsyncBursts) {
  if (!HasTool("rsync")) GTEST_SKIP() << "rsync is not installed";
  WriteProject(m_scratch->Path() / "other", "c", 4);
  Burst("rsync -a ../staging/ .");
  Burst("rsync -a --delete ../other/ .");
}

TEST_F(LiveTree, GitCheckoutBetweenBranches) {
  if (!HasTool("git")) GTEST_SKIP() << "git is not installed";
  const std::string git = "git -c user.name=t -c user.email=t@t -c init.defaultBranch=one ";
  ASSERT_EQ(std::system(("cd '" + m_project.string() + "' && " + git + "init -q && " + git +
                         "add -A && " + git + "commit -qm one && " + git +
                         "checkout -qb two && rm a1* a3* && cp ../staging/* . && " + git +
                         "add -A && " + git + "commit -qm two && " + git + "checkout -q one")
                            .c_str()),
            0);
  Burst("git checkout -q two");
  Burst("git checkout -q one");
}
