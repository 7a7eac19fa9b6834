#include "sqlite_recovery/notes_driver.h"

#include <deque>
#include <unordered_map>

#include "sqlite_recovery/note_parsers.h"
#include "sqlite_recovery/sqlite_recovery_file.h"
#include "sqlite_recovery/table_driver.h"

namespace vesmar {

void JoinNotes(std::vector<NoteRecord>& bodies, std::vector<NoteRecord>&& noteRows) {
  // Each link's note rows in order; a body takes the first one not yet taken.
  std::unordered_map<std::int32_t, std::deque<std::size_t>> byLink;
  for (std::size_t i = 0; i < noteRows.size(); ++i) byLink[noteRows[i].link].push_back(i);
  std::vector<bool> taken(noteRows.size(), false);
  for (auto& body : bodies) {
    // A carved body lost its rowid: link 0 says nothing about which note it belonged to, and a
    // note without a body (link 0) is no match for it.
    if (body.link == 0) continue;
    const auto found = byLink.find(body.link);
    if (found == byLink.end() || found->second.empty()) continue;
    const std::size_t i = found->second.front();
    found->second.pop_front();
    taken[i] = true;
    body.title = std::move(noteRows[i].title);
    body.date = std::move(noteRows[i].date);
  }
  for (std::size_t i = 0; i < noteRows.size(); ++i)
    if (!taken[i] && (!noteRows[i].title.empty() || !noteRows[i].content.empty()))
      bodies.push_back(std::move(noteRows[i]));

  std::vector<NoteRecord> kept;
  kept.reserve(bodies.size());
  for (auto& note : bodies) {
    if (note.title.empty() && note.content.empty()) continue;
    note.content = NoteHtmlToText(std::move(note.content));
    note.title = NoteHtmlToText(std::move(note.title));
    kept.push_back(std::move(note));
  }
  bodies = std::move(kept);
}

int RecoverNotes(const std::filesystem::path& notesDb, std::vector<NoteRecord>& notes) {
  notes.clear();
  CSqliteRecoveryFile file;
  if (const int rc = file.OpenDatabaseFile(notesDb)) return rc;
  const NoteColumns columns = NoteColumnsFor();

  NoteBodyParser bodyParser(columns, file.ExpectedColumnCount(kNoteBodyTable));
  int code = RecoverTable(file, kNoteBodyTable, [&](CSqliteRecoveryFile& f, const RecordBytes& record) {
    return bodyParser.Parse(f, record, notes);
  });
  std::vector<NoteRecord> noteRows;
  NoteParser noteParser(columns);
  const int noteCode = RecoverTable(file, kNoteTable, [&](CSqliteRecoveryFile& f, const RecordBytes& record) {
    return noteParser.Parse(f, record, noteRows);
  });
  if (code == 0) code = noteCode;
  file.Close();
  JoinNotes(notes, std::move(noteRows));
  return code;
}

}  // namespace vesmar
