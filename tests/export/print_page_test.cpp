// The printable page of the category shown.
#include <gtest/gtest.h>

#include <fstream>

#include "export/print_page.h"
#include "tests/fixtures/temp_dir.h"

namespace vesmar {
namespace {

namespace fs = std::filesystem;
using C = RecoveryCategory;
constexpr auto kDeleted = RecordStatus::Deleted;
constexpr auto kLive = RecordStatus::Live;

std::string Body(const CScanResultsModel& model, C category) {
  std::string body;
  EXPECT_EQ(BuildPrintBody(model, category, body), 0);
  return body;
}

bool Contains(const std::string& text, std::string_view part) { return text.find(part) != std::string::npos; }

TEST(PrintPageTest, ContactsFilteredToDeletedPrintOnlySelectedDeletedOnes) {
  CScanResultsModel model;
  model.Raw().contacts = {{kLive, u"", u"", u"", u"", u"1", u"", u"Live"},
                          {kDeleted, u"a@b", u"", u"", u"http://x", u"2\n3", u"<Co>", u"Kept"},
                          {kDeleted, u"", u"", u"", u"", u"4", u"", u"Unchecked"}};
  model.CompleteCategory(C::Contacts);
  model.Statistics().Select(&model.Contacts()[1], false);  // "Unchecked" (deleted come first)
  model.SetDeletedOnly(C::Contacts, true);
  EXPECT_EQ(Body(model, C::Contacts),
            "<div>\r\n<p><span>Name:</span>Kept</p>\r\n<p><span>Phone Number:</span>2\n3</p>\r\n"
            "<p><span>Company:</span>&lt;Co&gt;</p>\r\n<p><span>Email:</span>a@b</p>\r\n"
            "<p><span>URL:</span>http://x</p>\r\n</div>\r\n");
  model.SetDeletedOnly(C::Contacts, false);
  EXPECT_TRUE(Contains(Body(model, C::Contacts), "Live"));
}

TEST(PrintPageTest, ConversationsPrintEveryMessage) {
  CScanResultsModel model;
  model.Raw().messages[1] = {{kDeleted, 1, 0, 1, u"2020-01-01 00:00:00", u"+1", u"Ann", u"mine", u""},
                             {kLive, 0, 2, 1, u"2020-01-01 00:01:00", u"+1", u"Unknown", u"<b>x</b>", u""}};
  model.Raw().messages[2] = {{kLive, 0, 3, 2, u"2020-01-01 00:02:00", u"+2", u"Bob", u"not selected", u""}};
  model.CompleteCategory(C::Messages);
  for (const auto& row : model.ConversationRows())
    if (row.handleId == 2) model.Statistics().Select(&row, false);
  EXPECT_EQ(Body(model, C::Messages),
            "<div>\r\n<p><span>To:</span>Ann(+1)</p>\r\n<p><span>Date:</span>2020-01-01 00:00:00</p>\r\n"
            "<p><span>Content:</span>mine</p>\r\n</div>\r\n"
            "<div>\r\n<p><span>From:</span>+1</p>\r\n<p><span>Date:</span>2020-01-01 00:01:00</p>\r\n"
            "<p><span>Content:</span>&lt;b&gt;x&lt;/b&gt;</p>\r\n</div>\r\n");

  std::atomic<bool> cancel{true};
  std::string body;
  EXPECT_EQ(BuildPrintBody(model, C::Messages, body, &cancel), 2);
}

TEST(PrintPageTest, CallsNotesChatsAndCategoriesWithoutAPrintedForm) {
  CScanResultsModel model;
  model.Raw().calls = {{kLive, 1, 0, u"2020-01-01 00:00:00", u"+1", u"Ann"}};
  model.Raw().notes = {{kLive, 0, u"2020-01-01 00:00:00", u"T", u"a & b"}};
  WhatsAppMessageRecord m;
  m.senderName = u"Carol";
  m.senderPhone = u"+44";
  m.chatName = u"Carol";
  m.date = u"2021-01-01 00:00:00";
  m.text = u"hi";
  WhatsAppMessageRecord mine = m;
  mine.fromMe = 1;
  mine.text = u"yo";
  model.Raw().whatsApp[5] = {m, mine};
  model.Raw().cameraRoll = {{2048, u"A.JPG", "/a"}};
  for (int step = 0; step < 9; ++step) model.CompleteStep(step);

  EXPECT_EQ(Body(model, C::CallHistory),
            "<div>\r\n<p><span>Name:</span>Ann</p>\r\n<p><span>Phone Number:</span>+1</p>\r\n"
            "<p><span>Date:</span>2020-01-01 00:00:00</p>\r\n<p><span>Type:</span>Incoming</p>\r\n"
            "<p><span>Duration:</span>Missed</p>\r\n</div>\r\n");
  EXPECT_TRUE(Contains(Body(model, C::Notes), "<p><span>Notes:</span>a &amp; b</p>"));
  EXPECT_EQ(Body(model, C::WhatsApp),
            "<div>\r\n<p><span>Chats:</span>Carol</p>\r\n<p><span>Name:</span>Carol</p>\r\n"
            "<p><span>Phone Number:</span>+44</p>\r\n<p><span>Content:</span></p>\r\n"
            "<p>Carol (2021-01-01 00:00:00): hi</p><p>Me (2021-01-01 00:00:00): yo</p></div>\r\n");
  EXPECT_EQ(Body(model, C::CameraRoll), "");
}

TEST(PrintPageTest, PageFileIsReplacedEachTime) {
  fixtures::TempDir dir;
  std::ofstream(dir / "Print.html") << "<html>{|content|}</html>";
  const fs::path page = dir / "Print" / "page";
  const auto tmpl = LoadPrintTemplate(dir.path());
  ASSERT_EQ(WritePrintPage(page, tmpl, "first"), 0);
  ASSERT_EQ(WritePrintPage(page, tmpl, "second"), 0);
  std::ifstream in(page);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "<html>second</html>");

  const auto none = LoadPrintTemplate(dir / "missing");
  ASSERT_EQ(WritePrintPage(page, none, "body alone"), 0);
  std::ifstream again(page);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(again), {}), "body alone");
}

}  // namespace
}  // namespace vesmar
