// ktpm report FILE: a report template (parent node, name, HTML report directories and every item
// with its kind, title and fields) or a report information file.
#include <cctype>
#include <memory>
#include <string>

#include "Command.h"
#include "Input.h"
#include "Output.h"

#include <ktpm/platform/KFileEntry.h>
#include <ktpm/report/KReportInfo.h>
#include <ktpm/report/KReportTemplate.h>
#include <ktpm/report/KTemplateStream.h>

namespace ktpm::tool {
namespace {

bool IsReportInfoFile(const std::string& path) {
  std::string extension = KFileEntry(path).GetExtension();
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == ".rpi";
}

bool HasImage(const KReportItem& item) {
  return item.GetItemType() == 4 || item.GetItemType() == 5;
}

nlohmann::json ItemToJson(const KReportItem& item) {
  nlohmann::json fields = nlohmann::json::array();
  for (int index = -1; index >= -item.GetFieldCount(); --index) {
    fields.push_back({{"index", index},
                      {"name", item.GetFieldName(index)},
                      {"value", item.GetFieldValue(index)}});
  }
  const std::string image = HasImage(item) ? item.GetImageFile() : std::string();
  return {{"type", item.GetItemType()},
          {"keyword", item.GetItemKeyword()},
          {"id", item.GetId()},
          {"parent", item.GetParentId()},
          {"child", item.GetChildId()},
          {"title", JsonTextOrNull(item.HasTitle() != 0, item.GetTitle())},
          {"fields", fields},
          {"imagePath", JsonTextOrNull(!image.empty(), image)}};
}

// The one shape of both kinds of file: what a kind does not have is null or empty.
nlohmann::json ReportJson(const char* kind, const std::string& path) {
  return {{"kind", kind},
          {"path", path},
          {"projectParentNode", nullptr},
          {"templateName", nullptr},
          {"reportDataDirectory", nullptr},
          {"htmlReportDirectories", nlohmann::json::array()},
          {"items", nlohmann::json::array()},
          {"htmlStyle", nullptr},
          {"templatePath", nullptr}};
}

void PrintItem(int number, const KReportItem& item) {
  PrintLine("  " + std::to_string(number) + ". " + EscapeText(item.GetItemKeyword()) + " id " +
            std::to_string(item.GetId()) + " parent " + std::to_string(item.GetParentId()) +
            " child " + std::to_string(item.GetChildId()));
  if (item.HasTitle()) PrintLine("     Title: " + EscapeText(item.GetTitle()));
  for (int index = -1; index >= -item.GetFieldCount(); --index) {
    PrintLine("     " + EscapeText(item.GetFieldName(index)) + ": " +
              EscapeText(item.GetFieldValue(index)));
  }
  if (HasImage(item) && !item.GetImageFile().empty()) {
    PrintLine("     Image file: " + EscapeText(item.GetImageFile()));
  }
}

int ShowTemplate(const std::string& path, bool json) {
  KReportTemplate reportTemplate(path);
  if (json) {
    nlohmann::json all = ReportJson("template", path);
    all["projectParentNode"] = reportTemplate.GetProjectParentNode();
    all["templateName"] = reportTemplate.GetTemplateName();
    all["reportDataDirectory"] = reportTemplate.GetReportDataDir();
    for (int i = 0; i < reportTemplate.GetHtmlReportDirCount(); ++i) {
      all["htmlReportDirectories"].push_back(reportTemplate.GetHtmlReportDir(i));
    }
    for (KReportItem* item = reportTemplate.GetFirstItem(); item != nullptr;
         item = reportTemplate.GetNextItem()) {
      all["items"].push_back(ItemToJson(*item));
    }
    // Template texts are 8-bit text in the application's code page: PrintJson makes them UTF-8.
    PrintJson(all);
    return kExitOk;
  }
  PrintLine("Template: " + EscapeText(path));
  PrintLine("Parent node: " + EscapeText(reportTemplate.GetProjectParentNode()));
  PrintLine("Name: " + EscapeText(reportTemplate.GetTemplateName()));
  PrintLine("HTML report directories: " + std::to_string(reportTemplate.GetHtmlReportDirCount()));
  for (int i = 0; i < reportTemplate.GetHtmlReportDirCount(); ++i) {
    PrintLine("  " + EscapeText(reportTemplate.GetHtmlReportDir(i)));
  }
  PrintLine("Items: " + std::to_string(reportTemplate.GetItemCount()));
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
    nlohmann::json all = ReportJson("reportInfo", path);
    all["projectParentNode"] = info.GetProjectParentNode();
    all["htmlStyle"] = info.GetHtmlStyle();
    all["templatePath"] = info.GetReportTemplate();
    PrintJson(all);
    return kExitOk;
  }
  PrintLine("Report information: " + EscapeText(path));
  PrintLine("Parent node: " + EscapeText(info.GetProjectParentNode()));
  PrintLine("HTML style: " + EscapeText(info.GetHtmlStyle()));
  PrintLine("Report template: " + EscapeText(info.GetReportTemplate()));
  return kExitOk;
}

int ShowReport(const std::string& path, bool json) {
  std::string problem = FileProblem(path);
  KTemplateStream probe;
  if (problem.empty() && !probe.Open(path, 1)) problem = "it does not open";
  if (!problem.empty()) return FailWith("report", "cannot read " + path + ": " + problem);
  probe.Close();
  return IsReportInfoFile(path) ? ShowReportInfo(path, json) : ShowTemplate(path, json);
}

CommandRun SetUp(CLI::App& app) {
  auto* command = app.add_subcommand(
      "report",
      "Show a report template (.rpt: parent node, name, HTML report directories, items "
      "with their fields) or a report information file (.rpi)");
  auto file = std::make_shared<std::string>();
  auto json = std::make_shared<bool>(false);
  command->add_option("FILE", *file, "Report template or report information file")->required();
  command->add_flag("--json", *json, "Print a JSON object instead of text");
  return [file, json]() { return ShowReport(*file, *json); };
}

const CommandRegistration registration{"report", SetUp};

}  // namespace
}  // namespace ktpm::tool
