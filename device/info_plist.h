// The Info.plist written beside a device backup: what the device says about itself, in the
// keys backup readers expect.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "device/plist_ptr.h"

namespace vesmar {

// Device files copied into "iTunes Files", read from "/iTunes_Control/iTunes/" + name.
inline constexpr const char* kITunesFileNames[] = {
    "ApertureAlbumPrefs", "IC-Info.sidb",     "IC-Info.sidv",        "PhotosFolderAlbums", "PhotosFolderName",
    "PhotosFolderPrefs",  "iPhotoAlbumPrefs", "iTunesApplicationIDs", "iTunesPrefs",       "iTunesPrefs.plist"};

struct InfoPlistSources {
  plist_t values = nullptr;          // the default lockdown domain (a dictionary)
  plist_t iTunesSettings = nullptr;  // domain "com.apple.iTunes"; null when it could not be read
  std::string udid;
  std::optional<std::string> iBooksData;                         // "/Books/iBooksData2.plist"
  std::vector<std::pair<std::string, std::string>> iTunesFiles;  // name, content; those read whole
  std::time_t now = 0;
};

// Null when `values` is not a dictionary.
PlistPtr MakeInfoPlist(const InfoPlistSources& sources);

}  // namespace vesmar
