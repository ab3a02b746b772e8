// ktpm model FILE: the header lines of a mesh model file as the project reads them: model type,
// cavity model, UNV source and whether the mesh is a mould mesh.
#include "Command.h"
#include "Input.h"
#include "Output.h"

#include <ktpm/mesh/KModelFile.h>

namespace ktpm::tool {
namespace {

int ShowModel(const std::string& path, bool json) {
  std::string problem = FileProblem(path);
  KModelFile model(problem.empty() ? path : std::string());
  if (problem.empty() && model.path.empty()) problem = "it does not open";
  if (!problem.empty()) {
    return FailWith("model", "cannot read the model file " + path + ": " + problem);
  }
  std::string cavity, unvSource;
  const bool hasCavity = model.GetCavityModel(cavity) != 0;
  const bool hasUnvSource = model.GetUnvSource(unvSource) != 0;
  const std::string type = KModelFile::MeshModelTypeText(model.GetMeshModelType());
  const bool mold = model.IsMoldMesh() != 0;
  if (json) {
    PrintJson({{"path", path},
               {"modelType", type},
               {"cavityModelPath", JsonTextOrNull(hasCavity, cavity)},
               {"unvSource", JsonTextOrNull(hasUnvSource, unvSource)},
               {"moldMesh", mold}});
    return kExitOk;
  }
  PrintLine("path:         " + EscapeText(path));
  PrintLine("model type:   " + EscapeText(type));
  PrintLine("cavity model: " + (hasCavity ? EscapeText(cavity) : std::string("none")));
  PrintLine("UNV source:   " + (hasUnvSource ? EscapeText(unvSource) : std::string("none")));
  PrintLine(std::string("mould mesh:   ") + (mold ? "yes" : "no"));
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
  command->add_flag("--json", *json, "Print a JSON object instead of text");
  return [path, json]() { return ShowModel(*path, *json); };
}

const CommandRegistration registration{"model", SetUp};

}  // namespace
}  // namespace ktpm::tool
