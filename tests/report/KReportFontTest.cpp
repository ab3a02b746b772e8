#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "TempDir.h"

#include <ktpm/report/KReportFont.h>
#include <ktpm/report/KTemplateStream.h>

namespace {

using ktpm::test::TempDir;

TEST(KReportFont, WriteThenReadRestoresEveryMember) {
  TempDir dir;
  KReportFont font;
  KLogFont logFont;
  logFont.lfHeight = -16;
  logFont.lfWidth = 7;
  logFont.lfEscapement = 900;
  logFont.lfOrientation = -900;
  logFont.lfWeight = 400;
  logFont.lfItalic = 1;
  logFont.lfUnderline = 1;
  logFont.lfStrikeOut = 1;
  logFont.lfCharSet = 238;
  logFont.lfOutPrecision = 3;
  logFont.lfClipPrecision = 2;
  logFont.lfQuality = 5;
  logFont.lfPitchAndFamily = 34;
  std::strcpy(logFont.lfFaceName, "Times New Roman");
  font.SetLogFont(logFont);
  font.SetColor(0x00FF8001);
  std::string path = dir.File("font.txt");
  {
    KTemplateStream stream;
    ASSERT_EQ(1, stream.Open(path, 0));
    font.Write(stream);
  }
  EXPECT_EQ(
      "FONT\nFONT_HEIGHT : -16\nFONT_WIDTH : 7\nFONT_ESCAPEMENT : 900\nFONT_ORIENT : -900\n"
      "FONT_WEIGHT : 400\nFONT_ITALIC : 1\nFONT_UNDERLINE : 1\nFONT_STRIKE : 1\n"
      "FONT_CHARSET : 238\nFONT_OUT : 3\nFONT_CLIP : 2\nFONT_QUALITY : 5\n"
      "FONT_PITCHANDFAMILY : 34\nFONT_FACENAME : \"Times New Roman\"\n"
      "FONT_COLOR_R : 1\nFONT_COLOR_G : 128\nFONT_COLOR_B : 255\n",
      TempDir::Read(path));

  KReportFont read;
  KTemplateStream stream;
  ASSERT_EQ(1, stream.Open(path, 1));
  read.Read(stream);
  EXPECT_EQ(0x00FF8001u, read.GetColor());
  EXPECT_EQ(0, std::memcmp(&logFont, &read.GetLogFont(), sizeof(KLogFont)));
}

TEST(KReportFont, LongFaceNameIsCutToThirtyOneCharacters) {
  TempDir dir;
  std::string forty = "0123456789012345678901234567890123456789";
  std::string path = dir.Write("f.txt",
                               "FONT\nFONT_HEIGHT : 1\nFONT_WIDTH : 0\n"
                               "FONT_ESCAPEMENT : 0\nFONT_ORIENT : 0\nFONT_WEIGHT : 0\n"
                               "FONT_ITALIC : 0\nFONT_UNDERLINE : 0\nFONT_STRIKE : 0\n"
                               "FONT_CHARSET : 0\nFONT_OUT : 0\nFONT_CLIP : 0\n"
                               "FONT_QUALITY : 0\nFONT_PITCHANDFAMILY : 0\n"
                               "FONT_FACENAME : \"" +
                                   forty + "\"\nFONT_COLOR_R : 0\n");
  KReportFont font;
  font.SetColor(0x00030201);
  KTemplateStream stream;
  ASSERT_EQ(1, stream.Open(path, 1));
  font.Read(stream);
  EXPECT_EQ(forty.substr(0, 31), std::string(font.GetLogFont().lfFaceName));
  // Red was read; green and blue were missing and keep their parts.
  EXPECT_EQ(0x00030200u, font.GetColor());

  KLogFont unterminated;
  std::memset(unterminated.lfFaceName, 'x', sizeof(unterminated.lfFaceName));
  font.SetLogFont(unterminated);
  EXPECT_EQ(std::string(31, 'x'), std::string(font.GetLogFont().lfFaceName));
}

}  // namespace
