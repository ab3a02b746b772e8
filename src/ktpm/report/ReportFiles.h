// What the project tree needs from report files to hang reports under their templates.
//
// Free functions over KReportTemplate and KReportInfo for tree building and resync: each reads
// its file once and returns plain values; unreadable files give empty results. Any thread may
// call them.
#pragma once

#include <string>
#include <vector>

// The header of the template file at templatePath: parent node, name and HTML report directories
// (its header only; the items are not read).
struct KTemplateHeader {
  std::string projectParentNode;
  std::string templateName;
  std::vector<std::string> htmlReportDirs;
};
KTemplateHeader ReadTemplateHeader(const std::string& templatePath);

// The HTML style of the report information file at reportInfoPath (empty when unreadable).
std::string ReadHtmlStyle(const std::string& reportInfoPath);

// The name by which a generated report directory is matched against the HTML styles of
// pending reports: its last path component (after the last "/", else after the last "\").
std::string GetHtmlReportDirName(const std::string& directory);
