// A record parser for any table: decodes every column as it is stored. Used where no parser
// knows the table (the command line's carve, the fuzz target, the forensic-corpus check).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "sqlite_recovery/record_parser.h"

namespace vesmar {

struct GenericValue {
  enum class Kind : std::uint8_t { Null, Integer, Real, Text, Blob };
  Kind kind = Kind::Null;
  std::int64_t integer = 0;
  double real = 0;
  std::string bytes;       // text as stored (UTF-8) or blob
  bool validText = true;   // text: clean UTF-8 without a NUL before its end
};

struct GenericRecord {
  RecordStatus status = RecordStatus::Live;
  RecordOrigin origin = RecordOrigin::Cell;
  bool onFreelistPage = false;
  std::uint32_t pageNumber = 0;  // 1-based, as SQLite numbers pages
  std::uint16_t offset = 0;      // where the record's bytes start within the page
  bool hasRowid = false;         // cell form only
  std::int64_t rowid = 0;
  bool lostFirstColumn = false;      // header form whose first serial type was overwritten
  bool inferredFirstColumn = false;  // ... whose content was read as an integer of the size left over
  std::vector<GenericValue> values;  // from column 0; a lost first column reads as Null
};

// Accepts a record when all its columns lie within its bytes. A carved or freed (Deleted) record
// is held to more, since its bytes are a guess: no reserved serial type, valid text, and at least
// one column that is not NULL. Live rows keep invalid text, marked.
//
// A carved record is read in the first of these layouts that decodes: all serial types intact when
// the detector read its header length; when the end of its freeblock is known, all its serial types intact, or the first one lost with the bytes left over
// as its content (an integer of 1 to 8 bytes); all serial types intact when a matching header
// length stands just before them; else the record form's rule (first serial type lost unless the
// first byte is 0). Tables whose first column is an integer key read the same in all of them.
//
// When the table has an INTEGER PRIMARY KEY column (`rowidAlias`, its index), every row stores
// NULL there; a carved record that holds anything else is no row of the table. And the live rows,
// which always come first, teach what each column holds (numbers, text, blobs): a carved record
// with a kind of value no live row has in that column is taken for a misreading and rejected.
// Where accepted records go: a list, or a consumer that takes them one by one (printing a large
// table without holding it).
using GenericRecordSink = std::function<void(GenericRecord&& record)>;

class GenericRecordParser {
 public:
  explicit GenericRecordParser(std::vector<GenericRecord>& out, std::int32_t rowidAlias = -1)
      : sink_([&out](GenericRecord&& r) { out.push_back(std::move(r)); }), rowidAlias_(rowidAlias) {}
  explicit GenericRecordParser(GenericRecordSink sink, std::int32_t rowidAlias = -1)
      : sink_(std::move(sink)), rowidAlias_(rowidAlias) {}
  int operator()(CSqliteRecoveryFile& file, const RecordBytes& record);

 private:
  bool HoldsNullKey(const GenericRecord& record) const;
  void LearnKinds(const GenericRecord& record);
  bool KindsSeenLive(const GenericRecord& record) const;

  GenericRecordSink sink_;
  std::int32_t rowidAlias_;
  std::vector<std::uint8_t> liveKinds_;  // per column: bits of the kinds live rows held
};

}  // namespace vesmar
