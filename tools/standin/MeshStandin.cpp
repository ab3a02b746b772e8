#include "MeshStandin.h"

#include <algorithm>
#include <sstream>

#include "M3File.h"

#include <ktpm/keyword/KKeywordFile.h>
#include <ktpm/projtree/NodeTypes.h>

namespace ktpm::standin {

namespace {

constexpr const char* kMeshPrograms[] = {"kttans", "kttfem", "kttigs",  "kttnas",
                                         "kttpat", "kttunv", "ktmesh3d"};

struct MeshJob {
  std::string inputModel;
  std::string outputModel;  // with its extension
  bool threeD = false;
};

std::string MeshExtension(Node_SubType mesh, int column) {
  const char* extension = GetRegistryExtension(NT_MESH, mesh, column);
  return extension ? extension : "";
}

// What the keyword file asks for; false when it names no output model.
bool ReadMeshJob(const KKeywordFile& keywords, MeshJob& job) {
  std::string output;
  if (keywords.HasKeyword("TRANS_OUTPUT_MODEL")) {
    job.inputModel = keywords.GetValue("TRANS_INPUT_MODEL");
    output = keywords.GetValue("TRANS_OUTPUT_MODEL");
  } else {
    job.inputModel = keywords.GetValue("KTMESH3D_MESH_INPUT_FILENAME");
    output = keywords.GetValue("KTMESH3D_MESH_OUTPUT_FILENAME");
    job.threeD = keywords.GetValue("KTMESH3D_OUTPUT_FILETYPE") == "KELTRAVO_FLOW3D_INPUT";
  }
  if (output.empty()) return false;
  std::string extension = MeshExtension(job.threeD ? NST_MESH_3D : NST_MESH_MIDPLANE, 0);
  if (!EndsWithNoCase(output, extension)) output += extension;
  job.outputModel = output;
  return true;
}

// The model type a translation states: MIDPLANE unless the test keyword STANDIN_MESH_TYPE asks
// for FUSION or XSECTION.
std::string ModelTypeText(const KKeywordFile& keywords) {
  std::string type = keywords.GetValue("STANDIN_MESH_TYPE");
  return type == "FUSION" || type == "XSECTION" ? type : "MIDPLANE";
}

bool WriteModelFile(const Invocation& invocation, const KKeywordFile& keywords,
                    const MeshJob& job) {
  std::string base = WithoutExtension(job.outputModel);
  std::ostringstream model;
  model << "# mesh model written by the " << invocation.Program() << " stand-in\n"
        << "MESH_MODEL_TYPE: " << ModelTypeText(keywords) << "\n";
  if (invocation.Program() == "kttunv") {
    std::string source = job.inputModel.substr(job.inputModel.find_last_of("/\\") + 1);
    model << "UNV|" << source << "|PART\n";
  }
  model << "NODES 4\nELEMENTS 2\n";
  bool ok = WriteTextFile(job.outputModel, model.str());
  ok = WriteTextFile(base + ".nda",
                     "1 0.0 0.0 0.0\n2 1.0 0.0 0.0\n3 1.0 1.0 0.0\n4 0.0 1.0 0.0\n") &&
       ok;
  ok = WriteTextFile(base + ".ela", "1 1 2 3\n2 1 3 4\n") && ok;
  // An attribute index and data file that name no attributes: the mesh keeps the standard set.
  ok = WriteTextFile(base + ".ain", "NAMED ATTRIBUTES\n") && ok;
  ok = WriteTextFile(base + ".ata", "") && ok;
  return ok;
}

}  // namespace

bool IsMeshProgram(const std::string& program) {
  return std::find(std::begin(kMeshPrograms), std::end(kMeshPrograms), program) !=
         std::end(kMeshPrograms);
}

int RunMesher(const Invocation& invocation) {
  std::string keywordFile = invocation.Option("input");
  if (keywordFile.empty() && !invocation.Positional().empty())
    keywordFile = invocation.Positional().front();
  if (keywordFile.empty()) {
    Complain(invocation, "usage: " + invocation.Program() + " -input FILE -log | ktmesh3d FILE");
    return kExitUsage;
  }
  KKeywordFile keywords;
  keywords.Load(keywordFile);
  MeshJob job;
  bool named = ReadMeshJob(keywords, job);
  std::string base = named ? WithoutExtension(job.outputModel) : WithoutExtension(keywordFile);
  std::string summary = base + MeshExtension(NST_MESH_MIDPLANE, 2);
  std::string errorOutput = base + MeshExtension(NST_MESH_MIDPLANE, 4);

  std::string failure;
  if (!FileExists(keywordFile)) {
    failure = "cannot read the keyword file " + keywordFile;
  } else if (!named) {
    failure = "the keyword file " + keywordFile + " names no output model";
  } else if (!FileExists(job.inputModel)) {
    failure = "cannot read the input model \"" + job.inputModel + "\"";
  }
  Outcome outcome = ReadOutcome(keywords);
  if (failure.empty()) {
    SpendRunTime(outcome);
    if (outcome.fail) failure = "meshing failed (STANDIN_OUTCOME: FAIL)";
  }
  if (failure.empty()) {
    bool ok = job.threeD ? WriteM3File(job.outputModel, M3Contents{})
                         : WriteModelFile(invocation, keywords, job);
    if (!ok) failure = "cannot write the output model " + job.outputModel;
  }
  if (!failure.empty()) {
    WriteTextFile(errorOutput, "*** ERROR: " + failure + "\n");
    Complain(invocation, failure);
    return kExitFailed;
  }
  WriteTextFile(summary, invocation.Program() +
                             " stand-in mesh summary\nInput model: " + job.inputModel +
                             "\nOutput model: " + job.outputModel + "\nCompleted meshing\n");
  return kExitOk;
}

}  // namespace ktpm::standin
