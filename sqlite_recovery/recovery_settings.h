// What one database run learns from the live rows it decodes and what its driver tells it. The
// record parsers read and update these; the expected column counts of some tables follow them.
#pragma once

#include <cstdint>

namespace vesmar {

struct RecoverySettings {
  // Highest rowid of a live row of table message seen by the message parser.
  std::uint64_t highestRowid = 0;
  // Highest rowid of a live row of ABPersonFullTextSearch_content seen by the contact parser.
  std::uint64_t highestContactRowid = 0;
  // Expected column count of ZWAMESSAGE; the WhatsApp driver sets it from the live table.
  std::int32_t whatsAppMessageColumnCount = 28;
  // 1 when the call history holds table ZCALLRECORD, 0 for the older table call.
  std::int32_t callTableKind = 0;
  // 1 when the device runs iOS 12 or later; each driver sets it before parsing.
  std::int32_t ios12OrLater = 0;
  // Serial-type bytes of the last live call row decoded (its header length minus 1).
  std::int32_t callHeaderBytes = 0;
  // Serial-type bytes of the last live ABPersonFullTextSearch_content row decoded; 0 until then.
  std::int32_t contactHeaderBytes = 0;
  // Columns of the last live ABPersonFullTextSearch_content row decoded (24 before iOS 12, 26
  // from then on); 0 until then. Once set it is the table's expected column count.
  std::int32_t contactColumnCount = 0;
  // Expected column count of table message: 38 until a live message row sets it to its own
  // column count (38 and 51 on older devices, 68, 74 or more on current ones).
  std::int32_t messageColumnCount = 38;
};

}  // namespace vesmar
