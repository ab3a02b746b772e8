// The host's services: the string table, the message box and the profile.
//
// The string table holds the system's built-in English texts by resource id; a client may
// replace texts for localisation. The message box goes to a handler the client sets (default:
// one line on stderr). The profile is an INI file, $KT_PROFILE_FILE or
// $XDG_CONFIG_HOME/keltravo/profile.ini (~/.config when XDG_CONFIG_HOME is unset).
//
// Threads: every function may be called from any thread; each service has a lock of its own.
// Handlers are called on the calling thread, without any library lock held.
#pragma once

#include <functional>
#include <string>

// The text of a string resource; empty for an unknown id.
std::string GetResourceString(int id);
// Replaces (or adds) the text of a string resource, for localisation.
void SetResourceString(int id, const std::string& text);

using KMessageBoxHandler = std::function<void(const std::string& text, const std::string& caption)>;
// Sets the message-box handler; an empty function restores the default (stderr).
void SetMessageBoxHandler(KMessageBoxHandler handler);
// Shows a message without owner window through the handler.
void ShowMessageBox(const std::string& text, const std::string& caption);

// Reads a profile value; defaultValue when the section or key is missing.
std::string GetProfileString(const std::string& section, const std::string& key,
                             const std::string& defaultValue);
// Writes a profile value, creating the file and its directory when needed; every other line of
// the file stays as it was (see IniFile.h). 1 on success; 0, leaving the file as it was, when the
// file cannot be read or written or a name or the value holds a line break.
int WriteProfileString(const std::string& section, const std::string& key,
                       const std::string& value);
// The profile file in use.
std::string GetProfileFilePath();
