#include <ktpm/report/KReportInfo.h>
#include <ktpm/report/KReportTemplate.h>
#include <ktpm/report/ReportFiles.h>
#include <ktpm/report/ReportPaths.h>

KTemplateHeader ReadTemplateHeader(const std::string& templatePath) {
  KReportTemplate reportTemplate;
  reportTemplate.ReadHeader(templatePath);
  KTemplateHeader header;
  header.projectParentNode = reportTemplate.GetProjectParentNode();
  header.templateName = reportTemplate.GetTemplateName();
  for (int i = 0; i < reportTemplate.GetHtmlReportDirCount(); ++i) {
    header.htmlReportDirs.push_back(reportTemplate.GetHtmlReportDir(i));
  }
  return header;
}

std::string ReadHtmlStyle(const std::string& reportInfoPath) {
  return KReportInfo(reportInfoPath).GetHtmlStyle();
}

std::string GetHtmlReportDirName(const std::string& directory) {
  return ktpm::detail::LastPathComponent(directory);
}
