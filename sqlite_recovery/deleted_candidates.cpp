#include "sqlite_recovery/deleted_candidates.h"

#include <algorithm>
#include <map>
#include <span>

#include "sqlite_recovery/sqlite_format.h"
#include "sqlite_recovery/sqlite_recovery_file.h"

namespace vesmar {

namespace fmt = sqlite_format;

namespace {

// One leaf page with bounded accessors: nothing outside [0, page size) is ever read; a word or
// varint that would start past the page reads as 0.
struct PageView {
  const CSqliteRecoveryFile& file;
  const std::uint8_t* p;
  std::int64_t ps;
  std::int64_t hdr;
  std::int64_t n;        // expected column count of the current table
  bool isMessage;
  bool isCall;
  std::int64_t callBytes;

  PageView(const CSqliteRecoveryFile& f, const std::uint8_t* page, std::uint32_t index)
      : file(f),
        p(page),
        ps(f.pageSize()),
        hdr(CSqliteRecoveryFile::HeaderOffset(index)),
        n(f.CurrentColumnCount()),
        isMessage(f.currentKnownTable() == KnownTable::Message),
        isCall(f.currentKnownTable() == KnownTable::Call),
        callBytes(f.settings.callHeaderBytes) {}

  std::int64_t Word(std::int64_t pos) const { return pos >= 0 && pos + 2 <= ps ? fmt::Be16(p + pos) : 0; }
  fmt::Varint VarintAt(std::int64_t pos, std::int64_t limit) const {
    if (pos < 0 || pos >= ps) return {};
    return fmt::ReadVarint(p + pos, std::min(limit, ps - pos));
  }
  std::int64_t TypesLength(std::int64_t pos, std::int64_t count) const {
    if (pos < 0 || pos >= ps) return 0;
    return CSqliteRecoveryFile::SerialTypesLength(p + pos, ps - pos, count);
  }
  std::int64_t RecordSize(std::int64_t h, std::int64_t k, std::int64_t limit) const {
    if (h < 0 || h > ps) return fmt::Clamp(~0ull);
    return file.RecordSize(p + h, ps - h, k, limit);
  }
  // Serial types that header checks count: the call table counts its live rows' header bytes.
  std::int64_t CheckedTypes() const { return isCall ? callBytes : n; }
  std::int64_t CellCount() const { return fmt::Be16(p + hdr + 3); }
};

// Each offset of a page is a candidate once: two detectors finding the same bytes (a freeblock
// at the page end is also the tail) would otherwise list one deleted row twice.
void Add(CandidateList& list, std::int64_t h, RecordOrigin origin, std::int64_t ps, std::int64_t end = 0,
         bool headerIntact = false, bool spilled = false) {
  if (h <= 0 || h >= ps) return;
  const auto offset = static_cast<std::uint16_t>(h);
  if (std::any_of(list.begin(), list.end(), [offset](const Candidate& c) { return c.offset == offset; })) return;
  list.push_back({offset, origin, end > h && end <= ps ? static_cast<std::uint32_t>(end) : 0, headerIntact, spilled});
}

// A record with its header length at `r` and serial types at `h` that must have spilled, and
// whose local part and overflow page number fit before `end`.
bool SpilledRecordAt(const PageView& v, std::int64_t r, std::int64_t h, std::int64_t end) {
  CSqliteRecoveryFile::SpilledRecord spilled;
  return v.file.MeasureSpilledRecord(v.p, h, end, spilled) && spilled.start == r;
}

// The first serial type of a row too long for its page, freed at `off` (0 when none). Its payload
// length took 2 bytes or more, so the freeblock header took that and the rowid's start.
std::int64_t FindSpilledRecord(const PageView& v, std::int64_t off, std::int64_t end) {
  if (v.n <= 0 || off + 13 >= v.ps) return 0;
  const auto headerAt = [&](std::int64_t at) -> std::int64_t {
    const auto header = v.VarintAt(at, v.ps - at);
    const std::int64_t h = at + header.length;
    const bool fits = v.TypesLength(h, v.n) + header.length == fmt::Clamp(header.value);
    return fits && SpilledRecordAt(v, at, h, end) ? h : 0;
  };
  // The header length right after the overwritten bytes, or after the rest of a longer rowid
  // (whose last byte is the first from byte 4 on without the high bit).
  if (const std::int64_t h = headerAt(off + 4)) return h;
  for (std::int64_t at = off + 4; at < off + 12; ++at) {
    if (v.p[at] & 0x80) continue;
    if (const std::int64_t h = headerAt(at + 1)) return h;
    break;
  }
  // With a 1-byte rowid the header length was overwritten too: the serial types start at byte 4.
  return SpilledRecordAt(v, off + 3, off + 4, end) ? off + 4 : 0;
}

struct FreedHeader {
  std::int64_t h;  // first serial type
  std::int64_t m;  // bytes of the table's serial types from there
  bool intact;     // the header length was found in front of them
};

std::vector<std::int64_t> InnerFreeblocks(const PageView& v, std::int64_t off, std::int64_t end);

// Bytes of the content that `count` serial types at `pos` name; -1 when they do not fit.
std::int64_t ContentOf(const PageView& v, std::int64_t pos, std::int64_t count) {
  const std::int64_t types = v.TypesLength(pos, count);
  std::int64_t body = 0;
  for (std::int64_t at = pos; at < pos + types;) {
    const auto t = v.VarintAt(at, pos + types - at);
    at += t.length;
    const std::int64_t content = fmt::Clamp(fmt::ContentSize(t.value));
    if (content > v.ps) return -1;
    body += content;
  }
  return types > 0 ? body : -1;
}

// Where the serial types of a cell turned freeblock start. The freeblock's 4 header bytes took
// the cell's first 4: when the header length survived at byte 4 it precedes the serial types,
// else they start at byte 4. A long row with a large rowid has more than 4 bytes of payload
// length and rowid, and its header length stands further on (up to byte 12); it is looked for
// there when byte 4 does not hold it, or most long rows of a big table would be misread. Such a
// header counts only when what it describes fills the freed cell exactly, up to `end` (the
// freeblock's end, or where a freeblock merged into it begins).
FreedHeader FindFreedHeader(const PageView& v, std::int64_t off, std::int64_t end) {
  const auto header = v.VarintAt(off + 4, v.ps - off - 4);
  const std::int64_t m = v.TypesLength(off + 4 + header.length, v.n);
  if (fmt::Clamp(header.value) - header.length == m) return {off + 4 + header.length, m, true};
  for (std::int64_t at = off + 5; v.n > 0 && at <= off + 12 && at < v.ps; ++at) {
    // What lies between is the end of the rowid varint: its last byte alone has no high bit.
    if (v.p[at - 1] & 0x80) continue;
    if (at - 1 > off + 4 && !std::all_of(v.p + off + 4, v.p + at - 1, [](std::uint8_t b) { return b & 0x80; })) break;
    const auto later = v.VarintAt(at, v.ps - at);
    const std::int64_t types = v.TypesLength(at + later.length, v.n);
    const std::int64_t length = fmt::Clamp(later.value);
    if (types > 0 && length - later.length == types && at + length + ContentOf(v, at + later.length, v.n) == end)
      return {at + later.length, types, true};
    break;  // the rowid ended here: no later position can hold the header
  }
  return {off + 4, m, false};
}

// Where the freed cell at `off` ends: the block's end, or the first freeblock merged into it.
std::int64_t FreedCellEnd(const PageView& v, std::int64_t off, std::int64_t blockEnd) {
  const auto inner = InnerFreeblocks(v, off + 4, blockEnd);
  return inner.empty() ? blockEnd : inner.front();
}

// SQLite merges the freeblocks of neighbouring deleted cells into one. A cell freed before the
// neighbour in front of it keeps its own old freeblock header inside the merged block, and that
// header's size reaches to the end of the block as it was then: the end of the merged block, or
// the start of another such header. Returns those starts, ascending.
std::vector<std::int64_t> InnerFreeblocks(const PageView& v, std::int64_t off, std::int64_t end) {
  std::vector<std::int64_t> starts;  // descending while searching
  if (end - 4 < off + 5) return starts;
  // Which offsets from off + 9 to end start a header found so far: a test per byte, not a search
  // of the list (a page of tiny blocks would make that quadratic).
  std::vector<bool> isStart(static_cast<std::size_t>(end - off), false);
  for (std::int64_t q = end - 4; q >= off + 5; --q) {
    const std::int64_t size = v.Word(q + 2);
    const std::int64_t next = v.Word(q);
    if (size < 4 || q + size > end || (next != 0 && next < q + size)) continue;
    if (q + size == end || isStart[static_cast<std::size_t>(q + size - off)]) {
      starts.push_back(q);
      isStart[static_cast<std::size_t>(q - off)] = true;
    }
  }
  std::reverse(starts.begin(), starts.end());
  return starts;
}

// Hands each freeblock of the page's chain to visit(offset, size). A size that runs past the
// page is read again as a varint at byte 3; when that one does too, the walk ends. The chain
// runs to higher offsets: one that turns back is damaged (or a loop) and ends. The blocks of a
// sound page do not overlap, so together they cover less than the page; a damaged chain of
// blocks that each reach far over the next ones ends once they have covered the page twice, or
// the work on it would grow with the square of the page size.
template <typename Visit>
void WalkFreeblockChain(const PageView& v, Visit visit) {
  std::int64_t covered = 0;
  for (std::int64_t off = v.Word(v.hdr + 1); off != 0 && off + 4 <= v.ps;) {
    std::int64_t size = v.Word(off + 2);
    if (size == 0) break;
    if (size > v.ps - off) {
      size = fmt::Clamp(v.VarintAt(off + 3, v.ps - off - 3).value);
      if (size > v.ps - off) break;
    }
    covered += size;
    if (covered > 2 * v.ps) break;
    visit(off, size);
    const std::int64_t next = v.Word(off);
    if (next <= off) break;
    off = next;
  }
}

void Freeblocks(const PageView& v, CandidateList& list) {
  WalkFreeblockChain(v, [&](std::int64_t off, std::int64_t size) {
    // A row too long for its page says so in its serial types, and its local part's length
    // follows from them: the cell is read that way first, whatever else its bytes could be
    // taken for (text in it that reads as a merged freeblock's header cannot cut it short).
    if (const std::int64_t spilled = FindSpilledRecord(v, off, off + size); spilled > 0) {
      Add(list, spilled, RecordOrigin::Freeblock, v.ps, 0, true, true);
      return;
    }
    const std::int64_t cellEnd = FreedCellEnd(v, off, off + size);
    const auto [h, m, intact] = FindFreedHeader(v, off, cellEnd);
    const std::int64_t u = v.RecordSize(h, m, v.ps - off - 4);
    if (u <= size) {
      bool keep = true;
      if (v.isMessage) {  // the 36-character guid opens a message's body and holds no zero byte
        const std::int64_t guid = h + m;
        keep = guid + 36 <= v.ps && std::none_of(v.p + guid, v.p + guid + 36, [](std::uint8_t b) { return b == 0; });
      }
      // The record ends where a freeblock merged into this one begins, else with the block.
      if (keep) Add(list, h, RecordOrigin::Freeblock, v.ps, cellEnd, intact);
    }
  });
}

void Tail(const PageView& v, std::span<const std::uint16_t> cells, CandidateList& list) {
  const std::int64_t top = cells.empty() ? 0 : *std::max_element(cells.begin(), cells.end());
  const auto payload = v.VarintAt(top, v.ps - top);
  const auto rowid = v.VarintAt(top + payload.length, v.ps - top - payload.length);
  const std::int64_t payloadLength = fmt::Clamp(payload.value);
  const std::int64_t e = payloadLength > v.ps ? v.ps : top + payloadLength + payload.length + rowid.length;

  // Pass A: a record whose header length survived.
  for (std::int64_t pos = e; pos < v.ps;) {
    const auto header = v.VarintAt(pos, v.ps - pos);
    const std::int64_t s = pos;
    const std::int64_t h = pos + header.length;
    pos = h;
    const std::int64_t V = fmt::Clamp(header.value);
    if (V != 0 && V <= v.n + 5 && V < v.ps - s && v.n < v.ps - s - header.length && v.n != 0 &&
        v.TypesLength(h, v.CheckedTypes()) + 1 == V) {
      const std::int64_t u = v.RecordSize(h, V - 1, v.ps - h);
      if (u < v.ps - h) Add(list, h, RecordOrigin::Tail, v.ps, 0, true);
      pos = u >= v.ps ? v.ps : pos + u;
    }
  }
  // Pass B: records chained one after another, each behind 4 overwritten bytes. Without a column
  // count every 4 bytes would pass, so an unknown table has no pass B.
  if (v.n == 0) return;
  for (std::int64_t pos = e; pos + v.n + 9 < v.ps;) {
    const std::int64_t h = pos + 4;
    const std::int64_t m = v.TypesLength(h, v.n);
    const std::int64_t u = v.RecordSize(h, m, v.ps - h);
    if (u > v.ps - h) break;
    Add(list, h, RecordOrigin::Tail, v.ps);
    pos = h + u;
  }
}

// From `to` down to `from`: a header-length varint whose serial types fit the table's column count
// and whose record ends before the previous one found.
void ScanForHeaders(const PageView& v, std::int64_t from, std::int64_t to, RecordOrigin origin, CandidateList& list) {
  std::int64_t lim = to;
  for (std::int64_t pos = to - 1; pos >= from; --pos) {
    const auto header = v.VarintAt(pos, lim - pos);
    const std::int64_t h = pos + header.length;
    const std::int64_t V = fmt::Clamp(header.value);
    if (V != 0 && v.n <= V && V <= v.n + 5 && V < lim - pos && V < lim - pos - header.length && v.n != 0 &&
        v.TypesLength(h, v.CheckedTypes()) + 1 == V) {
      const std::int64_t u = v.RecordSize(h, V, lim - h);
      if (u <= lim - h) {
        Add(list, h, origin, v.ps, 0, true);
        lim = pos;
      } else if (SpilledRecordAt(v, pos, h, lim)) {
        // The row inserted last goes when the content area just shrinks: its cell is whole.
        Add(list, h, origin, v.ps, 0, true, true);
        lim = pos;
      }
    }
  }
}

void Gap(const PageView& v, std::span<const std::uint16_t> cells, CandidateList& list) {
  std::int64_t low = cells.empty() ? v.ps : *std::min_element(cells.begin(), cells.end());
  low = std::min(low, v.ps);
  if (low / 2 <= 4) return;
  // The first zero word marks the end of the pointer array.
  std::int64_t end = -1;
  for (std::int64_t w = v.hdr + 8; w < low && w + 2 <= v.ps; w += 2) {
    if (v.Word(w) == 0) {
      end = w;
      break;
    }
  }
  if (end < 0) return;
  std::int64_t b = end + 2;
  while (b < low && v.p[b] == 0) ++b;
  if (b >= low) return;

  // Backward pass: headers whose length survived, from the cell content area down.
  ScanForHeaders(v, b, low, RecordOrigin::Gap, list);
  // The cell freed last at the top of the cell area: the area shrank over it, yet SQLite wrote a
  // freeblock header on it all the same. A row that spilled is found as in a freeblock, and the
  // forward pass would only misread its middle.
  for (std::int64_t off = std::max(end, b - 3); off <= b && off + 4 <= low; ++off) {
    if (v.Word(off + 2) != low - off) continue;
    if (const std::int64_t h = FindSpilledRecord(v, off, low)) {
      Add(list, h, RecordOrigin::Gap, v.ps, 0, true, true);
      return;
    }
    break;
  }
  // Forward pass: at most one record right after the first non-zero word.
  for (std::int64_t pos = b; pos < low; ++pos) {
    const std::int64_t word = v.Word(pos);
    if (word == 0) continue;
    const std::int64_t h = pos + 4;
    const std::int64_t m = v.n == 0 ? word : v.TypesLength(h, v.n);
    const std::int64_t u = v.RecordSize(h, m, v.ps - h);
    if (u <= low - h) Add(list, h, RecordOrigin::Gap, v.ps, low);
    break;
  }
}

bool NearCandidate(const CandidateList& list, std::int64_t h) {
  return std::any_of(list.begin(), list.end(), [h](const Candidate& c) { return c.offset - 6 <= h && h <= c.offset + 6; });
}

void StaleSlots(const PageView& v, CandidateList& list) {
  const std::int64_t count = v.CellCount();
  // Slots lie below the cell content area; words from there on are cell bytes, not pointers.
  const std::int64_t contentStart = v.Word(v.hdr + 5) == 0 ? 65536 : v.Word(v.hdr + 5);
  std::int64_t last = 0;
  std::vector<bool> examined(static_cast<std::size_t>(v.ps), false);
  for (std::int64_t i = 0; i < v.ps / 2; ++i) {
    const std::int64_t w = v.hdr + 8 + 2 * i;
    if (w + 2 > v.ps || w + 2 > contentStart) break;
    const std::int64_t s = v.Word(w);
    if (s == 0 || s >= v.ps) break;
    if (i < count) {
      last = s;
      continue;
    }
    if (last <= s && s <= last + 6) continue;  // SQLite leaves the last live pointer behind
    // A value met before gives what it gave then: a damaged array of one repeated value would
    // otherwise cost a freeblock search per slot.
    if (examined[static_cast<std::size_t>(s)]) continue;
    examined[static_cast<std::size_t>(s)] = true;

    // A freeblock now stands where the slot points.
    if (v.n < v.ps - s) {
      std::int64_t size = v.Word(s + 2);
      bool fits = size != 0;
      if (fits && size > v.ps - s) {
        const auto varint = v.VarintAt(s + 3, v.ps - s - 3);
        size = fmt::Clamp(varint.value);
        fits = size <= v.ps - s - varint.length;
      }
      if (fits) {
        const auto [h, m, intact] = FindFreedHeader(v, s, FreedCellEnd(v, s, s + size));
        const std::int64_t u = v.RecordSize(h, m, v.ps - h);
        if (u <= size) {
          Add(list, h, RecordOrigin::StaleSlot, v.ps, s + size, intact);
          continue;
        }
      }
    }

    // An intact cell, or one whose first 4 bytes became a freeblock header with no successor.
    std::int64_t match, rem, pos;
    bool strict;
    if (v.Word(s) != 0) {
      const auto payload = v.VarintAt(s, v.ps - s);
      if (fmt::Clamp(payload.value) - 1 > v.ps - s) continue;
      const auto rowid = v.VarintAt(s + payload.length, v.ps - s - payload.length);
      rem = v.ps - s - payload.length - rowid.length;
      if (rem <= 0) continue;
      match = fmt::Clamp(payload.value) - 1;
      strict = true;
      pos = s + payload.length + rowid.length;
    } else {
      match = v.Word(s + 2) - 5;
      rem = v.ps - s;
      pos = s + 4;
      strict = false;
    }
    const auto header = v.VarintAt(pos, rem);
    const std::int64_t h = pos + header.length;
    const std::int64_t H = fmt::Clamp(header.value);
    if (!(v.n < rem && v.n != 0 && v.TypesLength(h, v.n) + 1 == H && H < v.ps - h && H != 0 && H < match)) continue;
    const std::int64_t u = v.RecordSize(h, H, v.ps - h);
    if (strict && u != match) continue;
    if (NearCandidate(list, h)) continue;
    Add(list, h, RecordOrigin::StaleSlot, v.ps, 0, true);
  }
}

void MergedFreeblockRows(const PageView& v, CandidateList& list) {
  WalkFreeblockChain(v, [&](std::int64_t off, std::int64_t size) {
    const std::int64_t end = off + size;
    const auto inner = InnerFreeblocks(v, off + 4, end);
    for (std::size_t i = 0; i < inner.size(); ++i) {
      // The record ends where the next boundary begins.
      const std::int64_t stop = i + 1 < inner.size() ? inner[i + 1] : end;
      const auto [h, m, intact] = FindFreedHeader(v, inner[i], stop);
      if (v.RecordSize(h, m, stop - h) <= stop - h) Add(list, h, RecordOrigin::Freeblock, v.ps, stop, intact);
    }
    // Cells freed after the neighbour in front of them joined its block without a header of
    // their own: whole cells, found by their header length.
    ScanForHeaders(v, off + 4, end, RecordOrigin::Freeblock, list);
  });
}

}  // namespace

void DetectMergedFreeblockRows(const CSqliteRecoveryFile& file, const std::uint8_t* page, std::uint32_t index,
                               CandidateList& list) {
  MergedFreeblockRows(PageView(file, page, index), list);
}

namespace {

// A leaf page whose last cell was deleted: SQLite resets its header (no cells, no freeblock
// chain, content area at the page end) but leaves the old cells where they were, each behind the
// freeblock header written when it was freed. The old pointer array stays too: its words name
// cells' starts. From each, the cells that followed it are read one after another, as long as
// each one fits the table's width and the page.
void EmptiedPageRows(const PageView& v, std::span<const std::uint16_t> cells, CandidateList& list) {
  if (!cells.empty() || v.n <= 0 || fmt::Be16(v.p + v.hdr + 1) != 0) return;
  std::int64_t arrayEnd = v.hdr + 8;
  while (arrayEnd + 1 < v.ps && v.Word(arrayEnd) != 0) arrayEnd += 2;
  std::vector<std::int64_t> starts;
  for (std::int64_t w = v.hdr + 8; w < arrayEnd; w += 2) {
    const std::int64_t start = v.Word(w);
    if (start >= arrayEnd && start + 5 < v.ps) starts.push_back(start);
  }
  std::sort(starts.begin(), starts.end());
  starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
  std::int64_t walked = 0;  // bytes read by the walks, bounded by the page however it is damaged
  std::int64_t coveredUntil = 0;
  for (const std::int64_t first : starts) {
    if (first < coveredUntil) continue;  // a walk from an earlier start already went through here
    for (std::int64_t off = first; off + 5 < v.ps && walked < 4 * v.ps;) {
      const auto [h, m, intact] = FindFreedHeader(v, off, v.ps);
      const std::int64_t u = m > 0 ? v.RecordSize(h, m, v.ps - h) : v.ps;
      if (u <= 0 || u > v.ps - h) break;
      Add(list, h, RecordOrigin::EmptiedPage, v.ps, h + u, intact);
      walked += h + u - off;
      off = h + u;
      coveredUntil = off;
    }
  }
}

}  // namespace

void DetectTrunkPage(const CSqliteRecoveryFile& file, const std::uint8_t* page, std::uint32_t index,
                     CandidateList& list) {
  const PageView view(file, page, index);
  const std::int64_t leaves = fmt::Be32(page + 4);
  const std::int64_t from = 8 + 4 * std::min<std::int64_t>(leaves, (view.ps - 8) / 4);
  ScanForHeaders(view, from, view.ps, RecordOrigin::FreelistTrunk, list);
  // Whole cells found: from their payload length (about 3 bytes before the serial types) to the
  // end of their content. No freeblock header starts inside one, though merged blocks span them.
  std::vector<std::pair<std::int64_t, std::int64_t>> cells;
  for (const auto& c : list) {
    const std::int64_t content = ContentOf(view, c.offset, view.n);
    if (content >= 0) cells.emplace_back(c.offset - 3, c.offset + view.TypesLength(c.offset, view.n) + content);
  }
  // The page header with the head of its freeblock chain is gone; freeblocks are recognised by a
  // size that stays within the page and a successor after them. The parser must find a record
  // that fills such a block exactly.
  //
  // Where a guessed block's first merged block begins depends only on the block's end (the
  // search runs down from it), so it is searched once per end. A damaged page can still make
  // nearly every offset a guess with an end of its own; once the searches have read the page
  // sixteen times over, the guesses that follow are taken whole.
  std::map<std::int64_t, std::vector<std::int64_t>> innerByEnd;
  std::int64_t searchBudget = 16 * view.ps;
  for (std::int64_t q = from; q + 5 < view.ps; ++q) {
    const std::int64_t size = view.Word(q + 2);
    const std::int64_t next = view.Word(q);
    if (size < 5 || size > view.ps - q || (next != 0 && (next < q + size || next >= view.ps))) continue;
    if (std::any_of(cells.begin(), cells.end(), [&](const auto& c) { return q >= c.first && q < c.second; })) continue;
    const std::int64_t end = q + size;
    auto inner = innerByEnd.find(end);
    if (inner == innerByEnd.end() && searchBudget > 0) {
      searchBudget -= end - from;
      inner = innerByEnd.emplace(end, InnerFreeblocks(view, from + 4, end)).first;
    }
    std::int64_t stop = end;  // FreedCellEnd: the first merged block's start, else the block's end
    if (inner != innerByEnd.end()) {
      const auto first = std::lower_bound(inner->second.begin(), inner->second.end(), q + 9);
      if (first != inner->second.end()) stop = *first;
    }
    // Whole cells inside a merged block are boundaries of the records around them, too.
    for (const auto& c : cells)
      if (c.first > q && c.first < stop) stop = c.first;
    const auto [h, m, intact] = FindFreedHeader(view, q, stop);
    if (view.RecordSize(h, m, stop - h) <= stop - h) Add(list, h, RecordOrigin::FreelistTrunk, view.ps, stop, intact);
  }
}

void DetectFreeblocks(const CSqliteRecoveryFile& file, const std::uint8_t* page, std::uint32_t index,
                      CandidateList& list) {
  Freeblocks(PageView(file, page, index), list);
}

void DetectTail(const CSqliteRecoveryFile& file, const std::uint8_t* page, std::uint32_t index, CandidateList& list) {
  Tail(PageView(file, page, index), file.ReadCellPointers(page, index), list);
}

void DetectGap(const CSqliteRecoveryFile& file, const std::uint8_t* page, std::uint32_t index, CandidateList& list) {
  Gap(PageView(file, page, index), file.ReadCellPointers(page, index), list);
}

void DetectStaleSlots(const CSqliteRecoveryFile& file, const std::uint8_t* page, std::uint32_t index,
                      CandidateList& list) {
  StaleSlots(PageView(file, page, index), list);
}

int CollectDeletedCandidates(CSqliteRecoveryFile& file, const std::uint8_t* page, std::uint32_t index,
                             CandidateMap& map, const CarvingExtras& extras) {
  std::vector<std::uint16_t> cells;
  return file.WalkTableTree(page, index, [&](const std::uint8_t* leaf, std::uint32_t leafIndex) {
    const PageView view(file, leaf, leafIndex);
    file.ReadCellPointers(leaf, leafIndex, cells);
    CandidateList& list = map[leafIndex];
    list.clear();
    Freeblocks(view, list);
    Tail(view, cells, list);
    Gap(view, cells, list);
    StaleSlots(view, list);
    if (extras.splitMergedFreeblocks) MergedFreeblockRows(view, list);
    if (extras.emptiedPages) EmptiedPageRows(view, cells, list);
  });
}

}  // namespace vesmar
