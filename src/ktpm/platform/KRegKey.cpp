#include <cstring>
#include <utility>

#include <ktpm/platform/KRegKey.h>
#include <ktpm/platform/RegistryFile.h>

using ktpm::detail::RegistryData;

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
  std::string path = m_block->keyPath;
  for (const std::string& component : RegistryData::SplitKeyPath(name)) {
    if (!path.empty()) path += '\\';
    path += component;
  }
  if (!ktpm::detail::GetRegistry()->HasKey(RegistryData::SplitKeyPath(path))) {
    m_lastError = kFileNotFound;
    return subKey;
  }
  block->open = true;
  block->keyPath = std::move(path);
  m_lastError = kSuccess;
  return subKey;
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
