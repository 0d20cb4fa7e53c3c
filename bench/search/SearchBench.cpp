// One whole search run against the in-process engine simulator: 10 and 100 rows, quick and
// normal mode, with 0 and 20 ms of delay per request; each beside the same requests made alone.
#include <benchmark/benchmark.h>

#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "EngineSimulator.h"
#include "http/HttpRequest.h"
#include "search/MainWindowAccess.h"
#include "search/RunSearch.h"

namespace {

// The smallest window a run can fill: texts, the check box and the rows, on one thread.
class BenchWindow : public kf::MainWindowAccess {
public:
    BenchWindow(kf::Text keyword, kf::Text count, bool quick)
        : quick_(quick)
    {
        texts_[std::string(kf::controls::KeywordBox)] = std::move(keyword);
        texts_[std::string(kf::controls::CountBox)] = std::move(count);
    }
    kf::Text ControlText(std::string_view control) override { return texts_[std::string(control)]; }
    void SetControlText(std::string_view control, const kf::Text& text) override
    {
        texts_[std::string(control)] = text;
    }
    bool IsChecked(std::string_view) override { return quick_; }
    void SetEnabled(std::string_view, bool) override { }
    void DeleteAllRows() override { rows_.clear(); }
    int AppendRow() override
    {
        rows_.emplace_back();
        return static_cast<int>(rows_.size()) - 1;
    }
    void SetCellText(int row, int column, const kf::Text& text) override
    {
        rows_.at(static_cast<std::size_t>(row)).at(static_cast<std::size_t>(column)) = text;
    }
    kf::Text CellText(int row, int column) override
    {
        if (row < 0 || row >= static_cast<int>(rows_.size()) || column < 0 || column > 2) {
            return {};
        }
        return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
    }
    int RowCount() override { return static_cast<int>(rows_.size()); }
    int SelectedRow() override { return -1; }
    void ShowReminder(const kf::Text&) override { }

private:
    bool quick_;
    std::map<std::string, kf::Text> texts_;
    std::vector<std::array<kf::Text, 3>> rows_;
};

void OneRun(benchmark::State& state, int rows, bool quick, int delayMs)
{
    kf::sim::SimulatorOptions options;
    options.total = 1000;
    options.delayMs = delayMs;
    kf::sim::EngineSimulator simulator(options);
    if (simulator.Start() <= 0) {
        state.SkipWithError("the simulator cannot listen");
        return;
    }
    kf::Globals globals;
    globals.SiteQueryPrefix.Set(simulator.BaseUrl() + "/s?wd=site:pan.baidu.com ");
    BenchWindow window("kw", std::to_string(rows), quick);
    for (auto _ : state) {
        kf::RunSearch(globals, window);
        if (window.RowCount() != rows || window.CellText(rows - 1, 0).empty()) {
            state.SkipWithError("the run did not fill the page");
            break;
        }
    }
    state.counters["rows"] = rows;
    state.counters["requests"] = static_cast<double>(simulator.RequestTargets().size())
        / static_cast<double>(state.iterations() == 0 ? 1 : state.iterations());
}

// The baseline of a run: the same requests in the same order against the same simulator, with
// nothing done between them, so the difference is what the run itself costs.
void FetchOnly(benchmark::State& state, int rows, bool quick, int delayMs)
{
    kf::sim::SimulatorOptions options;
    options.total = 1000;
    options.delayMs = delayMs;
    kf::sim::EngineSimulator simulator(options);
    if (simulator.Start() <= 0) {
        state.SkipWithError("the simulator cannot listen");
        return;
    }
    const std::string pageAddress
        = simulator.BaseUrl() + "/s?wd=site:pan.baidu.com kw&pn=0&rn=" + std::to_string(rows);
    std::vector<std::string> links;
    for (int i = 1; i <= rows; ++i) {
        links.push_back(simulator.BaseUrl() + "/link?id=" + std::to_string(i) + "&site=pan.baidu.com");
    }
    for (auto _ : state) {
        kf::Text address = pageAddress;
        kf::HttpOptions pageOptions;
        pageOptions.conversion = 1;
        if (kf::HttpRequest(address, pageOptions).empty()) {
            state.SkipWithError("no result page");
            break;
        }
        if (!quick) {
            for (const std::string& link : links) {
                kf::Text linkAddress = link;
                benchmark::DoNotOptimize(kf::HttpRequest(linkAddress).size());
            }
        }
    }
    state.counters["rows"] = rows;
    state.counters["requests"] = static_cast<double>(simulator.RequestTargets().size())
        / static_cast<double>(state.iterations() == 0 ? 1 : state.iterations());
}

} // namespace

int main(int argc, char** argv)
{
    for (const int delayMs : {0, 20}) {
        for (const bool quick : {true, false}) {
            for (const int rows : {10, 100}) {
                const std::string suffix = std::string(quick ? "quick" : "normal")
                    + "/rows:" + std::to_string(rows) + "/delay_ms:" + std::to_string(delayMs);
                for (const bool baseline : {false, true}) {
                    const std::string name = (baseline ? "FetchOnly/" : "RunSearch/") + suffix;
                    auto* bench = benchmark::RegisterBenchmark(
                        name.c_str(), baseline ? FetchOnly : OneRun, rows, quick, delayMs);
                    bench->Unit(benchmark::kMillisecond)->UseRealTime();
                    // A normal run with delay makes one slow request per row: a few runs tell enough.
                    if (delayMs > 0) {
                        bench->Iterations(quick ? 10 : 3);
                    }
                }
            }
        }
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
