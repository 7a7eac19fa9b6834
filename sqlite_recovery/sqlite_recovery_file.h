// CSqliteRecoveryFile: the page-level reader of one SQLite database file, and the state of the
// recovery that runs over it (the settings learned from its live rows). It reads the file without
// SQLite, because the rows recovery wants most are the ones SQLite no longer shows.
//
// Pages are named by index (page number minus 1); the page with index i starts at i × page size.
// Every read is bounded by its buffer; a damaged file yields fewer cells, never a read past a page.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sqlite_recovery/expected_columns.h"
#include "sqlite_recovery/page_cache.h"
#include "sqlite_recovery/recovery_settings.h"

namespace vesmar {

// Page index → cell offsets within that page (live cell offsets), ascending by page index.
using LeafCellMap = std::map<std::uint32_t, std::vector<std::uint16_t>>;
// Child page index of an interior page → the key of its interior cell (-1 for the right-most child).
using ChildMap = std::map<std::uint32_t, std::int64_t>;
// Root pages of a table (its own and those of its indexes), ascending.
using RootPageSet = std::set<std::uint32_t>;

class CSqliteRecoveryFile {
 public:
  static constexpr std::size_t kDefaultCacheBudget = 16 * 1024 * 1024;
  // Deeper than any tree SQLite can build; stops walks of hostile pages that chain forever.
  static constexpr int kMaxTreeDepth = 32;

  CSqliteRecoveryFile();
  ~CSqliteRecoveryFile();
  CSqliteRecoveryFile(const CSqliteRecoveryFile&) = delete;
  CSqliteRecoveryFile& operator=(const CSqliteRecoveryFile&) = delete;

  // Settings learned from live rows and set by the drivers. Kept across a reopen, so a driver can
  // read a second database with what it learned from the first.
  RecoverySettings settings;

  // Opens a database for reading (never writing), reads its header and its freelist. A file
  // already open is closed first and the freelist emptied. Result: 0; errno when the file cannot
  // be opened; 87 when it is not an SQLite 3 database or its page size is impossible; 30 when it
  // is shorter than one page of header.
  int OpenDatabaseFile(const std::filesystem::path& path);
  // The same over bytes in memory, which the caller keeps alive while the object reads them.
  int OpenDatabaseBuffer(const std::uint8_t* data, std::size_t size);
  void Close();
  bool IsOpen() const { return fd_ >= 0 || memory_ != nullptr; }

  // Reads `length` bytes at a byte offset. Result: 0; 87 when no file is open; errno when the
  // read fails; 30 when fewer bytes than asked could be read.
  int ReadAt(std::size_t length, std::uint8_t* buffer, std::uint64_t offset);
  // Reads one whole page into a buffer of page size bytes (through the page cache).
  int ReadPage(std::uint32_t index, std::uint8_t* buffer);

  std::uint32_t pageSize() const { return pageSize_; }
  // Page size minus the reserved bytes at the end of each page (the file format's usable size).
  std::uint32_t usableSize() const { return usableSize_; }
  // Whole pages in the file.
  std::uint32_t pageCount() const { return pageCount_; }
  // Indexes of the freelist leaf pages, in trunk order.
  const std::vector<std::uint32_t>& freelistPages() const { return freelist_; }
  // Whether a page is a freelist leaf (one SQLite freed and has not used again).
  bool IsFreelistLeaf(std::uint32_t index) const;
  // Indexes of the freelist trunk pages, in chain order (the recovery steps never read them as
  // table pages; carving may look at what they held before).
  const std::vector<std::uint32_t>& freelistTrunks() const { return trunks_; }

  // Where the b-tree page header starts within a page: after the file header on the first page.
  static std::uint32_t HeaderOffset(std::uint32_t index) { return index == 0 ? 100 : 0; }

  // Cell offsets of a b-tree page in pointer-array order. A page with exactly one cell yields the
  // start of its cell content area instead of its pointer.
  void ReadCellPointers(const std::uint8_t* page, std::uint32_t index, std::vector<std::uint16_t>& out) const;
  std::vector<std::uint16_t> ReadCellPointers(const std::uint8_t* page, std::uint32_t index) const;
  // Children of an interior table page with their keys; the right-most child maps to -1.
  ChildMap ReadChildMap(const std::uint8_t* page, std::uint32_t index) const;

  // Root pages of `table` found through the schema table (names compared exactly), given page 1.
  int FindRootPages(const std::uint8_t* page1, std::string_view table, RootPageSet& roots);
  // Walks a table b-tree from one page and adds the live cells of its leaf pages to `map`.
  // Result: 0 or the code of the read that ended the walk.
  int CollectLiveCells(const std::uint8_t* page, std::uint32_t index, LeafCellMap& map);

  // The walk under CollectLiveCells, FindRootPages and deleted-record collection: a leaf table
  // page is handed to `leaf`; an interior table page has its children read and walked in
  // ascending page index; other page types add nothing. A page met twice (a loop in a damaged
  // file) is walked once, children beyond the file's end are passed over, and trees deeper than
  // kMaxTreeDepth are cut. Result: 0 or the code of the read that ended the walk.
  using LeafVisitor = std::function<void(const std::uint8_t* page, std::uint32_t index)>;
  int WalkTableTree(const std::uint8_t* page, std::uint32_t index, const LeafVisitor& leaf);

  // The bytes to decode a cell from: the cell in its page when its payload is local, otherwise
  // the cell's local part followed by its overflow chain, cut at the payload's end. The view
  // stays valid until the next call. The local part follows the file format's rule (payload
  // length and usable size), so cells that do not touch their neighbour are read right too.
  // With `freePagesOnly` (an old cell of a freed page) the chain ends at a page that is not a
  // freelist leaf: one used again since holds another row's data, which must not pass for this one's.
  std::span<const std::uint8_t> AssemblePayload(const std::uint8_t* page, std::uint32_t offset,
                                                std::uint32_t cellEnd, bool freePagesOnly = false);
  // In a sound file each overflow page belongs to one cell, so one table run reads each about
  // once. A damaged file can point many cells with huge payload lengths into one long chain,
  // which would be read again for each of them (time growing with the square of the file):
  // AssemblePayload reads at most four times the file's pages between two resets, which
  // RecoverTable makes at its start (and opening a file). A cell cut short by it is incomplete.
  void ResetOverflowBudget() { overflowBudget_ = 4 * std::uint64_t{pageCount_} + 64; }
  // A deleted row too long for its page: its cell kept the first part, its overflow pages (freed
  // with it, not cleared) the rest. `h` is the row's first serial type in header form (a 0, the
  // integer key); the serial types give the payload length and, by the file format's rule, where
  // the local part ends and the first overflow page number stands.
  struct SpilledRecord {
    std::int64_t start = 0;           // header length varint within the page
    std::int64_t payload = 0;         // payload bytes, from the header length on
    std::int64_t local = 0;           // of which on the page
    std::uint32_t firstOverflow = 0;  // page number
  };
  // True when the record at `h` must have spilled, its local part and overflow page number end
  // by `end`, and that page lies in the file.
  bool MeasureSpilledRecord(const std::uint8_t* page, std::int64_t h, std::int64_t end, SpilledRecord& out) const;
  // Such a record whole in `out`, from its first serial type to its payload's end; empty when a
  // page of its chain is no longer free (used again since), the chain ends early or loops.
  std::span<const std::uint8_t> AssembleSpilledRecord(const std::uint8_t* page, std::uint32_t offset,
                                                      std::vector<std::uint8_t>& out);
  // End of the cell at `offset`: the next larger offset of the same page, else the page size.
  std::uint32_t CellEnd(std::span<const std::uint16_t> offsets, std::uint32_t offset) const;

  // Bytes taken by `count` consecutive serial-type varints; 0 when they run past `available`.
  static std::int64_t SerialTypesLength(const std::uint8_t* bytes, std::int64_t available, std::int64_t count);
  // Size of a record from its first serial type to the end of its body: k serial-type bytes
  // (recounted from the current table's column count when it has one) plus the content they
  // name, the walk stopping as soon as the size exceeds `limit`.
  std::int64_t RecordSize(const std::uint8_t* bytes, std::int64_t available, std::int64_t k,
                          std::int64_t limit) const;
  // Number of columns of the first cell of the first page in the map (0 when there is none).
  int FirstCellColumnCount(const LeafCellMap& map, std::int32_t& count);

  // Expected column count of a table by name (the fixed table, else a count registered with
  // SetDeclaredColumnCount, else 0); also remembered as the last expected column count.
  std::int32_t ExpectedColumnCount(std::string_view table);
  std::int32_t lastExpectedColumnCount() const { return lastExpectedColumnCount_; }
  // A column count for a table the fixed table does not name (for instance from its CREATE TABLE).
  void SetDeclaredColumnCount(std::string_view table, std::int32_t count);
  bool HasDeclaredColumnCount(std::string_view table) const;

  // The table being recovered: set by the table driver; carving reads its column count.
  void SetCurrentTable(std::string_view table);
  const std::string& currentTable() const { return currentTable_; }
  KnownTable currentKnownTable() const { return currentKnown_; }
  // ExpectedColumnCount of the current table, without the name lookup. A table whose fixed count
  // differs between device versions follows its rows instead: the column count of its last live
  // row, else the count its CREATE TABLE declares, else the fixed count.
  std::int32_t CurrentColumnCount() const {
    if (currentKnown_ == KnownTable::Other) return currentDeclared_;
    if (FollowsItsRows(currentKnown_)) {
      if (learnedColumns_ > 0) return learnedColumns_;
      if (currentDeclared_ > 0) return currentDeclared_;
    }
    return KnownColumnCount(currentKnown_, settings);
  }
  // The table driver reports the column count of every live row of the current table.
  void NoteLiveColumnCount(std::int32_t columns) { learnedColumns_ = columns; }

  // Page cache budget in bytes (0 reads every page from the file); takes effect at the next open.
  void SetPageCacheBudget(std::size_t bytes) { cacheBudget_ = bytes; }
  const PageCache& pageCache() const { return cache_; }

 private:
  int LoadHeader();
  void LoadFreelist();
  int WalkFrom(const std::uint8_t* page, std::uint32_t index, const LeafVisitor& leaf, int depth);
  // Appends an overflow chain's content, from page number `next`, to `out` until it holds
  // `needed` bytes (within the overflow budget); false when the chain ended before that.
  bool AppendOverflowChain(std::uint32_t next, std::int64_t needed, bool freePagesOnly, std::vector<std::uint8_t>& out);
  void ExamineSchemaCell(const std::uint8_t* page, std::uint32_t offset, std::uint32_t cellEnd,
                         std::string_view table, RootPageSet& roots);
  // Pages met during one walk or chain, so loops in a damaged file are followed once.
  class VisitMarks {
   public:
    void Begin(std::uint32_t pageCount);
    bool Enter(std::uint32_t index);  // true the first time a page is met since Begin
    void Clear() { stamp_.clear(); }

   private:
    std::vector<std::uint32_t> stamp_;
    std::uint32_t generation_ = 0;
  };

  int fd_ = -1;
  const std::uint8_t* memory_ = nullptr;
  std::uint64_t size_ = 0;
  std::uint32_t pageSize_ = 0;
  std::uint32_t usableSize_ = 0;
  std::uint32_t pageCount_ = 0;
  std::vector<std::uint32_t> freelist_;
  std::vector<std::uint32_t> freeLeaves_;  // freelist_ sorted, for lookups
  std::vector<std::uint32_t> trunks_;
  std::int32_t lastExpectedColumnCount_ = 0;
  std::string currentTable_;
  KnownTable currentKnown_ = KnownTable::Other;
  std::int32_t currentDeclared_ = 0;
  std::int32_t learnedColumns_ = 0;
  std::map<std::string, std::int32_t> declaredCounts_;
  std::vector<std::uint8_t> assembled_;
  std::vector<std::uint16_t> cellScratch_;
  std::vector<std::uint8_t> overflowPage_;
  std::uint64_t overflowBudget_ = 0;
  VisitMarks walkMarks_;   // tree walks and the freelist chain
  VisitMarks chainMarks_;  // overflow chains, which are followed in the middle of tree walks
  std::size_t cacheBudget_ = kDefaultCacheBudget;
  PageCache cache_;
};

}  // namespace vesmar
