// The records of a Manifest.mbdb (the manifest of backups made before iOS 10) with every field,
// the per-file encryption keys included.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vesmar {

struct MbdbRecord {
  std::string domain;
  std::string relativePath;
  std::string linkTarget;
  std::string digest;
  std::string encryptionKey;  // class (4 bytes LE) + wrapped key; empty when absent
  std::uint16_t mode = 0;
  std::uint64_t inode = 0;
  std::uint32_t userId = 0;
  std::uint32_t groupId = 0;
  std::int32_t modified = 0;
  std::int32_t statusChanged = 0;
  std::int32_t created = 0;
  std::uint64_t size = 0;  // as recorded at backup time; may be stale
  std::uint8_t protectionClass = 0;
  std::vector<std::pair<std::string, std::string>> properties;

  bool IsFile() const { return (mode & 0xF000) == 0x8000; }
  std::string Key() const { return domain + "-" + relativePath; }
};

struct MbdbContent {
  std::vector<MbdbRecord> records;
  bool complete = true;  // false: a record ran past the end; the records before it are kept
};

// Hands each record of the bytes of a Manifest.mbdb to `visit`, in order (the record object is
// reused: copy what is kept). Every read is checked against the end of the bytes; a record that
// runs past it ends the walk, and the result's `complete` is then false. False when the bytes do
// not start with the "mbdb" magic.
bool ForEachMbdbRecord(std::string_view data, const std::function<void(const MbdbRecord&)>& visit, bool* complete = nullptr);

// Every record of the bytes of a Manifest.mbdb. False when they do not start with the "mbdb" magic.
bool ParseMbdb(std::string_view data, MbdbContent& out);

}  // namespace vesmar
