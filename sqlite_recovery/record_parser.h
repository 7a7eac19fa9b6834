// The contract between the table driver (RecoverTable) and the per-table record parsers.
//
// The driver finds byte positions that may hold a row of the table and hands each to the table's
// parser; the parser decides whether the bytes are a row, and if so appends a record to its own
// list. Records arrive in this order, for each root page of the table in ascending page index:
//   1. the live cells of its leaf pages (form Cell, status Live), pages ascending, cells in
//      pointer-array order;
//   2. the deleted-record candidates of the same pages (form Header, status Deleted), pages
//      ascending, candidates in the order the detectors found them (freeblocks, tail, gap, stale
//      slots);
// and then, for each freelist page adopted as a former page of the table, in freelist order:
//   3. its cells (form Cell, status Deleted), then its candidates (form Header, status Deleted);
// and last, only when RecoverTableOptions::carveFreelistTrunks asks for it:
//   4. old cells found on the freelist's trunk pages (form Header, status Deleted).
//
// A record comes in one of two forms:
//   - Cell form: payload-length varint, rowid varint, header-length varint H of length L, H − L
//     bytes of serial types, the body H bytes after the header start. Column indexes count from 0;
//     the record has the cell's rowid. A payload that spilled is assembled with
//     CSqliteRecoveryFile::AssemblePayload (OpenRecord does it when asked).
//   - Header form (carved from free space): the bytes start at the first serial type; payload
//     length, rowid and usually the header length were overwritten. With n the table's expected
//     column count: when the first byte is 0 (the NULL an integer primary key stores), n serial
//     types follow and indexes start at 0; otherwise the first serial type counts as lost, n − 1
//     are read and indexes start at 1. The body follows the serial types; the rowid is unknown (0).
//
// A parser returns 0 when it accepted the bytes and appended a record, and 87 when it rejected
// them; a rejection has no other effect. Parsers may update the file's settings from live rows
// (message column count, contact and call header bytes, highest rowids): the live rows of a root
// page are always parsed before its candidates are collected, so carving uses what they taught.
//
// A driver for a table looks like this (the record type and its checks are the driver's own):
//
//   std::vector<ChatHandleRecord> handles;
//   RecoverTable(file, "handle", [&](CSqliteRecoveryFile& f, const RecordBytes& in) {
//     RecordCursor record = OpenRecord(f, in, /*assembleOverflow=*/false);
//     ChatHandleRecord r;
//     r.status = in.status;
//     r.rowid = static_cast<std::int32_t>(record.rowid());
//     for (Column c; record.Next(c);) {
//       if (c.index == 1 && c.IsText()) {
//         if (!c.complete()) return result::kInvalid;
//         r.address = c.Text().text;
//       }
//     }
//     if (r.address.empty()) return result::kInvalid;
//     handles.push_back(std::move(r));
//     return result::kOk;
//   });
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "sqlite_recovery/records.h"

namespace vesmar {

class CSqliteRecoveryFile;

enum class RecordForm : std::int32_t { Cell = 0, Header = 1 };

// Where the bytes of a record were found.
enum class RecordOrigin : std::uint8_t {
  Cell,          // a cell of a leaf page: live, or of a page adopted from the freelist
  Freeblock,     // a freeblock of a leaf page
  Tail,          // after the last cell of a leaf page
  Gap,           // the unallocated space between the pointer array and the cells
  StaleSlot,     // a pointer left beyond the cell count
  FreelistTrunk, // old cells on a freelist trunk page (only when asked for)
  EmptiedPage,   // old cells of a leaf page whose last cell was deleted
};

// Where a record came from, for people: "live cell", "freelist page" (a cell of an adopted freed
// page), "freeblock", "tail", "gap", "stale slot", "freelist trunk", "emptied page"; a candidate carved on an
// adopted freed page is named "freelist page, " and its detector.
std::string RecordSourceName(RecordOrigin origin, bool onFreelistPage);

struct RecordBytes {
  // The page from the record's position; for a row in header form that spilled to overflow pages,
  // the whole row assembled in a buffer of the driver (`page` and `offset` still say where it began).
  const std::uint8_t* bytes = nullptr;
  std::size_t available = 0;            // bytes from that position to the page end (or the row's)
  std::uint32_t cellEnd = 0;            // cell form: end of the cell within its page; else 0
  RecordForm form = RecordForm::Cell;
  RecordStatus status = RecordStatus::Live;

  // Provenance, for reports and for AssemblePayload; parsers that only decode need none of it.
  const std::uint8_t* page = nullptr;   // the whole page
  std::uint32_t pageIndex = 0;          // page number minus 1
  std::uint16_t offset = 0;             // position of `bytes` within the page
  RecordOrigin origin = RecordOrigin::Cell;
  bool onFreelistPage = false;          // the page came from the freelist
  // Header form: where the free space the candidate was found in ends within the page (the end
  // of its freeblock, say), 0 when not known. A parser may use it to tell how long the record was.
  std::uint32_t extentEnd = 0;
  // Header form: the detector read the record's header length just before `bytes`, so the first
  // serial type is there too, whatever its value (the record form's rule assumes it is lost when
  // it is not 0, which holds for tables whose first column is an integer key).
  bool headerIntact = false;
};

using RecordParser = std::function<int(CSqliteRecoveryFile& file, const RecordBytes& record)>;

}  // namespace vesmar
