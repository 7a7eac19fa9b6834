// The conversation documents, the collected-record rows and the templates.
#include <gtest/gtest.h>

#include <fstream>

#include "export/conversation_documents.h"
#include "export/document_template.h"
#include "export/record_rows.h"
#include "platform/file_ops.h"
#include "tests/export/recording_progress.h"
#include "tests/fixtures/temp_dir.h"

namespace vesmar {
namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) { return ReadWholeFile(path, 1 << 26).value_or(""); }

std::vector<MessageRecord> SampleConversation() {
  return {
      {RecordStatus::Deleted, 1, 0, 5, u"2020-01-01 10:00:00", u"+1 555", u"Unknown", u"sent & gone", u""},
      {RecordStatus::Live, 0, 11, 5, u"2020-01-01 10:01:00", u"+1 555", u"Unknown", u"<script>alert(1)</script>", u""},
      {RecordStatus::Live, 0, 12, 5, u"2020-01-01 10:02:00", u"+1 555", u"Ann", u"two\nlines", u""},
  };
}

TEST(DocumentsTest, ConversationHtmlEscapesTextAndMarksDeletedMessages) {
  fixtures::TempDir dir;
  const auto messages = SampleConversation();
  testing::RecordingProgress progress;
  fs::path path = dir / "Ann.html";
  ASSERT_EQ(WriteConversationHtml(path, "<head>", "<tail>", LinesOf(messages), progress), 0);
  EXPECT_EQ(Read(path),
            "<head>"
            "<div class=\"date\">Date: 2020-01-01 10:00:00 Me:</div>\r\n"
            "<div class=\"del_send_msg\">sent &amp; gone</div>\r\n"
            "<div class=\"date\">Date: 2020-01-01 10:01:00 +1 555:</div>\r\n"
            "<div class=\"recv_msg\">&lt;script&gt;alert(1)&lt;/script&gt;</div>\r\n"
            "<div class=\"date\">Date: 2020-01-01 10:02:00 Ann:</div>\r\n"
            "<div class=\"recv_msg\">two\nlines</div>\r\n"
            "<tail>");
  ASSERT_EQ(progress.reports.size(), 3u);
  EXPECT_EQ(progress.reports[0].percent, 33);
  EXPECT_EQ(progress.reports[1].percent, 66);
  EXPECT_EQ(progress.reports[2].percent, 100);
  EXPECT_EQ(progress.reports[2].name, path);

  // A second document of the same name goes beside the first.
  fs::path again = dir / "Ann.html";
  ASSERT_EQ(WriteConversationHtml(again, "", "", {}, progress), 0);
  EXPECT_EQ(again, dir / "Ann(1).html");
  EXPECT_EQ(progress.reports.back().percent, 100);  // an empty conversation still ends its item
}

TEST(DocumentsTest, CancelledConversationKeepsWhatWasWritten) {
  fixtures::TempDir dir;
  const auto messages = SampleConversation();
  testing::RecordingProgress progress;
  progress.cancelAfter = 1;
  fs::path path = dir / "x.html";
  EXPECT_EQ(WriteConversationHtml(path, "<h>", "<t>", LinesOf(messages), progress), 2);
  const std::string html = Read(path);
  EXPECT_NE(html.find("sent &amp; gone"), std::string::npos);
  EXPECT_NE(html.find("alert(1)"), std::string::npos);
  EXPECT_EQ(html.find("two\nlines"), std::string::npos);
  EXPECT_EQ(html.substr(html.size() - 3), "<t>");
  EXPECT_TRUE(progress.Finished().empty());

  // A failed write is the item's result, never taken for a cancel (ENOENT is 2 as well).
  fs::path unwritable = dir / "no-such-folder" / "x.html";
  testing::RecordingProgress failing;
  EXPECT_EQ(WriteConversationHtml(unwritable, "", "", LinesOf(messages), failing), 0);
  ASSERT_EQ(failing.Finished().size(), 1u);
  EXPECT_EQ(failing.Finished()[0].error, ENOENT);
  // The page was written but the transcript before it failed: the item still ends failed.
  fs::path page = dir / "y.html";
  testing::RecordingProgress companion;
  EXPECT_EQ(WriteConversationHtml(page, "", "", LinesOf(messages), companion, ENOSPC), 0);
  EXPECT_TRUE(fs::is_regular_file(page));
  ASSERT_EQ(companion.Finished().size(), 1u);
  EXPECT_EQ(companion.Finished()[0].error, ENOSPC);
}

TEST(DocumentsTest, TextTranscriptLayout) {
  fixtures::TempDir dir;
  std::vector<WhatsAppMessageRecord> chat(2);
  chat[0].fromMe = 1;
  chat[0].senderName = u"Me";
  chat[0].date = u"2021-02-03 04:05:06";
  chat[0].text = u"hello";
  chat[1].senderName = u"Zoë";
  chat[1].senderPhone = u"+44 7700";
  chat[1].date = u"2021-02-03 04:06:00";
  chat[1].text = u"hi";
  fs::path path = dir / "chat.txt";
  ASSERT_EQ(WriteConversationText(path, LinesOf(chat)), 0);
  EXPECT_EQ(Read(path),
            "\xEF\xBB\xBF"
            "        To: Me()\r\n"
            "      Data: 2021-02-03 04:05:06\r\n"
            "   Content: hello\r\n"
            "\r\n"
            "      From: Zo\xC3\xAB(+44 7700)\r\n"
            "      Data: 2021-02-03 04:06:00\r\n"
            "   Content: hi\r\n"
            "\r\n");
  EXPECT_EQ(PartyOf(u"Unknown", u"+1"), u"+1");
  EXPECT_EQ(PartyOf(u"", u"+1"), u"+1");
}

// Splits RFC 4180 text into records of fields.
std::vector<std::vector<std::string>> ParseCsv(std::string_view text) {
  std::vector<std::vector<std::string>> records(1, std::vector<std::string>(1));
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        records.back().back() += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        records.back().back() += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      records.back().emplace_back();
    } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      ++i;
      records.emplace_back(1);
    } else {
      records.back().back() += c;
    }
  }
  if (records.back() == std::vector<std::string>(1)) records.pop_back();
  return records;
}

TEST(DocumentsTest, WhatsAppCsvKeepsFiveColumnsWhateverTheText) {
  fixtures::TempDir dir;
  std::vector<WhatsAppMessageRecord> chat(2);
  chat[0].senderName = u"Dan, Jr.";
  chat[0].senderPhone = u"+1";
  chat[0].date = u"2021-01-01 00:00:00";
  chat[0].text = u"a, \"quoted\"\r\nsecond line";
  chat[1].fromMe = 1;
  chat[1].senderName = u"Me";
  chat[1].text = u"plain";
  fs::path path = dir / "chat.csv";
  ASSERT_EQ(WriteWhatsAppCsv(path, LinesOf(chat)), 0);
  const std::string csv = Read(path);
  ASSERT_EQ(csv.substr(0, 3), "\xEF\xBB\xBF");
  const auto records = ParseCsv(std::string_view(csv).substr(3));
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[0], (std::vector<std::string>{"Chats", "Name/Phone", "Date", "Type", "Content"}));
  EXPECT_EQ(records[1], (std::vector<std::string>{"Dan, Jr.", "+1", "2021-01-01 00:00:00", "Received",
                                                  "a, \"quoted\"\r\nsecond line"}));
  EXPECT_EQ(records[2], (std::vector<std::string>{"Me", "", "", "Send", "plain"}));
}

TEST(DocumentsTest, RecordRowsEscapeAndBreakPhones) {
  ContactRecord contact;
  contact.name = u"A<b>";
  contact.phones = u"111\n222";
  contact.company = u"X & Y";
  EXPECT_EQ(ContactRow(contact),
            "\t<tr><td>A&lt;b&gt;</td><td>111<br />222</td><td></td><td></td><td></td><td></td>"
            "<td>X &amp; Y</td></tr>\r\n");
  const CallRecord call{RecordStatus::Live, 0, 75, u"2020-01-01 00:00:00", u"+1", u"Ann"};
  EXPECT_EQ(CallRow(call),
            "\t<tr><td>Ann</td><td>+1</td><td>2020-01-01 00:00:00</td><td>Outgoing</td><td>1 Min 15 Sec</td>"
            "</tr>\r\n");
  const NoteRecord note{RecordStatus::Deleted, 0, u"2020-01-01 00:00:00", u"T", u"body\nmore"};
  EXPECT_EQ(NoteRow(note), "\t<tr><td>T</td><td>2020-01-01 00:00:00</td><td>body\nmore</td></tr>\r\n");
}

TEST(DocumentsTest, TemplatesSplitAtContentAndTakeTheTitle) {
  fixtures::TempDir dir;
  std::ofstream(dir / "t.html") << "<title>{|title|}</title><h1>{|title|}</h1>{|content|}<end>{|content|}";
  const auto loaded = LoadDocumentTemplate(dir / "t.html", u"Notes of <Ann>");
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->head, "<title>Notes of &lt;Ann&gt;</title><h1>Notes of &lt;Ann&gt;</h1>");
  EXPECT_EQ(loaded->tail, "<end>{|content|}");
  // A title that looks like a placeholder is not filled in later as one.
  std::ofstream(dir / "person.html") << "<title>{|title|}</title><p>{|person|}</p>{|content|}";
  const auto person = LoadDocumentTemplate(dir / "person.html", u"{|person|}");
  ASSERT_TRUE(person);
  EXPECT_EQ(person->head, "<title>&#123;|person|}</title><p>{|person|}</p>");
  std::ofstream(dir / "nomarker.html") << "only {|title|}";
  const auto noMarker = LoadDocumentTemplate(dir / "nomarker.html", u"T");
  ASSERT_TRUE(noMarker);
  EXPECT_EQ(noMarker->head, "only T");
  EXPECT_EQ(noMarker->tail, "");

  // The first template missing, in loading order, is named.
  ExportTemplates templates;
  fs::path missing;
  for (const char* name : {"Notes.html", "contacts.html", "Sms.html", "WhatsApp.html"})
    std::ofstream(dir / name) << "{|content|}";
  EXPECT_EQ(LoadExportTemplates(dir.path(), u"", templates, &missing), 87);
  EXPECT_EQ(missing, dir / "CallHistory.html");
  std::ofstream(dir / "CallHistory.html") << "{|title|}{|content|}";
  EXPECT_EQ(LoadExportTemplates(dir.path(), u"Ann's iPhone", templates), 0);
  EXPECT_EQ(templates.calls.head, "iPhone&#39;s Call History of Ann&#39;s iPhone");
}

TEST(DocumentsTest, ShippedTemplatesHoldWhatTheDocumentsNeed) {
  const fs::path folder = DefaultTemplateFolder();
  ExportTemplates t;
  ASSERT_EQ(LoadExportTemplates(folder, u"Demo", t), 0) << folder;
  for (const auto* conversation : {&t.messages, &t.whatsApp}) {
    EXPECT_NE(conversation->head.find("{|person|}"), std::string::npos);
    EXPECT_NE(conversation->head.find("<meta charset=\"utf-8\">"), std::string::npos);
    for (const char* cls : {".date", ".send_msg", ".del_send_msg", ".recv_msg", ".del_recv_msg"})
      EXPECT_NE(conversation->head.find(cls), std::string::npos) << cls;
  }
  const auto columns = [](const DocumentTemplate& d) {
    std::size_t n = 0;
    for (auto at = d.head.find("<th>"); at != std::string::npos; at = d.head.find("<th>", at + 1)) ++n;
    return n;
  };
  EXPECT_EQ(columns(t.calls), 5u);
  EXPECT_EQ(columns(t.notes), 3u);
  EXPECT_EQ(columns(t.contacts), 7u);
  EXPECT_NE(t.calls.head.find("iPhone&#39;s Call History of Demo"), std::string::npos);
  for (const auto* d : {&t.calls, &t.notes, &t.contacts, &t.messages, &t.whatsApp}) {
    EXPECT_EQ(d->head.find("{|title|}"), std::string::npos);
    EXPECT_NE(d->tail.find("</html>"), std::string::npos);
  }
  const auto print = LoadDocumentTemplate(folder / kPrintTemplate, u"");
  ASSERT_TRUE(print);
  EXPECT_NE(print->tail.find("</html>"), std::string::npos);
}

}  // namespace
}  // namespace vesmar
