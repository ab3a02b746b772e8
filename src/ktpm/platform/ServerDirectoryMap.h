// The job manager's server directory map: which local directories its servers see as UNIX
// directories.
//
// Under SOFTWARE\Keltravo\Keltravo Job Manager\Servers, each server key (any name) has a DirMap
// subkey with values Local1/Remote1, Local2/Remote2, ... numbered without gaps; the first
// missing LocalN ends that server's list. Read through KRegKey on every call. Safe from any
// thread.
#pragma once

#include <string>

namespace ktpm::detail {

// Whether some server maps a local directory that is a prefix of path (compared without regard
// to case; "\" and "/" alike) to a remote directory that begins with "/".
bool IsMappedToUnixDirectory(const std::string& path);

}  // namespace ktpm::detail
