#include <gtest/gtest.h>

#include "TempDir.h"

#include <ktpm/report/ReportFiles.h>

namespace {

using ktpm::test::TempDir;

TEST(ReportFiles, ReadsTheTemplateHeaderAndTheHtmlStyle) {
  TempDir dir;
  std::string templatePath = dir.Write("part.rpt",
                                       "PROJECT_PARENT_NODE : \"part.ktl\"\n"
                                       "NO_HTML_REPORTS : 2\n"
                                       "HTML_REPORT_DIR : \"part_rpt\\Standard\"\n"
                                       "HTML_REPORT_DIR : \"part_rpt/Short\"\n"
                                       "TEMPLATE_NAME : \"Fill\"\n"
                                       "ITEM_TYPE : \"REPORT_SECTION\"\n");
  KTemplateHeader header = ReadTemplateHeader(templatePath);
  EXPECT_EQ("part.ktl", header.projectParentNode);
  EXPECT_EQ("Fill", header.templateName);
  ASSERT_EQ(2u, header.htmlReportDirs.size());
  EXPECT_EQ("part_rpt/Standard", header.htmlReportDirs[0]);
  EXPECT_EQ("Standard", GetHtmlReportDirName(header.htmlReportDirs[0]));
  EXPECT_EQ("Short", GetHtmlReportDirName("a\\b\\Short"));

  std::string infoPath = dir.Write("r.rpi", "A : \"part.rpt\"\nB : \"Standard\"\n");
  EXPECT_EQ("Standard", ReadHtmlStyle(infoPath));
  EXPECT_EQ("", ReadHtmlStyle(dir.File("none.rpi")));
  EXPECT_TRUE(ReadTemplateHeader(dir.File("none.rpt")).htmlReportDirs.empty());
}

}  // namespace
