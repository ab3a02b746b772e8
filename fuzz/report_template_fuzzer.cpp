// Reads arbitrary bytes as a report template file, then exercises every item's fields and
// writes the template back and reads it again.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include <ktpm/report/KReportInfo.h>
#include <ktpm/report/KReportTemplate.h>

namespace {

std::string ScratchPath(const char* name) {
  static const std::filesystem::path dir = [] {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() /
        ("ktpm-report-fuzz-" +
         std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(path);
    return path;
  }();
  return (dir / name).string();
}

void Exercise(KReportTemplate& reportTemplate) {
  for (KReportItem* item = reportTemplate.GetFirstItem(); item != nullptr;
       item = reportTemplate.GetNextItem()) {
    for (int index = 1; index >= -item->GetFieldCount() - 1; --index) {
      item->GetFieldName(index);
      item->SetFieldValue(index, item->GetFieldValue(index));
    }
    item->SetTitle(item->GetTitle());
    item->GetImageFile();
    reportTemplate.FindItem(item->GetParentId());
  }
  reportTemplate.GetDisplayName();
  reportTemplate.GetReportDataDir();
  for (int i = 0; i < reportTemplate.GetHtmlReportDirCount(); ++i) {
    reportTemplate.GetHtmlReportDir(i);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input = ScratchPath("input.rpt");
  {
    std::ofstream out(input, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  KReportTemplate reportTemplate(input);
  Exercise(reportTemplate);
  // Written under its own path the image files are kept; reading the copy back must work too.
  reportTemplate.Save(input);
  KReportTemplate again(input);
  Exercise(again);
  KReportInfo info(input);
  info.GetHtmlStyle();
  return 0;
}
