#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "TempDir.h"

#include <ktpm/report/KTemplateStream.h>

namespace {

using ktpm::test::TempDir;

TEST(KTemplateStream, WritesTheThreeLineKinds) {
  TempDir dir;
  std::string path = dir.File("t.rpt");
  KTemplateStream stream;
  ASSERT_EQ(1, stream.Open(path, 0));
  stream.WriteLine("FONT");
  stream.WriteString("NAME", "two\nlines");
  stream.WriteInt("COUNT", -3);
  stream.WriteByte("FLAG", 255);
  stream.WriteFloat("ANGLE", 1.5f);
  stream.WriteDouble("ASPECT", 0.25);
  stream.Close();
  EXPECT_EQ(
      "FONT\nNAME : \"two\nlines\"\nCOUNT : -3\nFLAG : 255\nANGLE : 1.500000\n"
      "ASPECT : 0.250000\n",
      TempDir::Read(path));
}

TEST(KTemplateStream, WritesDoubleQuotesAsSingleQuotes) {
  TempDir dir;
  std::string path = dir.File("q.rpt");
  KTemplateStream stream;
  ASSERT_EQ(1, stream.Open(path, 0));
  stream.WriteString("TITLE", "a \"quoted\" word");
  stream.WriteString("NEXT", "kept");
  stream.Close();
  ASSERT_EQ(1, stream.Open(path, 1));
  std::string title, next;
  stream.ReadString("TITLE", title);
  stream.ReadString("NEXT", next);
  EXPECT_EQ("a 'quoted' word", title);
  EXPECT_EQ("kept", next);
}

TEST(KTemplateStream, OpenRefusesEmptyAndNullPaths) {
  KTemplateStream stream;
  EXPECT_EQ(0, stream.Open(nullptr, 1));
  EXPECT_EQ(0, stream.Open("", 1));
  EXPECT_EQ(0, stream.Open(std::string(), 0));
  EXPECT_NE(0, stream.AtEnd());
  EXPECT_EQ(1, stream.Close());
  EXPECT_EQ(1, stream.Close());
}

TEST(KTemplateStream, OpenFailsOnMissingFileAndWriteProtectedFile) {
  TempDir dir;
  KTemplateStream stream;
  EXPECT_EQ(0, stream.Open(dir.File("missing.rpt"), 1));
  std::string path = dir.Write("locked.rpt", "X : 1\n");
  std::filesystem::permissions(path, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::remove);
  EXPECT_EQ(0, stream.Open(path, 0));
  EXPECT_EQ("X : 1\n", TempDir::Read(path));
}

TEST(KTemplateStream, WritesNothingWhenClosed) {
  KTemplateStream stream;
  stream.WriteLine("FONT");
  stream.WriteInt("A", 1);
  std::string target = "unchanged";
  stream.ReadString("A", target);
  EXPECT_EQ("unchanged", target);
  EXPECT_EQ(nullptr, stream.ReadValueToken("A"));
}

TEST(KTemplateStream, NumberKeywordComparesWithoutCaseAndConsumesTheLine) {
  TempDir dir;
  std::string path = dir.Write("n.rpt",
                               "no_html_reports : 2\n"
                               "OTHER : 7\n"
                               "COUNT:\t9\n"
                               "COUNT\n"
                               "COUNT : 12abc\n");
  KTemplateStream stream;
  ASSERT_EQ(1, stream.Open(path, 1));
  int value = -1;
  stream.ReadInt("NO_HTML_REPORTS", value);
  EXPECT_EQ(2, value);
  stream.ReadInt("COUNT", value);  // OTHER : 7 does not match, line still consumed
  EXPECT_EQ(2, value);
  stream.ReadInt("COUNT", value);
  EXPECT_EQ(9, value);
  stream.ReadInt("COUNT", value);  // no value token
  EXPECT_EQ(9, value);
  stream.ReadInt("COUNT", value);
  EXPECT_EQ(12, value);
  stream.ReadInt("COUNT", value);  // end of file
  EXPECT_EQ(12, value);
  EXPECT_NE(0, stream.AtEnd());
}

TEST(KTemplateStream, NumbersOutOfRangeAreClamped) {
  TempDir dir;
  std::string path = dir.Write("r.rpt",
                               "A : 99999999999999999999\n"
                               "A : -99999999999999999999\n"
                               "L : 5000000000\n"
                               "B : 300\n"
                               "B : -1\n"
                               "F : 1e300\n"
                               "D : 2.5\n");
  KTemplateStream stream;
  ASSERT_EQ(1, stream.Open(path, 1));
  int a = 0;
  stream.ReadInt("A", a);
  EXPECT_EQ(INT_MAX, a);
  stream.ReadInt("A", a);
  EXPECT_EQ(INT_MIN, a);
  long l = 0;
  stream.ReadLong("L", l);
  EXPECT_EQ(2147483647L, l);
  uint8_t b = 0;
  stream.ReadByte("B", b);
  EXPECT_EQ(300 & 0xFF, b);
  stream.ReadByte("B", b);
  EXPECT_EQ(255, b);
  float f = 0;
  stream.ReadFloat("F", f);
  EXPECT_TRUE(f > 3e38f);
  double d = 0;
  stream.ReadDouble("D", d);
  EXPECT_EQ(2.5, d);
}

TEST(KTemplateStream, StringTakesTheNextQuotedTextAcrossLines) {
  TempDir dir;
  std::string path = dir.Write("s.rpt",
                               "no quote on this line\n"
                               "ANY : \"first\nsecond\n\"\n"
                               "X : \"a\" trailing \"ignored\"\n"
                               "Y : \"\"\n");
  KTemplateStream stream;
  ASSERT_EQ(1, stream.Open(path, 1));
  std::string text = "old";
  stream.ReadString("IGNORED", text);
  EXPECT_EQ("first\nsecond", text);
  stream.ReadString("X", text);
  EXPECT_EQ("a", text);
  stream.ReadString("Y", text);
  EXPECT_EQ("", text);
}

TEST(KTemplateStream, UnterminatedStringRunsToTheEnd) {
  TempDir dir;
  std::string path = dir.Write("u.rpt", "A : \"open\nnever closed\n");
  KTemplateStream stream;
  ASSERT_EQ(1, stream.Open(path, 1));
  std::string text;
  stream.ReadString("A", text);
  EXPECT_EQ("open\nnever closed", text);
  EXPECT_NE(0, stream.AtEnd());
  text = "kept";
  stream.ReadString("B", text);
  EXPECT_EQ("kept", text);
}

TEST(KTemplateStream, WindowsLineEndsReadAsLineFeeds) {
  TempDir dir;
  std::string path = dir.Write("w.rpt", "A : 4\r\nB : \"x\r\ny\"\r\nFONT\r\n");
  KTemplateStream stream;
  ASSERT_EQ(1, stream.Open(path, 1));
  int a = 0;
  stream.ReadInt("A", a);
  EXPECT_EQ(4, a);
  std::string b;
  stream.ReadString("B", b);
  EXPECT_EQ("x\ny", b);
  EXPECT_EQ(1, stream.ReadMarker("FONT\n"));
}

TEST(KTemplateStream, LongLinesAreReadInPieces) {
  TempDir dir;
  std::string longValue(3000, 'v');
  std::string path = dir.Write("l.rpt", "A : \"" + longValue + "\"\nB : 5\n");
  KTemplateStream stream;
  ASSERT_EQ(1, stream.Open(path, 1));
  std::string a;
  stream.ReadString("A", a);
  EXPECT_EQ(longValue, a);
  int b = 0;
  stream.ReadInt("B", b);
  EXPECT_EQ(5, b);
}

TEST(KTemplateStream, FaceNameBufferKeepsThirtyOneCharacters) {
  TempDir dir;
  std::string forty(40, 'f');
  std::string path = dir.Write("f.rpt", "FONT_FACENAME : \"" + forty + "\"\n");
  KTemplateStream stream;
  ASSERT_EQ(1, stream.Open(path, 1));
  char buffer[KTemplateStream::kFaceNameSize + 8];
  std::memset(buffer, 'z', sizeof(buffer));
  stream.ReadStringToBuffer("FONT_FACENAME", buffer);
  EXPECT_EQ(std::string(31, 'f'), std::string(buffer));
  EXPECT_EQ('z', buffer[KTemplateStream::kFaceNameSize]);
}

TEST(KTemplateStream, MarkerConsumesOneLine) {
  TempDir dir;
  std::string path = dir.Write("m.rpt", "FONT\nfont\nA : 1\n");
  KTemplateStream stream;
  ASSERT_EQ(1, stream.Open(path, 1));
  EXPECT_EQ(1, stream.ReadMarker("FONT\n"));
  EXPECT_EQ(0, stream.ReadMarker("FONT\n"));
  int a = 0;
  stream.ReadInt("A", a);
  EXPECT_EQ(1, a);
  EXPECT_EQ(0, stream.ReadMarker("FONT\n"));
}

TEST(KTemplateStream, OptionalMarkerLeavesAnotherLineForTheNextRead) {
  TempDir dir;
  std::string path = dir.Write("o.rpt", "A : 1\nFONT\nB : 2");
  KTemplateStream stream;
  ASSERT_EQ(1, stream.Open(path, 1));
  EXPECT_EQ(0, stream.ReadOptionalMarker("FONT\n"));
  int a = 0;
  stream.ReadInt("A", a);
  EXPECT_EQ(1, a);
  EXPECT_EQ(1, stream.ReadOptionalMarker("FONT\n"));
  EXPECT_EQ(0, stream.ReadOptionalMarker("FONT\n"));
  EXPECT_EQ(0, stream.AtEnd());  // the last line, without line end, is still to be read
  int b = 0;
  stream.ReadInt("B", b);
  EXPECT_EQ(2, b);
  EXPECT_NE(0, stream.AtEnd());
  EXPECT_EQ(0, stream.ReadOptionalMarker("FONT\n"));
}

TEST(KTemplateStream, DirectoryOpenedAsFileEndsAtOnce) {
  TempDir dir;
  KTemplateStream stream;
  if (!stream.Open(dir.Path().string(), 1)) GTEST_SKIP() << "directories do not open here";
  std::string text;
  stream.ReadString("A", text);
  EXPECT_NE(0, stream.AtEnd());
}

}  // namespace
