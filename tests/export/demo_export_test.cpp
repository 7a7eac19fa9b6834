// The export end to end through the real backup parser.
#include <gtest/gtest.h>

#include <map>

#include "export/export_job.h"
#include "export/export_progress.h"
#include "platform/file_ops.h"
#include "recovery/backup_catalogue.h"
#include "recovery/parser_factory.h"
#include "tests/export/recording_progress.h"
#include "tests/fixtures/demo_backup.h"
#include "tests/fixtures/temp_dir.h"

namespace vesmar {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) { return ReadWholeFile(path, 1 << 26).value_or(""); }

const fs::path* SourceOf(const RecordRef& ref) {
  if (const auto* p = std::get_if<const MediaFileRecord*>(&ref)) return &(*p)->fullPath;
  if (const auto* p = std::get_if<const AttachmentFileRecord*>(&ref)) return &(*p)->fullPath;
  if (const auto* p = std::get_if<const AppFileRecord*>(&ref)) return &(*p)->fullPath;
  return nullptr;
}

std::size_t FilesBelow(const fs::path& root) {
  std::size_t n = 0;
  if (fs::exists(root))
    for (const auto& e : fs::recursive_directory_iterator(root)) n += e.is_regular_file();
  return n;
}

TEST(DemoExportTest, EveryReportedFileHoldsItsSourceBytes) {
  fixtures::TempDir dir;
  fixtures::WriteDemoBackup(dir / "demo");
  CItunesBackup backup;
  BackupEntry entry;
  ASSERT_EQ(ReadBackupFolder(dir / "demo", entry), 0);
  backup.SetEntry(entry);
  auto parser = CreateParser(1, &backup);
  ASSERT_EQ(parser->Open(u""), 0);
  CScanResultsModel model;
  ASSERT_EQ(model.RunScan(*parser), 0);
  for (int code = 1; code <= 11; ++code) EXPECT_TRUE(model.IsCompleted(static_cast<RecoveryCategory>(code)));

  ExportTemplates templates;
  ASSERT_EQ(LoadExportTemplates(DefaultTemplateFolder(), entry.displayName, templates), 0);
  testing::RecordingProgress progress;
  CExportJob job(model, *parser, templates, dir / "out");
  const ExportSummary summary = job.Run(progress);
  EXPECT_EQ(summary.result, 0);
  EXPECT_EQ(progress.total, model.Statistics().SelectedVisibleItems());
  EXPECT_EQ(progress.Finished().size(), progress.total);

  // Each file item reported as written is there with the bytes of its source.
  std::map<fs::path, fs::path> sources;  // destination -> source
  std::size_t fileItems = 0;
  for (const auto& entry : model.Statistics().Entries()) {
    const fs::path* source = SourceOf(entry.record);
    if (!source) continue;
    ++fileItems;
    for (const auto& r : progress.Finished()) {
      if (r.error == 0 && !sources.count(r.name) && Read(r.name) == Read(*source)) {
        sources[r.name] = *source;
        break;
      }
    }
  }
  EXPECT_GT(fileItems, 0u);
  EXPECT_EQ(sources.size(), fileItems);  // every file written, each with its own source's bytes
  std::size_t written = 0;
  for (const char* folder : {"Camera Roll", "Photo Stream", "App Photos", "App Video", "Message Attachments",
                             "WhatsApp Attachments"})
    written += FilesBelow(dir / "out" / folder);
  EXPECT_EQ(written, fileItems);
}

}  // namespace
}  // namespace vesmar
