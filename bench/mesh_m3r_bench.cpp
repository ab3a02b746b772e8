// Filling an attribute set from a 3D mesh file with alternating region values (and alternating
// shapes, heat characteristics and thicknesses): the time should grow near-linearly with the
// number of elements.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>

#include <ktpm/mesh/KM3RReader.h>
#include <ktpm/mesh/KM3RWriter.h>
#include <ktpm/mesh/KMeshAttributeSet.h>

namespace {

std::string WriteMesh(int32_t elements) {
  auto path = std::filesystem::temp_directory_path() /
              ("ktpm-m3r-bench-" + std::to_string(std::random_device()()) + "-" +
               std::to_string(elements) + ".m3i");
  KM3RWriter writer;
  const int32_t nodes = elements / 4;
  writer.SetNodeCount(nodes);
  writer.SetElementCount(elements);
  std::vector<int32_t> regions, shapes, heat;
  std::vector<std::pair<float, float>> thickness;
  for (int32_t i = 0; i < elements; ++i) {
    regions.push_back(1 + i % 2);
    shapes.push_back(i % 3);
    heat.push_back(1 + i % 2);
    thickness.emplace_back(1.0f + static_cast<float>(i % 2), 0.0f);
  }
  writer.AddIntRecord("REGION", regions);
  writer.AddIntRecord("SHAPE", shapes);
  writer.AddIntRecord("HTCHAR", heat);
  writer.AddThicknessRecord(thickness);
  writer.Write(path.string());
  return path.string();
}

void BM_FillFromM3R(benchmark::State& state) {
  const std::string path = WriteMesh(static_cast<int32_t>(state.range(0)));
  for (auto _ : state) {
    KMeshAttributeSet set(path);
    benchmark::DoNotOptimize(set.FindAttribute("REGION")->classes[3].intValues.size());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  std::filesystem::remove(path);
}

BENCHMARK(BM_FillFromM3R)->Arg(10'000)->Arg(100'000)->Unit(benchmark::kMillisecond);

}  // namespace
