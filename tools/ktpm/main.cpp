// The ktpm program: shows and drives simulation projects from the command line.
#include <cstdio>
#include <iostream>
#include <map>

#include "Command.h"

namespace ktpm::tool {

std::vector<RegisteredCommand>& RegisteredCommands() {
  static std::vector<RegisteredCommand> commands;
  return commands;
}

CommandRegistration::CommandRegistration(std::string name, CommandSetup setup) {
  RegisteredCommands().push_back({std::move(name), std::move(setup)});
}

}  // namespace ktpm::tool

int main(int argc, char** argv) {
  using namespace ktpm::tool;
  CLI::App app{"ktpm: lists, shows and drives injection-moulding simulation projects"};
  app.require_subcommand(1);
  std::map<CLI::App*, CommandRun> runs;
  for (auto& command : RegisteredCommands()) {
    CLI::App* before = app.get_subcommands({}).empty() ? nullptr : app.get_subcommands({}).back();
    CommandRun run = command.setup(app);
    auto subcommands = app.get_subcommands({});
    if (!subcommands.empty() && subcommands.back() != before) runs[subcommands.back()] = run;
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForAllHelp& e) {
    return app.exit(e);
  } catch (const CLI::Success& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    app.exit(e);
    return kExitUsage;
  }
  for (CLI::App* sub : app.get_subcommands()) {
    auto it = runs.find(sub);
    if (it != runs.end() && it->second) {
      try {
        return it->second();
      } catch (const std::exception& e) {
        std::cerr << "ktpm: " << e.what() << "\n";
        return kExitFailure;
      }
    }
  }
  return kExitUsage;
}
