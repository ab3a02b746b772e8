#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>

#include "KeywordTestSupport.h"
#include "platform/FileSizeLimit.h"

#include <ktpm/keyword/KKeywordFile.h>

namespace {

using namespace std::string_literals;
using ktpm::test::LoadAndSave;
using ktpm::test::ReadFileBytes;
using ktpm::test::TempDir;

TEST(KKeywordFile, ReadsEntriesInFileOrderAndSavesThemBack) {
  TempDir dir;
  EXPECT_EQ(LoadAndSave(dir,
                        "# a comment: skipped\n"
                        "ZETA:  last letter  \t\n"
                        "\n"
                        "no colon here\n"
                        "ALPHA:1:2\n"
                        " # not a comment: kept\n"
                        "MIDDLE:x\n"),
            "ZETA: last letter\n"
            "ALPHA: 1:2\n"
            " # not a comment: kept\n"
            "MIDDLE: x\n");
}

TEST(KKeywordFile, KeywordWithoutValueIsStoredButNotSaved) {
  TempDir dir;
  KKeywordFile keywords;
  keywords.Load(dir.Write("in.kwd", "EMPTY:\nFULL: 1\nBLANKS:   \n"));
  EXPECT_EQ(keywords.HasKeyword("EMPTY"), 1);
  EXPECT_EQ(keywords.HasKeyword("BLANKS"), 1);
  EXPECT_EQ(keywords.GetValue("EMPTY"), "");
  EXPECT_EQ(keywords.HasKeyword("MISSING"), 0);
  EXPECT_EQ(keywords.Save(dir.File("out.kwd")), 1);
  EXPECT_EQ(ReadFileBytes(dir.File("out.kwd")), "FULL: 1\n");
}

TEST(KKeywordFile, KeywordKeepsBlanksAroundIt) {
  TempDir dir;
  KKeywordFile keywords;
  keywords.Load(dir.Write("in.kwd", "MATERIAL_FILE : m1.md3\n  LEAD:x\nMesh: a\n"));
  EXPECT_EQ(keywords.GetValue("MATERIAL_FILE"), "");
  EXPECT_EQ(keywords.GetValue("MATERIAL_FILE "), "m1.md3");
  EXPECT_EQ(keywords.GetValue("  LEAD"), "x");
  EXPECT_EQ(keywords.HasKeyword("LEAD"), 0);
  EXPECT_EQ(keywords.HasKeyword("MESH"), 0);
}

TEST(KKeywordFile, UnsetMarkerLinesAreSkipped) {
  TempDir dir;
  EXPECT_EQ(LoadAndSave(dir,
                        "A: -16384\n"
                        "B: -16384.0\n"
                        "C: -16384.5\n"
                        "D: -16384abc\n"
                        "E: -1.6384e4\n"
                        "F: -16383\n"
                        "G: -16384.01\n"
                        "H:-16384\n"
                        "I: -1638.4\n"),
            "F: -16383\nI: -1638.4\n");
}

TEST(KKeywordFile, UnsetMarkerKeepsTheEarlierValue) {
  TempDir dir;
  KKeywordFile keywords;
  keywords.Load(dir.Write("defaults.kwd", "TEMP: 230\nTIME: 5\n"));
  keywords.Merge(dir.Write("input.kwd", "TEMP: -16384\nTIME: 7\n"));
  EXPECT_EQ(keywords.GetValue("TEMP"), "230");
  EXPECT_EQ(keywords.GetValue("TIME"), "7");
}

TEST(KKeywordFile, UnsetMarkerLineDoesNotTakeTheNextLine) {
  // The marker test comes before continuation: the skipped line's backslash joins nothing.
  TempDir dir;
  EXPECT_EQ(LoadAndSave(dir, "A: -16384 \\\nB: 2\n"), "B: 2\n");
}

TEST(KKeywordFile, RepeatedKeywordKeepsFirstSlotAndLastValue) {
  TempDir dir;
  EXPECT_EQ(LoadAndSave(dir, "A: 1\nB: 2\nA: 3\n"), "A: 3\nB: 2\n");
}

TEST(KKeywordFile, ContinuationLinesAreJoinedWithLineFeeds) {
  TempDir dir;
  KKeywordFile keywords;
  keywords.Load(dir.Write("in.kwd",
                          "TEXT: first \\\n"
                          "# taken whole\\\n"
                          "\\\n"
                          "   indented  \n"
                          "NEXT: 1\n"));
  EXPECT_EQ(keywords.GetValue("TEXT"), "first # taken whole   indented");
  EXPECT_EQ(keywords.GetValue("NEXT"), "1");
  EXPECT_EQ(keywords.Save(dir.File("out.kwd")), 1);
  EXPECT_EQ(ReadFileBytes(dir.File("out.kwd")),
            "TEXT: first \\\n# taken whole\\\n\\\n   indented\nNEXT: 1\n");
}

TEST(KKeywordFile, ContinuationTakesAnEmptyLineWhole) {
  TempDir dir;
  KKeywordFile keywords;
  keywords.Load(dir.Write("in.kwd", "A: x\\\n\nB: 1\n"));
  EXPECT_EQ(keywords.GetValue("A"), "x");
  EXPECT_EQ(keywords.GetValue("B"), "1");
  KKeywordFile again;
  ASSERT_EQ(keywords.Save(dir.File("out.kwd")), 1);
  again.Load(dir.File("out.kwd"));
  EXPECT_EQ(again.GetValue("A"), "x");
  EXPECT_EQ(again.GetValue("B"), "1");
}

TEST(KKeywordFile, BackslashAtEndOfFileStaysInTheValue) {
  TempDir dir;
  EXPECT_EQ(LoadAndSave(dir, "A: 1\nPATH: dir\\"), "A: 1\nPATH: dir\\\n");
  KKeywordFile keywords;
  keywords.Load(dir.File("in.kwd"));
  EXPECT_EQ(keywords.GetValue("PATH"), "dir");
}

TEST(KKeywordFile, GetValueDropsEveryBackslashWithTheCharacterAfterIt) {
  TempDir dir;
  KKeywordFile keywords;
  keywords.Load(dir.Write("in.kwd", "FILE: C:\\a\\b\nESCAPED: x\\\\y\n"));
  EXPECT_EQ(keywords.GetValue("FILE"), "C:");
  EXPECT_EQ(keywords.GetValue("ESCAPED"), "xy");
  EXPECT_EQ(keywords.Save(dir.File("out.kwd")), 1);
  EXPECT_EQ(ReadFileBytes(dir.File("out.kwd")), "FILE: C:\\a\\b\nESCAPED: x\\\\y\n");
}

TEST(KKeywordFile, RemovedKeywordMovesToTheEndWhenSetAgain) {
  KKeywordFile keywords;
  keywords.SetValue("A", "1");
  keywords.SetValue("B", "2");
  keywords.SetValue("C", "3");
  EXPECT_EQ(keywords.RemoveKeyword("A"), 1);
  EXPECT_EQ(keywords.RemoveKeyword("A"), 0);
  EXPECT_EQ(keywords.HasKeyword("A"), 0);
  EXPECT_EQ(keywords.GetValue("A"), "");
  keywords.SetValue("A", "4");
  TempDir dir;
  ASSERT_EQ(keywords.Save(dir.File("out.kwd")), 1);
  EXPECT_EQ(ReadFileBytes(dir.File("out.kwd")), "B: 2\nC: 3\nA: 4\n");
  // Emptied of every keyword, the object still takes new ones.
  EXPECT_EQ(keywords.RemoveKeyword("B"), 1);
  EXPECT_EQ(keywords.RemoveKeyword("C"), 1);
  EXPECT_EQ(keywords.RemoveKeyword("A"), 1);
  keywords.SetValue("C", "6");
  ASSERT_EQ(keywords.Save(dir.File("out.kwd")), 1);
  EXPECT_EQ(ReadFileBytes(dir.File("out.kwd")), "C: 6\n");
}

TEST(KKeywordFile, InternalKeywordsAreNeverSaved) {
  TempDir dir;
  KKeywordFile keywords;
  keywords.Load(dir.Write("in.kwd", "_READ: 1\nA: 2\n"));
  keywords.SetValue("_SCRATCH", "x");
  keywords.SetValue("B", "3");
  EXPECT_EQ(keywords.GetValue("_SCRATCH"), "x");
  EXPECT_EQ(keywords.GetValue("_READ"), "1");
  ASSERT_EQ(keywords.Save(dir.File("out.kwd")), 1);
  EXPECT_EQ(ReadFileBytes(dir.File("out.kwd")), "A: 2\nB: 3\n");
  EXPECT_EQ(keywords.RemoveKeyword("_SCRATCH"), 1);
}

TEST(KKeywordFile, SaveWithoutAnyPathFailsAndCreatesNothing) {
  TempDir dir;
  KKeywordFile keywords;
  keywords.SetValue("A", "1");
  EXPECT_EQ(keywords.Save(), 0);
  EXPECT_EQ(keywords.Save(""), 0);
  EXPECT_EQ(keywords.Save(nullptr), 0);
  EXPECT_EQ(keywords.GetPath(), "");
}

TEST(KKeywordFile, LoadOfMissingFileEmptiesAndRemembersThePath) {
  TempDir dir;
  KKeywordFile keywords;
  keywords.SetValue("OLD", "1");
  keywords.Load(dir.File("missing.kwd"));
  EXPECT_EQ(keywords.HasKeyword("OLD"), 0);
  EXPECT_EQ(keywords.GetPath(), dir.File("missing.kwd"));
  keywords.SetValue("NEW", "2");
  EXPECT_EQ(keywords.Save(), 1);
  EXPECT_EQ(ReadFileBytes(dir.File("missing.kwd")), "NEW: 2\n");
}

TEST(KKeywordFile, MergeOfMissingFileChangesNothing) {
  TempDir dir;
  KKeywordFile keywords;
  keywords.Load(dir.Write("in.kwd", "A: 1\n"));
  keywords.Merge(dir.File("missing.kwd"));
  keywords.Merge(dir.File(""));
  keywords.Merge(dir.File("."));
  EXPECT_EQ(keywords.GetValue("A"), "1");
  EXPECT_EQ(keywords.GetPath(), dir.File("in.kwd"));
}

TEST(KKeywordFile, MergeOverridesInPlaceAndAppendsNewKeywords) {
  TempDir dir;
  KKeywordFile keywords;
  keywords.Load(dir.Write("defaults.kwd", "A: 1\nB: 2\nC: 3\n"));
  keywords.Merge(dir.Write("parent.kwd", "D: 4\nB: 20\n"));
  keywords.SetValue("E", "5");
  EXPECT_EQ(keywords.GetPath(), dir.File("defaults.kwd"));
  ASSERT_EQ(keywords.Save(dir.File("new.kwd")), 1);
  EXPECT_EQ(ReadFileBytes(dir.File("new.kwd")), "A: 1\nB: 20\nC: 3\nD: 4\nE: 5\n");
}

TEST(KKeywordFile, CopyKeywordTakesTheCleanedValue) {
  KKeywordFile source;
  source.SetValue("A", "x\\\ny");
  KKeywordFile target;
  target.CopyKeyword("A", source);
  target.CopyKeyword("MISSING", source);
  EXPECT_EQ(target.GetValue("A"), "xy");
  EXPECT_EQ(target.HasKeyword("MISSING"), 1);
  EXPECT_EQ(target.GetValue("MISSING"), "");
}

TEST(KKeywordFile, SaveFailsWhereTheFileCannotBeWritten) {
  TempDir dir;
  KKeywordFile keywords;
  keywords.SetValue("A", "1");
  EXPECT_EQ(keywords.Save(dir.File("no/such/dir/out.kwd")), 0);
  std::string readOnly = dir.Write("read-only.kwd", "OLD: 1\n");
  std::filesystem::permissions(readOnly, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  EXPECT_EQ(keywords.Save(readOnly), 0);
  EXPECT_EQ(ReadFileBytes(readOnly), "OLD: 1\n");
}

TEST(KKeywordFile, SaveReadBackGivesTheSameEntries) {
  TempDir dir;
  KKeywordFile keywords;
  keywords.SetValue("A", "value with: colon");
  keywords.SetValue("EMPTY", "");
  keywords.SetValue("UNSET", "-16384");
  keywords.SetValue("MULTI", "one\\\ntwo\\\n  three");
  ASSERT_EQ(keywords.Save(dir.File("out.kwd")), 1);
  KKeywordFile again;
  again.Load(dir.File("out.kwd"));
  EXPECT_EQ(again.GetValue("A"), "value with: colon");
  EXPECT_EQ(again.HasKeyword("EMPTY"), 0);
  EXPECT_EQ(again.HasKeyword("UNSET"), 0);
  EXPECT_EQ(again.GetValue("MULTI"), "onetwo  three");
  ASSERT_EQ(again.Save(dir.File("again.kwd")), 1);
  EXPECT_EQ(ReadFileBytes(dir.File("again.kwd")),
            "A: value with: colon\nMULTI: one\\\ntwo\\\n  three\n");
}

// Line ends written by any system read the same: "\r\n", a lone "\r", a doubled "\r\r\n".
TEST(KKeywordFile, AnyLineEndReadsTheSame) {
  TempDir dir;
  const std::string expected = "A: 1\nB: x \\\n  y\nC: 3\n";
  EXPECT_EQ(LoadAndSave(dir, "A: 1\r\nB: x \\\r\n  y\r\nC: 3\r\n"), expected);
  EXPECT_EQ(LoadAndSave(dir, "A: 1\rB: x \\\r  y\rC: 3\r"), expected);
  EXPECT_EQ(LoadAndSave(dir, "A: 1\r\r\nB: x \\\r\r\n  y\r\r\nC: 3"), expected);
  EXPECT_EQ(LoadAndSave(dir, "A: 1\nB: x \\\r  y\r\nC: 3"), expected);
  EXPECT_EQ(LoadAndSave(dir, "\r\n\n\r\r\r\n"), "");
}

TEST(KKeywordFile, NulByteEndsTheLinesText) {
  TempDir dir;
  KKeywordFile keywords;
  keywords.Load(dir.Write("in.kwd", "A: 1\0hidden\nB\0: 2\nC: 3 \\\nx\0y\nD: 4\n"s));
  EXPECT_EQ(keywords.GetValue("A"), "1");
  EXPECT_EQ(keywords.HasKeyword("B"), 0);
  EXPECT_EQ(keywords.GetValue("C"), "3 x");
  EXPECT_EQ(keywords.GetValue("D"), "4");
}

TEST(KKeywordFile, EightBitBytesAreKeptAsTheyAre) {
  TempDir dir;
  const std::string bytes = "NAME\xe9: \xff\x80\x01 caf\xe9\n";
  EXPECT_EQ(LoadAndSave(dir, bytes), "NAME\xe9: \xff\x80\x01 caf\xe9\n");
}

TEST(KKeywordFile, LinesOfMegabytesAreReadWhole) {
  TempDir dir;
  std::string longValue(3 * 1024 * 1024 + 7, 'v');
  longValue[100000] = '\\';
  std::string longKeyword(200000, 'K');
  KKeywordFile keywords;
  keywords.Load(dir.Write("in.kwd", "A: 1\r\n" + longKeyword + ": " + longValue + "\r\nB: 2"));
  EXPECT_EQ(keywords.GetValue("A"), "1");
  EXPECT_EQ(keywords.GetValue("B"), "2");
  std::string value = keywords.GetValue(longKeyword);
  EXPECT_EQ(value.size(), longValue.size() - 2);
  EXPECT_EQ(value.find_first_not_of('v'), std::string::npos);
}

TEST(KKeywordFile, ManyKeywordsKeepTheirOrder) {
  TempDir dir;
  std::string bytes;
  std::string expected;
  for (int i = 0; i < 5000; ++i) {
    bytes += "KEY_" + std::to_string(4999 - i) + ":" + std::to_string(i) + "\n";
    expected += "KEY_" + std::to_string(4999 - i) + ": " + std::to_string(i) + "\n";
  }
  EXPECT_EQ(LoadAndSave(dir, bytes), expected);
  KKeywordFile keywords;
  keywords.Load(dir.File("in.kwd"));
  for (int i = 0; i < 5000; ++i) {
    ASSERT_EQ(keywords.GetValue("KEY_" + std::to_string(4999 - i)), std::to_string(i));
  }
}

// Each thread reuses the buffers its own finished objects leave behind; objects on different
// threads share nothing.
TEST(KKeywordFile, ObjectsOnSeparateThreadsLoadIndependently) {
  TempDir dir;
  std::string bytes;
  for (int i = 0; i < 3000; ++i)
    bytes += "KEY_" + std::to_string(i) + ": " + std::to_string(i) + "\n";
  std::string path = dir.Write("in.kwd", bytes);
  std::atomic<int> wrong{0};
  auto loadRepeatedly = [&] {
    for (int round = 0; round < 10; ++round) {
      KKeywordFile keywords;
      keywords.Load(path);
      keywords.SetValue("ROUND", std::to_string(round));
      if (keywords.GetValue("KEY_2999") != "2999" ||
          keywords.GetValue("ROUND") != std::to_string(round)) {
        ++wrong;
      }
    }
  };
  std::thread other(loadRepeatedly);
  loadRepeatedly();
  other.join();
  EXPECT_EQ(wrong, 0);
}

// A value that ends in a backslash must not swallow the entry saved after it.
TEST(KKeywordFile, ValueEndingInBackslashKeepsTheNextEntry) {
  TempDir dir;
  KKeywordFile keywords;
  keywords.Load(dir.Write("in.kwd", "DIR: one\nNEXT: 2\nDIR: C:\\work\\"));
  keywords.SetValue("LAST", "3");
  ASSERT_EQ(keywords.Save(dir.File("out.kwd")), 1);
  EXPECT_EQ(ReadFileBytes(dir.File("out.kwd")), "DIR: C:\\work\\\n\nNEXT: 2\nLAST: 3\n");
  KKeywordFile again;
  again.Load(dir.File("out.kwd"));
  EXPECT_EQ(again.GetValue("DIR"), keywords.GetValue("DIR"));
  EXPECT_EQ(again.GetValue("NEXT"), "2");
  EXPECT_EQ(again.GetValue("LAST"), "3");
}

TEST(KKeywordFile, AFailedSaveLeavesTheFileWholeAndReportsIt) {
  TempDir dir;
  std::string text;
  for (int i = 0; i < 2000; ++i) text += "KEYWORD_" + std::to_string(i) + ": value\n";
  const std::string path = dir.Write("part.fsu", text);
  KKeywordFile keywords;
  keywords.Load(path);
  keywords.SetValue("KEYWORD_0", "changed");
  {
    ktpm::test::FileSizeLimit limit(4096);
    EXPECT_EQ(keywords.Save(), 0);
  }
  EXPECT_EQ(ReadFileBytes(path), text);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.File("")), {}), 1);
}

}  // namespace
