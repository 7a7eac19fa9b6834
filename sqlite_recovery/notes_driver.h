// The notes driver: the live and deleted notes of notes.sqlite, each body joined with its note's
// title and date, as text.
#pragma once

#include <filesystem>
#include <vector>

#include "sqlite_recovery/records.h"

namespace vesmar {

// Replaces `notes` with the notes of the database: first every body row (live, then deleted, in
// table-driver order), each with the title and date of the first note row that links to it (that
// note is then used up); then each note row no body took, when it has a title. Bodies carry their
// own status, notes without a body theirs. Records without title and content are dropped; titles
// and contents go through NoteHtmlToText.
//
// Result: 0; the open code (no notes); or the first failed read (the notes read are delivered).
int RecoverNotes(const std::filesystem::path& notesDb, std::vector<NoteRecord>& notes);

// The join and conversion of RecoverNotes over parsed rows: `bodies` become the notes.
void JoinNotes(std::vector<NoteRecord>& bodies, std::vector<NoteRecord>&& noteRows);

}  // namespace vesmar
