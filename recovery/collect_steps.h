// The file collection steps of a scan: each walks the manifest entries, classifies the files
// and reports progress per entry on its share of the scan's scale.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>

#include "recovery/file_records.h"
#include "recovery/manifest_entry.h"
#include "recovery/scan_session.h"

namespace vesmar {

// Where the manifest's files lie and which source's rules apply.
struct CollectSource {
  bool device = false;                 // device source rules (else backup source rules)
  std::filesystem::path folder;        // folder of the hashed files
  bool twoLevelLayout = false;         // false for a flat (e.g. decrypted) folder
  // Where the entry's file lies; empty for a manifest name that would lead out of the folder.
  std::filesystem::path FileOf(const ManifestEntry& entry) const;
};

// What a visitor did with one entry: only an entry that matched but whose file is missing is
// passed over without a progress report.
enum class EntryVisit { Examined, MissingFile };

// Walks `entries` in order, reporting progressReached + share * examined / total after each
// examined entry. Returns the first nonzero answer (the walk stops there), else 0. The step
// then adds its share and makes its final report itself.
int WalkManifest(const ScanSession& session, const ManifestEntries& entries, std::int32_t share,
                 const std::function<EntryVisit(const ManifestEntry&)>& visit);

// The final report of a collection step: adds `share`, reports; the walk's stop answer wins.
int FinishCollectStep(ScanSession& session, std::int32_t share, int walkAnswer);

// Each step lists a file under the key's file name with the recognised extension in upper case,
// appends to its lists, sorts them by display name (ignoring case) and returns 0 or the stop
// answer of a progress report.

// Existing files of keys containing "CameraRollDomain-Media/DCIM/" (camera roll) or
// "MediaDomain-Media/PhotoStreamsData/" (photo stream) whose bytes are media.
int CollectCameraRollStep(ScanSession& session, const ManifestEntries& entries, const CollectSource& source,
                          MediaFileList& cameraRoll, MediaFileList& photoStream);
// Existing, non-empty media files of keys containing "/Attachments/".
int CollectMessageAttachmentsStep(ScanSession& session, const ManifestEntries& entries,
                                  const CollectSource& source, AttachmentFileList& attachments);
// Files of the apps' domains. The device source takes a file with a media extension by its name
// and reads the others; the backup source reads every file and sends WhatsApp's files to
// `whatsAppFiles` (emptied first) instead of the app list.
int CollectAppFilesStep(ScanSession& session, const ManifestEntries& entries, const CollectSource& source,
                        AppFileList& appFiles, MediaFileList& whatsAppFiles);
// The device source's pass over WhatsApp's files (keys containing "whatsapp.WhatsApp").
int CollectWhatsAppAttachmentsStep(ScanSession& session, const ManifestEntries& entries,
                                   const CollectSource& source, MediaFileList& attachments);

}  // namespace vesmar
