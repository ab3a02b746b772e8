// Where per-user files live: the XDG base directories, with their usual defaults under $HOME.
// Every function may be called from any thread (they only read the environment).
#pragma once

#include <string>

namespace ktpm::detail {

// The value of an environment variable; empty when unset.
std::string GetEnvironment(const char* name);
// $XDG_CONFIG_HOME, else $HOME/.config.
std::string GetUserConfigDir();
// $XDG_STATE_HOME, else $HOME/.local/state.
std::string GetUserStateDir();
// $XDG_DATA_HOME, else $HOME/.local/share.
std::string GetUserDataDir();

}  // namespace ktpm::detail
