#include <gtest/gtest.h>

#include "TempDir.h"

#include <ktpm/report/KReportInfo.h>

namespace {

using ktpm::test::TempDir;

TEST(KReportInfo, ReadsTheThreeValuesInOrder) {
  TempDir dir;
  std::string path = dir.Write("part1.rpi",
                               "PROJECT_PARENT_NODE : \"part1.rpt\"\n"
                               "HTML_STYLE : \"Standard\"\n"
                               "REPORT_TEMPLATE : \"part1.rpt\"\n");
  KReportInfo info(path);
  EXPECT_EQ("part1.rpt", info.GetProjectParentNode());
  EXPECT_EQ("Standard", info.GetHtmlStyle());
  EXPECT_EQ("part1.rpt", info.GetReportTemplate());
}

TEST(KReportInfo, ValuesAreTakenByPosition) {
  TempDir dir;
  std::string path = dir.Write("p.rpi",
                               "HTML_STYLE : \"Styled\"\n"
                               "REPORT_TEMPLATE : \"t.rpt\"\n"
                               "PROJECT_PARENT_NODE : \"node\"\n");
  KReportInfo info(path);
  EXPECT_EQ("Styled", info.GetProjectParentNode());
  EXPECT_EQ("t.rpt", info.GetHtmlStyle());
  EXPECT_EQ("node", info.GetReportTemplate());
}

TEST(KReportInfo, MissingEntriesAndFilesLeaveValuesEmpty) {
  TempDir dir;
  KReportInfo two(dir.Write("two.rpi", "PROJECT_PARENT_NODE : \"a\"\nHTML_STYLE : \"b\"\n"));
  EXPECT_EQ("a", two.GetProjectParentNode());
  EXPECT_EQ("b", two.GetHtmlStyle());
  EXPECT_EQ("", two.GetReportTemplate());

  KReportInfo missing(dir.File("none.rpi"));
  EXPECT_EQ("", missing.GetProjectParentNode());
  EXPECT_EQ("", missing.GetHtmlStyle());

  KReportInfo empty;
  empty.Load(dir.Write("empty.rpi", ""));
  EXPECT_EQ("", empty.GetHtmlStyle());

  KReportInfo reload(dir.File("two.rpi"));
  reload.Load(dir.File("none.rpi"));
  EXPECT_EQ("b", reload.GetHtmlStyle());
}

}  // namespace
