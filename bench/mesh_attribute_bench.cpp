// Loading the attribute files of a large mesh (1.5 million entities, one million elements)
// against a plain pass that reads and tokenizes the same files: the load should be limited by
// reading and tokenizing, not by finding equal values.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>

#include <ktpm/mesh/KMeshAttributeSet.h>
#include <ktpm/mesh/TextTokens.h>
#include <ktpm/platform/MappedFile.h>

namespace {

constexpr int kNodes = 500'000;
constexpr int kElements = 1'000'000;

// The generated files; removed when the program ends.
struct MeshFiles {
  std::filesystem::path directory;
  std::string model, index, data;
  int64_t bytes = 0;

  ~MeshFiles() {
    std::error_code ignored;
    if (!directory.empty()) std::filesystem::remove_all(directory, ignored);
  }
};

// Writes one block and its index line; blocks start on fresh lines.
class BlockWriter {
 public:
  BlockWriter(std::ofstream& index, std::ofstream& data) : index_(index), data_(data) {}

  void Begin() {
    tokens_ = 0;
    firstLine_ = line_ + 1;
    pending_.clear();
  }
  void Token(const std::string& token) {
    if (!pending_.empty() && pending_.size() + token.size() > 120) EndLine();
    if (!pending_.empty()) pending_ += ' ';
    pending_ += token;
    ++tokens_;
  }
  void EndLine() {
    if (pending_.empty()) return;
    data_ << pending_ << '\n';
    pending_.clear();
    ++line_;
  }
  void End(const std::string& name, int entityClass, int form, int components, int kind) {
    EndLine();
    index_ << name << ' ' << entityClass << ' ' << firstLine_ << ' ' << tokens_ << ' ' << form
           << " 0 " << components << ' ' << kind << " 0.0\n";
  }

 private:
  std::ofstream& index_;
  std::ofstream& data_;
  std::string pending_;
  int64_t tokens_ = 0;
  int64_t firstLine_ = 1;
  int64_t line_ = 0;
};

void WriteMeshFiles(MeshFiles& files) {
  files.directory = std::filesystem::temp_directory_path() /
                    ("ktpm-attribute-bench-" + std::to_string(std::random_device()()));
  std::filesystem::create_directories(files.directory);
  files.model = (files.directory / "large.ktl").string();
  files.index = (files.directory / "large.ain").string();
  files.data = (files.directory / "large.ata").string();
  std::ofstream index(files.index), data(files.data);
  BlockWriter block(index, data);
  index << "ATTRIBUTE FILE\n";

  // Element regions, grouped by value: 100,000 distinct values of ten elements each.
  block.Begin();
  constexpr int kRegions = 100'000;
  for (int value = 0; value < kRegions; ++value) {
    block.Token(std::to_string(value));
    block.Token("-10");
    block.Token("0");
    for (int k = 0; k < 10; ++k) block.Token(std::to_string(kNodes + 1 + value + k * kRegions));
    block.EndLine();
  }
  block.End("REGION", 4, 1, 1, 0);

  // Element thickness pairs, grouped by value: 200,000 distinct pairs of five elements each.
  block.Begin();
  constexpr int kPairs = 200'000;
  for (int value = 0; value < kPairs; ++value) {
    block.Token(std::to_string(1.0 + value * 0.001));
    block.Token(std::to_string(2.0 + value % 97 * 0.01));
    block.Token("-5");
    block.Token("0");
    for (int k = 0; k < 5; ++k) block.Token(std::to_string(kNodes + 1 + value + k * kPairs));
    block.EndLine();
  }
  block.End("GPROP", 4, 1, 2, 1);

  // Element materials, one per element.
  block.Begin();
  block.Token(std::to_string(-(kNodes + 1)));
  for (int e = 0; e < kElements; ++e) block.Token(std::to_string(e % 13));
  block.End("MATERIAL", 4, 3, 1, 0);

  // Node properties of varying length, grouped by value, each over a range of nodes.
  block.Begin();
  for (int value = 0; value < 50'000; ++value) {
    int length = 1 + value % 4;
    block.Token(std::to_string(-length));
    for (int k = 0; k < length; ++k) block.Token(std::to_string(value + k));
    block.Token("0");
    block.Token("-1");
    block.Token(std::to_string(value * 10 + 1));
    block.Token(std::to_string(value * 10 + 10));
    block.EndLine();
  }
  block.End("SPROP", 1, 2, 1, 0);
  index.close();
  data.close();
  files.bytes = static_cast<int64_t>(std::filesystem::file_size(files.index) +
                                     std::filesystem::file_size(files.data));
}

const MeshFiles& Files() {
  static MeshFiles files;
  static const bool written = (WriteMeshFiles(files), true);
  (void)written;
  return files;
}

// Reads both files line by line and splits every line into tokens, as the loader must at least.
size_t TokenizeFiles(const MeshFiles& files) {
  size_t tokens = 0;
  for (const std::string* path : {&files.index, &files.data}) {
    KMappedStdioFile file;
    if (!file.Open(*path, KMappedStdioFile::modeRead)) continue;
    std::string line;
    while (file.ReadString(line)) {
      ktpm::detail::TokenCursor cursor(std::string_view(line).substr(0, 512));
      std::string_view token;
      while (cursor.Next(ktpm::detail::kWhiteSpace, token)) tokens += token.size() > 0;
    }
  }
  return tokens;
}

std::unique_ptr<KMeshAttributeSet> LoadFiles(const MeshFiles& files) {
  return std::make_unique<KMeshAttributeSet>(files.model);
}

// The load only: freeing the set afterwards is not part of it.
void BM_LoadAttributeFiles(benchmark::State& state) {
  const MeshFiles& files = Files();
  for (auto _ : state) {
    auto set = LoadFiles(files);
    benchmark::DoNotOptimize(set.get());
    state.PauseTiming();
    set.reset();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(state.iterations() * files.bytes);
}

void BM_TokenizeAttributeFiles(benchmark::State& state) {
  const MeshFiles& files = Files();
  for (auto _ : state) benchmark::DoNotOptimize(TokenizeFiles(files));
  state.SetBytesProcessed(state.iterations() * files.bytes);
}

// Both passes in turn, reporting the ratio of the load's time to the tokenizing pass's time.
void BM_LoadToTokenizeRatio(benchmark::State& state) {
  const MeshFiles& files = Files();
  using Clock = std::chrono::steady_clock;
  double loadSeconds = 0, tokenizeSeconds = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    benchmark::DoNotOptimize(TokenizeFiles(files));
    auto middle = Clock::now();
    auto set = LoadFiles(files);
    auto end = Clock::now();
    benchmark::DoNotOptimize(set.get());
    set.reset();
    tokenizeSeconds += std::chrono::duration<double>(middle - start).count();
    loadSeconds += std::chrono::duration<double>(end - middle).count();
  }
  state.counters["load_MBps"] = files.bytes * state.iterations() / loadSeconds / 1e6;
  state.counters["tokenize_MBps"] = files.bytes * state.iterations() / tokenizeSeconds / 1e6;
  state.counters["ratio"] = loadSeconds / tokenizeSeconds;
  state.counters["MB"] = files.bytes / 1e6;
}

BENCHMARK(BM_TokenizeAttributeFiles)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LoadAttributeFiles)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LoadToTokenizeRatio)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
