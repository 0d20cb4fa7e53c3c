// The search run's only way to the window: one read or write of one control property per call.
#pragma once

#include <string_view>

#include "text/Text.h"

namespace kf {

// Layout names of the controls the search reads or writes (UTF-8, as the objectNames).
namespace controls {
inline constexpr std::string_view KeywordBox = "编辑框1";
inline constexpr std::string_view StartButton = "按钮1";
inline constexpr std::string_view PreviousButton = "按钮2";
inline constexpr std::string_view NextButton = "按钮3";
inline constexpr std::string_view CountBox = "组合框1";
inline constexpr std::string_view QuickSearchBox = "选择框1";
inline constexpr std::string_view ResultList = "超级列表框1";
inline constexpr std::string_view PageLabel = "标签3";
inline constexpr std::string_view CountLabel = "标签4";
} // namespace controls

// Every call is carried out by the window thread; the caller waits for it. Texts are cp936.
// After the window is gone every read gives the empty text / false / 0 / -1 and writes do nothing.
class MainWindowAccess {
public:
    virtual ~MainWindowAccess() = default;

    // Edit box text, combo box displayed text, or a button, check box or label caption.
    virtual Text ControlText(std::string_view control) = 0;
    virtual void SetControlText(std::string_view control, const Text& text) = 0;
    virtual bool IsChecked(std::string_view control) = 0;
    virtual void SetEnabled(std::string_view control, bool enabled) = 0;

    // The result list.
    virtual void DeleteAllRows() = 0;
    virtual int AppendRow() = 0; // index of the new row
    virtual void SetCellText(int row, int column, const Text& text) = 0;
    virtual Text CellText(int row, int column) = 0; // empty for a cell that does not exist
    virtual int RowCount() = 0;
    virtual int SelectedRow() = 0; // -1 when none

    // The reminder box (title "Brimlow温馨提醒：", OK only, no icon); returns when dismissed.
    virtual void ShowReminder(const Text& message) = 0;
};

} // namespace kf
