// Button, check-box and list handlers; search threads are detached and counted so that
// shut-down can wait for them with a bound.
#include "search/SearchController.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "http/HttpRequest.h"
#include "search/RunSearch.h"
#include "text/Codepage.h"
#include "text/TextOps.h"

namespace kf {

bool IsWebAddress(std::string_view address)
{
    return FindText(address, "http://", 1, true) == 1 || FindText(address, "https://", 1, true) == 1;
}

struct SearchController::RunState {
    std::mutex mutex;
    std::condition_variable idle;
    int liveRuns = 0; // guarded by mutex
    std::atomic<bool> busy {false};
    std::atomic<bool> stopping {false};

    bool WaitUntilIdle(std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(mutex);
        return idle.wait_for(lock, timeout, [this] { return liveRuns == 0; });
    }
};

SearchController::SearchController(
    Globals& globals, std::shared_ptr<MainWindowAccess> window, ShellOpen& shell)
    : SearchController(globals, std::move(window), shell, Options {AbortAllRequests})
{
}

SearchController::SearchController(
    Globals& globals, std::shared_ptr<MainWindowAccess> window, ShellOpen& shell, Options options)
    : globals_(globals)
    , window_(std::move(window))
    , shell_(shell)
    , options_(std::move(options))
    , state_(std::make_shared<RunState>())
{
}

SearchController::~SearchController()
{
    state_->stopping.store(true, std::memory_order_release);
    state_->WaitUntilIdle(std::chrono::seconds(1));
}

void SearchController::OnStartSearchClicked()
{
    if (globals_.SiteQueryPrefix.Empty()) {
        window_->ShowReminder(Cp936("您还未选择搜索的网盘噢！"));
        return;
    }
    // The button is disabled during a run; refusing here as well keeps two runs apart.
    if (RunInProgress()) {
        return;
    }
    globals_.CurrentPage.store(0);
    StartRun();
}

void SearchController::OnPreviousPageClicked()
{
    if (RunInProgress()) {
        return;
    }
    globals_.CurrentPage.fetch_sub(1);
    StartRun();
}

void SearchController::OnNextPageClicked()
{
    if (RunInProgress()) {
        return;
    }
    globals_.CurrentPage.fetch_add(1);
    StartRun();
}

void SearchController::OnQuickSearchClicked()
{
    using controls::QuickSearchBox;
    if (window_->IsChecked(QuickSearchBox)) {
        window_->SetControlText(QuickSearchBox, Cp936("关闭秒搜索"));
        window_->ShowReminder(Cp936("您好,您已经开启秒搜索模式！搜索速度很快,访问的网址可能有误！"));
    } else {
        window_->SetControlText(QuickSearchBox, Cp936("开启秒搜索"));
        window_->ShowReminder(Cp936("您好,您已经关闭秒搜索模式！搜索速度较慢,但会分析正确地址！"));
    }
}

void SearchController::OnResultListDoubleClicked()
{
    const int row = window_->SelectedRow();
    const Text address = row >= 0 ? window_->CellText(row, 0) : Text {};
    if (IsWebAddress(address)) {
        shell_.Open(address);
    }
}

bool SearchController::RunInProgress() const
{
    return state_->busy.load(std::memory_order_acquire) || state_->stopping.load(std::memory_order_acquire);
}

bool SearchController::WaitUntilIdle(std::chrono::milliseconds timeout)
{
    return state_->WaitUntilIdle(timeout);
}

bool SearchController::Shutdown(std::chrono::milliseconds bound)
{
    state_->stopping.store(true, std::memory_order_release);
    if (options_.abortRequests) {
        options_.abortRequests();
    }
    return state_->WaitUntilIdle(bound);
}

void SearchController::StartRun()
{
    state_->busy.store(true, std::memory_order_release);
    {
        std::lock_guard lock(state_->mutex);
        ++state_->liveRuns;
    }
    // The thread holds the shared run state and the window; only the globals are borrowed.
    auto body = [state = state_, window = window_, &globals = globals_] {
        // Only this run's own `busy` mark is cleared, even when the next run has started already.
        bool finished = false;
        RunControl control;
        control.stopping = &state->stopping;
        control.finishing = [&state, &finished] {
            finished = true;
            state->busy.store(false, std::memory_order_release);
        };
        RunSearch(globals, *window, control);
        if (!finished) {
            state->busy.store(false, std::memory_order_release);
        }
        {
            std::lock_guard lock(state->mutex);
            --state->liveRuns;
        }
        state->idle.notify_all();
    };
    try {
        std::thread(std::move(body)).detach();
    } catch (const std::system_error&) {
        // No thread, no run: undo the marks so that the buttons keep working.
        {
            std::lock_guard lock(state_->mutex);
            --state_->liveRuns;
        }
        state_->busy.store(false, std::memory_order_release);
        state_->idle.notify_all();
    }
}

} // namespace kf
