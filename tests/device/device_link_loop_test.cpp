#include "device/device_link_loop.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>

#include "tests/device/scripted_channel.h"
#include "tests/fixtures/temp_dir.h"

namespace vesmar {
namespace {

namespace fs = std::filesystem;
using namespace vesmar::testing;

std::string Read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void Write(const fs::path& p, const std::string& content) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << content;
}

std::string Pattern(std::size_t size) {
  std::string s(size, '\0');
  for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
  return s;
}

PlistPtr Upload(double progress = 0) {
  return Array({Str("DLMessageUploadFiles"), plist_new_dict(), Real(progress), Uint(0)});
}
PlistPtr Finish(std::uint64_t code) {
  return Array({Str("DLMessageProcessMessage"), Dict({{"ErrorCode", Uint(code)}}).release()});
}

std::int64_t ErrorCodeOf(const SentStatus& status, const std::string& name) {
  plist_t entry = plist_dict_get_item(status.content.get(), name.c_str());
  return PlistSigned(plist_dict_get_item(entry, "DLFileErrorCode")).value_or(0);
}

class DeviceLinkLoopTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(root);
    context.stopRequests = &stop;
    context.overallProgress = &overall;
    context.timings = LinkTimings{1, 5, 1, 3, 200};
  }
  int Run() { return RunDeviceLinkLoop(channel, root, context); }

  fixtures::TempDir temp;
  fs::path root = temp / "backup";
  std::atomic<int> stop{0};
  std::atomic<double> overall{0};
  LinkContext context;
  ScriptedChannel channel;
};

TEST_F(DeviceLinkLoopTest, FolderMessagesAreCarriedOutAndAnswered) {
  Write(root / "u/x.txt", "xx");
  Write(root / "u/dir/inner", "i");
  Write(root / "u/target/old", "replaced by the move");
  channel.Message(Array({Str("DLMessageGetFreeDiskSpace")}))
      .Message(Array({Str("DLMessageCreateDirectory"), Str("u/new/deep")}))
      .Message(Array({Str("DLContentsOfDirectory"), Str("u")}))
      .Message(Array({Str("DLMessageCopyItem"), Str("u/x.txt"), Str("u/copy.txt")}))
      .Message(Array({Str("DLMessageCopyItem"), Str("u/dir"), Str("u/dircopy")}))
      .Message(Array({Str("DLMessageMoveItems"),
                      Dict({{"u/copy.txt", Str("u/moved/m.txt")}, {"u/dircopy", Str("u/target")}}).release(),
                      Str(""), Real(0)}))
      .Message(Array({Str("DLMessageRemoveItems"), Array({Str("u/x.txt"), Str("u/missing"), Str("u/new")}).release(),
                      Str(""), Real(0)}))
      .Message(Array({Str("DLMessageSomethingNew"), Str("ignored")}))
      .Message(Finish(0));
  EXPECT_EQ(Run(), 0);

  ASSERT_EQ(channel.statuses.size(), 7u);
  for (const auto& s : channel.statuses) EXPECT_EQ(s.code, 0) << s.description;
  EXPECT_GT(PlistUnsigned(channel.statuses[0].content.get()).value_or(0), 0u);
  plist_t listing = channel.statuses[2].content.get();
  EXPECT_EQ(PlistText(plist_dict_get_item(plist_dict_get_item(listing, "x.txt"), "DLFileType")), "DLFileTypeRegular");
  EXPECT_EQ(PlistUnsigned(plist_dict_get_item(plist_dict_get_item(listing, "x.txt"), "DLFileSize")), 2u);
  EXPECT_EQ(PlistText(plist_dict_get_item(plist_dict_get_item(listing, "new"), "DLFileType")), "DLFileTypeDirectory");

  EXPECT_EQ(Read(root / "u/moved/m.txt"), "xx");
  EXPECT_EQ(Read(root / "u/target/inner"), "i");
  EXPECT_FALSE(fs::exists(root / "u/target/old"));
  EXPECT_FALSE(fs::exists(root / "u/dircopy"));
  EXPECT_FALSE(fs::exists(root / "u/x.txt"));
  EXPECT_FALSE(fs::exists(root / "u/new"));
  EXPECT_EQ(Read(root / "u/dir/inner"), "i");
}

TEST_F(DeviceLinkLoopTest, TheDevicesResultEndsTheExchange) {
  struct Case {
    const char* what;
    int failedSends;
    PlistPtr (*last)();
    int expected;
  };
  const Case cases[] = {
      {"error code", 0, [] { return Finish(105); }, -105},
      {"no error code keeps an earlier failed reply", 1,
       [] { return Array({Str("DLMessageProcessMessage"), plist_new_dict()}); }, -3},
      {"error code 0 wins over an earlier failed reply", 1, [] { return Finish(0); }, 0},
      {"disconnect keeps the result", 1, [] { return Array({Str("DLMessageDisconnect"), Str("bye")}); }, -3},
  };
  for (const auto& c : cases) {
    ScriptedChannel peer;
    peer.failSends = c.failedSends;
    peer.Message(Array({Str("DLMessageRemoveItems"), plist_new_array(), Str(""), Real(0)}))
        .Message(c.last())
        .Message(Array({Str("DLMessageCreateDirectory"), Str("after-the-end")}));
    EXPECT_EQ(RunDeviceLinkLoop(peer, root, context), c.expected) << c.what;
    EXPECT_FALSE(fs::exists(root / "after-the-end")) << c.what;
  }
}

TEST_F(DeviceLinkLoopTest, UploadWritesFilesIntoMissingFoldersAndStaysInStep) {
  const std::string big = Pattern(100000);
  channel.SetMaxPiece(7000);  // short reads everywhere
  channel.Message(Upload())
      .Raw(UploadStream()
               .File("UDID/ab/abcdef", big, 32768)
               .FileWithRemoteError("UDID/cd/broken", "part", "Device could not read the file")
               .File("UDID/Manifest.db", "manifest")
               .File("UDID/empty", "")
               .End()
               .bytes())
      .Message(Finish(0));
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Read(root / "UDID/ab/abcdef"), big);
  EXPECT_EQ(Read(root / "UDID/Manifest.db"), "manifest");
  EXPECT_TRUE(fs::is_regular_file(root / "UDID/empty"));
  ASSERT_EQ(channel.statuses.size(), 1u);
  EXPECT_EQ(channel.statuses[0].code, 0);
  EXPECT_EQ(channel.unreadBytes(), 0u);
}

TEST_F(DeviceLinkLoopTest, PayloadOfAnEndBlockIsReadOff) {
  // The block that ends a file carries no payload; when it does, the stream must stay in step.
  channel.Message(Upload())
      .Raw(UploadStream()
               .Name("/d")
               .Name("UDID/a")
               .Block(0x0C, "data")
               .Block(0x00, std::string(5000, 'j'))
               .File("UDID/b", "next")
               .End()
               .bytes())
      .Message(Finish(0));
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Read(root / "UDID/a"), "data");
  EXPECT_EQ(Read(root / "UDID/b"), "next");
  ASSERT_EQ(channel.statuses.size(), 1u);
  EXPECT_EQ(channel.statuses[0].code, 0);
  EXPECT_EQ(channel.unreadBytes(), 0u);
}

TEST_F(DeviceLinkLoopTest, HostileNamesAreRefusedAndNothingLeavesTheRoot) {
  Write(temp / "outside.txt", "keep me");
  Write(temp / "outdir/file", "keep me too");
  for (const char* hostile : {"../evil", "/tmp/evil-abs", "UDID/../../evil", "UDID/..", "../outside.txt"}) {
    SCOPED_TRACE(hostile);
    ScriptedChannel peer;
    peer.Message(Upload())
        .Raw(UploadStream().File(hostile, "payload").File("UDID/good", "fine").End().bytes())
        .Message(Array({Str("DLMessageCreateDirectory"), Str(hostile)}))
        .Message(Array({Str("DLMessageRemoveItems"), Array({Str(hostile), Str("../outdir")}).release(), Str(""), Real(0)}))
        .Message(Array({Str("DLMessageMoveItems"), Dict({{"UDID/good", Str(hostile)}}).release(), Str(""), Real(0)}))
        .Message(Array({Str("DLMessageCopyItem"), Str("../outside.txt"), Str("UDID/stolen")}))
        .Message(Array({Str("DLContentsOfDirectory"), Str("..")}))
        .Message(Finish(0));
    EXPECT_EQ(RunDeviceLinkLoop(peer, root, context), 0);
    ASSERT_EQ(peer.statuses.size(), 6u);
    EXPECT_EQ(peer.statuses[0].code, -13);
    EXPECT_EQ(peer.statuses[0].description, "Multi status");
    EXPECT_EQ(ErrorCodeOf(peer.statuses[0], hostile), -EACCES);
    for (std::size_t i = 1; i < 6; ++i) EXPECT_EQ(peer.statuses[i].code, -EACCES) << i;
    EXPECT_EQ(plist_dict_get_size(peer.statuses[5].content.get()), 0u);
    EXPECT_EQ(Read(root / "UDID/good"), "fine");
    EXPECT_FALSE(fs::exists(root / "UDID/stolen"));
    EXPECT_EQ(Read(temp / "outside.txt"), "keep me");
    EXPECT_EQ(Read(temp / "outdir/file"), "keep me too");
    EXPECT_FALSE(fs::exists(temp / "evil"));
    EXPECT_FALSE(fs::exists("/tmp/evil-abs"));
  }
}

TEST_F(DeviceLinkLoopTest, AFileThatCannotBeWrittenIsDrainedAndReported) {
  Write(root / "UDID/blocked/child", "a folder where the device wants a file");
  channel.Message(Upload())
      .Raw(UploadStream().File("UDID/blocked", Pattern(70000)).File("UDID/next", "still in step").End().bytes())
      .Message(Finish(0));
  EXPECT_EQ(Run(), 0);
  EXPECT_EQ(Read(root / "UDID/next"), "still in step");
  EXPECT_TRUE(fs::is_directory(root / "UDID/blocked"));
  ASSERT_EQ(channel.statuses.size(), 1u);
  EXPECT_EQ(channel.statuses[0].code, -13);
  EXPECT_EQ(ErrorCodeOf(channel.statuses[0], "UDID/blocked"), -EISDIR);
}

TEST_F(DeviceLinkLoopTest, NameLengthsUpToTheLimitAreTaken) {
  // 4096 bytes is the longest name; the file system refuses such a path, but the stream stays in step.
  const std::string longest = "UDID/" + std::string(4091, 'n');
  channel.Message(Upload())
      .Raw(UploadStream()
               .Name("/d")
               .Name(longest)
               .Block(0x0C, "data")
               .Block(0x00, "")
               .File("UDID/after", "ok")
               .End()
               .bytes())
      .Message(Upload())
      .Raw(UploadStream().File("UDID/before", "ok").Name("/var/x").Name(std::string(4097, 'n')).bytes());
  EXPECT_EQ(Run(), -1);  // after the refused length nothing the device sends can be read in step
  EXPECT_EQ(Read(root / "UDID/after"), "ok");
  EXPECT_EQ(Read(root / "UDID/before"), "ok");
  ASSERT_EQ(channel.statuses.size(), 2u);
  EXPECT_EQ(ErrorCodeOf(channel.statuses[0], longest), -ENAMETOOLONG);
  EXPECT_EQ(channel.statuses[1].code, 0);  // the second upload is still answered
}

TEST_F(DeviceLinkLoopTest, DownloadSendsBlocksAndReportsTheFirstMissingFile) {
  const std::string big = Pattern(70000);
  Write(root / "UDID/big", big);
  Write(root / "UDID/empty", "");
  Write(root / "UDID/never", "not sent: the list stops at the missing file");
  channel
      .Message(Array({Str("DLMessageDownloadFiles"),
                      Array({Str("UDID/big"), Str("UDID/empty"), Str("UDID/missing"), Str("UDID/never")}).release(),
                      Dict({}).release(), Real(0)}))
      .Message(Finish(0));
  EXPECT_EQ(Run(), 0);
  const std::string expected = UploadStream()
                                   .Name("UDID/big")
                                   .Block(0x0C, big.substr(0, 32768))
                                   .Block(0x0C, big.substr(32768, 32768))
                                   .Block(0x0C, big.substr(65536))
                                   .Block(0x00, "")
                                   .Name("UDID/empty")
                                   .Block(0x00, "")
                                   .Name("UDID/missing")
                                   .Block(0x06, std::strerror(ENOENT))
                                   .End()
                                   .bytes();
  EXPECT_EQ(channel.sentRaw, expected);
  ASSERT_EQ(channel.statuses.size(), 1u);
  EXPECT_EQ(channel.statuses[0].code, -13);
  EXPECT_EQ(channel.statuses[0].description, "Multi status");
  EXPECT_EQ(ErrorCodeOf(channel.statuses[0], "UDID/missing"), -6);
  EXPECT_EQ(plist_dict_get_size(channel.statuses[0].content.get()), 1u);
}

TEST_F(DeviceLinkLoopTest, ProgressFollowsTheDeviceAndTheCallbackCanStop) {
  std::vector<int> reports;
  context.weight = 20;
  context.user = &reports;
  context.callback = [](void* user, int percent) {
    auto& r = *static_cast<std::vector<int>*>(user);
    r.push_back(percent);
    return r.size() == 6 ? 2 : 0;
  };
  for (double p : {100.0, 5.0, 50.0, 57.9, 100.0, 100.0, 100.0})
    channel.Message(Array({Str("DLMessageRemoveItems"), plist_new_array(), Str(""), Real(p)}));
  EXPECT_EQ(Run(), 2);
  EXPECT_EQ(reports, (std::vector<int>{0, 1, 10, 11, 20, 20}));
}

TEST_F(DeviceLinkLoopTest, StopRequestEndsTheExchangeAndDropsThePartialFile) {
  channel.Message(Upload())
      .Raw(UploadStream().File("UDID/done", "complete").bytes())
      .Raw(UploadStream().Name("/var/x").Name("UDID/partial").Block(0x0C, Pattern(5000)).bytes())
      .Then([this] { stop = 1; })
      .Raw(UploadStream().Block(0x0C, Pattern(5000)).Block(0x00, "").End().bytes())
      .Message(Finish(0));
  EXPECT_EQ(Run(), -1);
  EXPECT_EQ(Read(root / "UDID/done"), "complete");
  EXPECT_FALSE(fs::exists(root / "UDID/partial"));
  EXPECT_EQ(channel.statuses.size(), 1u);

  ScriptedChannel idle;
  idle.Silence(2).Then([this] { stop = 1; }).Silence(1000);
  EXPECT_EQ(RunDeviceLinkLoop(idle, root, context), -1);
}

TEST_F(DeviceLinkLoopTest, SilentVanishedOrClosingDeviceEndsWithMinusOne) {
  {  // silent: gives up after the idle limit
    ScriptedChannel silent;
    silent.SetSilentAtEnd(true);
    EXPECT_EQ(RunDeviceLinkLoop(silent, root, context), -1);
    EXPECT_GT(stop.load(), 0);
  }
  {  // no longer listed: gives up at the first idle wait
    int checks = 0;
    context.devicePresent = [&checks] { return ++checks < 0; };
    context.timings.idleLimit = 1000;
    ScriptedChannel gone;
    gone.SetSilentAtEnd(true);
    EXPECT_EQ(RunDeviceLinkLoop(gone, root, context), -1);
    EXPECT_EQ(checks, 1);
    context.devicePresent = nullptr;
  }
  {  // the connection closes in the middle of a file
    ScriptedChannel closing;
    closing.Message(Upload()).Raw(UploadStream().Name("/var/x").Name("UDID/cut").Block(0x0C, "abc").bytes().substr(0, 40));
    EXPECT_EQ(RunDeviceLinkLoop(closing, root, context), -1);
    EXPECT_FALSE(fs::exists(root / "UDID/cut"));
    EXPECT_GT(stop.load(), 0);
  }
}

TEST_F(DeviceLinkLoopTest, WithoutARootFileMessagesAreIgnored) {
  // The exchange of a password change has no root: a name must not be taken from the current
  // folder instead.
  Write(temp / "victim", "keep me");
  const fs::path previous = fs::current_path();
  fs::current_path(temp.path());
  channel.Message(Array({Str("DLMessageCreateDirectory"), Str("x")}))
      .Message(Array({Str("DLContentsOfDirectory"), Str(".")}))
      .Message(Array({Str("DLMessageDownloadFiles"), Array({Str("victim")}).release(), Dict({}).release(), Real(0)}))
      .Message(Array({Str("DLMessageRemoveItems"), Array({Str("victim")}).release(), Str(""), Real(0)}))
      .Message(Array({Str("DLMessageMoveItems"), Dict({{"victim", Str("moved")}}).release(), Str(""), Real(0)}))
      .Message(Array({Str("DLMessageCopyItem"), Str("victim"), Str("copied")}))
      .Message(Finish(0));
  const int result = RunDeviceLinkLoop(channel, fs::path(), context);
  fs::current_path(previous);
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(channel.sentRaw.empty());
  // Only the requests that change the folder are answered, each refused.
  ASSERT_EQ(channel.statuses.size(), 3u);
  for (const auto& s : channel.statuses) EXPECT_EQ(s.code, -EACCES);
  EXPECT_EQ(Read(temp / "victim"), "keep me");
  EXPECT_FALSE(fs::exists(temp / "x"));
  EXPECT_FALSE(fs::exists(temp / "moved"));
  EXPECT_FALSE(fs::exists(temp / "copied"));
}

}  // namespace
}  // namespace vesmar
