// The export of a scan's selection into a folder, checked file by file.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <thread>

#include "export/export_job.h"
#include "export/export_progress.h"
#include "export/export_texts.h"
#include "platform/file_ops.h"
#include "tests/export/recording_progress.h"
#include "tests/fixtures/temp_dir.h"
#include "tests/results/scripted_parser.h"

namespace vesmar {
namespace {

namespace fs = std::filesystem;
using C = RecoveryCategory;
constexpr auto kDeleted = RecordStatus::Deleted;
constexpr std::time_t kStart = 1'600'000'000;

std::string Read(const fs::path& path) { return ReadWholeFile(path, 1 << 26).value_or(""); }

bool Contains(const std::string& text, std::string_view part) { return text.find(part) != std::string::npos; }

// Every regular file below `root`, relative, with the stamp written as S.
std::set<std::string> Tree(const fs::path& root, const std::string& stamp) {
  std::set<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    std::string rel = fs::relative(entry.path(), root).string();
    for (auto at = rel.find(stamp); at != std::string::npos; at = rel.find(stamp)) rel.replace(at, stamp.size(), "S");
    files.insert(rel);
  }
  return files;
}

MessageRecord Sms(std::u16string name, std::u16string address, std::u16string text, int fromMe = 0,
                  RecordStatus status = RecordStatus::Live) {
  MessageRecord m;
  m.status = status;
  m.fromMe = fromMe;
  m.contactName = std::move(name);
  m.address = std::move(address);
  m.text = std::move(text);
  m.date = u"2020-05-05 12:00:00";
  return m;
}

WhatsAppMessageRecord Wa(std::u16string sender, std::u16string phone, std::u16string text, int fromMe = 0) {
  WhatsAppMessageRecord m;
  m.fromMe = fromMe;
  m.senderName = fromMe ? u"Me" : std::move(sender);
  m.senderPhone = fromMe ? u"" : std::move(phone);
  m.text = std::move(text);
  m.date = u"2021-06-06 08:00:00";
  return m;
}

// A scan's results over files in a fixture backup folder, every item selected.
struct Fixture {
  fixtures::TempDir dir;
  fs::path backup = dir / "backup";
  fs::path out = dir / "out";
  testing::ScriptedParser parser;
  CScanResultsModel model;
  ExportTemplates templates;
  std::string stamp = ExportStamp(kStart);

  fs::path File(const char* name, std::size_t size, char fill) {
    fs::create_directories(backup);
    std::ofstream(backup / name, std::ios::binary) << std::string(size, fill);
    return backup / name;
  }

  Fixture() {
    auto& r = model.Raw();
    r.cameraRoll = {{3000, u"IMG_0001.JPG", File("cr1", 3000, 'a')},
                    {3000, u"IMG_0001.JPG", File("cr2", 3000, 'b')},
                    {0, u"EMPTY.JPG", File("cr3", 0, ' ')}};
    r.photoStream = {{2000, u"../IMG_0100.JPG", File("ps1", 2000, 'c')}};
    r.messages[1] = {Sms(u"Alice", u"+1 555 0101", u"hello <b>you</b>"),
                     Sms(u"Alice", u"+1 555 0101", u"bye", 1, kDeleted)};
    r.messages[2] = {Sms(u"", u"", u"who is this")};
    r.messages[3] = {Sms(u"Alice", u"alice@example.com", u"mail")};
    r.messages[4] = {Sms(u"Bob/../../x", u"+1 555 0199", u"hostile")};
    r.messageAttachments = {{0, 100, u"a/b.jpg", File("att1", 100, 'd')},
                            {0, 100, u"missing.jpg", backup / "not-there"}};
    r.contacts = {{RecordStatus::Live, u"ann@example.com", u"", u"", u"", u"111\n222", u"", u"Ann"},
                  {kDeleted, u"", u"", u"", u"", u"333", u"<i>Co</i>", u"Gone"}};
    r.calls = {{RecordStatus::Live, 1, 0, u"2020-01-01 00:00:00", u"+1", u"Ann"},
               {kDeleted, 0, 3725, u"2020-01-02 00:00:00", u"+2", u""}};
    r.notes = {{RecordStatus::Live, 0, u"2020-01-01 00:00:00", u"Shopping", u"milk & eggs"}};
    r.appFiles = {{500, u"example.camera", u"shot.jpg", File("app1", 500, 'e')},
                  {500, u"../evil", u"clip.mov", File("app2", 500, 'f')}};
    r.whatsApp[10] = {Wa(u"Carol", u"+44 7700", u"hi, there"), Wa(u"", u"", u"yo", 1)};
    WhatsAppMessageRecord group = Wa(u"Dan", u"+1", u"family, \"all\"");
    r.whatsApp[11] = {group};
    for (auto& m : r.whatsApp[10]) {
      m.memberNames = u"Carol";
      m.memberPhones = u"+44 7700";
      m.chatName = u"Carol";
    }
    for (auto& m : r.whatsApp[11]) {
      m.memberNames = u"Dan,Eve";
      m.memberPhones = u"+1,+2";
      m.chatName = u"Family/Friends";
    }
    r.whatsAppAttachments = {{700, u"voice.opus", File("wa1", 700, 'g')}};
    for (int step = 0; step < 9; ++step) model.CompleteStep(step);

    for (auto* t : {&templates.calls, &templates.notes, &templates.contacts}) *t = {"<table>", "</table>"};
    templates.messages = templates.whatsApp = {"<h1>{|person|}</h1>", "<end>"};
  }

  ExportSummary Run(IItemProgress& progress) {
    CExportJob job(model, parser, templates, out);
    job.SetStartTime(kStart);
    return job.Run(progress);
  }

  void SelectOnly(std::initializer_list<C> categories) {
    for (int code = 1; code <= 11; ++code) model.Statistics().SelectCategory(static_cast<C>(code), false);
    for (const C c : categories) model.Statistics().SelectCategory(c, true);
  }
};

TEST(ExportJobTest, WritesTheWholeSelectionIntoItsTree) {
  Fixture f;
  testing::RecordingProgress progress;
  const ExportSummary summary = f.Run(progress);
  EXPECT_EQ(summary.result, 0);
  EXPECT_EQ(summary.stamp, f.stamp);
  EXPECT_TRUE(progress.finished);

  const std::set<std::string> expected = {
      "App Photos/example.camera/shot.jpg",
      "App Video/.._evil/clip.mov",
      "CallHistory/CallHistory_S.html",
      "Camera Roll/EMPTY.JPG",
      "Camera Roll/IMG_0001(1).JPG",
      "Camera Roll/IMG_0001.JPG",
      "Contacts/S/Contacts.csv",
      "Contacts/S/Contacts.html",
      "Message Attachments/a_b.jpg",
      "Message/Alice-S/Alice(+1 555 0101).html",
      "Message/Alice-S/Alice(+1 555 0101).txt",
      "Message/Alice-S/Alice(alice@example.com).html",
      "Message/Alice-S/Alice(alice@example.com).txt",
      "Message/Bob_.._.._x-S/Bob_.._.._x(+1 555 0199).html",
      "Message/Bob_.._.._x-S/Bob_.._.._x(+1 555 0199).txt",
      "Message/Unknown-S/Unknown.html",
      "Message/Unknown-S/Unknown.txt",
      "Message/sms.csv",
      "Notes/Notes_S.html",
      "Photo Stream/.._IMG_0100.JPG",
      "WhatsApp Attachments/voice.opus",
      "WhatsApp Message/Carol(+44 7700)-S/Carol(+44 7700).csv",
      "WhatsApp Message/Carol(+44 7700)-S/Carol(+44 7700).html",
      "WhatsApp Message/Carol(+44 7700)-S/Carol(+44 7700).txt",
      "WhatsApp Message/Family_Friends-S/Family_Friends.csv",
      "WhatsApp Message/Family_Friends-S/Family_Friends.html",
      "WhatsApp Message/Family_Friends-S/Family_Friends.txt",
  };
  EXPECT_EQ(Tree(f.out, f.stamp), expected);
  // Nothing was written beside the output folder.
  EXPECT_EQ(std::distance(fs::directory_iterator(f.dir.path()), fs::directory_iterator()), 2);

  // Copies are byte for byte; same-named photos both survive.
  EXPECT_EQ(Read(f.out / "Camera Roll/IMG_0001.JPG"), std::string(3000, 'a'));
  EXPECT_EQ(Read(f.out / "Camera Roll/IMG_0001(1).JPG"), std::string(3000, 'b'));
  EXPECT_EQ(Read(f.out / "App Video/.._evil/clip.mov"), std::string(500, 'f'));

  // One finished report per selected item; the missing attachment is the only failure.
  const auto finished = progress.Finished();
  EXPECT_EQ(progress.total, 20u);
  EXPECT_EQ(finished.size(), 20u);
  std::vector<fs::path> failed;
  for (const auto& r : finished)
    if (r.error != 0) failed.push_back(r.name);
  EXPECT_EQ(failed, std::vector<fs::path>{f.out / "Message Attachments/missing.jpg"});
  std::size_t contactReports = 0;
  for (const auto& r : finished) contactReports += r.name == f.out / "Contacts" / f.stamp / "Contacts.html";
  EXPECT_EQ(contactReports, 2u);

  // Documents: person line and text escaped, group chats named by the chat.
  const std::string alice = Read(f.out / "Message" / ("Alice-" + f.stamp) / "Alice(+1 555 0101).html");
  EXPECT_TRUE(Contains(alice, "<h1>Name: Alice, Phone: +1 555 0101</h1>"));
  EXPECT_TRUE(Contains(alice, "hello &lt;b&gt;you&lt;/b&gt;"));
  EXPECT_TRUE(Contains(alice, "<div class=\"del_send_msg\">bye</div>"));
  const std::string bob = Read(f.out / "Message" / ("Bob_.._.._x-" + f.stamp) / "Bob_.._.._x(+1 555 0199).html");
  EXPECT_TRUE(Contains(bob, "Name: Bob/../../x, Phone: +1 555 0199"));  // the name itself is shown as it is
  const fs::path family = f.out / "WhatsApp Message" / ("Family_Friends-" + f.stamp);
  EXPECT_TRUE(Contains(Read(family / "Family_Friends.html"), "<h1>Name: Dan,Eve, Phone: +1,+2</h1>"));
  EXPECT_TRUE(Contains(Read(family / "Family_Friends.csv"), "Dan,+1,2021-06-06 08:00:00,Received,\"family, \"\"all\"\"\""));

  const std::string contacts = Read(f.out / "Contacts" / f.stamp / "Contacts.html");
  EXPECT_TRUE(Contains(contacts, "<table>\t<tr><td>Gone</td><td>333</td>"));  // deleted first
  EXPECT_TRUE(Contains(contacts, "<td>111<br />222</td>"));
  EXPECT_TRUE(Contains(contacts, "&lt;i&gt;Co&lt;/i&gt;"));
  EXPECT_EQ(contacts.substr(contacts.size() - 8), "</table>");
  EXPECT_EQ(Read(f.out / "Contacts" / f.stamp / "Contacts.csv"), "contacts dump\r\n");
  EXPECT_EQ(Read(f.out / "Message/sms.csv"), "messages dump\r\n");
  const std::string calls = Read(f.out / "CallHistory" / ("CallHistory_" + f.stamp + ".html"));
  EXPECT_TRUE(Contains(calls, "<td>Outgoing</td><td>1 Hour 2 Min</td>"));
  EXPECT_TRUE(Contains(calls, "<td>Incoming</td><td>Missed</td>"));
  EXPECT_TRUE(Contains(Read(f.out / "Notes" / ("Notes_" + f.stamp + ".html")), "milk &amp; eggs"));

  ASSERT_EQ(summary.documents.size(), 5u);
  for (const auto& d : summary.documents) EXPECT_EQ(d.result, 0) << d.path;
}

TEST(ExportJobTest, SecondExportInTheSameSecondOverwritesNothing) {
  Fixture f;
  testing::RecordingProgress first, second;
  f.Run(first);
  const auto before = Tree(f.out, f.stamp);
  const std::string firstContacts = Read(f.out / "Contacts" / f.stamp / "Contacts.html");
  f.parser.dumpResult = 0;
  f.Run(second);
  const auto after = Tree(f.out, f.stamp);
  EXPECT_EQ(after.size(), 2 * before.size());
  for (const auto& name : before) EXPECT_TRUE(after.count(name)) << name;
  for (const char* name : {"Camera Roll/IMG_0001(2).JPG", "Camera Roll/IMG_0001(3).JPG", "Message/sms(1).csv",
                           "Message/Unknown-S/Unknown(1).html", "Contacts/S/Contacts(1).html",
                           "Contacts/S/Contacts(1).csv", "CallHistory/CallHistory_S(1).html"})
    EXPECT_TRUE(after.count(name)) << name;
  EXPECT_EQ(Read(f.out / "Contacts" / f.stamp / "Contacts.html"), firstContacts);
  // The items of the second run name the files they really went into.
  std::size_t namingNewDocument = 0;
  for (const auto& r : second.Finished()) namingNewDocument += r.name.filename() == "Contacts(1).html";
  EXPECT_EQ(namingNewDocument, 2u);
}

struct DetailList : IExportView {
  std::vector<ItemReport> rows;
  ExportCounters last;
  void ShowItemProgress(const ItemReport& report, const ExportCounters& counters) override {
    if (report.finished) rows.push_back(report);
    last = counters;
  }
};

TEST(ExportJobTest, OnlyContactsSelected) {
  Fixture f;
  f.SelectOnly({C::Contacts});
  f.parser.dumpResult = 87;  // the contacts dump fails; the export still ends normally
  DetailList view;
  CExportProgress progress(&view);
  const ExportSummary summary = f.Run(progress);
  EXPECT_TRUE(progress.Done());
  EXPECT_EQ(Tree(f.out, f.stamp), (std::set<std::string>{"Contacts/S/Contacts.html"}));
  ASSERT_EQ(view.rows.size(), 2u);
  for (const auto& row : view.rows) {
    EXPECT_EQ(row.status, "Success");
    EXPECT_EQ(row.name, f.out / "Contacts" / f.stamp / "Contacts.html");
  }
  EXPECT_EQ(view.last.processed, 2u);
  EXPECT_EQ(view.last.total, 2u);
  EXPECT_EQ(RecoveredCountText(view.last, u"%d/%d ok %d bad %d"), u"2/2 ok 2 bad 0");
  EXPECT_EQ(RecoverPercentText(100), u"Recovering 100%");
  ASSERT_EQ(summary.documents.size(), 2u);
  EXPECT_EQ(summary.documents[0].path, f.out / "Contacts" / f.stamp / "Contacts.csv");
  EXPECT_EQ(summary.documents[0].result, 87);
  EXPECT_EQ(f.parser.dumpsWritten.size(), 1u);  // no messages, no message dump
}

TEST(ExportJobTest, FilteredAndUnselectedRecordsStayOut) {
  Fixture f;
  f.SelectOnly({C::Contacts, C::CameraRoll});
  f.model.SetDeletedOnly(C::Contacts, true);
  f.model.Statistics().Select(&f.model.CameraRoll()[1], false);
  DetailList view;
  CExportProgress progress(&view);
  f.Run(progress);
  EXPECT_EQ(Tree(f.out, f.stamp), (std::set<std::string>{"Camera Roll/IMG_0001.JPG", "Camera Roll/EMPTY.JPG",
                                                          "Contacts/S/Contacts.html", "Contacts/S/Contacts.csv"}));
  const std::string contacts = Read(f.out / "Contacts" / f.stamp / "Contacts.html");
  EXPECT_TRUE(Contains(contacts, "Gone"));
  EXPECT_FALSE(Contains(contacts, "Ann"));
  EXPECT_EQ(view.last.total, 3u);
  EXPECT_EQ(view.last.processed, 3u);
}

TEST(ExportJobTest, ConversationThatCannotBeWrittenFailsItsItemOnly) {
  // "Message" leads nowhere: every conversation fails with ENOENT, which must not read as a
  // cancel; the contacts after them are still exported.
  Fixture f;
  f.SelectOnly({C::Messages, C::Contacts});
  fs::create_directories(f.out);
  fs::create_symlink(f.dir / "nowhere" / "deeper", f.out / "Message");
  testing::RecordingProgress progress;
  const ExportSummary summary = f.Run(progress);
  EXPECT_EQ(summary.result, 0);
  const auto finished = progress.Finished();
  ASSERT_EQ(finished.size(), 6u);
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(finished[i].error, ENOENT) << finished[i].name;
  EXPECT_EQ(finished[4].error, 0);
  EXPECT_TRUE(Contains(Read(f.out / "Contacts" / f.stamp / "Contacts.html"), "Ann"));
}

TEST(ExportJobTest, CancelStopsTheWalkAndKeepsWhatWasWritten) {
  {
    // During a file copy: the half-copied file is removed, nothing further is begun.
    Fixture f;
    f.parser.copyChunk = 1024;  // three reports per photo
    testing::RecordingProgress progress;
    progress.cancelAfter = 3;
    EXPECT_EQ(f.Run(progress).result, 2);
    EXPECT_EQ(Tree(f.out, f.stamp), (std::set<std::string>{"Camera Roll/IMG_0001.JPG"}));
    EXPECT_EQ(Read(f.out / "Camera Roll/IMG_0001.JPG"), std::string(3000, 'a'));
    EXPECT_TRUE(progress.finished);
  }
  {
    // During a chat: its documents are written with what they hold; contacts collected before
    // the cancel still get their document.
    Fixture f;
    f.SelectOnly({C::Contacts, C::WhatsApp});
    auto& chat = f.model.Raw().whatsApp[10];
    chat.insert(chat.end(), {Wa(u"Carol", u"+44 7700", u"third"), Wa(u"Carol", u"+44 7700", u"fourth")});
    testing::RecordingProgress progress;
    progress.cancelAfter = 4;  // two contacts, then 25% and 50% of the chat
    const ExportSummary summary = f.Run(progress);
    EXPECT_EQ(summary.result, 2);
    EXPECT_EQ(Tree(f.out, f.stamp),
              (std::set<std::string>{"Contacts/S/Contacts.html", "Contacts/S/Contacts.csv",
                                     "WhatsApp Message/Carol(+44 7700)-S/Carol(+44 7700).txt",
                                     "WhatsApp Message/Carol(+44 7700)-S/Carol(+44 7700).csv",
                                     "WhatsApp Message/Carol(+44 7700)-S/Carol(+44 7700).html"}));
    const std::string html =
        Read(f.out / "WhatsApp Message" / ("Carol(+44 7700)-" + f.stamp) / "Carol(+44 7700).html");
    EXPECT_TRUE(Contains(html, ">third</div>"));
    EXPECT_FALSE(Contains(html, ">fourth</div>"));
    EXPECT_EQ(html.substr(html.size() - 5), "<end>");
    EXPECT_TRUE(Contains(Read(f.out / "Contacts" / f.stamp / "Contacts.html"), "Ann"));
  }
}

TEST(ExportJobTest, ReportsAreHeldWhileTheCancelQuestionIsOpen) {
  Fixture f;
  f.SelectOnly({C::Contacts});
  DetailList view;
  CExportProgress progress(&view);
  std::atomic<bool> started{false};
  std::thread worker;
  {
    auto hold = progress.HoldReports();
    worker = std::thread([&] {
      started = true;
      f.Run(progress);
    });
    while (!started) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(view.rows.empty());  // the worker waits at its first report
    progress.Cancel();
  }
  worker.join();
  EXPECT_TRUE(progress.Done());
  EXPECT_EQ(progress.Counters().processed, 0u);
}

}  // namespace
}  // namespace vesmar
