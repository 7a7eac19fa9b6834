#include "sqlite_recovery/table_driver.h"

#include <gtest/gtest.h>

#include "sqlite_recovery/generic_record_parser.h"
#include "sqlite_recovery/sqlite_recovery_file.h"
#include "tests/fixtures/temp_dir.h"
#include "tests/sqlite_recovery/carving_support.h"

namespace vesmar {
namespace {

using testing::AfterKey;
using testing::Carve;
using testing::DeletedRows;
using testing::Keyed;
using testing::LiveRows;

std::vector<fixtures::SqlRow> Without(const std::vector<fixtures::SqlRow>& rows, std::initializer_list<const char*> ids) {
  std::vector<fixtures::SqlRow> out;
  for (const auto& row : rows)
    if (std::none_of(ids.begin(), ids.end(), [&](const char* id) { return row[0] == id; })) out.push_back(row);
  return out;
}

class MixedTableTest : public ::testing::TestWithParam<int> {};

TEST_P(MixedTableTest, RecoversEveryLiveRowAndTheDeletedRowsThatSurvive) {
  fixtures::TempDir dir;
  const auto rows = fixtures::MakeMixedTable(dir / "t.db", GetParam());
  const auto result = Carve(dir / "t.db", "t");
  ASSERT_EQ(result.code, 0);
  // Live rows whole, the spilled one and the one with invalid text included.
  EXPECT_EQ(LiveRows(result.records), Keyed(rows.live));
  // Deleted rows: all but the spilled one (its overflow pages went to the freelist) and the one
  // whose text is not UTF-8 (a carved record with invalid text is rejected).
  EXPECT_EQ(DeletedRows(result.records), AfterKey(Without(rows.deleted, {"31", "33"})));
}

INSTANTIATE_TEST_SUITE_P(PageSizes, MixedTableTest, ::testing::Values(1024, 4096, 65536));

}  // namespace
}  // namespace vesmar
