#include "recovery/collect_steps.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "platform/file_ops.h"
#include "platform/text.h"
#include "recovery/extension_lists.h"
#include "recovery/hashed_name.h"
#include "recovery/media_type.h"

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

namespace {

namespace fs = std::filesystem;

bool Contains(std::string_view key, std::string_view marker) { return key.find(marker) != std::string_view::npos; }

// The last component of a key's path.
std::string_view KeyFileName(std::string_view key) {
  const auto slash = key.rfind('/');
  return slash == std::string_view::npos ? key : key.substr(slash + 1);
}

// The name a file is listed under: the key's file name without its extension, then the
// recognised extension in upper case (a PNG name holding JPEG bytes is listed as .JPG).
std::u16string DisplayName(std::string_view key, std::string_view extension) {
  std::u16string name = Utf8ToUtf16(KeyFileName(key));
  if (const auto dot = name.rfind(u'.'); dot != std::u16string::npos) name.resize(dot);
  name += u'.';
  name += ToUpperAscii(Utf8ToUtf16(extension));
  return name;
}

std::uint64_t SizeOf(const fs::path& file) { return FileSize(file).value_or(0); }

// Detection with the per-step counter of recognised files.
class StepDetector {
 public:
  // The recognised extension of the file, empty when it is not a media file of a known kind.
  std::string Extension(const fs::path& file) {
    std::string answer;
    if (file.empty() || DetectMediaType(file, counter_, answer) != 0 || answer.empty()) return {};
    ++counter_;
    return std::string(AnswerExtension(answer));
  }

 private:
  std::int64_t counter_ = 0;
};

template <typename List>
void SortByDisplayName(List& list) {
  if (list.size() < 2) return;
  std::stable_sort(list.begin(), list.end(),
                   [](const auto& a, const auto& b) { return LessNoCase(a.displayName, b.displayName); });
}

// The app a key belongs to: the text after "com." (else "net.") up to the next "-". The device
// source also takes a name that runs to the end of the key; the backup source needs the "-".
std::u16string AppName(std::string_view key, bool device) {
  auto at = key.find("com.");
  if (at == std::string_view::npos) at = key.find("net.");
  if (at != std::string_view::npos) {
    const std::string_view rest = key.substr(at + 4);
    const auto dash = rest.find('-');
    if (dash != std::string_view::npos || device) {
      const std::string_view name = rest.substr(0, dash);
      if (!name.empty()) return Utf8ToUtf16(name);
    }
  }
  return u"other";
}

// The extension of a device app file's name as it stands, when it has one shorter than 31
// characters; a longer tail after a dot is no extension.
std::string_view AppFileExtension(std::string_view key) {
  const std::string_view name = KeyFileName(key);
  const auto dot = name.rfind('.');
  if (dot == std::string_view::npos || name.size() - dot >= 32) return {};
  return name.substr(dot + 1);
}

bool IsListedMediaExtension(std::string_view extension) {
  const std::u16string folded = FoldCase(Utf8ToUtf16(extension));
  return ExtensionInList(folded, kImageExtensions) || ExtensionInList(folded, kAudioExtensions) ||
         ExtensionInList(folded, kVideoExtensions) || IsHeifExtension(folded);
}

// Camera roll, message attachments and the device's WhatsApp files: the file must exist (else
// the entry is passed over without a report) and be recognised; `make` decides on the size.
template <typename Make>
EntryVisit CollectExisting(const CollectSource& source, const ManifestEntry& entry, StepDetector& detector,
                           Make make) {
  const fs::path file = source.FileOf(entry);
  if (!FileExists(file)) return EntryVisit::MissingFile;
  const std::string extension = detector.Extension(file);
  if (!extension.empty()) make(file, DisplayName(entry.key, extension), SizeOf(file));
  return EntryVisit::Examined;
}

// WhatsApp keeps its media in its own container and, in current versions, in a shared group
// container ("AppDomainGroup-group.net.whatsapp.WhatsApp.shared").
bool IsWhatsAppKey(std::string_view key) { return Contains(key, "net.whatsapp.WhatsApp"); }

EntryVisit VisitDeviceAppFile(const CollectSource& source, const ManifestEntry& entry, StepDetector& detector,
                              AppFileList& appFiles) {
  if (!Contains(entry.key, "AppDomain")) return EntryVisit::Examined;
  const fs::path file = source.FileOf(entry);
  if (!FileExists(file)) return EntryVisit::MissingFile;
  std::string extension(AppFileExtension(entry.key));
  if (!extension.empty()) {
    // Named media files are listed by their name, without reading them.
    if (!IsListedMediaExtension(extension)) return EntryVisit::Examined;
  } else {
    extension = detector.Extension(file);
    if (extension.empty()) return EntryVisit::Examined;
  }
  const std::uint64_t size = SizeOf(file);
  if (size != 0) appFiles.push_back({size, AppName(entry.key, true), DisplayName(entry.key, extension), file});
  return EntryVisit::Examined;
}

EntryVisit VisitBackupAppFile(const CollectSource& source, const ManifestEntry& entry, StepDetector& detector,
                              AppFileList& appFiles, MediaFileList& whatsAppFiles) {
  const bool whatsApp = IsWhatsAppKey(entry.key) && Contains(entry.key, "AppDomain");
  if (!whatsApp && !Contains(entry.key, "AppDomain-")) return EntryVisit::Examined;
  const fs::path file = source.FileOf(entry);
  const std::string extension = detector.Extension(file);  // a missing file is not recognised
  if (extension.empty()) return EntryVisit::Examined;
  const std::uint64_t size = SizeOf(file);
  if (whatsApp) {
    if (size != 0) whatsAppFiles.push_back({size, DisplayName(entry.key, extension), file});
  } else {
    appFiles.push_back({size, AppName(entry.key, false), DisplayName(entry.key, extension), file});
  }
  return EntryVisit::Examined;
}

}  // namespace

int CollectCameraRollStep(ScanSession& session, const ManifestEntries& entries, const CollectSource& source,
                          MediaFileList& cameraRoll, MediaFileList& photoStream) {
  StepDetector detector;
  const int walk = WalkManifest(session, entries, 2 * session.stepWidth, [&](const ManifestEntry& entry) {
    MediaFileList* list = Contains(entry.key, "CameraRollDomain-Media/DCIM/")            ? &cameraRoll
                          : Contains(entry.key, "MediaDomain-Media/PhotoStreamsData/") ? &photoStream
                                                                                       : nullptr;
    if (!list) return EntryVisit::Examined;
    return CollectExisting(source, entry, detector, [&](const fs::path& file, std::u16string name, std::uint64_t size) {
      list->push_back({size, std::move(name), file});
    });
  });
  SortByDisplayName(cameraRoll);
  SortByDisplayName(photoStream);
  return FinishCollectStep(session, 2 * session.stepWidth, walk);
}

int CollectMessageAttachmentsStep(ScanSession& session, const ManifestEntries& entries, const CollectSource& source,
                                  AttachmentFileList& attachments) {
  StepDetector detector;
  const int walk = WalkManifest(session, entries, session.stepWidth, [&](const ManifestEntry& entry) {
    if (!Contains(entry.key, "/Attachments/")) return EntryVisit::Examined;
    return CollectExisting(source, entry, detector, [&](const fs::path& file, std::u16string name, std::uint64_t size) {
      if (size != 0) attachments.push_back({0, size, std::move(name), file});
    });
  });
  SortByDisplayName(attachments);
  return FinishCollectStep(session, session.stepWidth, walk);
}

int CollectAppFilesStep(ScanSession& session, const ManifestEntries& entries, const CollectSource& source,
                        AppFileList& appFiles, MediaFileList& whatsAppFiles) {
  if (!source.device) whatsAppFiles.clear();
  StepDetector detector;
  const int walk = WalkManifest(session, entries, 2 * session.stepWidth, [&](const ManifestEntry& entry) {
    return source.device ? VisitDeviceAppFile(source, entry, detector, appFiles)
                         : VisitBackupAppFile(source, entry, detector, appFiles, whatsAppFiles);
  });
  SortByDisplayName(appFiles);
  if (!source.device) SortByDisplayName(whatsAppFiles);
  // The backup source adds only one step width at the end of this step.
  return FinishCollectStep(session, source.device ? 2 * session.stepWidth : session.stepWidth, walk);
}

// The device source's own pass; the backup source reuses what its app file step sorted out.
int CollectWhatsAppAttachmentsStep(ScanSession& session, const ManifestEntries& entries, const CollectSource& source,
                                   MediaFileList& attachments) {
  StepDetector detector;
  const int walk = WalkManifest(session, entries, session.stepWidth, [&](const ManifestEntry& entry) {
    if (!Contains(entry.key, "whatsapp.WhatsApp")) return EntryVisit::Examined;
    return CollectExisting(source, entry, detector, [&](const fs::path& file, std::u16string name, std::uint64_t size) {
      if (size != 0) attachments.push_back({size, std::move(name), file});
    });
  });
  SortByDisplayName(attachments);
  return FinishCollectStep(session, session.stepWidth, walk);
}

}  // namespace vesmar
