// What the hostile-server suites share: a window fake that notes which threads call it, bounded
// waits, the process's peak memory and the texts a run shows when it finds nothing.
#pragma once

#include <sys/resource.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <set>
#include <thread>

#include "search/RecordingWindow.h"
#include "text/Codepage.h"

namespace kf::test {

// The recording window, also noting the thread of every call.
class ThreadRecordingWindow : public RecordingWindow {
public:
    std::set<std::thread::id> CallingThreads()
    {
        std::lock_guard lock(threadsMutex_);
        return threads_;
    }

    Text ControlText(std::string_view control) override
    {
        Note();
        return RecordingWindow::ControlText(control);
    }
    void SetControlText(std::string_view control, const Text& text) override
    {
        Note();
        RecordingWindow::SetControlText(control, text);
    }
    bool IsChecked(std::string_view control) override
    {
        Note();
        return RecordingWindow::IsChecked(control);
    }
    void SetEnabled(std::string_view control, bool enabled) override
    {
        Note();
        RecordingWindow::SetEnabled(control, enabled);
    }
    void DeleteAllRows() override
    {
        Note();
        RecordingWindow::DeleteAllRows();
    }
    int AppendRow() override
    {
        Note();
        return RecordingWindow::AppendRow();
    }
    void SetCellText(int row, int column, const Text& text) override
    {
        Note();
        RecordingWindow::SetCellText(row, column, text);
    }
    Text CellText(int row, int column) override
    {
        Note();
        return RecordingWindow::CellText(row, column);
    }
    int RowCount() override
    {
        Note();
        return RecordingWindow::RowCount();
    }
    int SelectedRow() override
    {
        Note();
        return RecordingWindow::SelectedRow();
    }
    void ShowReminder(const Text& message) override
    {
        Note();
        RecordingWindow::ShowReminder(message);
    }

private:
    void Note()
    {
        std::lock_guard lock(threadsMutex_);
        threads_.insert(std::this_thread::get_id());
    }

    std::mutex threadsMutex_;
    std::set<std::thread::id> threads_;
};

// Polls `condition` until it holds or `limit` has passed; whether it held.
inline bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// The most resident memory the process has held so far, in bytes.
inline long long PeakResidentBytes()
{
    rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<long long>(usage.ru_maxrss) * 1024;
}

// What a run that found nothing leaves in the window.
inline Text NoResultMessage()
{
    return Cp936("未找到相关内容,请更改网盘或搜索其他内容！");
}
inline Text NoResultCountLabel()
{
    return Cp936("结果约为：0");
}
inline Text PageLabelOf(int page)
{
    return Cp936("当前页数：") + std::to_string(page);
}

// What HttpRequest gives back once its time-out has passed starts with this.
inline Text TimeoutMessageStart()
{
    return Cp936("超时返回");
}

} // namespace kf::test
