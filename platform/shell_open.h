// Opening a file, folder or web address with the desktop's default program.
#pragma once

#include <string>

namespace vesmar {

// Starts `xdg-open target` in its own session and returns at once; the opener is reaped in the
// background. False when it could not be started.
bool ShellOpen(const std::string& target);

}  // namespace vesmar
