// How long the tree takes to follow a change: from the last file-name change to the end of the
// resync it causes, less the quiet second the watcher waits for, on projects of 1,000 and 10,000
// files.
#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>

#include <ktpm/projtree/IProjectNotifySink.h>
#include <ktpm/projtree/KProjectTree.h>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

void WriteFile(const fs::path& path, const std::string& text) { std::ofstream(path) << text; }

// A project of about `files` files: meshes with side files, inputs with results.
fs::path MakeProject(int files) {
  const fs::path dir = fs::temp_directory_path() / ("ktpm-watch-bench-" + std::to_string(files));
  fs::remove_all(dir);
  fs::create_directories(dir);
  for (int i = 0; i * 8 < files; ++i) {
    const std::string base = "part" + std::to_string(i);
    WriteFile(dir / (base + ".stl"), "solid\n");
    WriteFile(dir / (base + ".ktl"), "MESH_MODEL_TYPE: MIDPLANE\nUNV|" + base + ".stl|\n");
    WriteFile(dir / (base + ".nda"), "1\n");
    WriteFile(dir / (base + ".ela"), "1\n");
    WriteFile(dir / (base + ".lab"), base + " mesh");
    WriteFile(dir / (base + "1.001"), "PLASTIC_MODEL: " + base +
                                          ".ktl\n3DFLOW_ANALYSIS_AIM: FILL\n"
                                          "3DFLOW_RESULT_NAME: " +
                                          base + "1\n");
    WriteFile(dir / (base + "1.fsu"), "Completed analysis\n");
    WriteFile(dir / (base + "1.fnr"), "1\n");
  }
  return dir;
}

// Counts finished builds.
class BuildCounter : public IProjectNotifySink {
 public:
  void OnNodeChanged(KT_PM_Node*) override {}
  void OnInitProgress(int) override {}
  void OnSetProgress(int) override {}
  void OnEndProgress() override {
    std::lock_guard<std::mutex> guard(m_lock);
    ++m_builds;
    m_ended.notify_all();
  }
  int Builds() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_builds;
  }
  void WaitForBuilds(int count) {
    std::unique_lock<std::mutex> guard(m_lock);
    m_ended.wait_for(guard, std::chrono::seconds(120), [&] { return m_builds >= count; });
  }

 private:
  std::mutex m_lock;
  std::condition_variable m_ended;
  int m_builds = 0;
};

void BM_ResyncAfterChange(benchmark::State& state) {
  const fs::path dir = MakeProject(static_cast<int>(state.range(0)));
  BuildCounter counter;
  KProjectTree tree;
  tree.RegisterNotifySink(&counter);
  tree.Open(dir.string());
  int round = 0;
  for (auto _ : state) {
    const int builds = counter.Builds();
    WriteFile(dir / ("added" + std::to_string(round++) + ".igs"), "IGES\n");
    const auto lastChange = Clock::now();
    counter.WaitForBuilds(builds + 1);
    const std::chrono::duration<double> elapsed = Clock::now() - lastChange;
    state.SetIterationTime(elapsed.count() - 1.0);
  }
  tree.Close();
  tree.UnregisterNotifySink(&counter);
  fs::remove_all(dir);
}

BENCHMARK(BM_ResyncAfterChange)
    ->Arg(1000)
    ->Arg(10000)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

}  // namespace
