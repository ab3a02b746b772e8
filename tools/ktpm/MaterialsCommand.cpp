// ktpm materials search|show|import|remove|export|rebuild: the material database from the
// command line. The JSON each prints is described in docs/ktpm-output.md.
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "Command.h"
#include "Output.h"

#include <ktpm/matlib/KMatSearch.h>
#include <ktpm/matlib/MaterialBundle.h>
#include <ktpm/matlib/MaterialDatabaseSession.h>

namespace ktpm::tool {
namespace {

using ktpm::detail::MaterialDatabase;
using ktpm::detail::MaterialEntry;

// Options of the group, shared by every sub-command.
struct MaterialsOptions {
  std::string database;
  bool json = false;
};

// The search filters: free text found in any name field, and one value per field.
struct SearchOptions {
  std::string text;
  std::string supplier, grade, manufacturer, tradeName, family, databaseType;
  int limit = 100;
};

// The arguments of the other sub-commands.
struct TargetOptions {
  int id = 0;
  std::vector<int> ids;
  std::string file;
  std::string output;
};

nlohmann::json ToJson(const KMaterialRecord& record) {
  return {{"id", record.id},
          {"database", record.database},
          {"databaseType", record.databaseType},
          {"supplier", record.supplier},
          {"grade", record.grade},
          {"manufacturer", record.manufacturer},
          {"tradeName", record.tradeName},
          {"family", record.family}};
}

nlohmann::json ToJson(const std::vector<KMaterialRecord>& records) {
  nlohmann::json all = nlohmann::json::array();
  for (const auto& record : records) all.push_back(ToJson(record));
  return all;
}

// "<id> (<supplier>, <grade>)", escaped for one line of text.
std::string Named(const KMaterialRecord& record) {
  return std::to_string(record.id) + " (" + EscapeText(record.supplier) + ", " +
         EscapeText(record.grade) + ")";
}

std::string Command(const std::string& name) { return "materials " + name; }

void UseDatabase(const MaterialsOptions& options) {
  if (!options.database.empty()) KMatSearch::SetDatabasePath(options.database);
}

// Runs use with the database in use; false after printing the reason.
bool WithDatabase(const std::string& name, const std::function<bool(MaterialDatabase&)>& use) {
  std::string error;
  if (ktpm::detail::UseMaterialDatabase(use, &error)) return true;
  PrintError(Command(name), error);
  return false;
}

int RunSearch(const MaterialsOptions& options, const SearchOptions& search) {
  UseDatabase(options);
  KMatSearch material;
  if (!search.text.empty()) material.AddRule({"ANY", "CONTAINS", search.text});
  const std::pair<const char*, const std::string*> fields[] = {
      {"SUPPLIER", &search.supplier},
      {"GRADE", &search.grade},
      {"MANUFACTURER", &search.manufacturer},
      {"TRADE_NAME", &search.tradeName},
      {"FAMILY", &search.family},
      {"DATABASE_TYPE", &search.databaseType}};
  for (const auto& [field, value] : fields) {
    if (!value->empty()) material.AddRule({field, "EQUALS", *value});
  }
  const std::vector<KMaterialRecord> found = material.Find(search.limit);
  if (!material.GetLastError().empty()) return FailWith(Command("search"), material.GetLastError());
  if (options.json) {
    PrintJson(ToJson(found));
    return kExitOk;
  }
  for (const auto& record : found) {
    std::cout << record.id << "\t" << EscapeText(record.databaseType) << "\t"
              << EscapeText(record.supplier) << "\t" << EscapeText(record.grade) << "\t"
              << EscapeText(record.manufacturer) << "\t" << EscapeText(record.tradeName) << "\t"
              << EscapeText(record.family) << "\n";
  }
  return kExitOk;
}

int RunShow(const MaterialsOptions& options, int id) {
  UseDatabase(options);
  KMatSearch material;
  KMaterialRecord record;
  if (material.GetMaterial(id, record) == 0)
    return FailWith(Command("show"), material.GetLastError());
  const auto keywords = material.GetMaterialKeywords(id);
  if (options.json) {
    nlohmann::json shown = ToJson(record);
    shown["keywords"] = nlohmann::json::array();
    for (const auto& [keyword, value] : keywords) {
      shown["keywords"].push_back({{"keyword", keyword}, {"value", value}});
    }
    PrintJson(shown);
    return kExitOk;
  }
  for (const auto& [keyword, value] : keywords) {
    std::cout << EscapeText(keyword) << ": " << EscapeText(value) << "\n";
  }
  return kExitOk;
}

int RunImport(const MaterialsOptions& options, const std::string& file) {
  UseDatabase(options);
  std::vector<MaterialEntry> entries;
  std::string error;
  if (!ktpm::detail::ReadMaterialsToImport(file, entries, &error)) {
    return FailWith(Command("import"), error);
  }
  std::vector<KMaterialRecord> imported;
  const bool stored = WithDatabase("import", [&](MaterialDatabase& database) {
    std::vector<int> ids;
    if (!database.StoreUserMaterials(entries, false, ids)) return false;
    for (const int id : ids) {
      MaterialEntry entry;
      if (!database.ReadMaterial(id, entry)) return false;
      imported.push_back(entry.record);
    }
    return true;
  });
  if (!stored) return kExitFailure;
  if (options.json) {
    PrintJson({{"path", file}, {"imported", ToJson(imported)}});
    return kExitOk;
  }
  for (const auto& record : imported) {
    std::cout << "imported " << EscapeText(file) << " as material " << Named(record) << " ["
              << EscapeText(record.databaseType) << "]\n";
  }
  return kExitOk;
}

int RunRemove(const MaterialsOptions& options, const std::vector<int>& ids) {
  UseDatabase(options);
  std::vector<KMaterialRecord> removed;
  if (!WithDatabase("remove", [&](MaterialDatabase& database) {
        return database.RemoveUserMaterials(ids, removed);
      })) {
    return kExitFailure;
  }
  if (options.json) {
    PrintJson({{"removed", ToJson(removed)}});
    return kExitOk;
  }
  for (const auto& record : removed) std::cout << "removed material " << Named(record) << "\n";
  return kExitOk;
}

int RunExport(const MaterialsOptions& options, const std::string& output) {
  if (options.json && output.empty()) {
    PrintError(Command("export"), "--json needs --output FILE: the grades themselves go to stdout");
    return kExitUsage;
  }
  UseDatabase(options);
  std::vector<MaterialEntry> entries;
  if (!WithDatabase("export", [&](MaterialDatabase& database) {
        return database.ReadUserMaterials(entries);
      })) {
    return kExitFailure;
  }
  const std::string text = ktpm::detail::FormatMaterialBundle(entries);
  if (output.empty()) {
    std::cout << text;
    return kExitOk;
  }
  std::string error;
  if (!ktpm::detail::WriteFileReplacing(output, text, &error)) {
    return FailWith(Command("export"), error);
  }
  std::vector<KMaterialRecord> exported;
  for (const auto& entry : entries) exported.push_back(entry.record);
  if (options.json) {
    PrintJson({{"path", output}, {"exported", ToJson(exported)}});
  } else {
    std::cout << "exported " << exported.size()
              << (exported.size() == 1 ? " user grade" : " user grades") << " to "
              << EscapeText(output) << "\n";
  }
  return kExitOk;
}

int RunRebuild(const MaterialsOptions& options) {
  if (!options.database.empty()) {
    PrintError(Command("rebuild"),
               "rebuild makes the default material database anew; it takes no --db");
    return kExitUsage;
  }
  ktpm::detail::MaterialRebuild outcome;
  std::string error;
  if (!ktpm::detail::RebuildDefaultMaterialDatabase(outcome, &error)) {
    return FailWith(Command("rebuild"), error);
  }
  if (options.json) {
    PrintJson({{"path", outcome.path},
               {"keptUserGrades", outcome.keptUserGrades},
               {"movedAsidePath", JsonTextOrNull(!outcome.movedTo.empty(), outcome.movedTo)}});
    return kExitOk;
  }
  std::cout << "rebuilt " << EscapeText(outcome.path) << " from the seed";
  if (outcome.hadOldFile && outcome.movedTo.empty()) {
    std::cout << ", keeping " << outcome.keptUserGrades
              << (outcome.keptUserGrades == 1 ? " user grade" : " user grades");
  }
  std::cout << "\n";
  if (!outcome.movedTo.empty()) {
    std::cout << "the unreadable old file is kept as " << EscapeText(outcome.movedTo)
              << "; its user grades are not in the new database\n";
  }
  return kExitOk;
}

CommandRun SetUp(CLI::App& app) {
  auto* materials = app.add_subcommand(
      "materials",
      "Search the material database, show a grade's material keywords, import, remove and "
      "export user grades, rebuild the default database");
  materials->require_subcommand(1);
  auto options = std::make_shared<MaterialsOptions>();
  auto search = std::make_shared<SearchOptions>();
  auto target = std::make_shared<TargetOptions>();
  auto run = std::make_shared<CommandRun>();
  materials->add_option("--db", options->database,
                        "Material database file to use instead of the configured one");
  materials->add_flag("--json", options->json, "Print JSON instead of text");

  auto* searchCommand = materials->add_subcommand(
      "search", "List the grades whose names contain TEXT and that match every filter given");
  searchCommand->add_option("TEXT", search->text,
                            "Text found in the supplier, grade, manufacturer, trade name or "
                            "family (any letter case)");
  searchCommand->add_option("--supplier", search->supplier, "Supplier, exactly (any case)");
  searchCommand->add_option("--grade", search->grade, "Grade, exactly (any case)");
  searchCommand->add_option("--manufacturer", search->manufacturer, "Manufacturer, exactly");
  searchCommand->add_option("--trade-name", search->tradeName, "Trade name, exactly");
  searchCommand->add_option("--family", search->family, "Family such as PP or PA66, exactly");
  searchCommand->add_option("--database-type", search->databaseType,
                            "Database type such as THERMOPLASTIC or USER, exactly");
  searchCommand->add_option("--limit", search->limit, "At most this many grades; 0 for all")
      ->check(CLI::Range(0, 1000000000))
      ->capture_default_str();
  searchCommand->callback([=] { *run = [=] { return RunSearch(*options, *search); }; });

  auto* showCommand =
      materials->add_subcommand("show", "Print the material keywords of the grade with id ID");
  showCommand->add_option("ID", target->id, "Grade id, as search prints it")->required();
  showCommand->callback([=] { *run = [=] { return RunShow(*options, target->id); }; });

  auto* importCommand = materials->add_subcommand(
      "import",
      "Add the grade of a material keyword file, or every grade of an export file, to the user "
      "database (a user grade of the same supplier and grade is replaced)");
  importCommand->add_option("FILE", target->file, "Material keyword file or export file")
      ->required();
  importCommand->callback([=] { *run = [=] { return RunImport(*options, target->file); }; });

  auto* removeCommand = materials->add_subcommand(
      "remove", "Remove user grades with their keywords (the seed's grades cannot be removed)");
  removeCommand->add_option("ID", target->ids, "Grade ids, as search prints them")->required();
  removeCommand->callback([=] { *run = [=] { return RunRemove(*options, target->ids); }; });

  auto* exportCommand = materials->add_subcommand(
      "export", "Write every user grade in the form import reads back, to stdout or a file");
  exportCommand->add_option("-o,--output", target->output,
                            "File to write (replaced whole) instead of stdout");
  exportCommand->callback([=] { *run = [=] { return RunExport(*options, target->output); }; });

  auto* rebuildCommand = materials->add_subcommand(
      "rebuild",
      "Build the default material database anew from the seed, keeping its user grades when "
      "the old file can still be read (an unreadable one is kept aside as <name>.corrupt-<n>)");
  rebuildCommand->callback([=] { *run = [=] { return RunRebuild(*options); }; });

  return [run] { return *run ? (*run)() : kExitUsage; };
}

const CommandRegistration registration{"materials", SetUp};

}  // namespace
}  // namespace ktpm::tool
