// The search run, step by step, over the window seam and the HTTP layer.
#include "search/RunSearch.h"

#include <climits>
#include <cmath>
#include <string>

#include "http/HttpRequest.h"
#include "search/Extraction.h"
#include "text/Codepage.h"
#include "text/RegexMatcher.h"
#include "text/TextOps.h"

namespace kf {

namespace {

// The result-count box holds "10" to "100"; anything else still gives a bounded row index.
int RowCountFromText(std::string_view text)
{
    const double value = std::trunc(ToNumber(text));
    if (!(value >= INT_MIN + 1.0 && value <= INT_MAX)) {
        return 0;
    }
    return static_cast<int>(value);
}

// The two matchers of one run, released in order at every way out of the run.
struct Matchers {
    RegexMatcher title;
    RegexMatcher link;
    ~Matchers()
    {
        title.Release();
        link.Release();
    }
};

} // namespace

void RunSearch(Globals& globals, MainWindowAccess& window, const RunControl& control)
{
    const auto stopped = [&control] {
        return control.stopping != nullptr && control.stopping->load(std::memory_order_acquire);
    };
    using namespace controls;

    // The matchers exist before any control is touched.
    Matchers matchers;
    if (stopped()) {
        return;
    }

    // Clear the list and show the run as busy.
    window.DeleteAllRows();
    window.SetEnabled(StartButton, false);
    window.SetControlText(StartButton, Cp936("搜索中..."));
    window.SetEnabled(ResultList, false);

    // Read the query: the prefix and page once, the keyword and count as the window shows them.
    if (stopped()) {
        return;
    }
    globals.ResultRowCounter.store(0);
    const Text prefix = globals.SiteQueryPrefix.Get();
    const std::int32_t page = globals.CurrentPage.load();
    const Text keyword = window.ControlText(KeywordBox);
    const Text resultCount = window.ControlText(CountBox);
    Text address = prefix + keyword + "&pn=" + std::to_string(page) + "&rn=" + resultCount;

    // Fetch the page (UTF-8 to cp936). The run keeps its own copy; the global is only ever
    // replaced whole.
    HttpOptions pageOptions;
    pageOptions.conversion = 1;
    Text pageText = TextFromBytes(HttpRequest(address, pageOptions));
    if (stopped()) {
        return;
    }
    globals.LastPageText.Set(pageText);
    pageText = CleanResultPage(pageText);
    globals.LastPageText.Set(pageText);

    // Titles, links and the approximate count.
    matchers.title.Search(TitlePattern, pageText);
    window.SetControlText(StartButton, Cp936("创建标题..."));
    matchers.link.Search(LinkPattern, pageText);
    window.SetControlText(StartButton, Cp936("创建地址..."));
    window.SetControlText(StartButton, Cp936("获取结果..."));
    const Text count = ResultCountText(pageText);

    window.SetControlText(CountLabel, Cp936("结果约为：") + count + Cp936("个"));

    // One row per title; the i-th link goes with the i-th title. The mode is read per row, so a
    // toggle during the run applies from the next row on.
    const int matchCount = matchers.title.MatchCount();
    for (int i = 1; i <= matchCount; ++i) {
        if (stopped()) {
            return;
        }
        const int row = window.AppendRow();
        if (window.IsChecked(QuickSearchBox)) {
            window.SetCellText(row, 0, matchers.link.SubMatchText(i, 1));
        } else {
            Text link = matchers.link.SubMatchText(i, 1);
            const Text response = TextFromBytes(HttpRequest(link));
            const Text realAddress = RealAddressFromRedirectPage(response);
            if (stopped()) {
                return;
            }
            window.SetControlText(StartButton, Cp936("匹配地址中..."));
            window.SetCellText(row, 0, realAddress);
        }
        window.SetControlText(StartButton, Cp936("匹配标题中..."));
        window.SetCellText(row, 2, CleanTitle(matchers.title.SubMatchText(i, 1)));
        const std::int32_t number = globals.ResultRowCounter.fetch_add(1) + 1;
        window.SetCellText(row, 1, std::to_string(number));
    }

    if (stopped()) {
        return;
    }
    if (window.RowCount() == 0) {
        window.SetControlText(PageLabel, Cp936("当前页数：0"));
        window.SetControlText(CountLabel, Cp936("结果约为：0"));
        window.ShowReminder(Cp936("未找到相关内容,请更改网盘或搜索其他内容！"));
    }

    // The page label and the page buttons: next only when the page came back full, with an
    // address in its last expected row.
    if (stopped()) {
        return;
    }
    const std::int32_t endPage = globals.CurrentPage.load();
    window.SetControlText(PageLabel, Cp936("当前页数：") + std::to_string(endPage));
    window.SetEnabled(PreviousButton, endPage != 0);
    const int lastExpectedRow = RowCountFromText(window.ControlText(CountBox)) - 1;
    const Text lastAddress = lastExpectedRow >= 0 ? window.CellText(lastExpectedRow, 0) : Text {};
    window.SetEnabled(NextButton, !lastAddress.empty());

    if (control.finishing) {
        control.finishing();
    }
    window.SetEnabled(StartButton, true);
    window.SetControlText(StartButton, Cp936("继续搜索"));
    window.SetEnabled(ResultList, true);

    // The matchers are released when `matchers` goes out of scope.
}

} // namespace kf
