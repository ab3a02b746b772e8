// Conversion of the earlier 3D flow keyword vocabulary while keyword files are read: the analysis
// type used to be a prefix of the analysis aim, the pack profile had a keyword of its own, and
// the pressure-control settings were named after the fill phase.
#include <string>
#include <string_view>

#include <ktpm/keyword/KKeywordFile.h>

namespace {

constexpr std::string_view kFlowPrefix = "3DFLOW_";
constexpr std::string_view kAnalysisAim = "3DFLOW_ANALYSIS_AIM";
constexpr std::string_view kAnalysisType = "3DFLOW_ANALYSIS_TYPE";
constexpr std::string_view kPackProfile = "3DFLOW_PACK_PROFILE";
constexpr std::string_view kPressureControlProfile = "3DFLOW_PRESSURE_CONTROL_PROFILE";
constexpr std::string_view kInjectionProfileRescale = "3DFLOW_FILL_INJECTION_PROFILE_RESCALE";
constexpr std::string_view kOldPressureControlStatus = "3DFLOW_FILL_PRESSURE_CONTROL_STATUS";
constexpr std::string_view kPressureControlStatus = "3DFLOW_PRESSURE_CONTROL_STATUS";
constexpr std::string_view kOldChangeOver = "3DFLOW_FILL_PRESSURE_CONTROL_CHANGE_OVER";
constexpr std::string_view kPressureControl = "3DFLOW_PRESSURE_CONTROL";
constexpr std::string_view kOldPressureControl = "3DFLOW_FILL_PRESSURE_CONTROL";
constexpr std::string_view kTransition = "3DFLOW_VELOCITY_PRESSURE_TRANSITION";

// The analysis types that old aim values carry in front of the aim.
constexpr std::string_view kAimTypePrefixes[] = {"MULTI_", "ASYMMETRIC_", "FAST_", "FLOWCHECK_"};
constexpr std::string_view kAsymmetricType = "ASYMMETRIC";
// An asymmetric aim also carries six characters after the type and its "_".
constexpr std::size_t kAsymmetricAimPrefixLength = 17;

bool BeginsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

void KKeywordFile::MigrateKeyword(std::string& keyword, std::string& value) {
  if (!BeginsWith(keyword, kFlowPrefix) || keyword.find("_RANGE") != std::string::npos) return;

  if (keyword == kAnalysisAim) {
    for (std::string_view prefix : kAimTypePrefixes) {
      if (!BeginsWith(value, prefix)) continue;
      std::string type = value.substr(0, prefix.size() - 1);
      SetValue(std::string(kAnalysisType), type);
      std::size_t cut = type == kAsymmetricType ? kAsymmetricAimPrefixLength : prefix.size();
      value.erase(0, cut);
      return;
    }
    return;
  }
  if (keyword == kPackProfile) {
    SetValue(std::string(kPressureControlProfile), "PRESSURE");
    keyword = std::string(kPressureControlProfile) + "_PRESSURE";
    return;
  }
  if (keyword == kInjectionProfileRescale) return;
  if (keyword == kOldPressureControlStatus) {
    keyword = kPressureControlStatus;
    return;
  }
  if (BeginsWith(keyword, kOldChangeOver)) {
    std::string rest = keyword.substr(kOldChangeOver.size());
    if (rest.empty()) {
      if (value == "AUTOMATIC") value = "FACTOR";
    } else if (rest == "_AUTOMATIC") {
      rest = "_FACTOR";
    }
    keyword = std::string(kPressureControl) + rest;
    return;
  }
  if (BeginsWith(keyword, kOldPressureControl)) {
    keyword = std::string(kTransition) + keyword.substr(kOldPressureControl.size());
  }
}
