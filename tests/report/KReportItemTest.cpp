#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <thread>
#include <vector>

#include "TempDir.h"

#include <ktpm/report/KReportItem.h>
#include <ktpm/report/KReportTemplate.h>

namespace {

using ktpm::test::TempDir;

TEST(KReportItem, IdentifiersIncreaseAcrossKinds) {
  KTextItem first;
  KVrmlItem second;
  KSectionItem third;
  EXPECT_EQ(first.GetId() + 1, second.GetId());
  EXPECT_EQ(second.GetId() + 1, third.GetId());
}

TEST(KReportItem, IdentifiersAreUniqueAcrossThreads) {
  constexpr int kThreads = 4;
  constexpr int kPerThread = 2000;
  std::vector<std::vector<int>> ids(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&ids, t] {
      for (int i = 0; i < kPerThread; ++i) {
        auto item = std::make_unique<KPlotItem>();
        ids[t].push_back(item->GetId());
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  std::set<int> all;
  for (const auto& list : ids) all.insert(list.begin(), list.end());
  EXPECT_EQ(static_cast<size_t>(kThreads * kPerThread), all.size());
}

TEST(KReportItem, TextAndInformationHaveNoTitle) {
  KTextItem text;
  EXPECT_EQ(3, text.GetItemType());
  EXPECT_EQ(0, text.HasTitle());
  text.SetTitle("ignored");
  EXPECT_EQ("", text.GetTitle());
  EXPECT_EQ("Text", text.GetFieldName(-1));
  EXPECT_EQ("Text Block", text.GetFieldName(-2));
  EXPECT_EQ("Item", text.GetFieldValue(-2));
  text.SetFieldValue(-1, "body");
  EXPECT_EQ("body", text.GetText());

  KInformationItem information;
  EXPECT_EQ(7, information.GetItemType());
  EXPECT_EQ("REPORT_INFORMATION", information.GetItemKeyword());
  EXPECT_EQ(0, information.HasTitle());
  information.SetTitle("ignored");
  EXPECT_EQ("", information.GetTitle());
  EXPECT_EQ(2, information.GetFieldCount());
  EXPECT_EQ("Link Name", information.GetFieldName(-1));
  EXPECT_EQ("Text", information.GetFieldName(-2));
  EXPECT_EQ("Information", information.GetFieldName(-3));
  EXPECT_EQ("Item", information.GetFieldValue(-3));
  information.SetFieldValue(-2, "more");
  information.SetFieldValue(-3, "ignored");
  EXPECT_EQ("more", information.GetFieldValue(-2));
  EXPECT_EQ("", information.GetLinkName());
}

TEST(KReportItem, SectionAndResultHaveNoFields) {
  KSectionItem section;
  EXPECT_EQ("<SECTION_TITLE>", section.GetTitle());
  EXPECT_EQ(0, section.GetFieldCount());
  EXPECT_EQ("", section.GetFieldName(-1));
  EXPECT_EQ("", section.GetFieldValue(-1));
  EXPECT_EQ(1, section.HasTitle());

  KResultItem result;
  EXPECT_EQ(6, result.GetItemType());
  EXPECT_EQ("", result.GetFieldName(-1));
  EXPECT_EQ("", result.GetFieldValue(0));
  result.SetTitle("Max");
  EXPECT_EQ("Max", result.GetText());
  EXPECT_EQ("Max", result.GetTitle());
}

TEST(KReportItem, ResultTitleIsItsStoredText) {
  TempDir dir;
  std::string path = dir.Write("r.rpt",
                               "PROJECT_PARENT_NODE : \"p\"\nNO_HTML_REPORTS : 0\n"
                               "TEMPLATE_NAME : \"t\"\n"
                               "ITEM_TYPE : \"REPORT_RESULT\"\n"
                               "REPORT_RESULT_ID : 11\n"
                               "REPORT_RESULT_PARENT : 10\n"
                               "REPORT_RESULT_CHILD : 0\n"
                               "REPORT_RESULT_TEXT : \"Clamp force\"\n"
                               "REPORT_RESULT_RESULTITEM : \"Force\"\n"
                               "REPORT_RESULT_RESULTVALUE : \"12 t\"\n");
  KReportTemplate reportTemplate(path);
  auto* result = dynamic_cast<KResultItem*>(reportTemplate.GetFirstItem());
  ASSERT_NE(nullptr, result);
  EXPECT_EQ("Clamp force", result->GetTitle());
  EXPECT_EQ("Force", result->GetResultItem());
  EXPECT_EQ("12 t", result->GetResultValue());
  EXPECT_EQ(10, result->GetParentId());
}

}  // namespace
