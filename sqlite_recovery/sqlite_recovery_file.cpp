#include "sqlite_recovery/sqlite_recovery_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "platform/text.h"
#include "recovery/result_codes.h"
#include "sqlite_recovery/record_cursor.h"
#include "sqlite_recovery/sqlite_format.h"

namespace vesmar {

namespace fmt = sqlite_format;

namespace {

bool IsSqliteMagic(const std::uint8_t* p) {
  for (int i = 0; i < 15; ++i) {
    const auto c = static_cast<char>(p[i]);
    const char want = fmt::kMagic[i];
    const auto lower = [](char x) { return (x >= 'A' && x <= 'Z') ? static_cast<char>(x + 32) : x; };
    if (lower(c) != lower(want)) return false;
  }
  return p[15] == 0;
}

// 512 to 65536 and a power of two; the header's 1 stands for 65536.
std::uint32_t DecodePageSize(std::uint16_t raw) {
  const std::uint32_t size = raw == 1 ? 65536u : raw;
  if (size < 512 || (size & (size - 1)) != 0) return 0;
  return size;
}

}  // namespace

CSqliteRecoveryFile::CSqliteRecoveryFile() = default;

CSqliteRecoveryFile::~CSqliteRecoveryFile() { Close(); }

void CSqliteRecoveryFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  memory_ = nullptr;
  size_ = 0;
  pageSize_ = usableSize_ = pageCount_ = 0;
  freelist_.clear();
  freeLeaves_.clear();
  trunks_.clear();
  walkMarks_.Clear();
  chainMarks_.Clear();
  cache_.Reset(0, 0);
}

int CSqliteRecoveryFile::OpenDatabaseFile(const std::filesystem::path& path) {
  Close();
  // Without O_NONBLOCK, opening a FIFO planted in a backup would wait for a writer forever;
  // for a regular file the flag changes nothing.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return errno ? errno : result::kInvalid;
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    const int error = errno;
    ::close(fd);
    return error;
  }
  if (!S_ISREG(st.st_mode)) {
    ::close(fd);
    return result::kInvalid;
  }
  fd_ = fd;
  size_ = static_cast<std::uint64_t>(st.st_size);
  const int rc = LoadHeader();
  if (rc != 0) Close();
  return rc;
}

int CSqliteRecoveryFile::OpenDatabaseBuffer(const std::uint8_t* data, std::size_t size) {
  Close();
  if (!data) return result::kInvalid;
  memory_ = data;
  size_ = size;
  const int rc = LoadHeader();
  if (rc != 0) Close();
  return rc;
}

int CSqliteRecoveryFile::LoadHeader() {
  std::uint8_t header[fmt::kFileHeaderSize];
  if (size_ < 16) return result::kShortRead;
  if (ReadAt(16, header, 0) != 0) return result::kShortRead;
  if (!IsSqliteMagic(header)) return result::kInvalid;
  if (size_ < fmt::kFileHeaderSize) return result::kShortRead;
  if (const int rc = ReadAt(fmt::kFileHeaderSize, header, 0)) return rc;
  pageSize_ = DecodePageSize(fmt::Be16(header + 16));
  if (pageSize_ == 0) return result::kInvalid;
  // The usable size only serves the local-payload rule; a reserve that leaves less than the
  // format's minimum is not believed.
  const std::uint32_t reserved = header[20];
  usableSize_ = (pageSize_ - reserved >= 480) ? pageSize_ - reserved : pageSize_;
  if (size_ < pageSize_) return result::kShortRead;
  const std::uint64_t pages = size_ / pageSize_;
  pageCount_ = pages > 0xFFFFFFFEull ? 0xFFFFFFFEu : static_cast<std::uint32_t>(pages);
  // Memory needs no cache; a file gets one of the chosen budget.
  cache_.Reset(pageSize_, memory_ ? 0 : cacheBudget_);
  ResetOverflowBudget();
  LoadFreelist();
  return 0;
}

void CSqliteRecoveryFile::LoadFreelist() {
  std::uint8_t first[4];
  if (ReadAt(4, first, 32) != 0) return;
  std::uint32_t trunk = fmt::Be32(first);
  std::vector<std::uint8_t> page(pageSize_);
  walkMarks_.Begin(pageCount_);
  const std::uint32_t capacity = (pageSize_ - 8) / 4;
  while (trunk != 0) {
    const std::uint32_t index = trunk - 1;
    // A trunk beyond the file, one met before (a loop) or one that cannot be read ends the chain.
    if (index >= pageCount_ || !walkMarks_.Enter(index)) break;
    if (ReadPage(index, page.data()) != 0) break;
    trunks_.push_back(index);
    trunk = fmt::Be32(page.data());
    std::uint32_t leaves = fmt::Be32(page.data() + 4);
    if (leaves > capacity) {
      leaves = capacity;  // names more than fit: keep those that do and end the chain here
      trunk = 0;
    }
    for (std::uint32_t i = 0; i < leaves; ++i) {
      const std::uint32_t number = fmt::Be32(page.data() + 8 + 4 * i);
      if (number == 0 || number > pageCount_) continue;
      // More leaves than pages means entries repeat; nothing new can follow.
      if (freelist_.size() >= pageCount_) break;
      freelist_.push_back(number - 1);
    }
    if (freelist_.size() >= pageCount_) break;
  }
  freeLeaves_ = freelist_;
  std::sort(freeLeaves_.begin(), freeLeaves_.end());
}

bool CSqliteRecoveryFile::IsFreelistLeaf(std::uint32_t index) const {
  return std::binary_search(freeLeaves_.begin(), freeLeaves_.end(), index);
}

int CSqliteRecoveryFile::ReadAt(std::size_t length, std::uint8_t* buffer, std::uint64_t offset) {
  if (!IsOpen()) return result::kInvalid;
  if (memory_) {
    if (offset >= size_ || size_ - offset < length) return result::kShortRead;
    std::memcpy(buffer, memory_ + offset, length);
    return 0;
  }
  std::size_t done = 0;
  while (done < length) {
    const ssize_t n = ::pread(fd_, buffer + done, length - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return result::kShortRead;
    done += static_cast<std::size_t>(n);
  }
  return 0;
}

int CSqliteRecoveryFile::ReadPage(std::uint32_t index, std::uint8_t* buffer) {
  if (!IsOpen()) return result::kInvalid;
  if (const std::uint8_t* cached = cache_.Find(index)) {
    std::memcpy(buffer, cached, pageSize_);
    return 0;
  }
  const int rc = ReadAt(pageSize_, buffer, std::uint64_t{index} * pageSize_);
  if (rc == 0) cache_.Store(index, buffer);
  return rc;
}

void CSqliteRecoveryFile::VisitMarks::Begin(std::uint32_t pageCount) {
  if (stamp_.size() != pageCount) stamp_.assign(pageCount, 0);
  if (++generation_ == 0) {  // wrapped: forget every old mark
    std::fill(stamp_.begin(), stamp_.end(), 0);
    generation_ = 1;
  }
}

bool CSqliteRecoveryFile::VisitMarks::Enter(std::uint32_t index) {
  if (index >= stamp_.size() || stamp_[index] == generation_) return false;
  stamp_[index] = generation_;
  return true;
}

void CSqliteRecoveryFile::ReadCellPointers(const std::uint8_t* page, std::uint32_t index,
                                           std::vector<std::uint16_t>& out) const {
  out.clear();
  const std::uint32_t hdr = HeaderOffset(index);
  const std::uint16_t count = fmt::Be16(page + hdr + 3);
  if (count == 0) return;
  if (count == 1) {
    out.push_back(fmt::Be16(page + hdr + 5));
    return;
  }
  const std::uint32_t start = hdr + (page[hdr] == fmt::kInteriorTablePage ? 12 : 8);
  out.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint32_t at = start + 2 * i;
    if (at + 2 > pageSize_) break;
    out.push_back(fmt::Be16(page + at));
  }
}

std::vector<std::uint16_t> CSqliteRecoveryFile::ReadCellPointers(const std::uint8_t* page,
                                                                 std::uint32_t index) const {
  std::vector<std::uint16_t> out;
  ReadCellPointers(page, index, out);
  return out;
}

ChildMap CSqliteRecoveryFile::ReadChildMap(const std::uint8_t* page, std::uint32_t index) const {
  ChildMap children;
  for (const std::uint16_t offset : ReadCellPointers(page, index)) {
    if (std::uint32_t{offset} + 4 > pageSize_) continue;
    const std::uint32_t child = fmt::Be32(page + offset);
    const auto key = fmt::ReadVarint(page + offset + 4, std::int64_t{pageSize_} - offset - 4);
    children[child - 1] = static_cast<std::int64_t>(key.value);
  }
  const std::uint32_t hdr = HeaderOffset(index);
  children[fmt::Be32(page + hdr + 8) - 1] = -1;
  return children;
}

int CSqliteRecoveryFile::WalkTableTree(const std::uint8_t* page, std::uint32_t index, const LeafVisitor& leaf) {
  walkMarks_.Begin(pageCount_);
  walkMarks_.Enter(index);
  return WalkFrom(page, index, leaf, 0);
}

int CSqliteRecoveryFile::WalkFrom(const std::uint8_t* page, std::uint32_t index, const LeafVisitor& leaf, int depth) {
  const std::uint8_t type = page[HeaderOffset(index)];
  if (type == fmt::kLeafTablePage) {
    leaf(page, index);
    return 0;
  }
  if (type != fmt::kInteriorTablePage || depth >= kMaxTreeDepth) return 0;
  std::vector<std::uint8_t> child(pageSize_);
  for (const auto& [childIndex, key] : ReadChildMap(page, index)) {
    if (childIndex >= pageCount_ || !walkMarks_.Enter(childIndex)) continue;
    if (const int rc = ReadPage(childIndex, child.data())) return rc;
    if (const int rc = WalkFrom(child.data(), childIndex, leaf, depth + 1)) return rc;
  }
  return 0;
}

int CSqliteRecoveryFile::CollectLiveCells(const std::uint8_t* page, std::uint32_t index, LeafCellMap& map) {
  return WalkTableTree(page, index, [&](const std::uint8_t* leaf, std::uint32_t leafIndex) {
    ReadCellPointers(leaf, leafIndex, map[leafIndex]);
  });
}

int CSqliteRecoveryFile::FindRootPages(const std::uint8_t* page1, std::string_view table, RootPageSet& roots) {
  return WalkTableTree(page1, 0, [&](const std::uint8_t* leaf, std::uint32_t leafIndex) {
    const std::vector<std::uint16_t> cells = ReadCellPointers(leaf, leafIndex);
    for (const std::uint16_t offset : cells) ExamineSchemaCell(leaf, offset, CellEnd(cells, offset), table, roots);
  });
}

void CSqliteRecoveryFile::ExamineSchemaCell(const std::uint8_t* page, std::uint32_t offset, std::uint32_t cellEnd,
                                            std::string_view table, RootPageSet& roots) {
  const auto cell = AssemblePayload(page, offset, cellEnd);
  RecordCursor record = RecordCursor::Cell(cell.data(), cell.size());
  bool matches = false;
  // Columns type, name, table name, root page: the type never holds a table name, so only name
  // and table name are compared (exactly).
  for (Column c; record.Next(c) && c.index <= 3;) {
    if (!c.complete()) break;
    if ((c.index == 1 || c.index == 2) && c.IsText() && c.Bytes() == table) matches = true;
    if (c.index == 3 && matches && c.IsSmallInteger()) {
      const std::int64_t number = c.Integer();
      if (number >= 1 && number <= pageCount_) roots.insert(static_cast<std::uint32_t>(number - 1));
    }
  }
}

std::uint32_t CSqliteRecoveryFile::CellEnd(std::span<const std::uint16_t> offsets, std::uint32_t offset) const {
  std::uint32_t end = pageSize_;
  for (const std::uint16_t o : offsets)
    if (o > offset && o < end) end = o;
  return end;
}

std::span<const std::uint8_t> CSqliteRecoveryFile::AssemblePayload(const std::uint8_t* page, std::uint32_t offset,
                                                                   std::uint32_t cellEnd, bool freePagesOnly) {
  (void)cellEnd;  // the local part comes from the payload length, not from the neighbour's offset
  if (offset >= pageSize_) return {};
  const std::uint8_t* cell = page + offset;
  const std::int64_t available = std::int64_t{pageSize_} - offset;
  const auto payload = fmt::ReadVarint(cell, available);
  const auto rowid = fmt::ReadVarint(cell + payload.length, available - payload.length);
  const std::int64_t prefix = payload.length + rowid.length;
  const std::int64_t usable = usableSize_;
  const std::int64_t length = fmt::Clamp(payload.value);
  const std::int64_t local = fmt::LocalPayloadSize(length, usable);
  if (local == length) return {cell, static_cast<std::size_t>(available)};
  if (prefix + local + 4 > available) return {cell, static_cast<std::size_t>(available)};

  constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  const std::int64_t needed = length > kMax - prefix ? kMax : prefix + length;
  assembled_.assign(cell, cell + prefix + local);
  AppendOverflowChain(fmt::Be32(cell + prefix + local), needed, freePagesOnly, assembled_);
  return {assembled_.data(), assembled_.size()};
}

bool CSqliteRecoveryFile::AppendOverflowChain(std::uint32_t next, std::int64_t needed, bool freePagesOnly,
                                              std::vector<std::uint8_t>& out) {
  overflowPage_.resize(pageSize_);
  const std::uint8_t* overflow = overflowPage_.data();
  const std::int64_t chunk = std::int64_t{usableSize_} - 4;
  chainMarks_.Begin(pageCount_);
  while (static_cast<std::int64_t>(out.size()) < needed) {
    const std::uint32_t index = next - 1;
    // A chain that ends, leaves the file, loops, meets a page used again (when only free pages
    // count), cannot be read or exhausts the budget ends with what it gathered.
    if (next == 0 || index >= pageCount_ || (freePagesOnly && !IsFreelistLeaf(index)) || !chainMarks_.Enter(index) ||
        overflowBudget_ == 0)
      return false;
    --overflowBudget_;
    if (ReadPage(index, overflowPage_.data()) != 0) return false;
    next = fmt::Be32(overflow);
    const std::int64_t take = std::min(chunk, needed - static_cast<std::int64_t>(out.size()));
    out.insert(out.end(), overflow + 4, overflow + 4 + take);
  }
  return true;
}

bool CSqliteRecoveryFile::MeasureSpilledRecord(const std::uint8_t* page, std::int64_t h, std::int64_t end,
                                               SpilledRecord& out) const {
  const std::int64_t ps = pageSize_;
  const std::int64_t usable = usableSize_;
  const std::int32_t n = CurrentColumnCount();
  if (n <= 0 || usable < 480 || h < 2 || h >= ps || end > ps || page[h] != 0) return false;
  const std::int64_t types = SerialTypesLength(page + h, ps - h, n);
  if (types <= 0) return false;
  const std::int64_t lengthSize = types + 1 <= 0x7F ? 1 : types + 2 <= 0x3FFF ? 2 : 0;
  if (lengthSize == 0) return false;
  // No chain is longer than the file.
  const std::int64_t limit = (usable - 4) * std::int64_t{pageCount_} + usable;
  std::int64_t payload = lengthSize + types;
  for (std::int64_t pos = h; pos < h + types;) {
    const auto type = fmt::ReadVarint(page + pos, h + types - pos);
    pos += type.length;
    payload += std::min(fmt::Clamp(fmt::ContentSize(type.value)), limit);
    if (payload > limit) return false;
  }
  const std::int64_t local = fmt::LocalPayloadSize(payload, usable);
  const std::int64_t start = h - lengthSize;
  if (local == payload || start + local + 4 > end) return false;
  const std::uint32_t first = fmt::Be32(page + start + local);
  if (first < 2 || first > pageCount_) return false;
  out = {start, payload, local, first};
  return true;
}

std::span<const std::uint8_t> CSqliteRecoveryFile::AssembleSpilledRecord(const std::uint8_t* page, std::uint32_t offset,
                                                                         std::vector<std::uint8_t>& out) {
  SpilledRecord r;
  if (!MeasureSpilledRecord(page, offset, pageSize_, r)) return {};
  const std::int64_t want = r.payload - (offset - r.start);  // from the first serial type on
  out.assign(page + offset, page + r.start + r.local);
  // A page taken again since the row was deleted holds other data, and a chain that ends early
  // gives nothing rather than a row with a wrong end.
  if (!AppendOverflowChain(r.firstOverflow, want, /*freePagesOnly=*/true, out)) return {};
  return {out.data(), out.size()};
}

std::int64_t CSqliteRecoveryFile::SerialTypesLength(const std::uint8_t* bytes, std::int64_t available,
                                                    std::int64_t count) {
  std::int64_t total = 0;
  for (std::int64_t i = 0; i < count; ++i) {
    if (total >= available || !fmt::VarintFits(bytes + total, available - total)) return 0;
    total += fmt::ReadVarint(bytes + total, available - total).length;
  }
  return total;
}

std::int64_t CSqliteRecoveryFile::RecordSize(const std::uint8_t* bytes, std::int64_t available, std::int64_t k,
                                             std::int64_t limit) const {
  const std::int32_t n = CurrentColumnCount();
  if (n > 0 && available > 0) k = SerialTypesLength(bytes, available, bytes[0] != 0 ? n - 1 : n);
  std::int64_t result = k;
  const std::int64_t end = std::min(k, available);
  std::int64_t pos = 0;
  while (pos < end) {
    const auto type = fmt::ReadVarint(bytes + pos, end - pos);
    pos += type.length;
    const auto content = fmt::Clamp(fmt::ContentSize(type.value));
    result = content > limit ? content : result + content;  // no overflow: both sides stay below 2^63
    if (result > limit) return result;
  }
  return result;
}

int CSqliteRecoveryFile::FirstCellColumnCount(const LeafCellMap& map, std::int32_t& count) {
  count = 0;
  if (map.empty() || map.begin()->second.empty()) return 0;
  const auto& [index, cells] = *map.begin();
  std::vector<std::uint8_t> page(pageSize_);
  if (const int rc = ReadPage(index, page.data())) return rc;
  const std::uint16_t offset = cells.front();
  const auto cell = AssemblePayload(page.data(), offset, CellEnd(cells, offset));
  count = RecordCursor::Cell(cell.data(), cell.size()).ColumnCount();
  return 0;
}

std::int32_t CSqliteRecoveryFile::ExpectedColumnCount(std::string_view table) {
  const KnownTable known = IdentifyTable(table);
  if (known != KnownTable::Other && EqualsNoCaseAscii(table, currentTable_)) {
    lastExpectedColumnCount_ = CurrentColumnCount();
  } else if (known != KnownTable::Other) {
    lastExpectedColumnCount_ = KnownColumnCount(known, settings);
  } else {
    const auto it = declaredCounts_.find(ToLowerAscii(table));
    lastExpectedColumnCount_ = it == declaredCounts_.end() ? 0 : it->second;
  }
  return lastExpectedColumnCount_;
}

void CSqliteRecoveryFile::SetDeclaredColumnCount(std::string_view table, std::int32_t count) {
  declaredCounts_[ToLowerAscii(table)] = count;
  if (EqualsNoCaseAscii(table, currentTable_)) currentDeclared_ = count;
}

bool CSqliteRecoveryFile::HasDeclaredColumnCount(std::string_view table) const {
  return declaredCounts_.count(ToLowerAscii(table)) != 0;
}

void CSqliteRecoveryFile::SetCurrentTable(std::string_view table) {
  currentTable_ = std::string(table);
  currentKnown_ = IdentifyTable(table);
  const auto it = declaredCounts_.find(ToLowerAscii(table));
  currentDeclared_ = it == declaredCounts_.end() ? 0 : it->second;
  learnedColumns_ = 0;
}

}  // namespace vesmar
