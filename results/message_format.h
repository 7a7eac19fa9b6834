// Fills the placeholders of a message text from the language tables. The format is data read
// from a file, so it is never handed to printf: only %s, %d, %i, %u and %% are understood, each
// placeholder takes the next argument whatever its kind, a missing argument gives an empty text
// and any other "%" sequence is kept as it stands.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace vesmar {

using MessageArg = std::variant<std::int64_t, std::u16string>;

std::u16string FormatMessage(std::u16string_view format, std::initializer_list<MessageArg> args);

}  // namespace vesmar
