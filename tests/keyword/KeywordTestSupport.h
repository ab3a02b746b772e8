// Helpers shared by the keyword file tests.
#pragma once

#include <string>

#include "TempDir.h"

#include <ktpm/keyword/KKeywordFile.h>

namespace ktpm::test {

// Loads bytes as a keyword file and returns what Save writes back from it.
inline std::string LoadAndSave(const TempDir& dir, const std::string& bytes) {
  KKeywordFile keywords;
  keywords.Load(dir.Write("in.kwd", bytes));
  if (keywords.Save(dir.File("out.kwd")) != 1) return "<save failed>";
  return ReadFileBytes(dir.File("out.kwd"));
}

}  // namespace ktpm::test
