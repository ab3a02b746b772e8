// ktpm bc FILE: a boundary-condition file as the project reads it: the model it belongs to, its
// sections with their entry counts, the local axes and whether it holds structural loads.
#include <string>

#include "Command.h"
#include "Input.h"
#include "Output.h"

#include <ktpm/mesh/KBCFile.h>

namespace ktpm::tool {
namespace {

int ShowBoundaryConditions(const std::string& path, bool json) {
  KBCFile file;
  std::string problem = FileProblem(path);
  if (problem.empty() && !file.Load(path)) problem = "not a boundary-condition file";
  if (!problem.empty()) {
    return FailWith("bc", "cannot read the boundary-condition file " + path + ": " + problem);
  }
  const auto axes = file.GetLocalAxes();
  // The file names no local axes when the library finds none of the three node numbers.
  const bool hasAxes = axes[0] != -1 || axes[1] != -1 || axes[2] != -1;
  const bool structural = file.HasStructuralLoads() != 0;
  const std::string model = file.GetModel();
  if (json) {
    nlohmann::json sections = nlohmann::json::array();
    for (const auto& section : file.sections) {
      sections.push_back({{"name", section->name},
                          {"argument", section->argument},
                          {"entries", section->entries.size()}});
    }
    nlohmann::json localAxes = nullptr;
    if (hasAxes) localAxes = {axes[0], axes[1], axes[2]};
    PrintJson({{"path", path},
               {"modelPath", JsonTextOrNull(!model.empty(), model)},
               {"sections", sections},
               {"localAxes", localAxes},
               {"structuralLoads", structural}});
    return kExitOk;
  }
  const auto axisText = [](int32_t axis) {
    return axis == -1 ? std::string("-") : std::to_string(axis);
  };
  PrintLine("path:             " + EscapeText(path));
  PrintLine("model:            " + (model.empty() ? std::string("none") : EscapeText(model)));
  PrintLine("local axes:       " +
            (hasAxes ? axisText(axes[0]) + " " + axisText(axes[1]) + " " + axisText(axes[2])
                     : std::string("none")));
  PrintLine(std::string("structural loads: ") + (structural ? "yes" : "no"));
  TextTable table({"SECTION", "ARGUMENT", "ENTRIES"});
  for (const auto& section : file.sections) {
    table.AddRow({section->name, section->argument.empty() ? "-" : section->argument,
                  std::to_string(section->entries.size())});
  }
  table.Print();
  return kExitOk;
}

CommandRun SetUp(CLI::App& app) {
  auto* command = app.add_subcommand(
      "bc", "Show a boundary-condition file: its model, sections with entry counts and local axes");
  auto path = std::make_shared<std::string>();
  auto json = std::make_shared<bool>(false);
  command->add_option("FILE", *path, "Boundary-condition file (.bf3, .bc2, .bc3, .exl)")
      ->required();
  command->add_flag("--json", *json, "Print a JSON object instead of text");
  return [path, json]() { return ShowBoundaryConditions(*path, *json); };
}

const CommandRegistration registration{"bc", SetUp};

}  // namespace
}  // namespace ktpm::tool
