// Finding where deleted rows may still stand on a leaf table page: in its freeblock chain, after
// its last cell, in the unallocated gap and behind stale cell pointers. Each detector yields the
// positions of would-be records in header form (the first serial type); the table's record parser
// decides which of them are rows.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "sqlite_recovery/record_parser.h"

namespace vesmar {

class CSqliteRecoveryFile;

struct Candidate {
  std::uint16_t offset = 0;  // first serial type of the would-be record, within the page
  RecordOrigin origin = RecordOrigin::Freeblock;
  // Where the free space the candidate lies in ends (a freeblock's end), 0 when not known.
  std::uint32_t extentEnd = 0;
  // The detector read the record's header length in front of `offset`: no serial type was lost.
  bool headerIntact = false;
  // A row too long for its page: the rest of it stands on freed overflow pages
  // (CSqliteRecoveryFile::AssembleSpilledRecord).
  bool spilled = false;
  bool operator==(const Candidate&) const = default;
};
using CandidateList = std::vector<Candidate>;
// Page index → candidates in the order found, ascending by page index.
using CandidateMap = std::map<std::uint32_t, CandidateList>;

// Carving beyond the four detectors, for callers that ask for it; what it finds comes after what
// they found on the same page.
struct CarvingExtras {
  // Rows inside a freeblock behind its first: SQLite merges the freeblocks of neighbouring
  // deleted cells, leaving the later cells whole or behind their own old freeblock header.
  bool splitMergedFreeblocks = false;
  // Old cells of a leaf page whose last cell was deleted: SQLite then resets the page header,
  // which no longer leads to any of them.
  bool emptiedPages = false;
};

// On a leaf table page runs the four detectors in order (freeblocks, tail, gap, stale slots) into
// one list stored under the page index; on an interior table page does the same for every leaf
// below it; other page types add nothing. The file's current table gives the column count.
// Result: 0 or the code of a failed page read.
int CollectDeletedCandidates(CSqliteRecoveryFile& file, const std::uint8_t* page, std::uint32_t index,
                             CandidateMap& map, const CarvingExtras& extras = {});

// The detectors of one leaf page, each appending to `list` (the stale-slot detector also looks
// at what the others found, to leave out near-duplicates).
void DetectFreeblocks(const CSqliteRecoveryFile& file, const std::uint8_t* page, std::uint32_t index, CandidateList& list);
void DetectTail(const CSqliteRecoveryFile& file, const std::uint8_t* page, std::uint32_t index, CandidateList& list);
void DetectGap(const CSqliteRecoveryFile& file, const std::uint8_t* page, std::uint32_t index, CandidateList& list);
void DetectStaleSlots(const CSqliteRecoveryFile& file, const std::uint8_t* page, std::uint32_t index, CandidateList& list);

// Rows behind the first of a merged freeblock (see CarvingExtras).
void DetectMergedFreeblockRows(const CSqliteRecoveryFile& file, const std::uint8_t* page, std::uint32_t index,
                               CandidateList& list);

// A freelist trunk page was often a b-tree page before: after its list of leaf pages, the cells
// it held may stand intact. Finds those whose header length survived.
void DetectTrunkPage(const CSqliteRecoveryFile& file, const std::uint8_t* page, std::uint32_t index, CandidateList& list);

}  // namespace vesmar
