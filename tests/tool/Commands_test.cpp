// The ktpm program run as a child process on temporary directories: exit statuses, the streams
// its messages go to, and output that programs can read.
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "ToolRun.h"

#include <ktpm/analysis/KJobsManager.h>
#include <ktpm/version.h>

namespace {

using ktpm::tooltest::ReadText;
using ktpm::tooltest::RunTool;
using ktpm::tooltest::TempDir;
using ktpm::tooltest::ToolProcess;
using ktpm::tooltest::ToolResult;
using ktpm::tooltest::WaitUntil;
using ktpm::tooltest::WriteText;

constexpr auto npos = std::string::npos;

std::string Joined(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& word : words) text += (text.empty() ? "" : " ") + word;
  return text;
}

// Processes of a process group that have not ended (zombies do not count).
int LiveProcessesInGroup(int group) {
  int live = 0;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
    const std::string stat = ReadText(entry.path().string() + "/stat");
    const size_t end = stat.rfind(')');
    if (end == npos) continue;
    std::istringstream fields(stat.substr(end + 1));
    char state = 0;
    int parent = 0, processGroup = 0;
    if (fields >> state >> parent >> processGroup && processGroup == group && state != 'Z') {
      ++live;
    }
  }
  return live;
}

// A copy of the sample project in a temporary directory.
class Tool : public ::testing::Test {
 protected:
  Tool() {
    std::filesystem::copy(KTPM_SOURCE_DIR "/data/sample-project", project,
                          std::filesystem::copy_options::recursive);
  }

  std::string MakeDirectory(const std::string& name) {
    std::filesystem::create_directory(temp / name);
    return temp / name;
  }

  TempDir temp;
  std::string project = temp / "project";
};

struct Case {
  std::vector<std::string> arguments;
  int exitCode;
  std::string stream;  // "out" or "err": where the fragment appears
  std::string fragment;
  std::string stdoutPath = "";  // instead of a file of the test's
};

TEST_F(Tool, ExitStatusesAndMessages) {
  const std::string missing = temp / "missing";
  const std::string logs = MakeDirectory("logs");
  const std::string file = project + "/bracket.igs";
  std::vector<Case> cases = {
      {{"frobnicate"}, 2, "err", "unknown command \"frobnicate\""},
      {{"--version"}, 0, "out", "ktpm " KTPM_VERSION_STRING},
      {{"files"}, 2, "err", "DIR is required"},
      {{"tree", "--no-such-option", project}, 2, "err", "--no-such-option"},
      {{"files", missing},
       1,
       "err",
       "ktpm files: cannot read the directory " + missing + ": No such file or directory"},
      {{"tree", missing}, 1, "err", "No such file or directory"},
      {{"tree", file}, 1, "err", "Not a directory"},
      {{"watch", missing}, 1, "err", "ktpm watch: cannot read the directory"},
      {{"bc", project}, 1, "err", "Is a directory"},
      {{"model", project}, 1, "err", "Is a directory"},
      {{"report", project}, 1, "err", "Is a directory"},
      {{"jobs", "--log-dir", missing}, 1, "err", "cannot read the job log directory"},
      {{"jobs", "--log-dir", logs, "--run", "no-such-program-ktpm -input a.001"},
       1,
       "err",
       "not started: program \"no-such-program-ktpm\" not found on KT_TOOLS_DIR or PATH"},
      {{"files", project}, 0, "out", "CAD model (IGES)"},
      {{"tree", project}, 0, "out", "Result (flow)"},
      {{"bc", project + "/bracket.bc2"}, 0, "out", "local axes:       none"},
      {{"jobs", "--log-dir", logs}, 0, "out", "not started"},
  };
  if (std::filesystem::exists("/dev/full")) {
    cases.push_back({{"files", project},
                     1,
                     "err",
                     "ktpm files: cannot write the output: No space left on device",
                     "/dev/full"});
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(Joined(c.arguments));
    const ToolResult result = RunTool(c.arguments, temp.path(), c.stdoutPath);
    EXPECT_EQ(result.exitCode, c.exitCode);
    EXPECT_NE((c.stream == "out" ? result.out : result.err).find(c.fragment), npos)
        << "stdout:\n"
        << result.out << "stderr:\n"
        << result.err;
    // Success says nothing on stderr: no progress bar when stderr is not a terminal.
    if (c.exitCode == 0) {
      EXPECT_EQ(result.err, "");
    }
  }
}

TEST_F(Tool, JsonOfEveryCommandHasItsShape) {
  const struct {
    std::vector<std::string> arguments;
    std::vector<std::string> keys;
  } cases[] = {
      {{"files", "--json", project}, {"directory", "files"}},
      {{"tree", "--json", project}, {"directory", "nodes"}},
      {{"bc", "--json", project + "/bracket.bc2"},
       {"path", "modelPath", "sections", "localAxes", "structuralLoads"}},
      {{"model", "--json", project + "/bracket.ktl"},
       {"path", "modelType", "cavityModelPath", "unvSource", "moldMesh"}},
      {{"report", "--json", project + "/Detail.rpi"},
       {"kind", "path", "templateName", "items", "htmlStyle", "templatePath"}},
      {{"jobs", "--json", "--log-dir", MakeDirectory("logs")}, {"logDirectory", "jobs"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Joined(c.arguments));
    const ToolResult result = RunTool(c.arguments);
    EXPECT_EQ(result.exitCode, 0);
    ASSERT_TRUE(nlohmann::json::accept(result.out)) << result.out;
    const nlohmann::json value = nlohmann::json::parse(result.out);
    for (const std::string& key : c.keys) EXPECT_TRUE(value.contains(key)) << key;
  }
  const nlohmann::json tree = nlohmann::json::parse(RunTool({"tree", "--json", project}).out);
  const nlohmann::json& node = tree["nodes"][0];
  for (const char* key : {"label", "kind", "type", "subType", "state", "stateText", "icon",
                          "resultLabel", "path", "files", "children"}) {
    EXPECT_TRUE(node.contains(key)) << key;
  }
  EXPECT_EQ(node["kind"], "CAD model (IGES)");
  EXPECT_EQ(node["path"], "bracket.igs");
}

TEST_F(Tool, JsonReplacesBytesThatAreNotUtf8) {
  const std::string directory = MakeDirectory("latin1");
  WriteText(directory + "/caf\xE9.igs", "");
  for (const char* command : {"files", "tree"}) {
    SCOPED_TRACE(command);
    const ToolResult result = RunTool({command, "--json", directory});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(nlohmann::json::accept(result.out)) << result.out;
    EXPECT_NE(result.out.find("\"caf\xEF\xBF\xBD.igs\""), npos) << result.out;
  }
}

TEST_F(Tool, TextKeepsANameWithControlCharactersOnOneLine) {
  const std::string directory = MakeDirectory("newline");
  WriteText(directory + "/two\nlines\t.igs", "");
  for (const char* command : {"files", "tree"}) {
    SCOPED_TRACE(command);
    const ToolResult result = RunTool({command, directory});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("two\\nlines\\t.igs"), npos) << result.out;
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 2) << result.out;
  }
}

TEST_F(Tool, WatchPrintsOnlyJsonLinesAndEndsOnTermination) {
  const std::string directory = MakeDirectory("watched");
  WriteText(directory + "/part.igs", "");
  ToolProcess watch({"watch", "--json", directory}, "");
  ASSERT_TRUE(WaitUntil([&] { return watch.Out().find("\"event\":\"watching\"") != npos; }))
      << watch.Out();
  WriteText(directory + "/knob.stl", "");
  ASSERT_TRUE(WaitUntil([&] {
    const std::string out = watch.Out();
    return out.find("\"event\":\"new\"") != npos && out.find("knob.stl") != npos;
  })) << watch.Out();
  watch.Signal(SIGTERM);
  const ToolResult result = watch.Wait();
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err, "");
  std::istringstream lines(result.out);
  int count = 0;
  for (std::string line; std::getline(lines, line); ++count) {
    EXPECT_TRUE(nlohmann::json::accept(line)) << line;
  }
  EXPECT_GE(count, 3);
}

TEST_F(Tool, TerminationAbortsTheRunningJobAndItsProcessGroup) {
  const std::pair<int, int> signals[] = {{SIGTERM, 143}, {SIGINT, 130}};
  for (const auto& [signal, exitCode] : signals) {
    SCOPED_TRACE(signal);
    const std::string logs = temp / ("logs" + std::to_string(signal));
    const std::string groupFile = project + "/group.txt";
    std::filesystem::remove(groupFile);
    // The job's shell writes its process group (its own id) and waits for a child in it.
    ToolProcess tool({"jobs", "--log-dir", logs, "--name", "sleeper", "--run",
                      "/bin/sh -c \"sleep 60 & echo $$ > group.txt; wait\""},
                     project);
    ASSERT_TRUE(WaitUntil([&] { return ReadText(groupFile).find('\n') != npos; }));
    const int group = std::stoi(ReadText(groupFile));
    ASSERT_EQ(LiveProcessesInGroup(group), 2);
    tool.Signal(signal);
    const ToolResult result = tool.Wait();
    EXPECT_EQ(result.exitCode, exitCode) << result.err;
    EXPECT_TRUE(WaitUntil([&] { return LiveProcessesInGroup(group) == 0; }));
    const std::vector<KJobRecord> records = KJobsManager::ReadJobRecords(logs);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].status, JOB_ABORTED);
    EXPECT_NE(result.out.find("aborted"), npos) << result.out;
  }
}

}  // namespace
