// ktpm files DIR: every file of a project directory as the file-type registry classifies it.
// It only lists the directory: nothing is opened or written.
#include "Command.h"
#include "Input.h"
#include "Labels.h"
#include "Output.h"

#include <ktpm/platform/DirectoryListing.h>
#include <ktpm/platform/KFileEntry.h>
#include <ktpm/projtree/NodeTypes.h>

namespace ktpm::tool {
namespace {

struct FileClass {
  std::string path;
  const KNodeFileType* row;  // the node kind its extension makes; null for none
  ResultType resultType;
};

nlohmann::json ToJson(const FileClass& file) {
  const bool known = file.row != nullptr;
  const bool result = file.resultType != RT_NONE;
  const auto text = [](bool present, const char* value) {
    return present ? nlohmann::json(value) : nlohmann::json(nullptr);
  };
  return {{"path", file.path},
          {"kind", known ? nlohmann::json(KindText(file.row->type, file.row->subType)) : nullptr},
          {"type", text(known, known ? NodeTypeName(file.row->type) : "")},
          {"subType", text(known, known ? NodeSubTypeName(file.row->subType) : "")},
          {"icon",
           text(known,
                known ? TreeIconName(GetKindIcon(file.row->type, file.row->subType, NS_OK)) : "")},
          {"resultType", text(result, ResultTypeName(file.resultType))},
          {"resultText", JsonTextOrNull(result, ResultText(file.resultType))}};
}

int ListFiles(const std::string& directory, bool json) {
  std::vector<ktpm::detail::DirectoryItem> items;
  std::string problem = DirectoryProblem(directory);
  if (problem.empty() && !ktpm::detail::ListDirectory(directory, items)) problem = "cannot list it";
  if (!problem.empty()) {
    return FailWith("files", "cannot read the directory " + directory + ": " + problem);
  }
  nlohmann::json files = nlohmann::json::array();
  TextTable table({"FILE", "KIND", "RESULT"});
  for (const auto& item : items) {
    if (item.isDirectory) continue;
    const FileClass file{item.name, FindRowByMainExtension(KFileEntry(item.name).GetExtension()),
                         GetResultTypeFromFileName(item.name)};
    if (json) {
      files.push_back(ToJson(file));
    } else {
      const std::string result = ResultText(file.resultType);
      table.AddRow({file.path, file.row ? KindText(file.row->type, file.row->subType) : "-",
                    result.empty() ? "-" : result});
    }
  }
  if (json) {
    PrintJson({{"directory", directory}, {"files", files}});
  } else {
    table.Print();
  }
  return kExitOk;
}

CommandRun SetUp(CLI::App& app) {
  auto* command = app.add_subcommand(
      "files",
      "List the files of a project directory with the kind of node each main file makes and "
      "the result kind of each result file. Reads only the directory listing.");
  auto directory = std::make_shared<std::string>();
  auto json = std::make_shared<bool>(false);
  command->add_option("DIR", *directory, "Project directory")->required();
  command->add_flag("--json", *json, "Print one JSON object instead of a table");
  return [directory, json]() { return ListFiles(*directory, *json); };
}

const CommandRegistration registration{"files", SetUp};

}  // namespace
}  // namespace ktpm::tool
