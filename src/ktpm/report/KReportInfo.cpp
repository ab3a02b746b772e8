#include <ktpm/report/KReportInfo.h>
#include <ktpm/report/KTemplateStream.h>

KReportInfo::KReportInfo(const std::string& path) { Load(path); }

void KReportInfo::Load(const std::string& path) {
  KTemplateStream stream;
  if (!stream.Open(path, 1)) return;
  stream.ReadString("PROJECT_PARENT_NODE", m_projectParentNode);
  stream.ReadString("HTML_STYLE", m_htmlStyle);
  stream.ReadString("REPORT_TEMPLATE", m_reportTemplate);
  stream.Close();
}
