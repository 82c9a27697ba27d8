// What a call report costs the thread that makes it (the network thread): adding a record
// and handing the list to the writer thread, against waiting until the file is on disk,
// which every change used to do under the list's lock.
#include "client/data/call_record_list.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace orv {
namespace {

class HomeFolder {
  public:
    HomeFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "orv-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        m_path = pattern;
    }
    ~HomeFolder() { std::filesystem::remove_all(m_path); }
    const std::string& Path() const { return m_path; }

  private:
    std::string m_path;
};

void AddRecords(benchmark::State& state, bool waitForDisk) {
    HomeFolder home;
    CallRecordList list(home.Path());
    if (list.Load("8001") != 1) state.SkipWithError("no user folder");
    std::uint32_t id = 0;
    for (auto _ : state) {
        // A full list (50 per type): each save writes 200 records.
        ++id;
        list.Add(1, 0, id, "8001", "8002", id % 4, 1);
        if (waitForDisk) list.Flush();
    }
    list.Flush();
}

void BM_CallReportHandsTheFileToTheWriter(benchmark::State& state) {
    AddRecords(state, false);
}
void BM_CallReportWaitsForTheDisk(benchmark::State& state) {
    AddRecords(state, true);
}

BENCHMARK(BM_CallReportHandsTheFileToTheWriter)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CallReportWaitsForTheDisk)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace orv
BENCHMARK_MAIN();
