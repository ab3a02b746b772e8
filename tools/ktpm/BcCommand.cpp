// ktpm bc FILE: a boundary-condition file as the project reads it: the model it belongs to, its
// sections with their entry counts, the local axes and whether it holds structural loads.
#include <iostream>
#include <nlohmann/json.hpp>

#include "Command.h"

#include <ktpm/mesh/KBCFile.h>

namespace ktpm::tool {
namespace {

int ShowBoundaryConditions(const std::string& path, bool json) {
  KBCFile file;
  if (!file.Load(path)) {
    std::cerr << "ktpm bc: cannot read the boundary-condition file " << path << "\n";
    return kExitFailure;
  }
  const auto axes = file.GetLocalAxes();
  const bool structural = file.HasStructuralLoads() != 0;
  if (json) {
    nlohmann::json sections = nlohmann::json::array();
    for (const auto& section : file.sections) {
      sections.push_back({{"name", section->name},
                          {"argument", section->argument},
                          {"entries", section->entries.size()}});
    }
    nlohmann::json out = {{"file", path},
                          {"model", file.GetModel()},
                          {"sections", sections},
                          {"localAxes", {axes[0], axes[1], axes[2]}},
                          {"structuralLoads", structural}};
    std::cout << out.dump(2) << "\n";
    return kExitOk;
  }
  const std::string model = file.GetModel();
  std::cout << "file:             " << path << "\n"
            << "model:            " << (model.empty() ? "-" : model) << "\n"
            << "sections:\n";
  for (const auto& section : file.sections) {
    std::cout << "  *" << section->name << (section->argument.empty() ? "" : " ")
              << section->argument << "\t" << section->entries.size() << " entries\n";
  }
  std::cout << "local axes:       " << axes[0] << " " << axes[1] << " " << axes[2] << "\n"
            << "structural loads: " << (structural ? "yes" : "no") << "\n";
  return kExitOk;
}

CommandRun SetUp(CLI::App& app) {
  auto* command = app.add_subcommand(
      "bc", "Show a boundary-condition file: its model, sections with entry counts and local axes");
  auto path = std::make_shared<std::string>();
  auto json = std::make_shared<bool>(false);
  command->add_option("FILE", *path, "Boundary-condition file (.bf3, .bc2, .bc3, .exl)")
      ->required();
  command->add_flag("--json", *json, "Print a JSON object instead of lines");
  return [path, json]() { return ShowBoundaryConditions(*path, *json); };
}

const CommandRegistration registration{"bc", SetUp};

}  // namespace
}  // namespace ktpm::tool
