// ktpm tree DIR: builds a project's tree as the application would and prints it, in inspection
// mode: the build writes, creates, deletes and write-protects nothing.
#include "Command.h"
#include "Input.h"
#include "Output.h"
#include "TreePrinter.h"

#include <ktpm/projtree/KProjectTree.h>

namespace ktpm::tool {
namespace {

int ShowTree(const std::string& directory, const TreePrintOptions& options) {
  const std::string problem = DirectoryProblem(directory);
  if (!problem.empty()) {
    return FailWith("tree", "cannot read the directory " + directory + ": " + problem);
  }
  BuildProgressSink progress;
  KProjectTree tree;
  tree.SetInspectionMode(1);
  tree.SetDiagnosticHandler(DiagnosticPrinter());
  tree.RegisterNotifySink(&progress);
  tree.Open(AbsolutePath(directory));
  {
    auto lock = tree.LockTree();
    PrintTree(tree.GetRootNode(), directory, options);
  }
  tree.Close();
  tree.UnregisterNotifySink(&progress);
  ClearStatusLine();
  return kExitOk;
}

CommandRun SetUp(CLI::App& app) {
  auto* command = app.add_subcommand(
      "tree",
      "Build a project directory's tree as the application does and print it: one row a node "
      "(label, kind, state, main file). Inspects only: unlike opening the project in the "
      "application (see `ktpm watch`), it writes, creates, deletes and write-protects nothing.");
  auto directory = std::make_shared<std::string>();
  auto options = std::make_shared<TreePrintOptions>();
  command->add_option("DIR", *directory, "Project directory")->required();
  command->add_flag("--files", options->withFiles, "Also print each node's files");
  command->add_flag("--json", options->json,
                    "Print the tree as one JSON object (with every node's files)");
  return [directory, options]() { return ShowTree(*directory, *options); };
}

const CommandRegistration registration{"tree", SetUp};

}  // namespace
}  // namespace ktpm::tool
