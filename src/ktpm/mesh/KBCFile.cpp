#include <cstdio>
#include <cstring>

#include <ktpm/mesh/KBCFile.h>
#include <ktpm/mesh/TextTokens.h>
#include <ktpm/platform/FileReplacement.h>
#include <ktpm/platform/MappedFile.h>

namespace {

using ktpm::detail::ParseInt;
using ktpm::detail::ParseReal;
using ktpm::detail::TokenCursor;

// A line is read in pieces of at most 255 characters.
constexpr int kLineBuffer = 256;

// Closes a C stream when it goes out of scope.
struct StreamCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};
using Stream = std::unique_ptr<FILE, StreamCloser>;

KBCEntry MakeEntry(std::string_view line, std::string_view idToken, TokenCursor& cursor) {
  KBCEntry entry;
  entry.id = ParseInt(idToken);
  std::string_view token;
  // The second and third tokens end at blanks only.
  if (cursor.Next(" ", token)) {
    entry.code = ParseInt(token);
    entry.value = ParseReal(token);
    if (cursor.Next(" ", token)) entry.extra = ParseInt(token);
  }
  entry.text = std::string(line);
  return entry;
}

}  // namespace

KBCFile::KBCFile(const std::string& path) {
  if (!path.empty()) Load(path);
}

int KBCFile::Load(const std::string& path) {
  sections.clear();
  modelSection_ = nullptr;
  boundarySection_ = nullptr;
  Stream file(MappedFopen(path, "r"));
  if (!file) return 0;
  KBCSection* open = nullptr;
  char buffer[kLineBuffer];
  while (std::fgets(buffer, sizeof buffer, file.get())) {
    std::string_view line(buffer, std::strlen(buffer));
    line = line.substr(0, line.find_first_of("\r\n"));
    TokenCursor cursor(line);
    std::string_view first;
    if (!cursor.Next(ktpm::detail::kWhiteSpace, first)) continue;
    if (first.front() == '*') {
      auto section = std::make_unique<KBCSection>();
      section->name = std::string(first.substr(1));
      section->argument = std::string(ktpm::detail::TrimWhiteSpace(cursor.Rest()));
      open = section.get();
      if (section->name == "MODEL") modelSection_ = open;
      if (section->name == "BOUNDARY" && section->argument == "CONDITION") boundarySection_ = open;
      sections.push_back(std::move(section));
    } else if (open && open->name != "LOCAL") {
      open->entries.push_back(MakeEntry(line, first, cursor));
    }
  }
  return 1;
}

int KBCFile::Save(const std::string& path) const {
  // Written beside the file and renamed over it: a failed write leaves the old file whole.
  ktpm::detail::FileReplacement replacement(path);
  FILE* file = replacement.Stream();
  if (file == nullptr) return 0;
  for (const auto& section : sections) {
    if (section->entries.empty()) continue;
    std::fprintf(file, "*%-9s %s\n", section->name.c_str(), section->argument.c_str());
    for (const KBCEntry& entry : section->entries) {
      std::fputs(entry.text.c_str(), file);
      std::fputc('\n', file);
    }
  }
  if (boundarySection_) {
    auto axes = GetLocalAxes();
    if (axes[0] > 0 && axes[1] > 0 && axes[2] > 0) {
      std::fputs("*LOCAL AXES\n", file);
      for (int32_t axis : axes) {
        std::fprintf(file, "\t%d\t%d\t%d\t%d\n", axis, axes[0], axes[1], axes[2]);
      }
    }
  }
  return replacement.Commit() ? 1 : 0;
}

std::string KBCFile::GetModel() const { return modelSection_ ? modelSection_->argument : ""; }

void KBCFile::SetModel(const std::string& name) {
  if (!modelSection_) {
    auto section = std::make_unique<KBCSection>();
    section->name = "MODEL";
    KBCEntry entry;
    entry.id = 1;
    entry.code = 1;
    entry.value = 1.0;
    entry.text = "\t1\t1\t1";
    section->entries.push_back(std::move(entry));
    modelSection_ = section.get();
    sections.push_back(std::move(section));
  }
  modelSection_->argument = name;
}

int KBCFile::HasStructuralLoads() const {
  static constexpr const char* kElementLoads[] = {"GPLOAD", "PRESSURE", "GVLOAD",
                                                  "GELOAD", "LELOAD",   "TLOAD"};
  for (const auto& section : sections) {
    if (section->name == "NODAL" && section->argument == "FORCE") return 1;
    if (section->name != "ELEMENTAL") continue;
    for (const char* load : kElementLoads) {
      if (section->argument == load) return 1;
    }
  }
  return 0;
}

std::array<int32_t, 3> KBCFile::GetLocalAxes() const {
  std::array<int32_t, 3> axes = {-1, -1, -1};
  if (!boundarySection_) return axes;
  std::array<bool, 3> found = {false, false, false};
  for (int k = 0; k < 3; ++k) {
    for (const KBCEntry& entry : boundarySection_->entries) {
      bool repeats = false;
      for (int j = 0; j < k; ++j) repeats = repeats || (found[j] && entry.id == axes[j]);
      if (entry.code == k + 1 && !repeats) {
        axes[k] = entry.id;
        found[k] = true;
        break;
      }
    }
  }
  return axes;
}

void KBCFile::GetLocalAxes(int32_t& first, int32_t& second, int32_t& third) const {
  auto axes = GetLocalAxes();
  first = axes[0];
  second = axes[1];
  third = axes[2];
}
