// Opening generated projects of 1,000, 10,000 and 50,000 files, beside the floor of the same
// work: listing the directory and reading the keyword, model and boundary-condition files that
// building reads. The ratio Open / Floor per size, and Open at 50,000 over Open at 10,000, show
// whether building costs more than its reading and whether it grows faster than the project.
// A rebuild of the open, unchanged project is measured too.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <ktpm/keyword/KKeywordFile.h>
#include <ktpm/mesh/KBCFile.h>
#include <ktpm/mesh/KModelFile.h>
#include <ktpm/platform/DirectoryListing.h>
#include <ktpm/projtree/KProjectTree.h>

// Reaches the tree's private build for the rebuild measurement.
struct KProjectTreeTestPeer {
  static void BuildTree(KProjectTree& tree) {
    auto guard = tree.LockTree();
    tree.BuildTree();
  }
};

namespace {

namespace fs = std::filesystem;

// One generated project directory, removed at exit.
class GeneratedProject {
 public:
  explicit GeneratedProject(int fileCount) {
    m_path = fs::temp_directory_path() / ("ktpm-tree-bench-" + std::to_string(fileCount) + "-" +
                                          std::to_string(std::random_device()()));
    fs::create_directories(m_path);
    for (int unit = 0; m_count < fileCount; ++unit) WriteUnit(unit);
  }
  GeneratedProject(const GeneratedProject&) = delete;
  GeneratedProject& operator=(const GeneratedProject&) = delete;
  ~GeneratedProject() {
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(m_path, ignored)) {
      fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, ignored);
    }
    fs::remove_all(m_path, ignored);
  }

  std::string Path() const { return m_path.string(); }
  int FileCount() const { return m_count; }

 private:
  void Write(const std::string& name, const std::string& text) {
    std::ofstream(m_path / name, std::ios::binary) << text;
    ++m_count;
  }

  // A CAD model translated to a midplane mesh with its side files, boundary conditions, a
  // material, and four analyses with their results, restart and side files, as projects have.
  void WriteUnit(int unit) {
    const std::string p = "p" + std::to_string(unit);
    const std::string mesh = p + ".ktl";
    Write(p + ".igs", "iges model\n");
    Write(p + ".632", "notes of the model\n");
    Write(p + ".081", "TRANS_INPUT_MODEL: " + p + ".igs\nTRANS_OUTPUT_MODEL: " + p +
                          "\nTRANS_MESH_TYPE: MIDPLANE\nTRANS_GLOBAL_EDGE_LENGTH: 2.5\n");
    Write(mesh, "KTL model file\nMESH_MODEL_TYPE: MIDPLANE\nUNV|" + p +
                    ".igs|PART |\nUNITS MM\nNODES 6\nELEMENTS 4\nEND\n");
    for (const char* side : {".nda", ".ela", ".lab", ".txt", ".isu"}) {
      Write(p + side, "mesh side file\n");
    }
    Write(p + ".bf3", "*MODEL    " + mesh + "\n*NODAL    INJECT\n\t1\t1\t1\n");
    Write(p + ".bc2", "*MODEL    " + mesh + "\n*NODAL    COOLANT\n\t2\t1\t1\n");
    Write(p + ".exl", "*MODEL    " + mesh + "\n*NODAL    CONSTRAINT\n\t3\t1\t1\n");
    const std::string material = p + "m.md3";
    Write(material, "PLASTIC_MODEL: " + mesh +
                        "\nMATERIAL_SUPPLIER: Generic\nMATERIAL_GRADE: ABS\n"
                        "MATERIAL_DATABASE_TYPE: THERMOPLASTIC\n");
    const std::string common = "PLASTIC_MODEL: " + mesh + "\nMATERIAL_FILE: " + material + "\n";
    Write(p + "a.001", "ANALYSIS_DESCRIPTION: Fill\n" + common +
                           "3DFLOW_ANALYSIS_AIM: FILL\n3DFLOW_RESULT_NAME: " + p +
                           "a\n3DFLOW_BOUNDARY_CONDITION: " + p +
                           ".bf3\n3DFLOW_MELT_TEMPERATURE: 230\n3DFLOW_INJECTION_TIME: 1.2\n");
    for (const char* out :
         {"a.fsu", "a.501", "a.901", "a.fnr", "a.fr0", "a.fr1", "a.fr2", "a.621"}) {
      Write(p + out, "output\n");
    }
    Write(p + "b.002", "ANALYSIS_DESCRIPTION: Fill and pack\n" + common +
                           "3DFLOW_ANALYSIS_AIM: PACK\n3DFLOW_RESTART: NONE\n"
                           "3DFLOW_RESULT_NAME: " +
                           p + "b\n3DFLOW_BOUNDARY_CONDITION: " + p + ".bf3\n");
    for (const char* out : {"b.fsu", "b.psu", "b.502", "b.pnr", "b.pr0", "b.pr1"}) {
      Write(p + out, "output\n");
    }
    Write(p + "c.040", "ANALYSIS_DESCRIPTION: Cool\n" + common + "3DCOOL_RESULT_NAME: " + p +
                           "c\n3DCOOL_BOUNDARY_CONDITION: " + p + ".bc2\n");
    for (const char* out : {"c.csu", "c.540", "c.940"}) Write(p + out, "output\n");
    Write(p + "d.060", "ANALYSIS_DESCRIPTION: Warp\n" + common + "3DSTRUCT_FENAS_INPUT_FILE: " + p +
                           "d\n3DSTRUCT_BOUNDARY_CONDITION: " + p + ".exl\n");
    for (const char* out : {"d.jsu", "d.560", "d.jse"}) Write(p + out, "output\n");
  }

  fs::path m_path;
  int m_count = 0;
};

// Each size is generated once for the whole run.
GeneratedProject& ProjectOf(int fileCount) {
  static std::map<int, std::unique_ptr<GeneratedProject>> projects;
  auto& project = projects[fileCount];
  if (!project) project = std::make_unique<GeneratedProject>(fileCount);
  return *project;
}

bool EndsWith(const std::string& name, const char* suffix) {
  const std::string s(suffix);
  return name.size() >= s.size() && name.compare(name.size() - s.size(), s.size(), s) == 0;
}

void BM_Open(benchmark::State& state) {
  GeneratedProject& project = ProjectOf(static_cast<int>(state.range(0)));
  KProjectTree tree;
  size_t nodes = 0;
  for (auto _ : state) {
    tree.Open(project.Path());
    nodes = tree.GetNodes().size();
    tree.Close();
  }
  state.counters["files"] = project.FileCount();
  state.counters["nodes"] = static_cast<double>(nodes);
}

void BM_Rebuild(benchmark::State& state) {
  GeneratedProject& project = ProjectOf(static_cast<int>(state.range(0)));
  KProjectTree tree;
  tree.Open(project.Path());
  const size_t nodes = tree.GetNodes().size();
  for (auto _ : state) KProjectTreeTestPeer::BuildTree(tree);
  if (tree.GetNodes().size() != nodes) state.SkipWithError("a rebuild made nodes");
  state.counters["nodes"] = static_cast<double>(nodes);
  tree.Close();
}

// Listing the directory and reading every file that building reads for its references.
void BM_Floor(benchmark::State& state) {
  GeneratedProject& project = ProjectOf(static_cast<int>(state.range(0)));
  const fs::path previous = fs::current_path();
  fs::current_path(project.Path());
  size_t read = 0;
  for (auto _ : state) {
    read = 0;
    for (const auto& item : ktpm::detail::ListDirectory("")) {
      if (item.isDirectory) continue;
      const std::string& name = item.name;
      if (EndsWith(name, ".001") || EndsWith(name, ".002") || EndsWith(name, ".040") ||
          EndsWith(name, ".060") || EndsWith(name, ".081") || EndsWith(name, ".md3")) {
        KKeywordFile keywords;
        keywords.Load(name);
        benchmark::DoNotOptimize(keywords.GetValue("PLASTIC_MODEL"));
        ++read;
      } else if (EndsWith(name, ".ktl")) {
        KModelFile model(name);
        benchmark::DoNotOptimize(model.GetMeshModelType());
        ++read;
      } else if (EndsWith(name, ".bf3") || EndsWith(name, ".bc2") || EndsWith(name, ".exl")) {
        KBCFile bc(name);
        benchmark::DoNotOptimize(bc.GetModel());
        ++read;
      }
    }
  }
  fs::current_path(previous);
  state.counters["files"] = project.FileCount();
  state.counters["read"] = static_cast<double>(read);
}

}  // namespace

BENCHMARK(BM_Floor)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Open)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rebuild)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);
