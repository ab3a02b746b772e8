#include <functional>
#include <mutex>
#include <utility>

#include <ktpm/platform/MountTable.h>
#include <ktpm/platform/NetworkNames.h>
#include <ktpm/platform/PathText.h>

namespace {

using ktpm::detail::MountEntry;

constexpr const char* kNfsProvider = "NFS";
constexpr const char* kWindowsProvider = "Microsoft Windows Network";

const char* ProviderOf(const MountEntry& mount) {
  if (mount.type == "nfs" || mount.type == "nfs4") return kNfsProvider;
  if (mount.type == "cifs" || mount.type == "smb3" || mount.type == "smbfs") {
    return kWindowsProvider;
  }
  return nullptr;
}

// The remote name of a share as its mount names it, without a trailing separator.
std::string ShareRootOf(const MountEntry& mount) {
  std::string root = ktpm::detail::ToNativePath(mount.source);
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  return root;
}

class MountTableNetworkNames : public INetworkNames {
 public:
  explicit MountTableNetworkNames(std::function<ktpm::detail::MountTable()> mountTable)
      : m_mountTable(std::move(mountTable)) {}

  KUniversalName GetUniversalName(const std::string& localPath) override {
    KUniversalName answer;
    const std::string path = ktpm::detail::MakeAbsolutePath(localPath);
    const ktpm::detail::MountTable mounts = m_mountTable();
    const MountEntry* mount = ktpm::detail::FindMountOf(*mounts, path);
    if (mount == nullptr || ProviderOf(*mount) == nullptr) return answer;
    const std::string below =
        mount->mountPoint == "/" ? path : path.substr(mount->mountPoint.size());
    answer.ok = 1;
    answer.connectionName = ShareRootOf(*mount);
    answer.remainingPath = below;
    answer.universalName = answer.connectionName + below;
    return answer;
  }

  KNetworkResource GetResourceInformation(const std::string& universalPath) override {
    KNetworkResource answer;
    const std::string path = ktpm::detail::ToNativePath(universalPath);
    std::size_t bestLength = 0;
    const ktpm::detail::MountTable mounts = m_mountTable();
    for (const MountEntry& mount : *mounts) {
      const char* provider = ProviderOf(mount);
      if (provider == nullptr) continue;
      const std::string root = ShareRootOf(mount);
      if (root.empty() || path.compare(0, root.size(), root) != 0) continue;
      if (path.size() != root.size() && path[root.size()] != '/') continue;
      if (root.size() <= bestLength) continue;
      bestLength = root.size();
      answer.ok = 1;
      answer.remoteName = root;
      answer.provider = provider;
    }
    return answer;
  }

 private:
  std::function<ktpm::detail::MountTable()> m_mountTable;
};

std::mutex& ServiceMutex() {
  static std::mutex* mutex = new std::mutex;
  return *mutex;
}

std::shared_ptr<INetworkNames>& InstalledService() {
  static auto* service = new std::shared_ptr<INetworkNames>;
  return *service;
}

}  // namespace

namespace ktpm::detail {

std::shared_ptr<INetworkNames> MakeMountTableNetworkNames(std::function<MountTable()> mountTable) {
  return std::make_shared<MountTableNetworkNames>(std::move(mountTable));
}

}  // namespace ktpm::detail

void SetNetworkNames(std::shared_ptr<INetworkNames> service) {
  std::lock_guard<std::mutex> lock(ServiceMutex());
  InstalledService() = std::move(service);
}

std::shared_ptr<INetworkNames> GetNetworkNames() {
  std::lock_guard<std::mutex> lock(ServiceMutex());
  std::shared_ptr<INetworkNames>& service = InstalledService();
  if (!service) service = ktpm::detail::MakeMountTableNetworkNames(ktpm::detail::GetMountTable);
  return service;
}
