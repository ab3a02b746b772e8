#include <gtest/gtest.h>

#include "TempDir.h"

#include <ktpm/mesh/KBCFile.h>

using ktpm::test::ReadAll;
using ktpm::test::TempDir;

TEST(KBCFile, ReadsSectionsEntriesAndModel) {
  TempDir dir;
  std::string path = dir.Write("a.bc3",
                               "ignored before any section\n"
                               "*MODEL      part.ktl  \r\n"
                               "\t1\t1\t1\n"
                               "\n"
                               "*NODAL  INJECT\n"
                               "  12 3.5e1 7\n"
                               "  13\n"
                               "*LOCAL AXES\n"
                               "\t5\t5\t6\t7\n");
  KBCFile file(path);
  ASSERT_EQ(3u, file.sections.size());
  EXPECT_EQ("part.ktl", file.GetModel());
  const KBCSection& nodal = *file.sections[1];
  EXPECT_EQ("NODAL", nodal.name);
  EXPECT_EQ("INJECT", nodal.argument);
  ASSERT_EQ(2u, nodal.entries.size());
  EXPECT_EQ(12, nodal.entries[0].id);
  EXPECT_EQ(3, nodal.entries[0].code);
  EXPECT_DOUBLE_EQ(35.0, nodal.entries[0].value);
  EXPECT_EQ(7, nodal.entries[0].extra);
  EXPECT_EQ("  12 3.5e1 7", nodal.entries[0].text);
  EXPECT_EQ(0, nodal.entries[1].code);
  EXPECT_EQ(0.0, nodal.entries[1].value);
  EXPECT_EQ(1, nodal.entries[1].extra);
  // Data lines of a local axes section are not kept.
  EXPECT_EQ("LOCAL", file.sections[2]->name);
  EXPECT_TRUE(file.sections[2]->entries.empty());
}

TEST(KBCFile, TabSeparatedRestIsOneTokenAfterTheFirst) {
  TempDir dir;
  KBCFile file(dir.Write("t.bc3", "*BOUNDARY CONDITION\n\t4\t2\t9\n"));
  ASSERT_EQ(1u, file.sections.size());
  const KBCEntry& entry = file.sections[0]->entries.at(0);
  EXPECT_EQ(4, entry.id);
  EXPECT_EQ(2, entry.code);
  EXPECT_DOUBLE_EQ(2.0, entry.value);
  EXPECT_EQ(1, entry.extra);
}

TEST(KBCFile, LoadOfMissingFileLeavesItEmpty) {
  TempDir dir;
  KBCFile file(dir.Write("a.bc3", "*MODEL m.ktl\n1\n"));
  ASSERT_EQ("m.ktl", file.GetModel());
  EXPECT_EQ(0, file.Load(dir.Path("missing.bc3")));
  EXPECT_TRUE(file.sections.empty());
  EXPECT_EQ("", file.GetModel());
  EXPECT_EQ(nullptr, file.GetModelSection());
  EXPECT_EQ(0, file.Save(dir.Path("no-such-dir/x.bc3")));
}

TEST(KBCFile, LinesLongerThan255CharactersAreReadInPieces) {
  TempDir dir;
  std::string exact = "9 1 " + std::string(251, 'x');  // 255 characters
  std::string longer = "8 2 " + std::string(252, 'y') + "77 3";
  KBCFile file(dir.Write("l.bc3", "*DATA COOLANT\n" + exact + "\n" + longer + "\n"));
  const auto& entries = file.sections.at(0)->entries;
  ASSERT_EQ(3u, entries.size());
  EXPECT_EQ(exact, entries[0].text);
  EXPECT_EQ(longer.substr(0, 255), entries[1].text);
  EXPECT_EQ("y77 3", entries[2].text);
  EXPECT_EQ(0, entries[2].id);
  EXPECT_EQ(3, entries[2].code);
}

TEST(KBCFile, SaveDropsEmptySectionsAndRegeneratesLocalAxes) {
  TempDir dir;
  std::string path = dir.Write("b.bc3",
                               "*MODEL part.ktl\n"
                               "*BOUNDARY CONDITION\n"
                               "\t10\t1\t0\n"
                               "\t11\t2\t0\n"
                               "\t12\t3\t0\n"
                               "*LOCAL AXES\n"
                               "\t1\t1\t1\t1\n"
                               "*model lower\n"
                               "1 2\n");
  KBCFile file(path);
  EXPECT_EQ("part.ktl", file.GetModel());
  EXPECT_EQ((std::array<int32_t, 3>{10, 11, 12}), file.GetLocalAxes());
  ASSERT_EQ(1, file.Save(path));
  EXPECT_EQ(
      "*BOUNDARY  CONDITION\n"
      "\t10\t1\t0\n"
      "\t11\t2\t0\n"
      "\t12\t3\t0\n"
      "*model     lower\n"
      "1 2\n"
      "*LOCAL AXES\n"
      "\t10\t10\t11\t12\n"
      "\t11\t10\t11\t12\n"
      "\t12\t10\t11\t12\n",
      ReadAll(path));
}

TEST(KBCFile, SetModelAppendsAModelSectionWhenThereIsNone) {
  TempDir dir;
  std::string path = dir.Write("c.bc3", "*NODAL INJECT\n5\n*BOUNDARY CONDITION\n\t3\t1\n");
  KBCFile file(path);
  EXPECT_EQ("", file.GetModel());
  file.SetModel("mesh.ktl");
  file.SetModel("other.ktl");
  EXPECT_EQ("other.ktl", file.GetModel());
  ASSERT_EQ(1, file.Save(path));
  // One axis only: no local axes block.
  EXPECT_EQ("*NODAL     INJECT\n5\n*BOUNDARY  CONDITION\n\t3\t1\n*MODEL     other.ktl\n\t1\t1\t1\n",
            ReadAll(path));
  KBCFile reread(path);
  EXPECT_EQ("other.ktl", reread.GetModel());
  const KBCEntry& entry = reread.GetModelSection()->entries.at(0);
  EXPECT_EQ(1, entry.id);
  EXPECT_EQ(1, entry.code);
  EXPECT_EQ(1, entry.extra);
}

TEST(KBCFile, LocalAxesSkipNodesAlreadyTaken) {
  TempDir dir;
  KBCFile same(dir.Write("s.bc3", "*BOUNDARY CONDITION\n7 1\n7 2\n8 3\n"));
  EXPECT_EQ((std::array<int32_t, 3>{7, -1, 8}), same.GetLocalAxes());
  KBCFile later(dir.Write("l.bc3", "*BOUNDARY CONDITION\n7 1\n7 2\n9 2\n8 3\n"));
  int32_t a, b, c;
  later.GetLocalAxes(a, b, c);
  EXPECT_EQ(7, a);
  EXPECT_EQ(9, b);
  EXPECT_EQ(8, c);
  KBCFile none(dir.Write("n.bc3", "*BOUNDARY condition\n7 1\n"));
  EXPECT_EQ((std::array<int32_t, 3>{-1, -1, -1}), none.GetLocalAxes());
}

TEST(KBCFile, StructuralLoadsByExactSectionNames) {
  TempDir dir;
  EXPECT_EQ(1, KBCFile(dir.Write("f.bc3", "*NODAL FORCE\n")).HasStructuralLoads());
  EXPECT_EQ(1, KBCFile(dir.Write("p.bc3", "*ELEMENTAL PRESSURE\n1\n")).HasStructuralLoads());
  EXPECT_EQ(1, KBCFile(dir.Write("t.bc3", "*ELEMENTAL TLOAD\n")).HasStructuralLoads());
  EXPECT_EQ(0, KBCFile(dir.Write("v.bc3", "*ELEMENTAL VGGRP\n1\n")).HasStructuralLoads());
  EXPECT_EQ(0, KBCFile(dir.Write("n.bc3", "*NODAL force\n*nodal FORCE\n")).HasStructuralLoads());
  EXPECT_EQ(0, KBCFile(dir.Write("i.bc3", "*NODAL INJECT\n1\n")).HasStructuralLoads());
}

TEST(KBCFile, ModelHeaderWithoutDataIsReadButNotWritten) {
  TempDir dir;
  std::string path = dir.Write("e.bc3", "*MODEL part.ktl\n*NODAL INJECT\n4\n");
  KBCFile file(path);
  EXPECT_EQ("part.ktl", file.GetModel());
  ASSERT_EQ(1, file.Save(path));
  EXPECT_EQ("*NODAL     INJECT\n4\n", ReadAll(path));
}
