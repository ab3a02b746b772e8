// Checks the ktpm commands make on the paths they are given before they read them, so that a
// path that cannot be read ends the command with exit status 1 and the reason, rather than with
// an empty result. Free functions, any thread.
#pragma once

#include <string>

namespace ktpm::tool {

// Why the directory cannot be listed ("No such file or directory", "Permission denied", "Not a
// directory"); empty when it can.
std::string DirectoryProblem(const std::string& path);
// Why the file cannot be read ("Is a directory", "Permission denied"...); empty when it can.
std::string FileProblem(const std::string& path);

// The path made absolute (KProjectTree::Open makes the project directory the current one, so a
// relative path would name another directory afterwards); the path itself when that fails.
std::string AbsolutePath(const std::string& path);

}  // namespace ktpm::tool
