#include "ReportStandin.h"

#include <filesystem>
#include <sstream>

#include <ktpm/keyword/KKeywordFile.h>
#include <ktpm/projtree/NodeTypes.h>
#include <ktpm/report/KReportInfo.h>
#include <ktpm/report/KReportItem.h>
#include <ktpm/report/KReportTemplate.h>

namespace ktpm::standin {

namespace {

std::string EscapeHtml(const std::string& text) {
  std::string escaped;
  for (char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      default:
        escaped.push_back(c);
    }
  }
  return escaped;
}

// A style names a directory inside the template's data directory and nothing else.
bool IsPlainDirectoryName(const std::string& name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (char c : name)
    if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20) return false;
  return true;
}

std::string ReportPage(KReportTemplate& reportTemplate, const std::string& style) {
  std::ostringstream page;
  page << "<!DOCTYPE html>\n<html>\n<head><meta charset=\"utf-8\"><title>"
       << EscapeHtml(reportTemplate.GetDisplayName()) << " - " << EscapeHtml(style)
       << "</title></head>\n<body>\n<h1>" << EscapeHtml(reportTemplate.GetDisplayName())
       << "</h1>\n<p>Report style: " << EscapeHtml(style) << "</p>\n<ol>\n";
  for (KReportItem* item = reportTemplate.GetFirstItem(); item != nullptr;
       item = reportTemplate.GetNextItem()) {
    page << "<li>" << EscapeHtml(item->GetTitle()) << "</li>\n";
  }
  page << "</ol>\n</body>\n</html>\n";
  return page.str();
}

}  // namespace

int RunReportGenerator(const Invocation& invocation) {
  std::vector<std::string> positional = invocation.Positional();
  if (positional.size() != 1) {
    Complain(invocation, "usage: ktrepgen REPORT.rpi");
    return kExitUsage;
  }
  const std::string& reportFile = positional.front();
  const char* errorExtension = GetRegistryExtension(NT_REPORT, NST_DEFAULT, 4);
  std::string errorOutput =
      WithoutExtension(reportFile) + (errorExtension ? errorExtension : ".rpe");

  KReportInfo info(reportFile);
  KKeywordFile testKeywords;
  testKeywords.Load(reportFile);
  Outcome outcome = ReadOutcome(testKeywords);
  std::string style = info.GetHtmlStyle();
  std::string templateFile = info.GetReportTemplate();

  std::string failure;
  if (!FileExists(reportFile)) {
    failure = "cannot read the report information file " + reportFile;
  } else if (!IsPlainDirectoryName(style)) {
    failure = "the report's HTML style \"" + style + "\" cannot name a directory";
  } else if (!FileExists(templateFile)) {
    failure = "cannot read the report template \"" + templateFile + "\"";
  }
  if (failure.empty()) {
    SpendRunTime(outcome);
    if (outcome.fail) failure = "report generation failed (STANDIN_OUTCOME: FAIL)";
  }
  if (failure.empty()) {
    KReportTemplate reportTemplate(templateFile);
    std::string directory = reportTemplate.GetReportDataDir() + "/" + style;
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    if (error || !WriteTextFile(directory + "/index.html", ReportPage(reportTemplate, style))) {
      failure = "cannot write the report directory " + directory;
    } else {
      reportTemplate.AddHtmlReportDir(directory);
      reportTemplate.Save(templateFile);
      KReportTemplate written;
      written.ReadHeader(templateFile);
      bool recorded = false;
      for (int i = 0; i < written.GetHtmlReportDirCount(); ++i)
        recorded = recorded || written.GetHtmlReportDir(i) == directory;
      if (!recorded) failure = "cannot record the report in " + templateFile;
    }
  }
  if (!failure.empty()) {
    WriteTextFile(errorOutput, "*** ERROR: " + failure + "\n");
    Complain(invocation, failure);
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace ktpm::standin
