// How the selection statistics scale with a category's size, and how fast conversations and
// contacts are written out and printed.
#include <benchmark/benchmark.h>

#include "export/export_job.h"
#include "export/export_progress.h"
#include "export/print_page.h"
#include "results/scan_results_model.h"
#include "tests/fixtures/temp_dir.h"
#include "tests/results/scripted_parser.h"

namespace vesmar {
namespace {

namespace fs = std::filesystem;
using C = RecoveryCategory;

void FillContacts(CScanResultsModel& model, int count) {
  auto& contacts = model.Raw().contacts;
  contacts.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    ContactRecord c;
    c.status = i % 7 == 0 ? RecordStatus::Deleted : RecordStatus::Live;
    c.name = u"Person " + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) + u" " + std::u16string(12, u'x');
    c.phones = u"+1 555 0100\n+1 555 0101";
    c.emails = u"person@example.com";
    contacts.push_back(std::move(c));
  }
}

// One conversation per correspondent, each with its own address.
void FillConversations(CScanResultsModel& model, int conversations, int messagesEach) {
  for (int k = 0; k < conversations; ++k) {
    auto& list = model.Raw().messages[k];
    for (int j = 0; j < messagesEach; ++j) {
      MessageRecord m;
      m.fromMe = j % 2;
      m.handleId = k;
      m.contactName = u"Contact " + std::u16string(1, static_cast<char16_t>(u'A' + k % 26));
      m.address = u"+1 555 " + std::u16string(std::to_string(100000 + k).begin(), std::to_string(100000 + k).end());
      m.date = u"2020-01-01 12:00:00";
      m.text = u"A message of ordinary length, with <markup> & an ampersand to escape.";
      list.push_back(std::move(m));
    }
  }
}

void BM_CompleteAndToggleContacts(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    CScanResultsModel model;
    FillContacts(model, static_cast<int>(state.range(0)));
    state.ResumeTiming();
    model.CompleteCategory(C::Contacts);
    model.Statistics().SelectCategory(C::Contacts, false);
    model.Statistics().SelectCategory(C::Contacts, true);
    model.SetDeletedOnly(C::Contacts, true);
    model.SetDeletedOnly(C::Contacts, false);
    benchmark::DoNotOptimize(model.StatisticsLine());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CompleteAndToggleContacts)->Arg(10'000)->Arg(200'000)->Unit(benchmark::kMillisecond);

void BM_ExportConversationsAndContacts(benchmark::State& state) {
  CScanResultsModel model;
  FillConversations(model, static_cast<int>(state.range(0)), 40);
  FillContacts(model, 20'000);
  model.CompleteCategory(C::Messages);
  model.CompleteCategory(C::Contacts);
  ExportTemplates templates;
  templates.messages = {"<html><h1>{|person|}</h1>", "</html>"};
  templates.contacts = {"<table>", "</table>"};
  testing::ScriptedParser parser;
  fixtures::TempDir dir;
  int run = 0;
  for (auto _ : state) {
    CExportProgress progress;
    CExportJob job(model, parser, templates, dir / std::to_string(run++));
    benchmark::DoNotOptimize(job.Run(progress));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(model.Statistics().SelectedVisibleItems()));
}
BENCHMARK(BM_ExportConversationsAndContacts)->Arg(1'000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PrintConversations(benchmark::State& state) {
  CScanResultsModel model;
  FillConversations(model, static_cast<int>(state.range(0)), 40);
  model.CompleteCategory(C::Messages);
  std::string body;
  for (auto _ : state) benchmark::DoNotOptimize(BuildPrintBody(model, C::Messages, body));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(body.size()));
}
BENCHMARK(BM_PrintConversations)->Arg(5'000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vesmar

BENCHMARK_MAIN();
