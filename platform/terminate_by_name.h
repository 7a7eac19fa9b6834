// Ending helper processes by their executable name (the external players at exit).
#pragma once

#include <string_view>

namespace vesmar {

// Sends SIGTERM to every process of the current user, other than this one, whose executable
// name equals `name` exactly (case-sensitive). Returns how many were signalled.
int TerminateProcessesByName(std::string_view name);

}  // namespace vesmar
