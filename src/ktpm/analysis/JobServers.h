// The job servers that the job manager's configuration lists.
//
// A server is known when the registry key "SOFTWARE\Keltravo\Keltravo Job Manager\Servers" has a
// subkey of its name; it can run the jobs of a project when one of the "LocalN" directories of
// its "DirMap" (numbered from 1 without gaps) contains the project directory.
//
// Free functions; any thread. The registry is read on every call.
#pragma once

#include <string>

namespace ktpm::detail {

// 1 when the server is listed in the job manager's configuration.
int IsKnownJobServer(const std::string& server);
// 1 when the server is listed and its directory map covers path.
int JobServerMapsPath(const std::string& server, const std::string& path);
// 1 when directory contains path: a case-insensitive prefix that ends at a directory boundary;
// "/" and "\" count as the same separator.
int DirectoryContainsPath(const std::string& directory, const std::string& path);

}  // namespace ktpm::detail
