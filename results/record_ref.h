// A reference to one record of the scan results, as list rows, statistics entries and the
// export carry it. The record's address is its identity.
#pragma once

#include <variant>

#include "recovery/file_records.h"
#include "sqlite_recovery/records.h"

namespace vesmar {

// Groups (a category, an app) hold no record: std::monostate.
using RecordRef = std::variant<std::monostate, const MediaFileRecord*, const AttachmentFileRecord*,
                               const AppFileRecord*, const MessageRecord*, const ContactRecord*,
                               const CallRecord*, const NoteRecord*, const WhatsAppMessageRecord*>;

// The record's address, or nullptr for a group.
inline const void* RecordIdentity(const RecordRef& ref) {
  return std::visit(
      [](const auto& value) -> const void* {
        if constexpr (std::is_same_v<std::decay_t<decltype(value)>, std::monostate>) {
          return nullptr;
        } else {
          return value;
        }
      },
      ref);
}

}  // namespace vesmar
