// ktpm files DIR: every file of a project directory as the file-type registry classifies it.
#include <iostream>
#include <nlohmann/json.hpp>

#include "Command.h"

#include <ktpm/platform/DirectoryListing.h>
#include <ktpm/platform/KFileEntry.h>
#include <ktpm/platform/Resources.h>
#include <ktpm/projtree/NodeTypes.h>

namespace ktpm::tool {
namespace {

struct FileClass {
  std::string name;
  const KNodeFileType* row;
  ResultType resultType;
};

nlohmann::json ToJson(const FileClass& file) {
  nlohmann::json entry = {{"name", file.name}, {"resultType", ResultTypeName(file.resultType)}};
  if (file.row != nullptr) {
    entry["type"] = NodeTypeName(file.row->type);
    entry["subType"] = NodeSubTypeName(file.row->subType);
    entry["label"] = GetResourceString(GetKindLabelId(file.row->type, file.row->subType));
    entry["icon"] = TreeIconName(GetKindIcon(file.row->type, file.row->subType, NS_OK));
  } else {
    entry["type"] = nullptr;
  }
  return entry;
}

void PrintLine(const FileClass& file) {
  std::cout << file.name << "\t";
  if (file.row != nullptr) {
    const std::string label = GetResourceString(GetKindLabelId(file.row->type, file.row->subType));
    std::cout << NodeTypeName(file.row->type) << "\t" << NodeSubTypeName(file.row->subType) << "\t"
              << (label.empty() ? "-" : label) << "\t"
              << TreeIconName(GetKindIcon(file.row->type, file.row->subType, NS_OK));
  } else {
    std::cout << "-\t-\t-\t-";
  }
  std::cout << "\t" << ResultTypeName(file.resultType) << "\n";
}

CommandRun SetUp(CLI::App& app) {
  auto* command = app.add_subcommand(
      "files",
      "List the files of a project directory with the kind of node each main file makes "
      "(type, subtype, label, icon) and the result kind of each result file");
  auto directory = std::make_shared<std::string>();
  auto json = std::make_shared<bool>(false);
  command->add_option("DIR", *directory, "Project directory")->required();
  command->add_flag("--json", *json, "Print a JSON array instead of tab-separated lines");
  return [directory, json]() {
    std::vector<ktpm::detail::DirectoryItem> items;
    if (!KFileEntry(*directory).IsDirectory() || !ktpm::detail::ListDirectory(*directory, items)) {
      std::cerr << "ktpm files: cannot read the directory " << *directory << "\n";
      return kExitFailure;
    }
    nlohmann::json all = nlohmann::json::array();
    for (const auto& item : items) {
      if (item.isDirectory) continue;
      const FileClass file{item.name, FindRowByMainExtension(KFileEntry(item.name).GetExtension()),
                           GetResultTypeFromFileName(item.name)};
      if (*json) {
        all.push_back(ToJson(file));
      } else {
        PrintLine(file);
      }
    }
    if (*json) std::cout << all.dump(2) << "\n";
    return kExitOk;
  };
}

const CommandRegistration registration{"files", SetUp};

}  // namespace
}  // namespace ktpm::tool
