// A project directory for one test: a fresh temporary directory made the current directory (as
// an open project is), with a project tree to make nodes in. The previous current directory is
// restored and the directory removed with everything in it when the test ends.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <ktpm/projtree/KProjectTree.h>
#include <ktpm/projtree/KT_PM_Node.h>

namespace ktpm::test {

class ScratchProject {
 public:
  ScratchProject() : m_previous(std::filesystem::current_path()) {
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (;;) {
      m_path = std::filesystem::temp_directory_path() /
               ("ktpm-project-" + std::to_string(stamp) + "-" + std::to_string(counter++));
      if (std::filesystem::create_directory(m_path)) break;
    }
    std::filesystem::current_path(m_path);
  }
  ScratchProject(const ScratchProject&) = delete;
  ScratchProject& operator=(const ScratchProject&) = delete;
  ~ScratchProject() {
    std::error_code ignored;
    std::filesystem::current_path(m_previous, ignored);
    // Write-protected files inside would not stop removal, but make them writable anyway.
    for (const auto& entry : std::filesystem::directory_iterator(m_path, ignored)) {
      std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_write,
                                   std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::remove_all(m_path, ignored);
  }

  const std::filesystem::path& Path() const { return m_path; }

  // Writes bytes exactly as given into a file of the project directory.
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream out(m_path / name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  // The whole content of a file, or "<missing>".
  std::string Read(const std::string& name) const {
    std::ifstream in(m_path / name, std::ios::binary);
    if (!in) return "<missing>";
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  bool Exists(const std::string& name) const { return std::filesystem::exists(m_path / name); }
  void Protect(const std::string& name, bool protect) const {
    std::filesystem::permissions(
        m_path / name, std::filesystem::perms::owner_write,
        protect ? std::filesystem::perm_options::remove : std::filesystem::perm_options::add);
  }
  bool IsProtected(const std::string& name) const {
    return (std::filesystem::status(m_path / name).permissions() &
            std::filesystem::perms::owner_write) == std::filesystem::perms::none;
  }

  // A node for a file of the directory, made as tree building makes it (label read from disk).
  KT_PM_Node* Node(const std::string& name, Node_Type type, Node_SubType subType) {
    return tree.CreateNode(name, type, subType);
  }
  KT_PM_Node* Node(Node_Type type, Node_SubType subType) { return tree.CreateNode(type, subType); }
  // A node linked under parent.
  KT_PM_Node* Child(KT_PM_Node* parent, const std::string& name, Node_Type type,
                    Node_SubType subType) {
    KT_PM_Node* node = Node(name, type, subType);
    KT_PM_Node::AppendChild(parent, node);
    return node;
  }

 private:
  std::filesystem::path m_previous;
  std::filesystem::path m_path;

 public:
  // Declared after the paths so that it goes before the directory is removed.
  KProjectTree tree;
};

// Sets an environment variable for the life of the guard (the profile file, the program search
// path), restoring the previous value afterwards.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const std::string& name, const std::string& value) : m_name(name) {
    const char* previous = std::getenv(name.c_str());
    m_hadPrevious = previous != nullptr;
    if (m_hadPrevious) m_previous = previous;
    setenv(name.c_str(), value.c_str(), 1);
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
  ~ScopedEnvironment() {
    if (m_hadPrevious) {
      setenv(m_name.c_str(), m_previous.c_str(), 1);
    } else {
      unsetenv(m_name.c_str());
    }
  }

 private:
  std::string m_name;
  bool m_hadPrevious = false;
  std::string m_previous;
};

}  // namespace ktpm::test
