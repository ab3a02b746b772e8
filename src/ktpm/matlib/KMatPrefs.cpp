#include <ktpm/matlib/KMatSearch.h>
#include <ktpm/platform/Resources.h>

namespace {

constexpr const char* kSection = "Materials";
constexpr const char* kKey = "NameByManufacturer";

}  // namespace

int KMatPrefs::GetMaterialPrefences() {
  try {
    return GetProfileString(kSection, kKey, "0") == "1" ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

int KMatPrefs::SetMaterialPrefences(int byManufacturer) {
  try {
    return WriteProfileString(kSection, kKey, byManufacturer != 0 ? "1" : "0") != 0 ? 1 : 0;
  } catch (...) {
    return 0;
  }
}
