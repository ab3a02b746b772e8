#include "SolverStandin.h"

#include <cstdio>
#include <sstream>

#include "M3File.h"

#include <ktpm/keyword/KKeywordFile.h>

namespace ktpm::standin {

namespace {

constexpr const char* kCompleted = "Completed analysis";

struct ProgramFamily {
  const char* program;
  Node_SubType family;
  Node_SubType mesh;  // the mesh kind the program runs on when the input does not say
};

constexpr ProgramFamily kSolvers[] = {
    {"ktl", NST_FLOW, NST_MESH_MIDPLANE},    {"ktlg", NST_FLOW, NST_MESH_MIDPLANE},
    {"ktlth", NST_FLOW, NST_MESH_MIDPLANE},  {"ktlipc", NST_FLOW, NST_MESH_MIDPLANE},
    {"foktl", NST_FLOW, NST_MESH_MIDPLANE},  {"ktldd", NST_FLOW, NST_MESH_FUSION},
    {"foktldd", NST_FLOW, NST_MESH_FUSION},  {"ktlipcdd", NST_FLOW, NST_MESH_FUSION},
    {"mold3d", NST_FLOW, NST_MESH_3D},       {"tcl", NST_COOL, NST_MESH_XSECTION},
    {"bemcl", NST_COOL, NST_MESH_MIDPLANE},  {"bemcldd", NST_COOL, NST_MESH_FUSION},
    {"bemcl3d", NST_COOL, NST_MESH_3D},      {"warpin", NST_WARP, NST_MESH_MIDPLANE},
    {"warpindd", NST_WARP, NST_MESH_FUSION}, {"strsin", NST_STRESS, NST_MESH_MIDPLANE},
};

// The result files other than the summary that each run writes, one per kind.
constexpr ResultType kSideResultTypes[] = {RT_NR, RT_ER, RT_CEM, RT_OUT, RT_WES,
                                           RT_LM, RT_TS, RT_MW,  RT_CM};

// The restart points a 3D flow result offers: (time, filled fraction).
const std::vector<std::pair<float, float>> k3DRestartTimes = {
    {0.4f, 0.3f}, {0.8f, 0.7f}, {1.2f, 1.0f}, {2.5f, 1.0f}, {4.0f, 1.0f}};

const ProgramFamily* FindProgram(const std::string& program) {
  for (const ProgramFamily& entry : kSolvers)
    if (program == entry.program) return &entry;
  return nullptr;
}

// The aim of a flow input, by the substrings of 3DFLOW_ANALYSIS_AIM in the tree's order.
FlowAim FlowAimOf(const KKeywordFile& keywords) {
  std::string aim = keywords.GetValue("3DFLOW_ANALYSIS_AIM");
  const std::pair<const char*, FlowAim> kAims[] = {{"FILL", FA_FILL},
                                                   {"PACK", FA_PACK},
                                                   {"BALANCE", FA_BALANCE},
                                                   {"CURING", FA_CURE},
                                                   {"MOLD_WINDOW", FA_MOLD_WINDOW},
                                                   {"GATE_LOCATION", FA_GATE_LOCATION}};
  for (const auto& [text, value] : kAims)
    if (aim.find(text) != std::string::npos) return value;
  return FA_NONE;
}

// The mesh kind of an input by its extension in the analysis-input table.
Node_SubType MeshOfInput(Node_SubType family, const std::string& extension, Node_SubType dflt) {
  for (const KAnalysisInputType& row : GetAnalysisInputTable())
    if (row.analysis == family && row.ext[0] && ToLower(extension) == row.ext[0]) return row.mesh;
  return dflt;
}

// The keyword naming the result, as the tree looks for it, for a family and mesh kind.
const char* ResultNameKeyword(Node_SubType family, Node_SubType mesh) {
  switch (family) {
    case NST_FLOW:
      return mesh == NST_MESH_3D ? "MOLD3D_RESULT_NAME" : "3DFLOW_RESULT_NAME";
    case NST_COOL:
      return mesh == NST_MESH_XSECTION ? "2DCOOL_RESULT_NAME" : "3DCOOL_RESULT_NAME";
    case NST_WARP:
    case NST_STRESS:
      return "3DSTRUCT_FENAS_INPUT_FILE";
    default:
      return nullptr;
  }
}

struct ResultPlan {
  std::string base;  // result files are base + extension
  Node_SubType mesh = NST_MESH_MIDPLANE;
  FlowAim aim = FA_NONE;
  std::string mainExtension;
  std::string errorExtension;
};

std::string SummaryExtension(Node_SubType family, Node_SubType mesh, FlowAim aim) {
  std::string extension = GetResultExtension(family, mesh, aim, RT_SUMMARY);
  // An aim the registry has no row for (a flow without aim, a stress run on a fusion mesh)
  // falls back to the plain kind of the family.
  if (extension.empty()) extension = GetResultExtension(family, mesh, FA_FILL, RT_SUMMARY);
  if (extension.empty())
    extension = GetResultExtension(family, NST_MESH_MIDPLANE, FA_NONE, RT_SUMMARY);
  if (extension.empty())
    extension = GetResultExtension(family, NST_MESH_MIDPLANE, FA_FILL, RT_SUMMARY);
  return extension;
}

std::string ErrorExtension(const std::string& mainExtension) {
  for (const KNodeFileType* row : FindRowsByMainExtension(mainExtension))
    if (row->type == NT_RESULT && row->ext[4]) return row->ext[4];
  return ".err";
}

ResultPlan PlanResult(const KKeywordFile& keywords, Node_SubType family, Node_SubType inputMesh,
                      const std::string& input) {
  ResultPlan plan;
  plan.aim = family == NST_FLOW ? FlowAimOf(keywords) : FA_NONE;
  for (Node_SubType mesh : {NST_MESH_MIDPLANE, NST_MESH_3D, NST_MESH_XSECTION}) {
    const char* keyword = ResultNameKeyword(family, mesh);
    std::string value = keyword ? keywords.GetValue(keyword) : std::string();
    if (!value.empty()) {
      plan.base = WithoutExtension(value);
      plan.mesh = mesh;
      break;
    }
  }
  if (plan.base.empty()) {
    plan.base = WithoutExtension(input);
    plan.mesh = inputMesh == NST_MESH_3D && family == NST_FLOW ? NST_MESH_3D : inputMesh;
  }
  plan.mainExtension = plan.mesh == NST_MESH_3D && family == NST_FLOW
                           ? GetResultExtension(NST_FLOW, NST_MESH_3D, FA_NONE, RT_OTHER)
                           : SummaryExtension(family, plan.mesh, plan.aim);
  plan.errorExtension = ErrorExtension(plan.mainExtension);
  return plan;
}

bool IsRangePattern(const std::string& pattern) {
  return (pattern.size() > 2 && pattern[2] == '9') || (pattern.size() > 3 && pattern[3] == '9');
}

std::string SummaryText(const Invocation& invocation, const std::string& input,
                        const std::string& result, const char* kind) {
  std::ostringstream text;
  text << invocation.Program() << " stand-in " << kind << " summary\n"
       << "Input file: " << input << "\n"
       << "Result file: " << result << "\n"
       << kCompleted << "\n";
  return text.str();
}

// The summary and one side file per result kind of one analysis kind.
bool WriteResultSet(const Invocation& invocation, const std::string& input, const std::string& base,
                    Node_SubType family, Node_SubType mesh, FlowAim aim) {
  std::string summary = SummaryExtension(family, mesh, aim);
  bool ok =
      WriteTextFile(base + summary, SummaryText(invocation, input, base + summary, "analysis"));
  for (ResultType type : kSideResultTypes) {
    std::string extension = GetResultExtension(family, mesh, aim, type);
    if (extension.empty() || extension == summary || IsRangePattern(extension)) continue;
    ok = WriteTextFile(base + extension, "result data of " + input + "\n") && ok;
  }
  return ok;
}

// Numbered restart files "<base>.<series><n>" for n = 1 .. count - 1 and then 0, each a small
// keyword file that "ktl -restokey" reads back.
bool WriteRestartSeries(const std::string& base, const char* series, const char* phase, int count) {
  bool ok = true;
  for (int i = 1; i <= count; ++i) {
    int number = i % count;
    std::string name = base + "." + series + std::to_string(number);
    std::ostringstream text;
    text << "RESTART_PHASE: " << phase << "\n"
         << "RESTART_NUMBER: " << number << "\n"
         << "RESTART_TIME: " << 0.5 * i << "\n"
         << "RESTART_RESULT: " << base << "\n";
    ok = WriteTextFile(name, text.str()) && ok;
  }
  return ok;
}

bool WriteFlowResults(const Invocation& invocation, const KKeywordFile& keywords,
                      const std::string& input, const ResultPlan& plan) {
  if (plan.mesh == NST_MESH_3D) {
    M3Contents contents;
    contents.restartTimes = k3DRestartTimes;
    bool ok = WriteM3File(plan.base + plan.mainExtension, contents);
    std::string summary = GetResultExtension(NST_FLOW, NST_MESH_3D, FA_NONE, RT_SUMMARY);
    return WriteTextFile(
               plan.base + summary,
               SummaryText(invocation, input, plan.base + plan.mainExtension, "3D flow")) &&
           ok;
  }
  bool ok = true;
  std::string restart = keywords.GetValue("3DFLOW_RESTART");
  bool continuesOwnFill = restart.empty() || restart == "NONE" || restart == "INTERMEDIATE_FILLING";
  if (plan.aim == FA_PACK || plan.aim == FA_CURE) {
    if (continuesOwnFill) {
      ok = WriteResultSet(invocation, input, plan.base, NST_FLOW, plan.mesh, FA_FILL) && ok;
      ok = WriteRestartSeries(plan.base, "fr", "FILLING", 3) && ok;
    }
    ok = WriteResultSet(invocation, input, plan.base, NST_FLOW, plan.mesh, plan.aim) && ok;
    if (plan.aim == FA_PACK) {
      ok = WriteRestartSeries(plan.base, "pr", "PACKING", 2) && ok;
      ok = WriteTextFile(plan.base + ".rsm", "residual stress data of " + input + "\n") && ok;
      ok = WriteTextFile(plan.base + ".pmp", "mechanical property data of " + input + "\n") && ok;
    } else {
      ok = WriteRestartSeries(plan.base, "kr", "CURING", 2) && ok;
    }
    return ok;
  }
  ok = WriteResultSet(invocation, input, plan.base, NST_FLOW, plan.mesh,
                      plan.aim == FA_NONE ? FA_FILL : plan.aim);
  if (plan.aim == FA_FILL || plan.aim == FA_NONE)
    ok = WriteRestartSeries(plan.base, "fr", "FILLING", 3) && ok;
  return ok;
}

}  // namespace

Node_SubType SolverFamily(const std::string& program) {
  const ProgramFamily* entry = FindProgram(program);
  return entry ? entry->family : NST_NONE;
}

int RunSolver(const Invocation& invocation) {
  const ProgramFamily* program = FindProgram(invocation.Program());
  std::string input = invocation.Option("input");
  if (!program || input.empty()) {
    Complain(invocation,
             "usage: " + invocation.Program() + " -input FILE [-screenlog FILE | -output FILE]");
    return kExitUsage;
  }
  Node_SubType family = program->family;
  std::string screen = invocation.Option("screenlog");
  if (screen.empty()) screen = invocation.Option("output");
  if (screen.empty()) screen = OutputFileName(input, 5, '\0');
  std::string keywordOutput = OutputFileName(input, 0, '9');

  KKeywordFile keywords;
  keywords.Load(input);
  Node_SubType inputMesh = MeshOfInput(family, ExtensionOf(input), program->mesh);
  ResultPlan plan = PlanResult(keywords, family, inputMesh, input);
  Outcome outcome = ReadOutcome(keywords);

  std::ostringstream log;
  log << invocation.Program() << " stand-in solver\n"
      << "Input file: " << input << "\n"
      << "Result file: " << plan.base << plan.mainExtension << "\n";
  if (!FileExists(input)) {
    log << "*** ERROR: cannot read the input file " << input << "\n";
    WriteTextFile(screen, log.str());
    WriteTextFile(plan.base + plan.errorExtension,
                  "*** ERROR: cannot read the input file " + input + "\n");
    Complain(invocation, "cannot read the input file " + input);
    return kExitFailed;
  }
  SpendRunTime(outcome);
  if (outcome.fail) {
    log << "*** ERROR: the analysis failed (STANDIN_OUTCOME: FAIL)\n";
    WriteTextFile(screen, log.str());
    WriteTextFile(plan.base + plan.errorExtension,
                  "*** ERROR: the analysis of " + input + " failed\n");
    return kExitFailed;
  }
  bool ok = family == NST_FLOW
                ? WriteFlowResults(invocation, keywords, input, plan)
                : WriteResultSet(invocation, input, plan.base, family, plan.mesh, plan.aim);
  keywords.SetValue("STANDIN_RESULT_FILE", plan.base + plan.mainExtension);
  ok = keywords.Save(keywordOutput) == 1 && ok;
  log << (ok ? kCompleted : "*** ERROR: could not write every result file") << "\n";
  WriteTextFile(screen, log.str());
  if (!ok) {
    WriteTextFile(plan.base + plan.errorExtension, "*** ERROR: could not write the results\n");
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace ktpm::standin
