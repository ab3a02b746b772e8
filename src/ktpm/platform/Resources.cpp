// The string table, the message box and the profile.
#include <iostream>
#include <map>
#include <mutex>

#include <ktpm/platform/IniFile.h>
#include <ktpm/platform/Resources.h>
#include <ktpm/platform/UserDirs.h>

namespace {

// The system's built-in texts by resource id.
const std::map<int, std::string>& BuiltInStrings() {
  static const std::map<int, std::string> strings = {
      {18017, "End of fill"},
      {18018, "End of pack"},
      {18019, "End of cure"},
      {18023, "Fill restart %d"},
      {18062, "New Analysis"},
      {18063, "New Mesh"},
      {18066, "Packing phase"},
      {18067, "Pack restart %d"},
      {18068, "%.2f%% full"},
      {18069, "XSECTCOOL"},
      {18070, "COOL"},
      {18071, "ASYMMETRIC"},
      {18072, "AUTO"},
      {18073, "BALANCE"},
      {18074, "XSECT"},
      {18075, "3DCOOL"},
      {18076, "3DFLOW"},
      {18077, "STRESS"},
      {18078, "WARP"},
      {18079, "Boundary Conditions"},
      {18080, "BUCK"},
      {18081, "ANSYS"},
      {18082, "BDF"},
      {18083, "CTM"},
      {18084, "FEM"},
      {18085, "IGES"},
      {18086, "NASTRAN"},
      {18087, "PATRAN"},
      {18088, "STL"},
      {18089, "UNV"},
      {18090, "CP"},
      {18091, "CV"},
      {18092, "CURE"},
      {18093, "DD"},
      {18094, "FAST"},
      {18095, "FIBER"},
      {18096, "FILL"},
      {18097, "FLOW3D"},
      {18098, "FLOWPATH(2DFLOW)"},
      {18099, "SURF"},
      {18100, "GAS"},
      {18101, "HTML Report"},
      {18102, "INPUT"},
      {18103, "IW"},
      {18104, "LDA"},
      {18105, "MANUAL"},
      {18106, "MATERIAL"},
      {18107, "MESH"},
      {18108, "KTL"},
      {18109, "MIDP"},
      {18110, "MFA"},
      {18111, "Mold Models"},
      {18112, "OPTIM"},
      {18113, "PACK"},
      {18114, "Report"},
      {18115, "RESULT"},
      {18116, "SHRINKAGE"},
      {18117, "SDA"},
      {18118, "STRESS"},
      {18119, "STRIP"},
      {18120, "SOLID"},
      {18121, "TSET"},
      {18122, "TPLAS"},
      {18123, "WARP"},
      {18124, "Gate location"},
      {18125, "Molding window"},
      {18126, "Curing phase"},
      {18219, "Translate"},
      {18260, "PARASOLIDS"},
      {18266, "New B/C"},
      {18273, "TESSARA"},
      {18274, "STEP"},
  };
  return strings;
}

struct StringTable {
  std::mutex lock;
  std::map<int, std::string> replaced;
};

StringTable& Strings() {
  static StringTable table;
  return table;
}

struct MessageBoxState {
  std::mutex lock;
  KMessageBoxHandler handler;
};

MessageBoxState& MessageBoxes() {
  static MessageBoxState state;
  return state;
}

std::mutex& ProfileLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace

std::string GetResourceString(int id) {
  {
    StringTable& table = Strings();
    std::lock_guard<std::mutex> guard(table.lock);
    const auto it = table.replaced.find(id);
    if (it != table.replaced.end()) return it->second;
  }
  const auto& builtIn = BuiltInStrings();
  const auto it = builtIn.find(id);
  return it != builtIn.end() ? it->second : std::string();
}

void SetResourceString(int id, const std::string& text) {
  StringTable& table = Strings();
  std::lock_guard<std::mutex> guard(table.lock);
  table.replaced[id] = text;
}

void SetMessageBoxHandler(KMessageBoxHandler handler) {
  MessageBoxState& state = MessageBoxes();
  std::lock_guard<std::mutex> guard(state.lock);
  state.handler = std::move(handler);
}

void ShowMessageBox(const std::string& text, const std::string& caption) {
  KMessageBoxHandler handler;
  {
    MessageBoxState& state = MessageBoxes();
    std::lock_guard<std::mutex> guard(state.lock);
    handler = state.handler;
  }
  if (handler) {
    handler(text, caption);
  } else {
    std::cerr << (caption.empty() ? std::string() : caption + ": ") << text << "\n";
  }
}

std::string GetProfileFilePath() {
  std::string path = ktpm::detail::GetEnvironment("KT_PROFILE_FILE");
  if (!path.empty()) return path;
  return ktpm::detail::GetUserConfigDir() + "/keltravo/profile.ini";
}

std::string GetProfileString(const std::string& section, const std::string& key,
                             const std::string& defaultValue) {
  std::lock_guard<std::mutex> guard(ProfileLock());
  ktpm::detail::IniFile profile;
  profile.Load(GetProfileFilePath());
  const std::string* value = profile.Find(section, key);
  return value != nullptr ? *value : defaultValue;
}

int WriteProfileString(const std::string& section, const std::string& key,
                       const std::string& value) {
  std::lock_guard<std::mutex> guard(ProfileLock());
  const std::string path = GetProfileFilePath();
  ktpm::detail::IniFile profile;
  // A profile that exists but cannot be read whole is not replaced by one made of this value.
  if (profile.Load(path) < 0) return 0;
  if (profile.Set(section, key, value) == 0) return 0;
  return profile.Save(path);
}
