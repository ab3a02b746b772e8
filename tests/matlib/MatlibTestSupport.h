// Scratch directories and databases for the material library tests.
//
// Every test program of this folder runs with its own profile file and user data directory
// (see MatlibTestEnvironment.cpp), so no test reads or builds anything in the user's home.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <ktpm/matlib/KMatSearch.h>
#include <ktpm/matlib/MaterialSchema.h>

namespace ktpm::test {

// A directory removed with everything in it when the test ends.
class ScratchDir {
 public:
  ScratchDir() {
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    do {
      m_path = std::filesystem::temp_directory_path() /
               ("ktpm-matlib-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    } while (!std::filesystem::create_directory(m_path));
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(m_path, ignored);
  }

  std::string File(const std::string& name) const { return (m_path / name).string(); }
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::ofstream out(File(name), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return File(name);
  }
  // The names of the files in the directory, sorted.
  std::string Listing() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_path)) {
      names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    std::string text;
    for (const auto& name : names) text += (text.empty() ? "" : " ") + name;
    return text;
  }

 private:
  std::filesystem::path m_path;
};

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string SeedFile() { return std::string(KTPM_SOURCE_DIR) + "/data/materials/seed.sql"; }

// A test with its own database, built from the seed, in use for the whole process while it
// runs; the explicit path is cleared again afterwards.
class SeededDatabaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(ktpm::detail::BuildMaterialDatabase(m_path, SeedFile(), &error)) << error;
    KMatSearch::SetDatabasePath(m_path);
  }
  void TearDown() override { KMatSearch::SetDatabasePath(""); }

  ScratchDir m_dir;
  std::string m_path = m_dir.File("materials.db");
};

}  // namespace ktpm::test
