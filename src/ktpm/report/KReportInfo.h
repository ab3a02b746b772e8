// A report information file (".rpi"): the request for one report, written by the application
// beside the template and read by the library.
//
// KReportInfo holds the file's three quoted values, taken by position: the project parent node
// (the template node the report belongs to), the HTML style (the name of the report, which is
// also the last component of the directory generated for it) and the report template. All three
// are empty when the file cannot be read. A plain value; any thread may use its own.
#pragma once

#include <string>

class KReportInfo {
 public:
  KReportInfo() = default;
  // Three empty values, then Load(path).
  explicit KReportInfo(const std::string& path);

  // Reads the three values in order when the file opens; otherwise leaves them as they are.
  void Load(const std::string& path);

  std::string GetProjectParentNode() const { return m_projectParentNode; }
  std::string GetHtmlStyle() const { return m_htmlStyle; }
  std::string GetReportTemplate() const { return m_reportTemplate; }

 private:
  std::string m_projectParentNode;
  std::string m_htmlStyle;
  std::string m_reportTemplate;
};
