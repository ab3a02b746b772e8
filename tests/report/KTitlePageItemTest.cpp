#include <gtest/gtest.h>

#include <string>

#include "TempDir.h"

#include <ktpm/report/KReportTemplate.h>
#include <ktpm/report/KTitlePageItem.h>

namespace {

using ktpm::test::TempDir;

TEST(KTitlePageItem, DefaultsAndFields) {
  KTitlePageItem page;
  EXPECT_EQ(1, page.GetItemType());
  EXPECT_EQ("REPORT_TITLEPAGE", page.GetItemKeyword());
  EXPECT_EQ(1, page.HasTitle());
  EXPECT_EQ("<REPORT_NAME>", page.GetTitle());
  ASSERT_EQ(6, page.GetFieldCount());
  const char* names[] = {"Author", "Company Name", "Company Logo",
                         "Date",   "Recipient",    "Recipient Company"};
  const char* values[] = {"<YOUR_NAME>", "<YOUR_COMPANY>", "<YOUR_LOGO>", "$DATE", "", ""};
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(names[i], page.GetFieldName(-1 - i));
    EXPECT_EQ(values[i], page.GetFieldValue(-1 - i));
  }
  EXPECT_EQ("", page.GetFieldName(-7));
  EXPECT_EQ("Item", page.GetFieldValue(-7));
  EXPECT_EQ("Item", page.GetFieldValue(0));
  page.SetFieldValue(-3, "logo.png");
  page.SetFieldValue(7, "ignored");
  EXPECT_EQ("logo.png", page.GetCompanyLogoPath());
  page.SetTitle("Cover");
  EXPECT_EQ("Cover", page.GetTitle());
  EXPECT_EQ(0, page.ImageFileExists());
  EXPECT_EQ("", page.GetImageFile());
  EXPECT_EQ(nullptr, page.GetPicture());
}

TEST(KTitlePageItem, WithoutFontEntriesKeepsAZeroFont) {
  TempDir dir;
  std::string path = dir.Write("t.rpt",
                               "PROJECT_PARENT_NODE : \"p\"\nNO_HTML_REPORTS : 0\n"
                               "TEMPLATE_NAME : \"t\"\n"
                               "ITEM_TYPE : \"REPORT_TITLEPAGE\"\n"
                               "REPORT_TITLEPAGE_ID : 1\n"
                               "REPORT_TITLEPAGE_PARENT : 0\n"
                               "REPORT_TITLEPAGE_CHILD : 2\n"
                               "REPORT_TITLEPAGE_TITLE : \"Cover\"\n"
                               "REPORT_TITLEPAGE_AUTHOR : \"A\"\n"
                               "REPORT_TITLEPAGE_COMPANYLOGOPATH : \"L\"\n"
                               "REPORT_TITLEPAGE_COMPANYNAME : \"C\"\n"
                               "REPORT_TITLEPAGE_DATE : \"D\"\n"
                               "REPORT_TITLEPAGE_RECIPIENT : \"R\"\n"
                               "REPORT_TITLEPAGE_RECIPIENTCOMPANY : \"RC\"\n");
  KReportTemplate reportTemplate(path);
  auto* page = dynamic_cast<KTitlePageItem*>(reportTemplate.GetFirstItem());
  ASSERT_NE(nullptr, page);
  EXPECT_EQ(2, page->GetChildId());
  EXPECT_EQ("Cover", page->GetTitle());
  const char* values[] = {"A", "C", "L", "D", "R", "RC"};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(values[i], page->GetFieldValue(-1 - i));
  EXPECT_EQ("Recipient Company", page->GetFieldName(-6));
  EXPECT_EQ(0u, page->GetFont().GetColor());
  EXPECT_EQ(0, page->GetFont().GetLogFont().lfHeight);
  EXPECT_EQ("", std::string(page->GetFont().GetLogFont().lfFaceName));
}

}  // namespace
