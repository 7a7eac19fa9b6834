// Text of a record column as the drivers keep it.
#pragma once

#include <string>

#include "sqlite_recovery/record_cursor.h"

namespace vesmar {

// Decodes a text column with the DecodeText rules. A NUL that ends the text (which those rules
// allow) is dropped: it terminates the text, it is not part of it.
inline DecodedText ColumnText(const Column& column) {
  DecodedText decoded = column.Text();
  if (!decoded.text.empty() && decoded.text.back() == u'\0') decoded.text.pop_back();
  return decoded;
}

}  // namespace vesmar
