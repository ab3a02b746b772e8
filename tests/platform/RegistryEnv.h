// Test helpers for the host services behind the file layer: a registry file of the test's own
// (KT_REGISTRY_FILE) and a scripted network-name service, both put back afterwards.
#pragma once

#include <atomic>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "TempDir.h"

#include <ktpm/platform/NetworkNames.h>

namespace ktpm::test {

// Points KT_REGISTRY_FILE at a file in a temporary directory for the life of the object.
class RegistryFileGuard {
 public:
  RegistryFileGuard() : m_path(m_dir / "registry.ini") {
    const char* previous = std::getenv("KT_REGISTRY_FILE");
    if (previous != nullptr) m_previous = previous;
    m_hadPrevious = previous != nullptr;
    ::setenv("KT_REGISTRY_FILE", m_path.c_str(), 1);
  }
  RegistryFileGuard(const RegistryFileGuard&) = delete;
  RegistryFileGuard& operator=(const RegistryFileGuard&) = delete;
  ~RegistryFileGuard() {
    if (m_hadPrevious) {
      ::setenv("KT_REGISTRY_FILE", m_previous.c_str(), 1);
    } else {
      ::unsetenv("KT_REGISTRY_FILE");
    }
  }

  // Replaces the file's contents (through a new file, as an editor saving it would).
  void Write(const std::string& contents) const {
    const std::string temporary = m_path + ".new";
    WriteFile(temporary, contents);
    ::rename(temporary.c_str(), m_path.c_str());
  }
  const std::string& path() const { return m_path; }

 private:
  TempDir m_dir;
  std::string m_path;
  std::string m_previous;
  bool m_hadPrevious = false;
};

// A network service scripted by path prefixes: a local path below a mount prefix has the
// universal name share + the rest; each share has a provider. Counts its calls.
class FakeNetworkNames : public INetworkNames {
 public:
  void AddMount(const std::string& localPrefix, const std::string& share,
                const std::string& provider) {
    m_mounts[localPrefix] = share;
    m_providers[share] = provider;
  }
  void FailResourceQueries(bool fail) { m_failResources = fail; }

  KUniversalName GetUniversalName(const std::string& localPath) override {
    ++universalCalls;
    KUniversalName answer;
    for (const auto& [prefix, share] : m_mounts) {
      if (localPath.compare(0, prefix.size(), prefix) != 0) continue;
      answer.ok = 1;
      answer.universalName = share + localPath.substr(prefix.size());
    }
    return answer;
  }

  KNetworkResource GetResourceInformation(const std::string& universalPath) override {
    ++resourceCalls;
    KNetworkResource answer;
    if (m_failResources) return answer;
    for (const auto& [share, provider] : m_providers) {
      if (universalPath.compare(0, share.size(), share) != 0) continue;
      answer.ok = 1;
      answer.remoteName = share;
      answer.provider = provider;
    }
    return answer;
  }

  std::atomic<int> universalCalls{0};
  std::atomic<int> resourceCalls{0};

 private:
  std::map<std::string, std::string> m_mounts;
  std::map<std::string, std::string> m_providers;
  bool m_failResources = false;
};

// Installs a FakeNetworkNames with an empty share cache; restores the default afterwards.
class NetworkGuard {
 public:
  NetworkGuard() : m_fake(std::make_shared<FakeNetworkNames>()) {
    SetNetworkNames(m_fake);
    ClearShareCache();
  }
  NetworkGuard(const NetworkGuard&) = delete;
  NetworkGuard& operator=(const NetworkGuard&) = delete;
  ~NetworkGuard() {
    SetNetworkNames(nullptr);
    ClearShareCache();
  }
  FakeNetworkNames& fake() { return *m_fake; }

 private:
  std::shared_ptr<FakeNetworkNames> m_fake;
};

}  // namespace ktpm::test
