#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "TempDir.h"

#include <ktpm/report/KReportTemplate.h>
#include <ktpm/report/ReportPaths.h>

namespace {

namespace fs = std::filesystem;
using ktpm::test::TempDir;

// A project directory with a template file, a report directory beside it and a directory
// outside the project, each holding one file.
struct ReportProject {
  TempDir root;
  fs::path project = root.Path() / "project";
  fs::path outside = root.Path() / "outside";
  std::string templatePath = (project / "part.rpt").string();

  ReportProject() {
    fs::create_directories(project / "part_rpt" / "Standard");
    fs::create_directories(outside);
    root.Write("project/part.rpt", "");
    root.Write("project/part_rpt/Standard/index.html", "<html/>");
    root.Write("project/keep.txt", "keep");
    root.Write("outside/precious.txt", "precious");
  }

  // A template on templatePath listing the given directories.
  std::string WriteTemplate(const std::vector<std::string>& directories) {
    std::string text = "PROJECT_PARENT_NODE : \"part.ktl\"\nNO_HTML_REPORTS : " +
                       std::to_string(directories.size()) + "\n";
    for (const std::string& directory : directories) {
      text += "HTML_REPORT_DIR : \"" + directory + "\"\n";
    }
    text += "TEMPLATE_NAME : \"\"\n";
    root.Write("project/part.rpt", text);
    return templatePath;
  }

  bool OutsideIntact() const { return fs::exists(outside / "precious.txt"); }
  bool ProjectIntact() const { return fs::exists(project / "keep.txt"); }
};

TEST(ReportPaths, SeparatorsAndComponents) {
  EXPECT_EQ("a/b/c", ktpm::detail::ToNativeSeparators("a\\b/c"));
  EXPECT_EQ("c", ktpm::detail::LastPathComponent("a\\b/c"));
  EXPECT_EQ("b\\c", ktpm::detail::LastPathComponent("a/b\\c"));
  EXPECT_EQ("c", ktpm::detail::LastPathComponent("a\\b\\c"));
  EXPECT_EQ("name", ktpm::detail::LastPathComponent("name"));
  EXPECT_EQ(".", ktpm::detail::DirectoryOfFile("part.rpt"));
  EXPECT_EQ("/", ktpm::detail::DirectoryOfFile("/part.rpt"));
  EXPECT_EQ("d\\e", ktpm::detail::DirectoryOfFile("d\\e\\part.rpt"));
  EXPECT_EQ("", ktpm::detail::DirectoryOfFile(""));
}

TEST(ReportPaths, RemoveHtmlReportDirDeletesADirectoryInsideTheTemplateDirectory) {
  ReportProject setup;
  std::string report = (setup.project / "part_rpt" / "Standard").string();
  KReportTemplate reportTemplate(setup.WriteTemplate({report}));
  ASSERT_EQ(1, reportTemplate.GetHtmlReportDirCount());
  reportTemplate.RemoveHtmlReportDir(report);
  EXPECT_EQ(0, reportTemplate.GetHtmlReportDirCount());
  EXPECT_FALSE(fs::exists(setup.project / "part_rpt" / "Standard"));
  EXPECT_TRUE(fs::exists(setup.project / "part_rpt"));
  EXPECT_TRUE(setup.ProjectIntact());
}

TEST(ReportPaths, RemoveHtmlReportDirIgnoresAnUnlistedDirectory) {
  ReportProject setup;
  KReportTemplate reportTemplate(setup.WriteTemplate({"elsewhere"}));
  reportTemplate.RemoveHtmlReportDir((setup.project / "part_rpt").string());
  EXPECT_TRUE(fs::exists(setup.project / "part_rpt" / "Standard" / "index.html"));
  EXPECT_EQ(1, reportTemplate.GetHtmlReportDirCount());
}

TEST(ReportPaths, DangerousDirectoriesAreNeverDeleted) {
  ReportProject setup;
  fs::create_symlink(setup.outside, setup.project / "link");
  fs::create_symlink(setup.root.Path(), setup.project / "up");
  std::vector<std::string> dangerous = {
      "/",
      "..",
      ".",
      "",
      setup.project.string(),
      setup.project.string() + "/",
      (setup.project / ".").string(),
      (setup.project / "part_rpt" / "..").string(),
      setup.outside.string(),
      (setup.project / ".." / "outside").string(),
      (setup.project / "link").string(),
      (setup.project / "up" / "outside").string(),
      setup.root.Path().string(),
  };
  KReportTemplate reportTemplate(setup.WriteTemplate(dangerous));
  for (const std::string& directory : dangerous) {
    SCOPED_TRACE(directory);
    EXPECT_EQ("", ktpm::detail::ResolveDirectoryInsideTemplateDir(setup.templatePath, directory));
  }
  reportTemplate.ClearHtmlReportDirs(1);
  EXPECT_EQ(0, reportTemplate.GetHtmlReportDirCount());
  EXPECT_TRUE(setup.OutsideIntact());
  EXPECT_TRUE(setup.ProjectIntact());
  EXPECT_TRUE(fs::exists(setup.project / "part_rpt" / "Standard" / "index.html"));
  EXPECT_TRUE(fs::is_symlink(setup.project / "link"));

  KReportTemplate again(setup.WriteTemplate(dangerous));
  for (const std::string& directory : dangerous) again.RemoveHtmlReportDir(directory);
  EXPECT_TRUE(setup.OutsideIntact());
  EXPECT_TRUE(setup.ProjectIntact());
}

TEST(ReportPaths, RelativeDirectoriesResolveAgainstTheCurrentDirectory) {
  ReportProject setup;
  fs::path previous = fs::current_path();
  fs::current_path(setup.project);
  EXPECT_EQ("", ktpm::detail::ResolveDirectoryInsideTemplateDir("part.rpt", "../outside"));
  EXPECT_EQ("", ktpm::detail::ResolveDirectoryInsideTemplateDir("part.rpt", "part_rpt/.."));
  EXPECT_EQ((fs::canonical(setup.project) / "part_rpt").string(),
            ktpm::detail::ResolveDirectoryInsideTemplateDir("part.rpt", "part_rpt"));
  EXPECT_EQ((fs::canonical(setup.project) / "part_rpt").string(),
            ktpm::detail::ResolveDirectoryInsideTemplateDir("part.rpt", "PART_RPT\\"));
  EXPECT_EQ("", ktpm::detail::ResolveDirectoryInsideTemplateDir("", "part_rpt"));
  EXPECT_EQ("", ktpm::detail::ResolveDirectoryInsideTemplateDir("part.rpt", "keep.txt"));
  fs::current_path(previous);
}

TEST(ReportPaths, ClearHtmlReportDirsDeletesEveryListedDirectoryInside) {
  ReportProject setup;
  fs::create_directories(setup.project / "part_rpt" / "Second");
  KReportTemplate reportTemplate(setup.WriteTemplate(
      {(setup.project / "part_rpt" / "Standard").string(),
       (setup.project / "part_rpt" / "Second").string(), setup.outside.string()}));
  reportTemplate.ClearHtmlReportDirs(0);
  EXPECT_TRUE(fs::exists(setup.project / "part_rpt" / "Second"));
  reportTemplate.Load(setup.templatePath);
  reportTemplate.ClearHtmlReportDirs(1);
  EXPECT_FALSE(fs::exists(setup.project / "part_rpt" / "Standard"));
  EXPECT_FALSE(fs::exists(setup.project / "part_rpt" / "Second"));
  EXPECT_TRUE(setup.OutsideIntact());
}

TEST(ReportPaths, DeletingAReportLeavesFilesBehindItsLinks) {
  ReportProject setup;
  // A report directory holding a link to a directory outside: only the link goes.
  fs::create_symlink(setup.outside, setup.project / "part_rpt" / "Standard" / "out");
  KReportTemplate reportTemplate(
      setup.WriteTemplate({(setup.project / "part_rpt" / "Standard").string()}));
  reportTemplate.RemoveHtmlReportDir((setup.project / "part_rpt" / "Standard").string());
  EXPECT_FALSE(fs::exists(setup.project / "part_rpt" / "Standard"));
  EXPECT_TRUE(setup.OutsideIntact());
}

TEST(ReportPaths, DeleteReportDataDirRemovesTheDirectoryBesideTheTemplate) {
  ReportProject setup;
  KReportTemplate reportTemplate(setup.WriteTemplate({}));
  EXPECT_EQ((setup.project / "part_rpt").string(), reportTemplate.GetReportDataDir());
  EXPECT_EQ(1, reportTemplate.DeleteReportDataDir());
  EXPECT_FALSE(fs::exists(setup.project / "part_rpt"));
  EXPECT_TRUE(setup.ProjectIntact());
  EXPECT_EQ(0, reportTemplate.DeleteReportDataDir());
}

}  // namespace
