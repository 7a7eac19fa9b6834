// Where the program and its per-user data live.
#pragma once

#include <filesystem>

namespace vesmar {

// The per-user application-data folder: $XDG_DATA_HOME, else ~/.local/share.
std::filesystem::path RoamingAppDataFolder();

// The folder of the running executable (data files such as config.ini sit beside it).
std::filesystem::path ProgramFolder();

}  // namespace vesmar
