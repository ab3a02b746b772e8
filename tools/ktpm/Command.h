// The ktpm program's sub-command table.
//
// Each sub-command lives in its own file and registers itself at start-up with a static
// `CommandRegistration`: its set-up function adds a CLI11 sub-command to the application and
// returns the function that runs it once the arguments are parsed. Runs return the process exit
// status: 0 success, 1 the work failed (unreadable input and the like), 2 bad arguments.
//
// A command group (a command with sub-commands of its own, such as `materials`) adds the options
// its sub-commands share to the group itself, once: the table makes every sub-command fall
// through to its group, so `ktpm materials --db X search` and `ktpm materials search --db X` mean
// the same. Do not add the shared option to the sub-commands as well.
//
// The table, not the command, checks stdout once a run returns (see Output.h): a command prints
// to std::cout and its reasons for failing through PrintError/FailWith.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <string>
#include <vector>

namespace ktpm::tool {

using CommandRun = std::function<int()>;
using CommandSetup = std::function<CommandRun(CLI::App& app)>;

struct CommandRegistration {
  CommandRegistration(std::string name, CommandSetup setup);
};

struct RegisteredCommand {
  std::string name;
  CommandSetup setup;
};

// Every registered command in registration order (order of static initialisation).
std::vector<RegisteredCommand>& RegisteredCommands();

// Parses the command line against the registered commands and runs the one named; returns the
// exit status (2 for bad arguments and an unknown command, whose name it reports).
int RunCommandLine(int argc, const char* const* argv);

// Exit statuses shared by all commands.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

}  // namespace ktpm::tool
