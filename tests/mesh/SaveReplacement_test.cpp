// Model and boundary-condition files are rewritten whole or not at all, and never through a
// link out of the project.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "TempDir.h"
#include "platform/FileSizeLimit.h"

#include <ktpm/mesh/KBCFile.h>
#include <ktpm/mesh/KModelFile.h>

namespace {

using ktpm::test::ReadAll;
using ktpm::test::TempDir;

// A file much larger than the size limit of the failing write.
std::string LargeText(const std::string& firstLine) {
  std::string text = firstLine;
  for (int i = 1; i <= 2000; ++i) text += "\t" + std::to_string(i) + "\t1\t0.5\n";
  return text;
}

struct Saver {
  const char* name;
  const char* fileName;
  std::string text;
  std::function<int(const std::string& path)> save;  // loads, changes and saves
};

std::vector<Saver> Savers() {
  return {
      {"model file", "part.ktl", LargeText("MESH_MODEL_TYPE: FUSION\n"),
       [](const std::string& path) { return KModelFile(path).SetMeshModelType(MMT_MIDPLANE); }},
      {"boundary-condition file", "part.bc3", LargeText("*NODAL     INJECT\n"),
       [](const std::string& path) {
         KBCFile file(path);
         file.SetModel("part.ktl");
         return file.Save(path);
       }},
  };
}

TEST(SaveReplacement, AFailedWriteLeavesTheFileWholeAndReportsIt) {
  for (const Saver& saver : Savers()) {
    SCOPED_TRACE(saver.name);
    TempDir dir;
    const std::string path = dir.Write(saver.fileName, saver.text);
    {
      ktpm::test::FileSizeLimit limit(4096);
      EXPECT_EQ(0, saver.save(path));
    }
    EXPECT_EQ(saver.text, ReadAll(path));
    EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(dir.Path("")), {}));
  }
}

TEST(SaveReplacement, ALinkOutOfTheProjectIsReplacedAndItsTargetKept) {
  for (const Saver& saver : Savers()) {
    SCOPED_TRACE(saver.name);
    TempDir outside;
    TempDir project;
    const std::string target = outside.Write("target", saver.text);
    const std::string link = project.Path(saver.fileName);
    ASSERT_EQ(0, ::symlink(target.c_str(), link.c_str()));
    EXPECT_EQ(1, saver.save(link));
    EXPECT_EQ(saver.text, ReadAll(target));
    EXPECT_FALSE(std::filesystem::is_symlink(link));
  }
}

}  // namespace
