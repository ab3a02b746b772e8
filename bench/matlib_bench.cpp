// Searching the material database and writing material files, on generated databases of
// 1,000 and 100,000 grades: the time of one call at each size shows how searches scale.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include <ktpm/matlib/KMatSearch.h>
#include <ktpm/matlib/MaterialSchema.h>

namespace {

using ktpm::detail::SqlConnection;
using ktpm::detail::SqlStatement;

constexpr const char* kFamilies[] = {"PP", "ABS",  "PC",   "PC/ABS", "PA6", "PA66", "POM", "PBT",
                                     "PS", "HDPE", "LDPE", "PMMA",   "PPS", "EP",   "PF"};
constexpr int kFamilyCount = sizeof kFamilies / sizeof kFamilies[0];
// The grade every benchmark asks for; it exists in databases of every size.
constexpr int kProbe = 500;

// A made-up word of two to four syllables, different for every n below 8^4 * 4.
std::string Word(unsigned n) {
  static const char* const kSyllables[] = {"ka", "lor", "ve", "tan", "mi", "rex", "do", "sul"};
  std::string word;
  const unsigned syllables = 2 + n % 3;
  n /= 3;
  for (unsigned i = 0; i < syllables; ++i, n /= 8) word += kSyllables[(n + i * 5) % 8];
  word[0] = static_cast<char>(word[0] - 'a' + 'A');
  return word;
}

// Names as a large commercial database spreads them: 400 suppliers, 2,503 trade-name families,
// grade codes of four digits with a filler suffix.
std::string SupplierName(int i) { return Word(7u * static_cast<unsigned>(i % 400)) + " Polymers"; }
std::string TradeName(int i) {
  return Word(11u * static_cast<unsigned>(i % 2503) + 3) + "on " +
         std::to_string(1000 + (i * 7919) % 9000);
}
std::string GradeName(int i) {
  return TradeName(i) + (i % 3 == 0 ? " GF30" : "") + " #" + std::to_string(i);
}

bool Generate(const std::string& path, int grades) {
  sqlite3* handle = nullptr;
  sqlite3_open(path.c_str(), &handle);
  SqlConnection db(handle);
  if (!db.Execute("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; BEGIN") ||
      !ktpm::detail::ApplyMaterialSchema(db, nullptr) ||
      !db.Execute("INSERT INTO databases VALUES (1, 'THERMOPLASTIC', ''), (2, 'THERMOSET', ''), "
                  "(3, 'USER', '')")) {
    return false;
  }
  SqlStatement material(db,
                        "INSERT INTO materials (id, database_id, supplier, grade, manufacturer, "
                        "trade_name, family, filler) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
  SqlStatement keyword(db, "INSERT INTO material_keywords VALUES (?1, ?2, ?3, ?4)");
  const char* temperatures[] = {"MATERIAL_RECOMMENDED_MELT_TEMPERATURE_DEFAULT",
                                "MATERIAL_RECOMMENDED_MELT_TEMPERATURE_MINIMUM",
                                "MATERIAL_RECOMMENDED_MELT_TEMPERATURE_MAXIMUM",
                                "MATERIAL_RECOMMENDED_MOLD_TEMPERATURE_DEFAULT",
                                "MATERIAL_RECOMMENDED_MOLD_TEMPERATURE_MINIMUM",
                                "MATERIAL_RECOMMENDED_MOLD_TEMPERATURE_MAXIMUM"};
  for (int i = 1; i <= grades; ++i) {
    const char* family = kFamilies[i % kFamilyCount];
    const bool thermoset = family[0] == 'E' || (family[0] == 'P' && family[1] == 'F');
    material.Bind(1, int64_t{i});
    material.Bind(2, int64_t{thermoset ? 2 : 1});
    material.Bind(3, SupplierName(i));
    material.Bind(4, GradeName(i));
    material.Bind(5, SupplierName(i / 3));
    material.Bind(6, TradeName(i));
    material.Bind(7, std::string(family));
    material.Bind(8, std::string(i % 3 == 0 ? "Glass fibre 30%" : ""));
    if (!material.Run()) return false;
    for (int k = 0; k < 6; ++k) {
      keyword.Bind(1, int64_t{i});
      keyword.Bind(2, int64_t{k + 1});
      keyword.Bind(3, std::string(temperatures[k]));
      keyword.Bind(4, std::to_string(200 + (i + k * 7) % 100));
      if (!keyword.Run()) return false;
      keyword.Reset();
    }
    material.Reset();
  }
  // A database built in bulk has its text index merged into one segment, as a shipped one would.
  return db.Execute("COMMIT; INSERT INTO material_text(material_text) VALUES ('optimize')");
}

// The generated databases of this run, removed when the program ends.
class GeneratedDatabases {
 public:
  ~GeneratedDatabases() {
    std::error_code ignored;
    std::filesystem::remove_all(m_dir, ignored);
  }
  const std::string& Path(int grades) {
    auto found = m_paths.find(grades);
    if (found != m_paths.end()) return found->second;
    std::filesystem::create_directories(m_dir);
    std::string path = (m_dir / ("materials-" + std::to_string(grades) + ".db")).string();
    std::filesystem::remove(path);
    if (!Generate(path, grades)) std::fprintf(stderr, "cannot generate %s\n", path.c_str());
    return m_paths[grades] = path;
  }

 private:
  std::filesystem::path m_dir = std::filesystem::temp_directory_path() / "ktpm-matlib-bench";
  std::map<int, std::string> m_paths;
};

GeneratedDatabases& Databases() {
  static GeneratedDatabases databases;
  return databases;
}

void UseDatabase(benchmark::State& state) {
  KMatSearch::SetDatabasePath(Databases().Path(static_cast<int>(state.range(0))));
}

void RunSearch(benchmark::State& state, std::initializer_list<KSearchRule> rules, int limit,
               size_t expected) {
  UseDatabase(state);
  KMatSearch search;
  for (const auto& rule : rules) search.AddRule(rule);
  if (search.Find(limit).size() != expected) {
    state.SkipWithError(("unexpected result: " + search.GetLastError()).c_str());
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(search.Find(limit));
}

void BM_FindSupplierAndGrade(benchmark::State& state) {
  RunSearch(state,
            {{"SUPPLIER", "EQUALS", SupplierName(kProbe)}, {"GRADE", "EQUALS", GradeName(kProbe)}},
            0, 1);
}

void BM_FindFamilyFirst50(benchmark::State& state) {
  RunSearch(state, {{"FAMILY", "EQUALS", "pa66"}}, 50, 50);
}

void BM_FindTradeNameContains(benchmark::State& state) {
  // The part of the trade name after its first letter: found inside the name, not at its start.
  RunSearch(state, {{"TRADE_NAME", "CONTAINS", TradeName(kProbe).substr(1)}}, 0, 1);
}

void BM_FindAnyFieldContains(benchmark::State& state) {
  RunSearch(state, {{"ANY", "CONTAINS", GradeName(kProbe).substr(2)}}, 0, 1);
}

// Two characters are too short for the text index: a scan of every grade.
void BM_FindShortTextScan(benchmark::State& state) {
  RunSearch(state, {{"GRADE", "CONTAINS", "x1"}}, 0, 0);
}

void BM_WriteMatKeywordFile(benchmark::State& state) {
  UseDatabase(state);
  const std::string file =
      (std::filesystem::temp_directory_path() / "ktpm-matlib-bench-part.md3").string();
  KMatSearch material;
  material.SetDatabase(material.GetDBKeywordValue("THERMOPLASTIC"));
  material.SetSupplier(SupplierName(kProbe));
  material.SetGrade(GradeName(kProbe));
  if (material.WriteMatKeywordFile(file, "part.ktl") == 0) {
    state.SkipWithError(("cannot write: " + material.GetLastError()).c_str());
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(material.WriteMatKeywordFile(file, "part.ktl"));
  std::remove(file.c_str());
}

BENCHMARK(BM_FindSupplierAndGrade)->Arg(1000)->Arg(100000);
BENCHMARK(BM_FindFamilyFirst50)->Arg(1000)->Arg(100000);
BENCHMARK(BM_FindTradeNameContains)->Arg(1000)->Arg(100000);
BENCHMARK(BM_FindAnyFieldContains)->Arg(1000)->Arg(100000);
BENCHMARK(BM_FindShortTextScan)->Arg(1000)->Arg(100000);
BENCHMARK(BM_WriteMatKeywordFile)->Arg(1000)->Arg(100000);

}  // namespace
