// Selection bookkeeping of a finished scan: totals, the deleted-items filter, check states.
#include <gtest/gtest.h>

#include "results/scan_results_model.h"
#include "tests/results/scripted_parser.h"

namespace vesmar {
namespace {

using C = RecoveryCategory;

MessageRecord Message(std::u16string text, RecordStatus status = RecordStatus::Live) {
  MessageRecord m;
  m.text = std::move(text);
  m.status = status;
  return m;
}

// Four conversations: two live, two holding a deleted message; texts of 10, 2000, 5, 3000
// characters.
void FillMessages(CScanResultsModel& model) {
  auto& m = model.Raw().messages;
  m[1] = {Message(std::u16string(10, u'a'))};
  m[2] = {Message(u"old", RecordStatus::Deleted), Message(std::u16string(2000, u'b'))};
  m[3] = {Message(std::u16string(5, u'c'))};
  m[4] = {Message(std::u16string(3000, u'd'), RecordStatus::Deleted)};
  model.CompleteCategory(C::Messages);
}

TEST(StatisticsTest, EveryFoundItemIsSelectedAndCountsAtLeast1024Bytes) {
  CScanResultsModel model;
  EXPECT_EQ(model.StatisticsLine(), u"You select 0 MB in 0 item(s) of 0 MB in 0 item(s)");
  for (int i = 0; i < 10; ++i) model.Raw().cameraRoll.push_back({100, u"IMG.JPG", "/x"});
  EXPECT_EQ(model.CompleteCategory(C::CameraRoll), 10u);
  EXPECT_EQ(model.CompleteCategory(C::Notes), 0u);  // an empty category stays unselected

  EXPECT_EQ(model.StatisticsLine(), u"You select 10.00 KB in 10 item(s) of 10.00 KB in 10 item(s)");
  EXPECT_EQ(model.Statistics().CheckStateOf(C::CameraRoll), CheckState::Checked);
  EXPECT_EQ(model.Statistics().CheckStateOf(C::Notes), CheckState::Unchecked);
  EXPECT_EQ(model.TreeCount(C::CameraRoll), 10u);
  EXPECT_TRUE(model.RecoverEnabled(true));
  EXPECT_FALSE(model.RecoverEnabled(false));
  // A language file's own format is used as given.
  EXPECT_EQ(model.StatisticsLine(u"%d/%d"), u"10.00 KB/10");

  model.Reset();
  EXPECT_EQ(model.StatisticsLine(), u"You select 0 MB in 0 item(s) of 0 MB in 0 item(s)");
  EXPECT_FALSE(model.IsCompleted(C::CameraRoll));
  EXPECT_TRUE(model.CameraRoll().empty());
}

TEST(StatisticsTest, FilterHidesLiveRowsFromTheSelectionAndRestoresThem) {
  CScanResultsModel model;
  FillMessages(model);
  const auto& stats = model.Statistics();
  ASSERT_EQ(stats.SelectedVisibleItems(), 4u);
  const std::uint64_t allBytes = 1024 + 2000 + 1024 + 3000;
  EXPECT_EQ(stats.SelectedBytes(), allBytes);
  EXPECT_EQ(model.FilterCountText(C::Messages), u"Files Filtered: 2 item(s)");

  model.SetDeletedOnly(C::Messages, true);
  EXPECT_TRUE(model.DeletedOnly(C::Messages));
  EXPECT_EQ(stats.SelectedVisibleItems(), 2u);
  EXPECT_EQ(stats.SelectedBytes(), 2000u + 3000u);
  EXPECT_EQ(stats.TotalItems(), 4u);  // hidden rows still exist
  for (const auto& row : model.ConversationRows())
    EXPECT_EQ(model.IsChosen(&row), row.status == RecordStatus::Deleted);

  // Unselecting a hidden row while filtered, then lifting the filter: it stays unselected.
  const MessageRecord* live = &model.ConversationRows().back();
  ASSERT_EQ(live->status, RecordStatus::Live);
  model.Statistics().Select(live, false);
  EXPECT_EQ(stats.SelectedVisibleItems(), 2u);
  model.SetDeletedOnly(C::Messages, false);
  EXPECT_EQ(stats.SelectedVisibleItems(), 3u);
  EXPECT_EQ(stats.SelectedBytes(), allBytes - 1024);
  EXPECT_EQ(stats.Root().selectedHidden, 0u);
  EXPECT_EQ(stats.CheckStateOf(C::Messages), CheckState::PartlyChecked);

  // Filters are per category and ignored where nothing can be deleted.
  EXPECT_FALSE(model.DeletedOnly(C::Contacts));
  model.SetDeletedOnly(C::CameraRoll, true);
  EXPECT_FALSE(model.DeletedOnly(C::CameraRoll));
}

TEST(StatisticsTest, CheckStatesFollowSingleRowsAndWholeCategories) {
  CScanResultsModel model;
  FillMessages(model);
  auto& stats = model.Statistics();
  const auto& rows = model.ConversationRows();
  const std::uint64_t total = stats.TotalBytes();

  stats.Select(&rows[0], false);
  EXPECT_EQ(stats.CheckStateOf(C::Messages), CheckState::PartlyChecked);
  for (const auto& row : rows) stats.Select(&row, false);
  EXPECT_EQ(stats.CheckStateOf(C::Messages), CheckState::Unchecked);
  EXPECT_EQ(stats.SelectedBytes(), 0u);
  EXPECT_FALSE(model.RecoverEnabled(true));

  // Selecting twice adds each size once.
  stats.Select(&rows[1], true);
  stats.SelectCategory(C::Messages, true);
  stats.SelectCategory(C::Messages, true);
  EXPECT_EQ(stats.CheckStateOf(C::Messages), CheckState::Checked);
  EXPECT_EQ(stats.SelectedBytes(), total);
  EXPECT_EQ(stats.Root().selected, 4u);
  EXPECT_FALSE(stats.Select(&total, true));  // not a record of the scan
}

TEST(StatisticsTest, AppFilesAreSplitIntoAppGroups) {
  CScanResultsModel model;
  model.Raw().appFiles = {{5000, u"cam", u"clip.lrv", "/a"},
                          {10, u"cam", u"photo.tga", "/b"},
                          {10, u"notes", u"README", "/c"},
                          {10, u"cam", u"song.m4a", "/d"}};
  model.CompleteStep(6);
  ASSERT_EQ(model.AppVideos().size(), 1u);
  EXPECT_EQ(model.AppVideos().at(u"cam").size(), 2u);  // clip.lrv and song.m4a
  ASSERT_EQ(model.AppPhotos().size(), 2u);
  EXPECT_EQ(model.AppPhotos().at(u"cam")[0].displayName, u"photo.tga");
  EXPECT_EQ(model.AppPhotos().at(u"notes")[0].displayName, u"README");

  auto& stats = model.Statistics();
  EXPECT_EQ(stats.CategoryCounts(C::AppPhotos).total, 2u);
  EXPECT_EQ(stats.CategoryCounts(C::AppVideos).total, 2u);
  const AppFileList* cam = &model.AppPhotos().at(u"cam");
  // Unchecking an app group unchecks its files, and leaves the category partly checked.
  stats.Select(cam, false);
  EXPECT_FALSE(model.IsChosen(&(*cam)[0]));
  EXPECT_EQ(stats.CheckStateOf(cam), CheckState::Unchecked);
  EXPECT_EQ(stats.CheckStateOf(C::AppPhotos), CheckState::PartlyChecked);
  EXPECT_EQ(stats.SelectedVisibleItems(), 3u);
  EXPECT_EQ(stats.SelectedBytes(), 5000u + 1024 + 1024);
}

TEST(StatisticsTest, ScanCompletesCategoriesStepByStepUntilStopped) {
  testing::ScriptedParser parser;
  parser.script.cameraRoll = {{2048, u"A.JPG", "/a"}};
  parser.script.calls = {CallRecord{}};
  parser.script.notes = {NoteRecord{}};
  parser.stopAtStep = 5;  // notes

  CScanResultsModel model;
  EXPECT_EQ(model.RunScan(parser), 2);
  EXPECT_TRUE(model.IsCompleted(C::CameraRoll));
  EXPECT_TRUE(model.IsCompleted(C::PhotoStream));
  EXPECT_TRUE(model.IsCompleted(C::CallHistory));
  EXPECT_FALSE(model.IsCompleted(C::Notes));
  EXPECT_FALSE(model.IsCompleted(C::WhatsApp));
  EXPECT_EQ(model.Statistics().TotalItems(), 2u);
  // Table order is completion order.
  EXPECT_EQ(model.Statistics().Entries().front().category, C::CameraRoll);
}

}  // namespace
}  // namespace vesmar
