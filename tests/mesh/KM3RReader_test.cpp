#include <gtest/gtest.h>

#include <cstring>

#include "MessageCapture.h"
#include "TempDir.h"

#include <ktpm/mesh/KM3RReader.h>
#include <ktpm/mesh/KM3RWriter.h>

using ktpm::test::IsOwnerWritable;
using ktpm::test::MessageCapture;
using ktpm::test::TempDir;

namespace {

KM3RWriter SmallMesh(int32_t version = 105) {
  KM3RWriter writer;
  writer.SetVersion(version);
  writer.SetNodeCount(3);
  writer.SetElementCount(2);
  writer.AddIntRecord("REGION", {5, 6});
  writer.AddThicknessRecord({{1.5f, 0.0f}, {1.5f, 2.0f}});
  return writer;
}

void PutWord(std::string& bytes, size_t offset, int32_t value) {
  std::memcpy(&bytes[offset], &value, 4);  // the test machine is little-endian like the files
}

const char* kVersionError = "M3R Read Error: File is incorrect M3I version format";

}  // namespace

TEST(KM3RReader, ReadsHeaderDirectoryAndRecords) {
  MessageCapture capture;
  TempDir dir;
  std::string path = dir.Path("mesh.m3i");
  ASSERT_EQ(1, SmallMesh().Write(path));
  KM3RReader reader;
  ASSERT_NE(nullptr, reader.Open(path));
  EXPECT_EQ(3, reader.NodeCount());
  EXPECT_EQ(2, reader.ElementCount());
  ASSERT_EQ(2u, reader.Directory().size());
  EXPECT_EQ("REGION", reader.Directory()[0].name);
  EXPECT_EQ(6, reader.Directory()[0].length);
  EXPECT_EQ(-1, reader.FindRecord("SHAPE"));

  std::vector<int32_t> values;
  ASSERT_EQ(&values, reader.ReadIntAttribute("REGION", values));
  EXPECT_EQ((std::vector<int32_t>{0, 0, 0, 5, 6}), values);
  EXPECT_EQ(nullptr, reader.ReadIntAttribute("SHAPE", values));
  std::vector<std::pair<double, double>> thickness;
  ASSERT_EQ(&thickness, reader.ReadThickness(thickness));
  EXPECT_EQ((std::vector<std::pair<double, double>>{{0, 0}, {0, 0}, {0, 0}, {1.5, 0}, {1.5, 2}}),
            thickness);
  EXPECT_TRUE(capture.messages.empty());
}

TEST(KM3RReader, AcceptsVersion100And105Up) {
  MessageCapture capture;
  TempDir dir;
  std::string path = dir.Path("v.m3i");
  for (int32_t version : {100, 105, 106, 2000}) {
    SmallMesh(version).Write(path);
    EXPECT_NE(nullptr, KM3RReader().Open(path)) << version;
  }
  EXPECT_TRUE(capture.messages.empty());
  for (int32_t version : {0, 99, 101, 104, -105}) {
    SmallMesh(version).Write(path);
    KM3RReader reader;
    EXPECT_EQ(nullptr, reader.Open(path)) << version;
    EXPECT_FALSE(reader.IsOpen());
  }
  EXPECT_EQ(std::vector<std::string>(5, kVersionError), capture.messages);
}

TEST(KM3RReader, M3RFileIsReadOnlyWhileOpen) {
  MessageCapture capture;
  TempDir dir;
  std::string path = dir.Path("result.M3R");
  SmallMesh().Write(path);
  {
    KM3RReader reader;
    ASSERT_NE(nullptr, reader.Open(path));
    EXPECT_FALSE(IsOwnerWritable(path));
  }
  EXPECT_TRUE(IsOwnerWritable(path));

  // A rejected version gives the permission back too.
  SmallMesh(99).Write(path);
  EXPECT_EQ(nullptr, KM3RReader().Open(path));
  EXPECT_TRUE(IsOwnerWritable(path));

  // A file that was read-only stays so.
  SmallMesh().Write(path);
  ktpm::test::SetOwnerWritable(path, false);
  {
    KM3RReader reader;
    ASSERT_NE(nullptr, reader.Open(path));
    reader.Close();
  }
  EXPECT_FALSE(IsOwnerWritable(path));
}

TEST(KM3RReader, M3IFileAttributesAreNeverChanged) {
  MessageCapture capture;
  TempDir dir;
  std::string path = dir.Path("mesh.m3i");
  SmallMesh().Write(path);
  KM3RReader reader;
  ASSERT_NE(nullptr, reader.Open(path));
  EXPECT_TRUE(IsOwnerWritable(path));
}

TEST(KM3RReader, MissingFileFailsQuietlyAfterItsAttempts) {
  MessageCapture capture;
  TempDir dir;
  KM3RReader reader;
  EXPECT_EQ(nullptr, reader.Open(dir.Path("missing.m3r")));
  EXPECT_TRUE(capture.messages.empty());
  EXPECT_EQ(0, reader.NodeCount());
}

TEST(KM3RReader, DirectoryNamesMatchOverTheirSignificantLength) {
  MessageCapture capture;
  TempDir dir;
  KM3RWriter writer;
  writer.SetNodeCount(0);
  writer.SetElementCount(1);
  writer.AddIntRecord("REGION01", {9});
  std::string bytes = writer.ToBytes();
  PutWord(bytes, 396 + 8, 6);  // significant length 6
  std::string path = dir.Write("m.m3i", bytes);
  KM3RReader reader;
  ASSERT_NE(nullptr, reader.Open(path));
  EXPECT_EQ(reader.Directory()[0].position, reader.FindRecord("REGION"));
  EXPECT_EQ(reader.Directory()[0].position, reader.FindRecord("REGIONAL"));
  EXPECT_EQ(-1, reader.FindRecord("REGIO"));
  std::vector<int32_t> regions;
  ASSERT_NE(nullptr, reader.ReadRegion(regions));
  EXPECT_EQ(std::vector<int32_t>{9}, regions);
}

TEST(KM3RReader, MissingRecordsGiveRegionTwoAndTheThicknessMessage) {
  MessageCapture capture;
  TempDir dir;
  KM3RWriter writer;
  writer.SetNodeCount(1);
  writer.SetElementCount(2);
  std::string path = dir.Path("m.m3i");
  writer.Write(path);
  KM3RReader reader;
  ASSERT_NE(nullptr, reader.Open(path));
  std::vector<int32_t> regions;
  ASSERT_NE(nullptr, reader.ReadRegion(regions));
  EXPECT_EQ((std::vector<int32_t>{0, 2, 2}), regions);
  std::vector<std::pair<double, double>> thickness;
  EXPECT_EQ(nullptr, reader.ReadThickness(thickness));
  EXPECT_EQ(std::vector<std::string>{"Error: No Dimension Attribute in M3R file"},
            capture.messages);
}

TEST(KM3RReader, ElementCountsOutsideTheLimitReadAsZero) {
  MessageCapture capture;
  TempDir dir;
  std::string path = dir.Path("m.m3i");
  for (int32_t elements : {100001, -4}) {
    KM3RWriter writer;
    writer.SetNodeCount(-7);
    writer.SetElementCount(elements);
    writer.AddIntRecord("REGION", {1, 2, 3});
    writer.Write(path);
    KM3RReader reader;
    ASSERT_NE(nullptr, reader.Open(path));
    EXPECT_EQ(0, reader.NodeCount());
    EXPECT_EQ(0, reader.ElementCount());
    EXPECT_EQ(0, reader.HeaderWords()[KM3RReader::kElementCountWord]);
    std::vector<int32_t> values;
    EXPECT_EQ(nullptr, reader.ReadIntAttribute("REGION", values));
    std::vector<std::pair<double, double>> thickness;
    EXPECT_EQ(nullptr, reader.ReadThickness(thickness));
  }
  EXPECT_TRUE(capture.messages.empty());
}

TEST(KM3RReader, CountsAndPositionsBeyondTheFileAreNotTrusted) {
  MessageCapture capture;
  TempDir dir;
  KM3RWriter writer;
  writer.SetNodeCount(2);
  writer.SetElementCount(3);
  writer.AddIntRecord("REGION", {1, 2, 3});
  writer.AddIntRecord("SHAPE", {1, 2, 3});
  std::string bytes = writer.ToBytes();
  PutWord(bytes, 44, 1 << 30);           // far more directory entries than the file holds
  PutWord(bytes, 396 + 12, 0x7fffffff);  // REGION record far past the end
  PutWord(bytes, 396 + 20 + 12, -5);     // SHAPE record before the start
  std::string path = dir.Write("m.m3i", bytes);
  KM3RReader reader;
  ASSERT_NE(nullptr, reader.Open(path));
  // Only as many entries as the file has bytes for (the last three are record bytes).
  EXPECT_EQ(5u, reader.Directory().size());
  std::vector<int32_t> values;
  EXPECT_EQ(nullptr, reader.ReadIntAttribute("REGION", values));
  EXPECT_EQ(nullptr, reader.ReadIntAttribute("SHAPE", values));

  // A record cut short by the end of the file counts as missing.
  std::string cut = writer.ToBytes();
  cut.resize(cut.size() - 2);
  KM3RReader shortReader;
  ASSERT_NE(nullptr, shortReader.Open(dir.Write("s.m3i", cut)));
  EXPECT_NE(nullptr, shortReader.ReadIntAttribute("REGION", values));
  EXPECT_EQ(nullptr, shortReader.ReadIntAttribute("SHAPE", values));
}

TEST(KM3RReader, TruncatedAndEmptyFilesAreRejected) {
  MessageCapture capture;
  TempDir dir;
  std::string bytes = SmallMesh().ToBytes();
  EXPECT_EQ(nullptr, KM3RReader().Open(dir.Write("empty.m3i", "")));
  EXPECT_EQ(nullptr, KM3RReader().Open(dir.Write("short.m3i", bytes.substr(0, 395))));
  EXPECT_EQ(std::vector<std::string>(2, kVersionError), capture.messages);
  // A header without its directory opens with the entries the file holds.
  KM3RReader reader;
  ASSERT_NE(nullptr, reader.Open(dir.Write("header.m3i", bytes.substr(0, 396 + 25))));
  EXPECT_EQ(1u, reader.Directory().size());
}
