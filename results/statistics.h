// The user's selection over the scan results: which records are selected, which are hidden by
// the deleted-items filter, and the item and byte totals the statistics line shows.
//
// Counts are kept exact: every node counts the leaf entries below it, and every change of a
// leaf is carried up its chain of nodes to the root, so no count can drift from the entries.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "recovery/recovery_category.h"
#include "results/record_ref.h"

namespace vesmar {

using AppFileMap = std::map<std::u16string, AppFileList>;

enum class CheckState { Unchecked, PartlyChecked, Checked };

// Every counted item is at least this big, so a selection of many small records never reads 0.
inline constexpr std::uint64_t kMinimumItemSize = 1024;

class CStatisticsObj {
 public:
  struct CounterNode {
    std::size_t total = 0;
    std::size_t selected = 0;
    std::size_t deleted = 0;
    std::size_t hidden = 0;
    std::size_t selectedHidden = 0;
    CounterNode* parent = nullptr;
    std::vector<CounterNode*> children;
  };

  struct Entry {
    bool isGroup = false;
    bool selected = false;
    bool deleted = false;
    bool hidden = false;
    RecoveryCategory category = RecoveryCategory::CameraRoll;
    std::uint64_t size = 0;
    std::vector<Entry*> children;
    CounterNode* node = nullptr;  // the node that counts this entry (a group: its own node)
    const void* key = nullptr;
    RecordRef record;             // std::monostate for groups
  };

  CStatisticsObj();
  CStatisticsObj(const CStatisticsObj&) = delete;
  CStatisticsObj& operator=(const CStatisticsObj&) = delete;

  // Adds a finished category with all its entries unselected. A category can be added once;
  // the records must not move afterwards (their addresses are the keys). `container` is the
  // category's identity.
  void AddCategory(RecoveryCategory category, const MediaFileList& files);
  void AddCategory(RecoveryCategory category, const AttachmentFileList& files);
  void AddCategory(RecoveryCategory category, const AppFileMap& apps);  // one group per app
  void AddCategory(RecoveryCategory category, const std::vector<MessageRecord>& conversationRows);
  void AddCategory(RecoveryCategory category, const std::vector<WhatsAppMessageRecord>& chatRows);
  void AddCategory(RecoveryCategory category, const std::vector<ContactRecord>& contacts);
  void AddCategory(RecoveryCategory category, const std::vector<CallRecord>& calls);
  void AddCategory(RecoveryCategory category, const std::vector<NoteRecord>& notes);
  bool HasCategory(RecoveryCategory category) const;

  // Selects or unselects an entry; a group passes the state on to every entry below it.
  // Returns false for an unknown key.
  bool Select(const void* key, bool selected);
  bool SelectCategory(RecoveryCategory category, bool selected);

  // Hides or shows one leaf entry (the deleted-items filter). Returns false for an unknown key.
  bool SetHidden(const void* key, bool hidden);

  const Entry* Find(const void* key) const;
  const Entry* CategoryEntry(RecoveryCategory category) const;  // nullptr until added

  // Counts of a category (zeros until added) and of the whole scan.
  CounterNode CategoryCounts(RecoveryCategory category) const;
  const CounterNode& Root() const { return *root_; }
  // Checked when every item of the group is selected, partly when some are.
  CheckState CheckStateOf(RecoveryCategory category) const;
  CheckState CheckStateOf(const void* groupKey) const;

  std::uint64_t TotalBytes() const { return totalBytes_; }
  std::uint64_t SelectedBytes() const { return selectedBytes_; }  // selected and visible
  std::size_t TotalItems() const { return root_->total; }
  std::size_t SelectedVisibleItems() const { return root_->selected - root_->selectedHidden; }

  // Every entry in the order it was added: categories in completion order, each group before
  // its items, items in container order.
  const std::deque<Entry>& Entries() const { return entries_; }

  // Forgets everything; a fresh root remains.
  void Clear();

 private:
  struct LeafInfo {
    RecordRef record;
    std::uint64_t size;
    bool deleted;
  };
  Entry* AddGroup(RecoveryCategory category, const void* key, CounterNode* parent, Entry* parentEntry);
  void AddLeaves(Entry* group, const std::vector<LeafInfo>& leaves);
  template <class Records, class Describe>
  void AddRecords(RecoveryCategory category, const Records& records, Describe describe);
  void SelectLeaf(Entry& leaf, bool selected);
  void SelectTree(Entry& entry, bool selected);

  std::deque<CounterNode> nodes_;
  std::deque<Entry> entries_;
  std::unordered_map<const void*, Entry*> index_;
  std::array<Entry*, 12> categories_{};
  CounterNode* root_ = nullptr;
  std::uint64_t totalBytes_ = 0;
  std::uint64_t selectedBytes_ = 0;
};

}  // namespace vesmar
