// A recording stand-in for the main window: the controls the search uses, kept in memory and
// safe to call from any thread, with hooks that let a test act in the middle of a run.
#pragma once

#include <array>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "search/MainWindowAccess.h"
#include "text/Codepage.h"
#include "text/Platform.h"

namespace kf::test {

class RecordingWindow : public MainWindowAccess {
public:
    using Row = std::array<Text, 3>;

    RecordingWindow()
    {
        texts_[std::string(controls::StartButton)] = Cp936("开始搜索");
        texts_[std::string(controls::CountBox)] = "10";
        texts_[std::string(controls::QuickSearchBox)] = Cp936("开启秒搜索");
        enabled_[std::string(controls::StartButton)] = true;
        enabled_[std::string(controls::PreviousButton)] = false;
        enabled_[std::string(controls::NextButton)] = false;
        enabled_[std::string(controls::ResultList)] = true;
    }

    // --- MainWindowAccess ---
    Text ControlText(std::string_view control) override
    {
        std::lock_guard lock(mutex_);
        if (control == controls::CountBox && !countBoxReads_.empty()) {
            Text next = countBoxReads_.front();
            countBoxReads_.pop_front();
            return next;
        }
        const auto it = texts_.find(std::string(control));
        return it == texts_.end() ? Text {} : it->second;
    }
    void SetControlText(std::string_view control, const Text& text) override
    {
        std::lock_guard lock(mutex_);
        texts_[std::string(control)] = text;
        if (control == controls::StartButton) {
            startCaptions_.push_back(text);
        }
    }
    bool IsChecked(std::string_view control) override
    {
        std::lock_guard lock(mutex_);
        if (control != controls::QuickSearchBox) {
            return false;
        }
        const bool state = checked_;
        if (++checkedReads_ == flipAfterReads_) {
            checked_ = !checked_;
        }
        return state;
    }
    void SetEnabled(std::string_view control, bool enabled) override
    {
        std::lock_guard lock(mutex_);
        enabled_[std::string(control)] = enabled;
    }
    void DeleteAllRows() override
    {
        std::lock_guard lock(mutex_);
        rows_.clear();
    }
    int AppendRow() override
    {
        std::function<void()> hook;
        int index = 0;
        {
            std::lock_guard lock(mutex_);
            rows_.push_back({});
            index = static_cast<int>(rows_.size()) - 1;
            hook = onAppendRow_;
        }
        if (hook) {
            hook();
        }
        return index;
    }
    void SetCellText(int row, int column, const Text& text) override
    {
        std::lock_guard lock(mutex_);
        if (row >= 0 && row < static_cast<int>(rows_.size()) && column >= 0 && column < 3) {
            rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = text;
        }
    }
    Text CellText(int row, int column) override
    {
        std::lock_guard lock(mutex_);
        if (row >= 0 && row < static_cast<int>(rows_.size()) && column >= 0 && column < 3) {
            return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
        }
        return {};
    }
    int RowCount() override
    {
        std::lock_guard lock(mutex_);
        return static_cast<int>(rows_.size());
    }
    int SelectedRow() override
    {
        std::lock_guard lock(mutex_);
        return selectedRow_;
    }
    void ShowReminder(const Text& message) override
    {
        std::lock_guard lock(mutex_);
        reminders_.push_back(message);
        // What the labels show while the box is up.
        labelsAtReminder_.push_back(
            texts_[std::string(controls::PageLabel)] + "|" + texts_[std::string(controls::CountLabel)]);
    }

    // --- Set-up by the test ---
    void SetText(std::string_view control, const Text& text)
    {
        std::lock_guard lock(mutex_);
        texts_[std::string(control)] = text;
    }
    void SetChecked(bool checked)
    {
        std::lock_guard lock(mutex_);
        checked_ = checked;
    }
    // The check box toggles itself right after its n-th read.
    void FlipCheckedAfterReads(int n)
    {
        std::lock_guard lock(mutex_);
        flipAfterReads_ = n;
        checkedReads_ = 0;
    }
    // Successive reads of the result-count box give these texts, then its stored text.
    void ScriptCountBoxReads(std::vector<Text> texts)
    {
        std::lock_guard lock(mutex_);
        countBoxReads_.assign(texts.begin(), texts.end());
    }
    void SetSelectedRow(int row)
    {
        std::lock_guard lock(mutex_);
        selectedRow_ = row;
    }
    void AddRowForTest(const Row& row)
    {
        std::lock_guard lock(mutex_);
        rows_.push_back(row);
    }
    void OnAppendRow(std::function<void()> hook)
    {
        std::lock_guard lock(mutex_);
        onAppendRow_ = std::move(hook);
    }
    void ClearRecord()
    {
        std::lock_guard lock(mutex_);
        startCaptions_.clear();
        reminders_.clear();
        labelsAtReminder_.clear();
    }

    // --- Inspection ---
    Text Caption(std::string_view control)
    {
        std::lock_guard lock(mutex_);
        return texts_[std::string(control)];
    }
    bool Enabled(std::string_view control)
    {
        std::lock_guard lock(mutex_);
        return enabled_[std::string(control)];
    }
    std::vector<Row> Rows()
    {
        std::lock_guard lock(mutex_);
        return rows_;
    }
    std::vector<Text> StartCaptions()
    {
        std::lock_guard lock(mutex_);
        return startCaptions_;
    }
    std::vector<Text> Reminders()
    {
        std::lock_guard lock(mutex_);
        return reminders_;
    }
    std::vector<Text> LabelsAtReminder()
    {
        std::lock_guard lock(mutex_);
        return labelsAtReminder_;
    }

private:
    std::mutex mutex_;
    std::map<std::string, Text> texts_;
    std::map<std::string, bool> enabled_;
    std::vector<Row> rows_;
    std::vector<Text> startCaptions_;
    std::vector<Text> reminders_;
    std::vector<Text> labelsAtReminder_;
    std::deque<Text> countBoxReads_;
    std::function<void()> onAppendRow_;
    bool checked_ = false;
    int checkedReads_ = 0;
    int flipAfterReads_ = -1;
    int selectedRow_ = -1;
};

// Records every address handed to the browser.
class RecordingShell : public ShellOpen {
public:
    void Open(const Text& address) override
    {
        std::lock_guard lock(mutex_);
        opened_.push_back(address);
    }
    std::vector<Text> Opened()
    {
        std::lock_guard lock(mutex_);
        return opened_;
    }

private:
    std::mutex mutex_;
    std::vector<Text> opened_;
};

} // namespace kf::test
