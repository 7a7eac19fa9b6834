#include "recovery/collect_steps.h"

#include "recovery/hashed_name.h"

namespace vesmar {

std::filesystem::path CollectSource::FileOf(const ManifestEntry& entry) const {
  return HashedFilePath(folder, entry.fileName, twoLevelLayout);
}

int WalkManifest(const ScanSession& session, const ManifestEntries& entries, std::int32_t share,
                 const std::function<EntryVisit(const ManifestEntry&)>& visit) {
  const std::int64_t total = static_cast<std::int64_t>(entries.size());
  std::int64_t examined = 0;
  for (const auto& entry : entries) {
    ++examined;
    if (visit(entry) == EntryVisit::MissingFile) continue;
    const auto percent = session.progressReached + static_cast<std::int64_t>(share) * examined / total;
    if (const int answer = session.Report(static_cast<int>(percent)); answer != 0) return answer;
  }
  return 0;
}

int FinishCollectStep(ScanSession& session, std::int32_t share, int walkAnswer) {
  session.progressReached += share;
  const int answer = session.Report(session.progressReached);
  return walkAnswer != 0 ? walkAnswer : answer;
}

// The classification of each step comes with the media detection; until then the steps walk
// the entries with their progress and list nothing.
int CollectCameraRollStep(ScanSession& session, const ManifestEntries& entries, const CollectSource&,
                          MediaFileList&, MediaFileList&) {
  const int walk = WalkManifest(session, entries, 2 * session.stepWidth,
                                [](const ManifestEntry&) { return EntryVisit::Examined; });
  return FinishCollectStep(session, 2 * session.stepWidth, walk);
}

int CollectMessageAttachmentsStep(ScanSession& session, const ManifestEntries& entries, const CollectSource&,
                                  AttachmentFileList&) {
  const int walk = WalkManifest(session, entries, session.stepWidth,
                                [](const ManifestEntry&) { return EntryVisit::Examined; });
  return FinishCollectStep(session, session.stepWidth, walk);
}

int CollectAppFilesStep(ScanSession& session, const ManifestEntries& entries, const CollectSource& source,
                        AppFileList&, MediaFileList& whatsAppFiles) {
  if (!source.device) whatsAppFiles.clear();
  const int walk = WalkManifest(session, entries, 2 * session.stepWidth,
                                [](const ManifestEntry&) { return EntryVisit::Examined; });
  // The backup source adds only one step width at the end of this step.
  return FinishCollectStep(session, source.device ? 2 * session.stepWidth : session.stepWidth, walk);
}

int CollectWhatsAppAttachmentsStep(ScanSession& session, const ManifestEntries& entries,
                                   const CollectSource& source, MediaFileList& attachments) {
  (void)source;
  (void)attachments;
  const int walk = WalkManifest(session, entries, session.stepWidth,
                                [](const ManifestEntry&) { return EntryVisit::Examined; });
  return FinishCollectStep(session, session.stepWidth, walk);
}

}  // namespace vesmar
