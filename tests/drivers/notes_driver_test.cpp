#include "sqlite_recovery/notes_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <set>

#include "platform/text.h"
#include "sqlite_recovery/date_text.h"
#include "sqlite_recovery/note_parsers.h"
#include "tests/fixtures/deleted_rows_fixture.h"
#include "tests/fixtures/notes_fixture.h"
#include "tests/fixtures/temp_dir.h"

namespace vesmar {
namespace {

std::string Describe(const NoteRecord& n) {
  return std::string(RecordStatusName(n.status)) + "|" + std::to_string(n.link) + "|" + Utf16ToUtf8(n.date) + "|" +
         Utf16ToUtf8(n.title) + "|" + Utf16ToUtf8(n.content);
}

std::string Line(const char* status, long long link, const std::u16string& date, const std::string& title,
                 const std::string& content) {
  NoteRecord n;
  n.status = std::string(status) == "Live" ? RecordStatus::Live : RecordStatus::Deleted;
  n.link = static_cast<std::int32_t>(link);
  n.date = date;
  n.title = Utf8ToUtf16(title);
  n.content = Utf8ToUtf16(content);
  return Describe(n);
}

TEST(NotesDriverTest, BodiesJoinTheirNotesLiveAndDeleted) {
  fixtures::TempDir dir;
  fixtures::NotesDatabase db(dir / "notes.sqlite");
  // Body 1 is stored as the constant 1 in ZNOTE.ZBODY.
  const auto shopping = db.AddNote("Shopping", "<div>Milk &amp; eggs</div><div>Bread<br></div>", "600000000");
  const auto quote = db.AddNote("Say &quot;hi&quot;", "a&amp;lt;b &#39;x&#39;&nbsp;&gt;", "600000100.5");
  const auto goneBody = db.AddNote("Body gone", "<div>was here</div>", "600000200");
  const auto goneNote = db.AddNote("Note row gone", "Body stays", "600000300");
  const long long orphan = db.AddBody("<b>No note points here</b>");
  db.AddNoteRow("", 0);  // neither title nor body: not a note
  const long long draft = db.AddNoteRow("Draft without body", 0, "600000400");
  db.DeleteBody(goneBody.body);
  db.DeleteNoteRow(goneNote.note);
  db.Close();

  std::vector<NoteRecord> notes{NoteRecord{}};  // replaced
  ASSERT_EQ(RecoverNotes(dir / "notes.sqlite", notes), 0);
  std::vector<std::string> got;
  for (const auto& n : notes) got.push_back(Describe(n));
  const std::vector<std::string> expected = {
      // Live bodies in page order, each with its note's title and date.
      Line("Live", shopping.body, AppleDateText(600'000'000), "Shopping", "\nMilk & eggs\nBread\n"),
      Line("Live", quote.body, AppleDateText(600'000'100), "Say \"hi\"", "a&lt;b 'x' >"),
      // Its note row was deleted: the carved row still gives title and date; the body's status.
      Line("Live", goneNote.body, AppleDateText(600'000'300), "Note row gone", "Body stays"),
      Line("Live", orphan, u"", "", "<b>No note points here</b>"),
      // The deleted body, carved without its rowid: no note can be told to be its own.
      Line("Deleted", 0, u"", "", "\nwas here"),
      // Notes no body took, with their own status.
      Line("Live", goneBody.body, AppleDateText(600'000'200), "Body gone", ""),
      Line("Live", 0, AppleDateText(600'000'400), "Draft without body", ""),
  };
  EXPECT_EQ(got, expected);
  (void)draft;
}

// Every note deleted: no live row teaches the width of ZNOTE or ZNOTEBODY, so their rows are read
// with the width the tables declare, and titles, dates and texts still come back.
TEST(NotesDriverTest, EmptiedNotesComeBack) {
  fixtures::TempDir dir;
  std::set<std::string> titles, contents;
  {
    fixtures::NotesDatabase db(dir / "notes.sqlite");
    std::vector<fixtures::NoteRows> added;
    for (int i = 1; i <= 30; ++i) {
      const std::string title = "Note number " + std::to_string(i);
      const std::string body = "Text of note " + std::to_string(i) + " with some words";
      added.push_back(db.AddNote(title, body, std::to_string(600'000'000 + i)));
      titles.insert(title);
      contents.insert(body);
    }
    for (const auto& rows : added) {
      db.DeleteNoteRow(rows.note);
      db.DeleteBody(rows.body);
    }
  }
  std::vector<NoteRecord> notes;
  ASSERT_EQ(RecoverNotes(dir / "notes.sqlite", notes), 0);
  std::set<std::string> gotTitles, gotContents;
  for (const auto& n : notes) {
    EXPECT_EQ(n.status, RecordStatus::Deleted) << Describe(n);
    if (!n.title.empty()) gotTitles.insert(Utf16ToUtf8(n.title));
    if (!n.content.empty()) gotContents.insert(Utf16ToUtf8(n.content));
  }
  // Every note comes back (a misaligned candidate of the older detectors may add a stray title).
  EXPECT_TRUE(std::includes(gotTitles.begin(), gotTitles.end(), titles.begin(), titles.end()));
  EXPECT_TRUE(std::includes(gotContents.begin(), gotContents.end(), contents.begin(), contents.end()));
}

// A long note: its body spills to overflow pages, which deleting it puts on the freelist (behind
// the trunk of a table dropped before) without clearing them.
TEST(NotesDriverTest, DeletedLongNoteComesBackWhole) {
  fixtures::TempDir dir;
  const std::string longText = fixtures::FillerText(20'000, 7);
  {
    fixtures::NotesDatabase db(dir / "notes.sqlite");
    db.AddNote("Short", "kept");
    const auto diary = db.AddNote("Diary", longText);
    db.AddNote("After", "kept too");
    db.db().Exec("CREATE TABLE scratch(a); INSERT INTO scratch VALUES (zeroblob(9000)); DROP TABLE scratch;");
    db.DeleteNoteRow(diary.note);
    db.DeleteBody(diary.body);
  }
  std::vector<NoteRecord> notes;
  ASSERT_EQ(RecoverNotes(dir / "notes.sqlite", notes), 0);
  const auto found = std::find_if(notes.begin(), notes.end(), [](const NoteRecord& n) {
    return n.status == RecordStatus::Deleted && n.content.size() > 1000;
  });
  ASSERT_NE(found, notes.end());
  EXPECT_EQ(Utf16ToUtf8(found->content), longText);
}

TEST(NotesDriverTest, HtmlToText) {
  const std::pair<std::u16string, std::u16string> cases[] = {
      // &amp; goes last, so what it makes is not turned again.
      {u"a&amp;lt;b", u"a&lt;b"},
      {u"<div>one</div><div>two<br></div>", u"\none\ntwo\n"},
      {u"&#39;&quot;&lt;&gt;&nbsp;&amp;", u"'\"<> &"},
      // A replacement goes on after what it inserted.
      {u"&amp;amp;", u"&amp;"},
      {u"<p>kept</p> &copy;", u"<p>kept</p> &copy;"},
      {u"", u""},
  };
  for (const auto& [html, text] : cases) EXPECT_EQ(NoteHtmlToText(html), text) << Utf16ToUtf8(html);
}

TEST(NotesDriverTest, UnreadableDatabaseGivesNoNotes) {
  fixtures::TempDir dir;
  fixtures::WriteFileBytes(dir / "text.sqlite", std::string(8192, 'x'));
  std::vector<NoteRecord> notes{NoteRecord{}};
  EXPECT_EQ(RecoverNotes(dir / "missing.sqlite", notes), ENOENT);
  EXPECT_TRUE(notes.empty());
  notes.assign(1, NoteRecord{});
  EXPECT_EQ(RecoverNotes(dir / "text.sqlite", notes), 87);
  EXPECT_TRUE(notes.empty());
}

}  // namespace
}  // namespace vesmar
