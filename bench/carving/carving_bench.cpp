// The page reader against SQLite itself, on a large messages-like database with a fifth of its
// rows deleted:
//   (a) every live row through the page reader (RecoverTable without carving),
//   (b) the full RecoverTable: live rows, carved free space and freed pages,
//   (c) SQLite reading the same rows ("SELECT * FROM message" through the C API).
// Each reads every column of every row. Prints (a)/(c), (b)/(c) and the peak memory.
//
//   carving_bench [--rows N] [--keep FILE] [benchmark options]
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include "sqlite_recovery/generic_record_parser.h"
#include "sqlite_recovery/record_cursor.h"
#include "sqlite_recovery/sqlite_recovery_file.h"
#include "sqlite_recovery/table_driver.h"
#include "tests/fixtures/deleted_rows_fixture.h"

namespace {

namespace fs = std::filesystem;
using namespace vesmar;

fs::path g_database;
std::uintmax_t g_fileBytes = 0;

// Peak resident memory of the process so far.
double PeakMiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024.0;
}

// 38 columns like the messages table of older devices: ROWID key, guid, text, handle, dates,
// flags, service; text of mixed length, a few spilling to overflow pages.
void Generate(const fs::path& path, int rows) {
  fixtures::SqliteDb db(path, 4096);
  db.Exec(fixtures::CreateTableSql("message", 38));
  db.Exec("BEGIN;");
  std::string sql = "INSERT INTO message VALUES(?";
  for (int i = 1; i < 38; ++i) sql += ",?";
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db.handle(), (sql + ")").c_str(), -1, &insert, nullptr);
  static constexpr int kLengths[] = {12, 40, 7, 160, 25, 90, 300, 18, 60, 1200, 33, 5000};
  for (int id = 1; id <= rows; ++id) {
    char guid[40];
    std::snprintf(guid, sizeof guid, "%08X-1C2B-4A3D-9E8F-%012d", id, id);
    const std::string text = fixtures::FillerText(static_cast<std::size_t>(kLengths[id % 12]), static_cast<unsigned>(id));
    sqlite3_bind_int(insert, 1, id);
    sqlite3_bind_text(insert, 2, guid, -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 3, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    for (int c = 4; c <= 38; ++c) {
      if (c == 6) sqlite3_bind_int(insert, c, id % 97);                      // handle
      else if (c == 16) sqlite3_bind_int64(insert, c, 600'000'000LL + id);  // date
      else if (c == 22) sqlite3_bind_int(insert, c, id % 2);                 // from me
      else if (c == 30) sqlite3_bind_text(insert, c, id % 3 ? "iMessage" : "SMS", -1, SQLITE_STATIC);
      else if (c % 5 == 0) sqlite3_bind_int(insert, c, c * id % 1000);
      else sqlite3_bind_null(insert, c);
    }
    sqlite3_step(insert);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  db.Exec("COMMIT;");
  db.Exec("DELETE FROM message WHERE c0 % 5 = 0;");  // a fifth of the rows
}

// Reads every column the way a record parser would, without keeping anything.
struct ColumnTotals {
  std::int64_t integers = 0;
  double reals = 0;
  std::size_t bytes = 0;
  std::size_t rows = 0;
};

RecordParser TouchEveryColumn(ColumnTotals& totals) {
  return [&totals](CSqliteRecoveryFile& file, const RecordBytes& in) {
    RecordCursor record = OpenRecord(file, in, /*assembleOverflow=*/true);
    for (Column c; record.Next(c);) {
      if (!c.complete()) return 87;
      if (c.IsInteger()) totals.integers += c.Integer();
      else if (c.IsReal()) totals.reals += c.Real();
      else totals.bytes += c.Bytes().size();
    }
    ++totals.rows;
    return 0;
  };
}

void PageReaderLiveRows(benchmark::State& state) {
  ColumnTotals totals;
  for (auto _ : state) {
    CSqliteRecoveryFile file;
    file.OpenDatabaseFile(g_database);
    RecoverTableOptions options;
    options.carveFreeSpace = false;
    options.freelistPages = false;
    totals = {};
    RecoverTable(file, "message", TouchEveryColumn(totals), options);
    benchmark::DoNotOptimize(totals);
  }
  state.counters["rows"] = static_cast<double>(totals.rows);
  state.counters["peak_MiB"] = PeakMiB();
}

void PageReaderFullRecovery(benchmark::State& state) {
  ColumnTotals totals;
  for (auto _ : state) {
    CSqliteRecoveryFile file;
    file.OpenDatabaseFile(g_database);
    totals = {};
    RecoverTable(file, "message", TouchEveryColumn(totals));
    benchmark::DoNotOptimize(totals);
  }
  state.counters["rows"] = static_cast<double>(totals.rows);
  state.counters["peak_MiB"] = PeakMiB();
}

// The same with the generic parser, which keeps every record with copies of its values.
void GenericParserFullRecovery(benchmark::State& state) {
  std::size_t kept = 0;
  for (auto _ : state) {
    CSqliteRecoveryFile file;
    file.OpenDatabaseFile(g_database);
    std::vector<GenericRecord> records;
    RecoverTable(file, "message", GenericRecordParser(records));
    kept = records.size();
    benchmark::DoNotOptimize(records.data());
  }
  state.counters["rows"] = static_cast<double>(kept);
  state.counters["peak_MiB"] = PeakMiB();
}

void SqliteSelectAll(benchmark::State& state) {
  ColumnTotals totals;
  for (auto _ : state) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(g_database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* select = nullptr;
    sqlite3_prepare_v2(db, "SELECT * FROM message", -1, &select, nullptr);
    totals = {};
    const int columns = sqlite3_column_count(select);
    while (sqlite3_step(select) == SQLITE_ROW) {
      for (int c = 0; c < columns; ++c) {
        switch (sqlite3_column_type(select, c)) {
          case SQLITE_INTEGER: totals.integers += sqlite3_column_int64(select, c); break;
          case SQLITE_FLOAT: totals.reals += sqlite3_column_double(select, c); break;
          case SQLITE_TEXT:
            sqlite3_column_text(select, c);
            totals.bytes += static_cast<std::size_t>(sqlite3_column_bytes(select, c));
            break;
          case SQLITE_BLOB:
            sqlite3_column_blob(select, c);
            totals.bytes += static_cast<std::size_t>(sqlite3_column_bytes(select, c));
            break;
          default: break;
        }
      }
      ++totals.rows;
    }
    sqlite3_finalize(select);
    sqlite3_close(db);
    benchmark::DoNotOptimize(totals);
  }
  state.counters["rows"] = static_cast<double>(totals.rows);
  state.counters["peak_MiB"] = PeakMiB();
}

// Run in this order, so the peak memory of (a) and (b) is read before the generic parser keeps
// hundreds of thousands of records.
BENCHMARK(PageReaderLiveRows)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(PageReaderFullRecovery)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(SqliteSelectAll)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(GenericParserFullRecovery)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Keeps each benchmark's time per iteration for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const auto& run : runs)
      if (run.run_type == Run::RT_Iteration) {
        const std::string name = run.benchmark_name();
        seconds[name.substr(0, name.find('/'))] = run.GetAdjustedRealTime();
        cpuSeconds[name.substr(0, name.find('/'))] = run.GetAdjustedCPUTime();
      }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> seconds, cpuSeconds;
};

}  // namespace

int main(int argc, char** argv) {
  int rows = 300'000;
  fs::path keep;
  std::vector<char*> rest = {argv[0]};
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--rows") == 0 && i + 1 < argc) rows = std::atoi(argv[++i]);
    else if (std::strcmp(argv[i], "--keep") == 0 && i + 1 < argc) keep = argv[++i];
    else rest.push_back(argv[i]);
  }
  const fs::path folder = fs::temp_directory_path() / ("vesmar-bench-" + std::to_string(getpid()));
  g_database = keep.empty() ? folder / "messages.db" : keep;
  if (!fs::exists(g_database)) {
    fs::create_directories(g_database.parent_path());
    const auto start = std::chrono::steady_clock::now();
    Generate(g_database, rows);
    std::printf("generated %d rows (%d deleted) in %.1f s\n", rows, rows / 5,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  g_fileBytes = fs::file_size(g_database);
  std::printf("database %s: %.1f MiB, page cache %zu MiB\n", g_database.c_str(), g_fileBytes / 1048576.0,
              CSqliteRecoveryFile::kDefaultCacheBudget / 1048576);

  int count = static_cast<int>(rest.size());
  benchmark::Initialize(&count, rest.data());
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  auto ratio = [&](const std::map<std::string, double>& s, const char* a, const char* b) {
    return s.count(a) && s.count(b) && s.at(b) > 0 ? s.at(a) / s.at(b) : 0.0;
  };
  std::printf("(a)/(c) live rows, page reader / SQLite:      %.2f (CPU time %.2f)\n",
              ratio(reporter.seconds, "PageReaderLiveRows", "SqliteSelectAll"),
              ratio(reporter.cpuSeconds, "PageReaderLiveRows", "SqliteSelectAll"));
  std::printf("(b)/(c) full recovery, page reader / SQLite:  %.2f (CPU time %.2f)\n",
              ratio(reporter.seconds, "PageReaderFullRecovery", "SqliteSelectAll"),
              ratio(reporter.cpuSeconds, "PageReaderFullRecovery", "SqliteSelectAll"));
  std::printf("peak memory (resident), whole run: %.1f MiB for a %.1f MiB database (see peak_MiB per benchmark)\n",
              PeakMiB(), g_fileBytes / 1048576.0);
  if (keep.empty()) fs::remove_all(folder);
  return 0;
}
