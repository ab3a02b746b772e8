// The ktpm report command, run as a program (skipped when the tools are not built).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "TempDir.h"

namespace {

namespace fs = std::filesystem;
using ktpm::test::TempDir;

const fs::path kProgram = fs::path(KTPM_TOOLS_BINARY_DIR) / "ktpm" / "ktpm";

// Runs ktpm with arguments, its output into a file; returns the exit status.
int RunKtpm(const std::string& arguments, const std::string& outputPath) {
  std::string command =
      "'" + kProgram.string() + "' " + arguments + " > '" + outputPath + "' 2>/dev/null";
  int status = std::system(command.c_str());
  return (status >> 8) & 0xFF;
}

class ReportCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kProgram)) GTEST_SKIP() << "ktpm is not built";
  }
  TempDir dir;
};

TEST_F(ReportCommand, ShowsATemplate) {
  std::string path = dir.Write("part1.rpt",
                               "PROJECT_PARENT_NODE : \"part1.ktl\"\n"
                               "NO_HTML_REPORTS : 1\n"
                               "HTML_REPORT_DIR : \"part1_rpt\\Standard\"\n"
                               "TEMPLATE_NAME : \"Two\nlines\"\n"
                               "ITEM_TYPE : \"REPORT_TEXT\"\n"
                               "REPORT_TEXT_ID : 4\n"
                               "REPORT_TEXT_PARENT : 0\n"
                               "REPORT_TEXT_CHILD : 0\n"
                               "REPORT_TEXT_TEXT : \"Hello\"\n");
  std::string output = dir.File("out.txt");
  ASSERT_EQ(0, RunKtpm("report '" + path + "'", output));
  EXPECT_EQ("Template: " + path +
                "\n"
                "Parent node: part1.ktl\n"
                "Name: Two\\nlines\n"
                "HTML report directories: 1\n"
                "  part1_rpt/Standard\n"
                "Items: 1\n"
                "  1. REPORT_TEXT id 4 parent 0 child 0\n"
                "     Text: Hello\n",
            TempDir::Read(output));
  ASSERT_EQ(0, RunKtpm("report --json '" + path + "'", output));
  std::string json = TempDir::Read(output);
  EXPECT_NE(std::string::npos, json.find("\"templateName\": \"Two\\nlines\""));
  EXPECT_NE(std::string::npos, json.find("\"keyword\": \"REPORT_TEXT\""));
}

TEST_F(ReportCommand, ShowsAReportInformationFile) {
  std::string path = dir.Write("part1.RPI",
                               "PROJECT_PARENT_NODE : \"part1.rpt\"\nHTML_STYLE : \"Standard\"\n"
                               "REPORT_TEMPLATE : \"part1.rpt\"\n");
  std::string output = dir.File("out.txt");
  ASSERT_EQ(0, RunKtpm("report '" + path + "'", output));
  EXPECT_EQ("Report information: " + path +
                "\nParent node: part1.rpt\nHTML style: Standard\nReport template: part1.rpt\n",
            TempDir::Read(output));
}

TEST_F(ReportCommand, FailsOnUnreadableFilesAndBadArguments) {
  std::string output = dir.File("out.txt");
  EXPECT_EQ(1, RunKtpm("report '" + dir.File("missing.rpt") + "'", output));
  EXPECT_EQ(1, RunKtpm("report '" + dir.Path().string() + "'", output));
  EXPECT_EQ(2, RunKtpm("report", output));
  EXPECT_EQ(2, RunKtpm("report --bogus x.rpt", output));
}

}  // namespace
