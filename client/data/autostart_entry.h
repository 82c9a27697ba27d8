// "Start with the system": an XDG autostart entry for the client program.
#pragma once

#include <string>

namespace orv {

constexpr char kAutostartEntryName[] = "orvphone.desktop";
// The entry name of older versions; removed at every configuration load.
constexpr char kOldAutostartEntryName[] = "ORV II.desktop";

// $XDG_CONFIG_HOME/autostart, else $HOME/.config/autostart; empty when neither is set.
std::string DefaultAutostartFolder();

// True when the entry can be read.
bool AutostartEntryPresent(const std::string& folder, const char* entryName = kAutostartEntryName);
// Writes the entry (atomically, creating the folder) so that it starts programPath.
bool WriteAutostartEntry(const std::string& folder, const std::string& programPath);
// Removes the entry; true when it is gone afterwards.
bool RemoveAutostartEntry(const std::string& folder, const char* entryName = kAutostartEntryName);

// The Exec value of a desktop entry for one program path without arguments: quoted, with
// the characters the entry format reserves escaped.
std::string DesktopExecValue(const std::string& programPath);

} // namespace orv
