// The `file` column of a Manifest.db row: an NSKeyedArchiver property list of an MBFile.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vesmar::decrypt {

// The MBFile's EncryptionKey bytes (class + wrapped key, normally 44 bytes). Accepts the key as
// an NSMutableData object with inline or referenced NS.data, or as plain data. nullopt when the
// blob is not such an archive or has no key (folders, links, plain backups).
std::optional<std::string> EncryptionKeyOfFileBlob(std::string_view blob);

}  // namespace vesmar::decrypt
