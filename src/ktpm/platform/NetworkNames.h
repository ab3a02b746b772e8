// The network-name service: which share a path lies on and which network provider serves it.
//
// The file layer asks it two things when it decides whether a text file is opened in text or
// binary mode (see MappedFile.h): the universal name of a local path on a network mount, and the
// remote name and provider of a share given by a universal name. The default service reads the
// process's mount table: nfs and nfs4 mounts are UNIX-hosted shares (provider "NFS"), cifs, smb3
// and smbfs mounts Windows-hosted ones (provider "Microsoft Windows Network"), and every other
// mount is local, so a path on a local mount never reaches GetResourceInformation. A host or a
// test may install a service of its own.
//
// Threads: services are shared by every thread and must be safe to call concurrently. The
// installed service is held by shared ownership: a call in progress keeps its service alive
// when another is installed. The share cache is process-wide under a lock of its own.
#pragma once

#include <memory>
#include <string>

// The answer to GetUniversalName: ok 0 for a local path. universalName is the whole path in
// universal form ("server:/export/dir/file", "//server/share/dir/file"); a service that cannot
// give it may give the connection (share) name and the path below it instead.
struct KUniversalName {
  int ok = 0;
  std::string universalName;
  std::string connectionName;
  std::string remainingPath;
};

// The answer to GetResourceInformation: the share's remote name (the root of the share in
// universal form) and the name of the provider that serves it; ok 0 when the share is unknown.
struct KNetworkResource {
  int ok = 0;
  std::string remoteName;
  std::string provider;
};

class INetworkNames {
 public:
  virtual ~INetworkNames() = default;
  // The universal form of an absolute local path; ok 0 when the path is not on a network mount.
  virtual KUniversalName GetUniversalName(const std::string& localPath) = 0;
  // The share of a path in universal form and its provider.
  virtual KNetworkResource GetResourceInformation(const std::string& universalPath) = 0;
};

// Installs a service; nullptr restores the default mount-table service.
void SetNetworkNames(std::shared_ptr<INetworkNames> service);
// The service in use.
std::shared_ptr<INetworkNames> GetNetworkNames();

// Forgets every share classified so far. The library itself never clears the cache; tests and
// hosts that replace the network service or the server directory map do.
void ClearShareCache();
