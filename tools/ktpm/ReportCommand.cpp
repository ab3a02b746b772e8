// ktpm report FILE: a report template (parent node, name, HTML report directories and every item
// with its kind, title and fields) or a report information file.
#include <cctype>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "Command.h"

#include <ktpm/platform/KFileEntry.h>
#include <ktpm/report/KReportInfo.h>
#include <ktpm/report/KReportTemplate.h>
#include <ktpm/report/KTemplateStream.h>

namespace ktpm::tool {
namespace {

// Values may span lines; the text output keeps each on one line.
std::string OneLine(const std::string& text) {
  std::string line;
  for (char c : text) {
    if (c == '\n') {
      line += "\\n";
    } else {
      line += c;
    }
  }
  return line;
}

bool IsReportInfoFile(const std::string& path) {
  std::string extension = KFileEntry(path).GetExtension();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == ".rpi";
}

nlohmann::json ItemToJson(const KReportItem& item) {
  nlohmann::json fields = nlohmann::json::array();
  for (int index = -1; index >= -item.GetFieldCount(); --index) {
    fields.push_back({{"index", index},
                      {"name", item.GetFieldName(index)},
                      {"value", item.GetFieldValue(index)}});
  }
  nlohmann::json entry = {{"type", item.GetItemType()},
                          {"keyword", item.GetItemKeyword()},
                          {"id", item.GetId()},
                          {"parent", item.GetParentId()},
                          {"child", item.GetChildId()},
                          {"title", item.HasTitle() ? nlohmann::json(item.GetTitle()) : nullptr},
                          {"fields", fields}};
  if (item.GetItemType() == 4 || item.GetItemType() == 5) entry["imageFile"] = item.GetImageFile();
  return entry;
}

void PrintItem(int number, const KReportItem& item) {
  std::cout << "  " << number << ". " << item.GetItemKeyword() << " id " << item.GetId()
            << " parent " << item.GetParentId() << " child " << item.GetChildId() << "\n";
  if (item.HasTitle()) std::cout << "     Title: " << OneLine(item.GetTitle()) << "\n";
  for (int index = -1; index >= -item.GetFieldCount(); --index) {
    std::cout << "     " << item.GetFieldName(index) << ": " << OneLine(item.GetFieldValue(index))
              << "\n";
  }
  if ((item.GetItemType() == 4 || item.GetItemType() == 5) && !item.GetImageFile().empty()) {
    std::cout << "     Image file: " << item.GetImageFile() << "\n";
  }
}

int ShowTemplate(const std::string& path, bool json) {
  KReportTemplate reportTemplate(path);
  if (json) {
    nlohmann::json directories = nlohmann::json::array();
    for (int i = 0; i < reportTemplate.GetHtmlReportDirCount(); ++i) {
      directories.push_back(reportTemplate.GetHtmlReportDir(i));
    }
    nlohmann::json items = nlohmann::json::array();
    for (KReportItem* item = reportTemplate.GetFirstItem(); item != nullptr;
         item = reportTemplate.GetNextItem()) {
      items.push_back(ItemToJson(*item));
    }
    nlohmann::json all = {{"kind", "template"},
                          {"path", path},
                          {"projectParentNode", reportTemplate.GetProjectParentNode()},
                          {"templateName", reportTemplate.GetTemplateName()},
                          {"reportDataDir", reportTemplate.GetReportDataDir()},
                          {"htmlReportDirs", directories},
                          {"items", items}};
    // Template texts are 8-bit text in the application's code page, not necessarily UTF-8.
    std::cout << all.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    return kExitOk;
  }
  std::cout << "Template: " << path << "\n"
            << "Parent node: " << OneLine(reportTemplate.GetProjectParentNode()) << "\n"
            << "Name: " << OneLine(reportTemplate.GetTemplateName()) << "\n"
            << "HTML report directories: " << reportTemplate.GetHtmlReportDirCount() << "\n";
  for (int i = 0; i < reportTemplate.GetHtmlReportDirCount(); ++i) {
    std::cout << "  " << OneLine(reportTemplate.GetHtmlReportDir(i)) << "\n";
  }
  std::cout << "Items: " << reportTemplate.GetItemCount() << "\n";
  int number = 1;
  for (KReportItem* item = reportTemplate.GetFirstItem(); item != nullptr;
       item = reportTemplate.GetNextItem()) {
    PrintItem(number++, *item);
  }
  return kExitOk;
}

int ShowReportInfo(const std::string& path, bool json) {
  KReportInfo info(path);
  if (json) {
    nlohmann::json all = {{"kind", "reportInfo"},
                          {"path", path},
                          {"projectParentNode", info.GetProjectParentNode()},
                          {"htmlStyle", info.GetHtmlStyle()},
                          {"reportTemplate", info.GetReportTemplate()}};
    std::cout << all.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    return kExitOk;
  }
  std::cout << "Report information: " << path << "\n"
            << "Parent node: " << OneLine(info.GetProjectParentNode()) << "\n"
            << "HTML style: " << OneLine(info.GetHtmlStyle()) << "\n"
            << "Report template: " << OneLine(info.GetReportTemplate()) << "\n";
  return kExitOk;
}

CommandRun SetUp(CLI::App& app) {
  auto* command = app.add_subcommand(
      "report",
      "Show a report template (.rpt: parent node, name, HTML report directories, items "
      "with their fields) or a report information file (.rpi)");
  auto file = std::make_shared<std::string>();
  auto json = std::make_shared<bool>(false);
  command->add_option("FILE", *file, "Report template or report information file")->required();
  command->add_flag("--json", *json, "Print JSON instead of text");
  return [file, json]() {
    KTemplateStream probe;
    if (KFileEntry(*file).IsDirectory() || !probe.Open(*file, 1)) {
      std::cerr << "ktpm report: cannot read " << *file << "\n";
      return kExitFailure;
    }
    probe.Close();
    return IsReportInfoFile(*file) ? ShowReportInfo(*file, *json) : ShowTemplate(*file, *json);
  };
}

const CommandRegistration registration{"report", SetUp};

}  // namespace
}  // namespace ktpm::tool
