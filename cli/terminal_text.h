// Text from a backup or a device as the command line shows it on a terminal.
#pragma once

#include <string>
#include <string_view>

namespace vesmar::cli {

// Control characters (C0, DEL, C1) become '?' and bad UTF-8 U+FFFD, so a name never carries
// an escape sequence to the terminal.
std::string TerminalText(std::string_view utf8);

}  // namespace vesmar::cli
