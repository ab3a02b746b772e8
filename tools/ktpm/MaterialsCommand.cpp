// ktpm materials search|show|import: the material database from the command line.
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>

#include "Command.h"

#include <ktpm/matlib/KMatSearch.h>

namespace ktpm::tool {
namespace {

// Options shared by the three sub-commands.
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

void PrintLine(const KMaterialRecord& record) {
  std::cout << record.id << "\t" << record.databaseType << "\t" << record.supplier << "\t"
            << record.grade << "\t" << record.manufacturer << "\t" << record.tradeName << "\t"
            << record.family << "\n";
}

int Failure(const std::string& what, const KMatSearch& material) {
  std::cerr << "ktpm materials " << what << ": " << material.GetLastError() << "\n";
  return kExitFailure;
}

void UseDatabase(const MaterialsOptions& options) {
  if (!options.database.empty()) KMatSearch::SetDatabasePath(options.database);
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
  if (!material.GetLastError().empty()) return Failure("search", material);
  if (options.json) {
    nlohmann::json all = nlohmann::json::array();
    for (const auto& record : found) all.push_back(ToJson(record));
    std::cout << all.dump(2) << "\n";
  } else {
    for (const auto& record : found) PrintLine(record);
  }
  return kExitOk;
}

int RunShow(const MaterialsOptions& options, int id) {
  UseDatabase(options);
  KMatSearch material;
  KMaterialRecord record;
  if (material.GetMaterial(id, record) == 0) return Failure("show", material);
  const auto keywords = material.GetMaterialKeywords(id);
  if (options.json) {
    nlohmann::json shown = ToJson(record);
    shown["keywords"] = nlohmann::json::array();
    for (const auto& [keyword, value] : keywords) {
      shown["keywords"].push_back({{"keyword", keyword}, {"value", value}});
    }
    std::cout << shown.dump(2) << "\n";
  } else {
    for (const auto& [keyword, value] : keywords) std::cout << keyword << ": " << value << "\n";
  }
  return kExitOk;
}

int RunImport(const MaterialsOptions& options, const std::string& file) {
  UseDatabase(options);
  KMatSearch material;
  const int id = material.ImportMatKeywordFile(file);
  if (id == 0) return Failure("import", material);
  KMaterialRecord record;
  material.GetMaterial(id, record);
  if (options.json) {
    std::cout << ToJson(record).dump(2) << "\n";
  } else {
    std::cout << "imported " << file << " as material " << id << " (" << record.supplier << ", "
              << record.grade << ") [" << record.databaseType << "]\n";
  }
  return kExitOk;
}

void AddSharedOptions(CLI::App* command, MaterialsOptions& options) {
  command->add_option("--db", options.database,
                      "Material database file to use instead of the configured one");
  command->add_flag("--json", options.json, "Print JSON instead of text");
}

CommandRun SetUp(CLI::App& app) {
  auto* materials = app.add_subcommand("materials",
                                       "Search the material database, show a grade's material "
                                       "keywords and import material files as user grades");
  materials->require_subcommand(1);
  auto options = std::make_shared<MaterialsOptions>();
  auto search = std::make_shared<SearchOptions>();
  auto id = std::make_shared<int>(0);
  auto file = std::make_shared<std::string>();
  auto run = std::make_shared<CommandRun>();

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
                            "Database type such as THERMOPLASTIC, exactly");
  searchCommand->add_option("--limit", search->limit, "At most this many grades; 0 for all")
      ->check(CLI::Range(0, 1000000000))
      ->capture_default_str();
  AddSharedOptions(searchCommand, *options);
  searchCommand->callback([=] { *run = [=] { return RunSearch(*options, *search); }; });

  auto* showCommand =
      materials->add_subcommand("show", "Print the material keywords of the grade with id ID");
  showCommand->add_option("ID", *id, "Grade id, as search prints it")->required();
  AddSharedOptions(showCommand, *options);
  showCommand->callback([=] { *run = [=] { return RunShow(*options, *id); }; });

  auto* importCommand = materials->add_subcommand(
      "import", "Add the grade of a material keyword file to the user database");
  importCommand->add_option("FILE", *file, "Material keyword file")->required();
  AddSharedOptions(importCommand, *options);
  importCommand->callback([=] { *run = [=] { return RunImport(*options, *file); }; });

  return [run] { return *run ? (*run)() : kExitUsage; };
}

const CommandRegistration registration{"materials", SetUp};

}  // namespace
}  // namespace ktpm::tool
