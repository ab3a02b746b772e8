// Replays the stored template inputs (the fuzzing seeds and every input that once crashed the
// reader) through reading, field access, writing and reading again.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "TempDir.h"

#include <ktpm/report/KReportInfo.h>
#include <ktpm/report/KReportTemplate.h>

namespace {

namespace fs = std::filesystem;
using ktpm::test::TempDir;

const fs::path kInputs = fs::path(KTPM_TEST_DATA_DIR) / "fuzz";

TEST(FuzzRegression, EveryStoredInputReadsWritesAndReadsAgain) {
  TempDir dir;
  int count = 0;
  for (const auto& entry : fs::directory_iterator(kInputs)) {
    SCOPED_TRACE(entry.path().string());
    std::string copy = dir.File("copy.rpt");
    fs::copy_file(entry.path(), copy, fs::copy_options::overwrite_existing);
    KReportTemplate reportTemplate(copy);
    for (KReportItem* item = reportTemplate.GetFirstItem(); item;
         item = reportTemplate.GetNextItem()) {
      for (int index = 1; index >= -item->GetFieldCount() - 1; --index) {
        item->SetFieldValue(index, item->GetFieldValue(index) + item->GetFieldName(index));
      }
    }
    int items = reportTemplate.GetItemCount();
    reportTemplate.Save(copy);
    KReportTemplate again(copy);
    EXPECT_EQ(items, again.GetItemCount());
    KReportInfo info(copy);
    ++count;
  }
  EXPECT_GE(count, 4);
}

TEST(FuzzRegression, SampleTemplateSavesBackUnchanged) {
  TempDir dir;
  std::string copy = dir.File("every_kind.rpt");
  fs::copy_file(kInputs / "every_kind.rpt", copy);
  std::string original = TempDir::Read(copy);
  KReportTemplate reportTemplate(copy);
  ASSERT_EQ(8, reportTemplate.GetItemCount());
  reportTemplate.Save(copy);
  // Directories and image files are held with the native separator, so only those change.
  std::string expected = original;
  for (const char* from : {"part1_rpt\\Standard", "part1_rpt\\fill.jpg"}) {
    std::string to = from;
    to[9] = '/';
    expected.replace(expected.find(from), to.size(), to);
  }
  EXPECT_EQ(expected, TempDir::Read(copy));
}

}  // namespace
