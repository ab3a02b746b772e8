// Reading and writing a 100,000-line keyword file, beside a plain line-by-line read of the same
// file, so that the cost of parsing and indexing can be read off as a ratio.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include <ktpm/keyword/KKeywordFile.h>

namespace {

constexpr int kLineCount = 100000;

// A scratch directory holding the generated file; removed at exit.
class BenchFiles {
 public:
  BenchFiles() {
    m_directory = std::filesystem::temp_directory_path() /
                  ("ktpm-keyword-bench-" + std::to_string(std::random_device()()));
    std::filesystem::create_directories(m_directory);
    m_input = (m_directory / "input.kwd").string();
    m_output = (m_directory / "output.kwd").string();
    Generate();
  }
  ~BenchFiles() {
    std::error_code ignored;
    std::filesystem::remove_all(m_directory, ignored);
  }

  const std::string& Input() const { return m_input; }
  const std::string& Output() const { return m_output; }
  std::int64_t InputSize() const { return static_cast<std::int64_t>(m_size); }

 private:
  // Keywords and values of the lengths analysis inputs have, with a comment now and then, an
  // unset entry and a continued value.
  void Generate() {
    static const char* const kGroups[] = {"3DFLOW_", "3DCOOL_", "3DSTRUCT_", "MATERIAL_", "TRANS_"};
    std::ofstream out(m_input, std::ios::binary);
    for (int i = 0; i < kLineCount; ++i) {
      std::string line;
      if (i % 50 == 0) {
        line = "# section " + std::to_string(i / 50);
      } else if (i % 97 == 0) {
        line = "UNSET_SETTING_" + std::to_string(i) + ": -16384";
      } else if (i % 89 == 0) {
        line = "NOTE_" + std::to_string(i) + ": first part of a long note \\";
      } else {
        line = std::string(kGroups[i % 5]) + "SETTING_NUMBER_" + std::to_string(i) + ": " +
               std::to_string(i * 37 % 1000) + ".25 " + std::to_string(i % 7) + " mm";
      }
      out << line << '\n';
      m_size += line.size() + 1;
    }
  }

  std::filesystem::path m_directory;
  std::string m_input;
  std::string m_output;
  std::size_t m_size = 0;
};

BenchFiles& Files() {
  static BenchFiles files;
  return files;
}

void BM_PlainGetline(benchmark::State& state) {
  for (auto _ : state) {
    std::ifstream in(Files().Input(), std::ios::binary);
    std::string line;
    std::size_t lines = 0;
    while (std::getline(in, line)) ++lines;
    benchmark::DoNotOptimize(lines);
  }
  state.SetBytesProcessed(state.iterations() * Files().InputSize());
}
BENCHMARK(BM_PlainGetline);

void BM_PlainFgets(benchmark::State& state) {
  for (auto _ : state) {
    std::FILE* file = std::fopen(Files().Input().c_str(), "r");
    char buffer[4096];
    std::size_t lines = 0;
    while (std::fgets(buffer, sizeof buffer, file) != nullptr) ++lines;
    std::fclose(file);
    benchmark::DoNotOptimize(lines);
  }
  state.SetBytesProcessed(state.iterations() * Files().InputSize());
}
BENCHMARK(BM_PlainFgets);

void BM_KeywordLoad(benchmark::State& state) {
  for (auto _ : state) {
    KKeywordFile keywords;
    keywords.Load(Files().Input());
    benchmark::DoNotOptimize(keywords.HasKeyword("3DFLOW_SETTING_NUMBER_1"));
  }
  state.SetBytesProcessed(state.iterations() * Files().InputSize());
}
BENCHMARK(BM_KeywordLoad);

void BM_KeywordSave(benchmark::State& state) {
  KKeywordFile keywords;
  keywords.Load(Files().Input());
  std::int64_t written = 0;
  for (auto _ : state) {
    if (keywords.Save(Files().Output()) != 1) state.SkipWithError("Save failed");
  }
  written = static_cast<std::int64_t>(std::filesystem::file_size(Files().Output()));
  state.SetBytesProcessed(state.iterations() * written);
}
BENCHMARK(BM_KeywordSave);

void BM_KeywordLookup(benchmark::State& state) {
  KKeywordFile keywords;
  keywords.Load(Files().Input());
  int i = 1;
  for (auto _ : state) {
    std::string keyword = "3DFLOW_SETTING_NUMBER_" + std::to_string(i);
    benchmark::DoNotOptimize(keywords.GetValue(keyword));
    i = (i + 5) % kLineCount;
  }
}
BENCHMARK(BM_KeywordLookup);

}  // namespace
