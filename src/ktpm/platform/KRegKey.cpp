#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <ktpm/platform/IniFile.h>
#include <ktpm/platform/KRegKey.h>
#include <ktpm/platform/RegistryFile.h>

using ktpm::detail::IniFile;
using ktpm::detail::RegistryData;

namespace {

// The path of name below the key at base, components separated by "\".
std::string ChildPath(const std::string& base, const std::string& name) {
  std::string path = base;
  for (const std::string& component : RegistryData::SplitKeyPath(name)) {
    if (!path.empty()) path += '\\';
    path += component;
  }
  return path;
}

}  // namespace

KRegKey::KRegKey(KRegRoot /*root*/) : m_block(new HandleBlock) { m_block->open = true; }

KRegKey::KRegKey(const KRegKey& other) : m_block(other.m_block), m_lastError(other.m_lastError) {
  if (m_block != nullptr) m_block->references.fetch_add(1, std::memory_order_relaxed);
}

KRegKey& KRegKey::operator=(const KRegKey& other) {
  if (this != &other) {
    if (other.m_block != nullptr) {
      other.m_block->references.fetch_add(1, std::memory_order_relaxed);
    }
    Release();
    m_block = other.m_block;
    m_lastError = other.m_lastError;
  }
  return *this;
}

KRegKey::KRegKey(KRegKey&& other) noexcept
    : m_block(std::exchange(other.m_block, nullptr)), m_lastError(other.m_lastError) {}

KRegKey& KRegKey::operator=(KRegKey&& other) noexcept {
  if (this != &other) {
    Release();
    m_block = std::exchange(other.m_block, nullptr);
    m_lastError = other.m_lastError;
  }
  return *this;
}

KRegKey::~KRegKey() { Release(); }

KRegKey KRegKey::OpenSubKey(const std::string& name) {
  auto* block = new HandleBlock;
  KRegKey subKey(block);
  if (!IsOpen()) {
    m_lastError = kInvalidHandle;
    return subKey;
  }
  std::string path = ChildPath(m_block->keyPath, name);
  if (!ktpm::detail::GetRegistry()->HasKey(RegistryData::SplitKeyPath(path))) {
    m_lastError = kFileNotFound;
    return subKey;
  }
  block->open = true;
  block->keyPath = std::move(path);
  m_lastError = kSuccess;
  return subKey;
}

KRegKey KRegKey::CreateSubKey(const std::string& name) {
  if (!IsOpen()) {
    m_lastError = kInvalidHandle;
    return KRegKey(new HandleBlock);
  }
  const std::string path = ChildPath(m_block->keyPath, name);
  const RegistryData::KeyPath key = RegistryData::SplitKeyPath(path);
  if (!ktpm::detail::GetRegistry()->HasKey(key)) {
    const int added = ktpm::detail::UpdateRegistryFile([&](IniFile& file) {
      if (!ktpm::detail::FindKeySections(file, key, true).empty()) return 1;
      return file.AddSection(path);
    });
    if (added == 0) {
      m_lastError = kAccessDenied;
      return KRegKey(new HandleBlock);
    }
  }
  return OpenSubKey(name);
}

int KRegKey::SetString(const std::string& valueName, const std::string& value) {
  if (!IsOpen()) {
    m_lastError = kInvalidHandle;
    return 0;
  }
  const RegistryData::KeyPath key = RegistryData::SplitKeyPath(m_block->keyPath);
  const int written = ktpm::detail::UpdateRegistryFile([&](IniFile& file) {
    // The first section of the key is the one whose values reading finds first.
    const std::vector<std::string> sections = ktpm::detail::FindKeySections(file, key, false);
    return file.Set(sections.empty() ? m_block->keyPath : sections.front(), valueName, value);
  });
  m_lastError = written != 0 ? kSuccess : kAccessDenied;
  return written;
}

int KRegKey::DeleteValue(const std::string& valueName) {
  if (!IsOpen()) {
    m_lastError = kInvalidHandle;
    return 0;
  }
  const RegistryData::KeyPath key = RegistryData::SplitKeyPath(m_block->keyPath);
  int found = 0;
  const int written = ktpm::detail::UpdateRegistryFile([&](IniFile& file) {
    for (const std::string& section : ktpm::detail::FindKeySections(file, key, false)) {
      found |= file.Remove(section, valueName);
    }
    return found;
  });
  m_lastError = written != 0 ? kSuccess : found != 0 ? kAccessDenied : kFileNotFound;
  return written;
}

int KRegKey::DeleteSubKey(const std::string& name) {
  if (!IsOpen()) {
    m_lastError = kInvalidHandle;
    return 0;
  }
  const RegistryData::KeyPath below = RegistryData::SplitKeyPath(name);
  const RegistryData::KeyPath key = RegistryData::SplitKeyPath(ChildPath(m_block->keyPath, name));
  int found = 0;
  const int written = below.empty() ? 0 : ktpm::detail::UpdateRegistryFile([&](IniFile& file) {
    for (const std::string& section : ktpm::detail::FindKeySections(file, key, true)) {
      found |= file.RemoveSection(section);
    }
    return found;
  });
  m_lastError = written != 0 ? kSuccess : found != 0 ? kAccessDenied : kFileNotFound;
  return written;
}

int KRegKey::IsOpen() const { return m_block != nullptr && m_block->open ? 1 : 0; }

int KRegKey::QueryString(const std::string& valueName, std::string& value) {
  if (!IsOpen()) {
    m_lastError = kInvalidHandle;
    return 0;
  }
  const auto registry = ktpm::detail::GetRegistry();
  const std::string* found =
      registry->FindValue(RegistryData::SplitKeyPath(m_block->keyPath), valueName);
  if (found == nullptr) {
    m_lastError = kFileNotFound;
    return 0;
  }
  if (found->size() + 1 > sizeof m_buffer) {
    m_lastError = kMoreData;
    return 0;
  }
  std::memcpy(m_buffer, found->data(), found->size());
  m_buffer[found->size()] = '\0';
  value = m_buffer;  // a string value ends at its first null
  m_lastError = kSuccess;
  return 1;
}

const char* KRegKey::EnumSubKey(int index) {
  if (!IsOpen()) {
    m_lastError = kInvalidHandle;
    return nullptr;
  }
  std::string name;
  if (index < 0 ||
      !ktpm::detail::GetRegistry()->GetSubKey(RegistryData::SplitKeyPath(m_block->keyPath),
                                              static_cast<std::size_t>(index), name)) {
    m_lastError = kNoMoreItems;
    return nullptr;
  }
  if (name.size() + 1 > sizeof m_buffer) {
    m_lastError = kMoreData;
    return nullptr;
  }
  std::memcpy(m_buffer, name.data(), name.size());
  m_buffer[name.size()] = '\0';
  m_lastError = kSuccess;
  return m_buffer;
}

void KRegKey::Release() {
  HandleBlock* block = std::exchange(m_block, nullptr);
  if (block != nullptr && block->references.fetch_sub(1, std::memory_order_acq_rel) == 1) {
    delete block;
  }
}
