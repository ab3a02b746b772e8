// ktpm model FILE: the header lines of a mesh model file as the project reads them: model type,
// cavity model, UNV source and whether the mesh is a mould mesh.
#include <iostream>
#include <nlohmann/json.hpp>

#include "Command.h"

#include <ktpm/mesh/KModelFile.h>

namespace ktpm::tool {
namespace {

nlohmann::json OptionalText(int found, const std::string& text) {
  return found ? nlohmann::json(text) : nlohmann::json(nullptr);
}

int ShowModel(const std::string& path, bool json) {
  KModelFile model(path);
  if (model.path.empty()) {
    std::cerr << "ktpm model: cannot read the model file " << path << "\n";
    return kExitFailure;
  }
  std::string cavity, unvSource;
  const int hasCavity = model.GetCavityModel(cavity);
  const int hasUnvSource = model.GetUnvSource(unvSource);
  const std::string type = KModelFile::MeshModelTypeText(model.GetMeshModelType());
  const bool mold = model.IsMoldMesh() != 0;
  if (json) {
    nlohmann::json out = {{"file", path},
                          {"modelType", type},
                          {"cavityModel", OptionalText(hasCavity, cavity)},
                          {"unvSource", OptionalText(hasUnvSource, unvSource)},
                          {"moldMesh", mold}};
    std::cout << out.dump(2) << "\n";
    return kExitOk;
  }
  std::cout << "file:         " << path << "\n"
            << "model type:   " << type << "\n"
            << "cavity model: " << (hasCavity ? cavity : "-") << "\n"
            << "UNV source:   " << (hasUnvSource ? unvSource : "-") << "\n"
            << "mould mesh:   " << (mold ? "yes" : "no") << "\n";
  return kExitOk;
}

CommandRun SetUp(CLI::App& app) {
  auto* command = app.add_subcommand(
      "model",
      "Show the header lines of a mesh model file: model type, cavity model, UNV source "
      "and mould flag");
  auto path = std::make_shared<std::string>();
  auto json = std::make_shared<bool>(false);
  command->add_option("FILE", *path, "Model file (.ktl)")->required();
  command->add_flag("--json", *json, "Print a JSON object instead of lines");
  return [path, json]() { return ShowModel(*path, *json); };
}

const CommandRegistration registration{"model", SetUp};

}  // namespace
}  // namespace ktpm::tool
