// The command table: registration, the command line and the end of every run.
#include <exception>
#include <map>
#include <string>

#include "Command.h"
#include "Output.h"

#include <ktpm/version.h>

namespace ktpm::tool {
namespace {

// Options a group declares are accepted after any of its sub-commands as well.
void FallThroughToGroups(CLI::App& app) {
  for (CLI::App* sub : app.get_subcommands({})) {
    sub->fallthrough();
    FallThroughToGroups(*sub);
  }
}

// The first word of the command line that is not an option, when no command has that name.
std::string UnknownCommand(CLI::App& app, int argc, const char* const* argv) {
  for (int index = 1; index < argc; ++index) {
    const std::string word = argv[index];
    if (word.empty() || word[0] == '-') continue;
    for (const CLI::App* sub : app.get_subcommands({})) {
      if (sub->check_name(word)) return {};
    }
    return word;
  }
  return {};
}

}  // namespace

std::vector<RegisteredCommand>& RegisteredCommands() {
  static std::vector<RegisteredCommand> commands;
  return commands;
}

CommandRegistration::CommandRegistration(std::string name, CommandSetup setup) {
  RegisteredCommands().push_back({std::move(name), std::move(setup)});
}

int RunCommandLine(int argc, const char* const* argv) {
  CLI::App app{"ktpm: lists, shows and drives injection-moulding simulation projects"};
  app.require_subcommand(1);
  app.set_version_flag("--version", "ktpm " KTPM_VERSION_STRING);
  std::map<CLI::App*, CommandRun> runs;
  for (auto& command : RegisteredCommands()) {
    const auto before = app.get_subcommands({}).size();
    CommandRun run = command.setup(app);
    const auto subcommands = app.get_subcommands({});
    if (subcommands.size() > before) runs[subcommands.back()] = run;
  }
  FallThroughToGroups(app);
  const std::string unknown = UnknownCommand(app, argc, argv);
  if (!unknown.empty()) {
    PrintError("", "unknown command \"" + unknown + "\" (ktpm --help lists the commands)");
    return kExitUsage;
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
    if (it == runs.end() || !it->second) continue;
    const std::string name = sub->get_name();
    int status = kExitFailure;
    try {
      status = it->second();
    } catch (const std::exception& e) {
      status = FailWith(name, e.what());
    }
    return FinishStdout(name, status);
  }
  return kExitUsage;
}

}  // namespace ktpm::tool
