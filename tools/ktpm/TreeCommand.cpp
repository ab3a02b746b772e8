// ktpm tree DIR: opens a project as the application does and prints its tree.
#include <iostream>
#include <nlohmann/json.hpp>

#include "Command.h"
#include "TreePrinter.h"

#include <ktpm/platform/KFileEntry.h>
#include <ktpm/projtree/KProjectTree.h>

namespace ktpm::tool {
namespace {

CommandRun SetUp(CLI::App& app) {
  auto* command = app.add_subcommand(
      "tree",
      "Open a project directory and print its tree, one node a line: display label, kind and "
      "subtype, state and icon. Opening a project works as in the application: it may "
      "write-protect the files of analyses that have results or running jobs (and make others "
      "writable again), record facts in model, boundary-condition and input files (mesh model "
      "types, the mesh of a boundary condition, a material made from the material database), and "
      "write new material files.");
  auto directory = std::make_shared<std::string>();
  auto options = std::make_shared<TreePrintOptions>();
  command->add_option("DIR", *directory, "Project directory")->required();
  command->add_flag("--files", options->withFiles, "Also print each node's files");
  command->add_flag("--json", options->json, "Print the tree as JSON");
  return [directory, options]() {
    if (!KFileEntry(*directory).IsDirectory()) {
      std::cerr << "ktpm tree: not a directory: " << *directory << "\n";
      return kExitFailure;
    }
    KProjectTree tree;
    tree.Open(*directory);
    {
      auto lock = tree.LockTree();
      PrintTree(std::cout, tree.GetRootNode(), *options);
    }
    tree.Close();
    return kExitOk;
  };
}

const CommandRegistration registration{"tree", SetUp};

}  // namespace
}  // namespace ktpm::tool
