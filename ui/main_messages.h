// The main window's own messages, posted by pages and workers and handled on the window thread.
#pragma once

#include "toolkit/window_messages.h"

namespace vesmar {

inline constexpr unsigned WM_PREVIEW_MEDIA = kWmUser + 3;           // 0x403
inline constexpr unsigned WM_START_SCAN = kWmUser + 7;              // 0x407, wParam: ScanSource
inline constexpr unsigned WM_UPDATE_CATEGORY_COUNTS = kWmUser + 8;  // 0x408
inline constexpr unsigned WM_SELECT_FIRST_CATEGORY = kWmUser + 9;   // 0x409
inline constexpr unsigned WM_SCAN_FINISHED = kWmUser + 10;          // 0x40A
inline constexpr unsigned WM_SCAN_EVENT = kWmUser + 11;             // 0x40B, wParam: ScanEvent
inline constexpr unsigned WM_SHOW_PRINT_PAGE = kWmUser + 12;        // 0x40C, to the print window

enum ScanSource : unsigned { kSourceDevice = 0, kSourceBackup = 1 };

enum ScanEvent : unsigned { ScanStarted = 0, PasswordRequired = 1, ScanFailed = 3 };

}  // namespace vesmar
