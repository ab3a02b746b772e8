// The process's mount table, as the default network-name service reads it.
//
// Safe from any thread; the table is read from /proc/self/mounts (or /etc/mtab) and kept for
// one second, so that opening many files does not re-read it each time.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

class INetworkNames;

namespace ktpm::detail {

struct MountEntry {
  std::string source;      // "server:/export", "//server/share", "/dev/sda1", ...
  std::string mountPoint;  // absolute, octal escapes decoded
  std::string type;        // "nfs", "cifs", "ext4", ...
};

// Parses mount-table text (one mount a line: source, mount point, type, options...).
std::vector<MountEntry> ParseMountTable(const std::string& text);
using MountTable = std::shared_ptr<const std::vector<MountEntry>>;

// The current mount table (shared: callers only read it).
MountTable GetMountTable();
// The mount that holds an absolute, clean path: the longest mount point that is a whole-
// component prefix of it; nullptr when none.
const MountEntry* FindMountOf(const std::vector<MountEntry>& mounts, const std::string& path);

// The default network-name service over a mount table (GetMountTable for the process's own):
// nfs and nfs4 mounts are served by "NFS", cifs, smb3 and smbfs mounts by "Microsoft Windows
// Network", every other mount is local.
std::shared_ptr<INetworkNames> MakeMountTableNetworkNames(std::function<MountTable()> mountTable);

}  // namespace ktpm::detail
