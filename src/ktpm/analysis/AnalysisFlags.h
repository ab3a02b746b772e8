// The analysis flags of an analysis input: a bit set, read from its keyword file, that selects
// solver variants and decorates the input's label.
//
// Free functions, safe from any thread (each reads its own keyword file).
#pragma once

#include <string>

class KKeywordFile;

namespace ktpm::detail {

enum AnalysisFlagBits : int {
  AF_FIBER = 1,         // "3DFLOW_FIBER_KINETIC_TIME_STEP_FACTOR" is present
  AF_GAS = 2,           // "3DFLOW_GAS_PROCESS" is present
  AF_THERMOSET = 4,     // "3DFLOW_TSET_CONSIDER_CURING_EFFECTS" is present
  AF_OPTIMISATION = 8,  // "3DFLOW_ANALYSIS_AIM" contains "OPTIMUM"
};

// The flags of keywords already read.
int ComputeAnalysisFlags(const KKeywordFile& keywords);
// The flags of the keyword file fileName; 0 when it cannot be read.
int ReadAnalysisFlags(const std::string& fileName);

}  // namespace ktpm::detail
