// One value of a CSV line: quoted when it holds a comma, a quote or a line break, with quotes
// doubled, so every line keeps its columns whatever the message says.
#pragma once

#include <string>
#include <string_view>

namespace vesmar {

std::string CsvField(std::string_view utf8);

}  // namespace vesmar
