#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Command.h"

namespace {

using ktpm::tool::CommandRegistration;
using ktpm::tool::CommandRun;
using ktpm::tool::RunCommandLine;

std::string g_database;
bool g_shown = false;

// A command group whose --db option its sub-command shares.
CommandRun SetUpGroup(CLI::App& app) {
  auto* group = app.add_subcommand("group", "A command group");
  group->require_subcommand(1);
  group->add_option("--db", g_database, "Database");
  group->add_subcommand("show", "Show")->callback([] { g_shown = true; });
  return [] { return g_shown ? 0 : 1; };
}

const CommandRegistration registration{"group", SetUpGroup};

TEST(CommandTable, GroupOptionsAreAcceptedBeforeAndAfterTheSubCommand) {
  const std::vector<std::vector<const char*>> commandLines = {
      {"ktpm", "group", "--db", "x.db", "show"}, {"ktpm", "group", "show", "--db", "x.db"}};
  for (const auto& argv : commandLines) {
    g_database.clear();
    g_shown = false;
    EXPECT_EQ(RunCommandLine(static_cast<int>(argv.size()), argv.data()), 0);
    EXPECT_EQ(g_database, "x.db");
  }
}

}  // namespace
