// The stand-in for the external programs of the simulation suite: one program installed under
// the name of every solver, translator, mesher, report generator and conversion tool. What it
// does depends on the name it is called by (or on "--as NAME" as its first arguments); see
// README.md.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "ConversionStandin.h"
#include "MeshStandin.h"
#include "ReportStandin.h"
#include "SolverStandin.h"
#include "StandinRun.h"

namespace {

std::string ProgramName(const char* argument0) {
  std::string name = argument0 ? argument0 : "";
  size_t slash = name.find_last_of("/\\");
  if (slash != std::string::npos) name = name.substr(slash + 1);
  return ktpm::standin::ToLower(name);
}

int Run(int argc, char** argv) {
  using namespace ktpm::standin;
  std::string program = ProgramName(argc > 0 ? argv[0] : nullptr);
  std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  if (arguments.size() >= 2 && arguments[0] == "--as") {
    program = ToLower(arguments[1]);
    arguments.erase(arguments.begin(), arguments.begin() + 2);
  }
  Invocation invocation(program, arguments);
  if (IsConversion(invocation)) return RunConversion(invocation);
  if (SolverFamily(program) != NST_NONE) return RunSolver(invocation);
  if (IsMeshProgram(program)) return RunMesher(invocation);
  if (program == "ktrepgen") return RunReportGenerator(invocation);
  Complain(invocation,
           "unknown program name; call the stand-in as a solver, translator, "
           "mesher or report generator, or with --as NAME");
  return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::exception& e) {
    std::cerr << "stand-in: " << e.what() << "\n";
  } catch (...) {
    std::cerr << "stand-in: unexpected failure\n";
  }
  return ktpm::standin::kExitFailed;
}
