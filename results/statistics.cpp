#include "results/statistics.h"

#include <algorithm>

namespace vesmar {

namespace {

std::size_t Slot(RecoveryCategory category) {
  const auto code = static_cast<std::size_t>(category);
  return code < 12 ? code : 0;
}

std::uint64_t AtLeastMinimum(std::uint64_t size) { return std::max(size, kMinimumItemSize); }

bool IsDeleted(RecordStatus status) { return status == RecordStatus::Deleted; }

// Carries a change of `delta` in one counter up the chain of nodes.
template <class Member>
void AddUp(CStatisticsObj::CounterNode* node, Member member, long delta) {
  for (; node; node = node->parent) node->*member = static_cast<std::size_t>(static_cast<long>(node->*member) + delta);
}

}  // namespace

CStatisticsObj::CStatisticsObj() { Clear(); }

void CStatisticsObj::Clear() {
  index_.clear();
  entries_.clear();
  nodes_.clear();
  categories_.fill(nullptr);
  root_ = &nodes_.emplace_back();
  totalBytes_ = 0;
  selectedBytes_ = 0;
}

CStatisticsObj::Entry* CStatisticsObj::AddGroup(RecoveryCategory category, const void* key, CounterNode* parent,
                                                Entry* parentEntry) {
  CounterNode* node = &nodes_.emplace_back();
  node->parent = parent;
  parent->children.push_back(node);
  Entry* group = &entries_.emplace_back();
  group->isGroup = true;
  group->category = category;
  group->node = node;
  group->key = key;
  index_[key] = group;
  if (parentEntry) parentEntry->children.push_back(group);
  return group;
}

void CStatisticsObj::AddLeaves(Entry* group, const std::vector<LeafInfo>& leaves) {
  for (const auto& info : leaves) {
    Entry* leaf = &entries_.emplace_back();
    leaf->category = group->category;
    leaf->size = AtLeastMinimum(info.size);
    leaf->deleted = info.deleted;
    leaf->node = group->node;
    leaf->record = info.record;
    leaf->key = RecordIdentity(info.record);
    index_[leaf->key] = leaf;
    group->children.push_back(leaf);
    totalBytes_ += leaf->size;
  }
  AddUp(group->node, &CounterNode::total, static_cast<long>(leaves.size()));
  const auto deleted = std::count_if(leaves.begin(), leaves.end(), [](const LeafInfo& s) { return s.deleted; });
  AddUp(group->node, &CounterNode::deleted, static_cast<long>(deleted));
}

template <class Records, class Describe>
void CStatisticsObj::AddRecords(RecoveryCategory category, const Records& records, Describe describe) {
  if (HasCategory(category)) return;
  Entry* group = AddGroup(category, &records, root_, nullptr);
  categories_[Slot(category)] = group;
  std::vector<LeafInfo> leaves;
  leaves.reserve(records.size());
  for (const auto& record : records) leaves.push_back(describe(record));
  AddLeaves(group, leaves);
}

void CStatisticsObj::AddCategory(RecoveryCategory category, const MediaFileList& files) {
  AddRecords(category, files, [](const MediaFileRecord& r) { return LeafInfo{&r, r.size, false}; });
}

void CStatisticsObj::AddCategory(RecoveryCategory category, const AttachmentFileList& files) {
  AddRecords(category, files, [](const AttachmentFileRecord& r) { return LeafInfo{&r, r.size, false}; });
}

void CStatisticsObj::AddCategory(RecoveryCategory category, const std::vector<MessageRecord>& rows) {
  AddRecords(category, rows,
             [](const MessageRecord& r) { return LeafInfo{&r, r.text.size(), IsDeleted(r.status)}; });
}

void CStatisticsObj::AddCategory(RecoveryCategory category, const std::vector<WhatsAppMessageRecord>& rows) {
  AddRecords(category, rows,
             [](const WhatsAppMessageRecord& r) { return LeafInfo{&r, r.text.size(), IsDeleted(r.status)}; });
}

void CStatisticsObj::AddCategory(RecoveryCategory category, const std::vector<ContactRecord>& contacts) {
  AddRecords(category, contacts, [](const ContactRecord& r) {
    return LeafInfo{&r, r.phones.size() + r.name.size(), IsDeleted(r.status)};
  });
}

void CStatisticsObj::AddCategory(RecoveryCategory category, const std::vector<CallRecord>& calls) {
  AddRecords(category, calls, [](const CallRecord& r) {
    return LeafInfo{&r, r.address.size() + r.name.size(), IsDeleted(r.status)};
  });
}

void CStatisticsObj::AddCategory(RecoveryCategory category, const std::vector<NoteRecord>& notes) {
  AddRecords(category, notes,
             [](const NoteRecord& r) { return LeafInfo{&r, r.content.size(), IsDeleted(r.status)}; });
}

void CStatisticsObj::AddCategory(RecoveryCategory category, const AppFileMap& apps) {
  if (HasCategory(category)) return;
  Entry* group = AddGroup(category, &apps, root_, nullptr);
  categories_[Slot(category)] = group;
  for (const auto& [name, files] : apps) {
    Entry* app = AddGroup(category, &files, group->node, group);
    std::vector<LeafInfo> leaves;
    leaves.reserve(files.size());
    for (const auto& file : files) leaves.push_back({&file, file.size, false});
    AddLeaves(app, leaves);
  }
}

bool CStatisticsObj::HasCategory(RecoveryCategory category) const {
  return Slot(category) != 0 && categories_[Slot(category)] != nullptr;
}

void CStatisticsObj::SelectLeaf(Entry& leaf, bool selected) {
  if (leaf.selected == selected) return;
  leaf.selected = selected;
  const long delta = selected ? 1 : -1;
  AddUp(leaf.node, &CounterNode::selected, delta);
  if (leaf.hidden) {
    AddUp(leaf.node, &CounterNode::selectedHidden, delta);
  } else if (selected) {
    selectedBytes_ += leaf.size;
  } else {
    selectedBytes_ -= std::min(selectedBytes_, leaf.size);
  }
}

void CStatisticsObj::SelectTree(Entry& entry, bool selected) {
  if (!entry.isGroup) return SelectLeaf(entry, selected);
  entry.selected = selected;
  for (Entry* child : entry.children) SelectTree(*child, selected);
}

bool CStatisticsObj::Select(const void* key, bool selected) {
  const auto it = index_.find(key);
  if (it == index_.end()) return false;
  SelectTree(*it->second, selected);
  return true;
}

bool CStatisticsObj::SelectCategory(RecoveryCategory category, bool selected) {
  if (!HasCategory(category)) return false;
  SelectTree(*categories_[Slot(category)], selected);
  return true;
}

bool CStatisticsObj::SetHidden(const void* key, bool hidden) {
  const auto it = index_.find(key);
  if (it == index_.end() || it->second->isGroup) return false;
  Entry& leaf = *it->second;
  if (leaf.hidden == hidden) return true;
  leaf.hidden = hidden;
  const long delta = hidden ? 1 : -1;
  AddUp(leaf.node, &CounterNode::hidden, delta);
  if (leaf.selected) {
    AddUp(leaf.node, &CounterNode::selectedHidden, delta);
    if (hidden) {
      selectedBytes_ -= std::min(selectedBytes_, leaf.size);
    } else {
      selectedBytes_ += leaf.size;
    }
  }
  return true;
}

const CStatisticsObj::Entry* CStatisticsObj::Find(const void* key) const {
  const auto it = index_.find(key);
  return it == index_.end() ? nullptr : it->second;
}

const CStatisticsObj::Entry* CStatisticsObj::CategoryEntry(RecoveryCategory category) const {
  return HasCategory(category) ? categories_[Slot(category)] : nullptr;
}

CStatisticsObj::CounterNode CStatisticsObj::CategoryCounts(RecoveryCategory category) const {
  const Entry* group = CategoryEntry(category);
  if (!group) return {};
  CounterNode counts = *group->node;
  counts.parent = nullptr;
  counts.children.clear();
  return counts;
}

namespace {

CheckState StateOf(const CStatisticsObj::CounterNode& node) {
  if (node.total == 0 || node.selected == 0) return CheckState::Unchecked;
  return node.selected == node.total ? CheckState::Checked : CheckState::PartlyChecked;
}

}  // namespace

CheckState CStatisticsObj::CheckStateOf(RecoveryCategory category) const {
  const Entry* group = CategoryEntry(category);
  return group ? StateOf(*group->node) : CheckState::Unchecked;
}

CheckState CStatisticsObj::CheckStateOf(const void* groupKey) const {
  const Entry* entry = Find(groupKey);
  if (!entry) return CheckState::Unchecked;
  if (!entry->isGroup) return entry->selected ? CheckState::Checked : CheckState::Unchecked;
  return StateOf(*entry->node);
}

}  // namespace vesmar
