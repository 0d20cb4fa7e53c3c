// The Qt side of the platform seams: window access from search threads, message boxes, browser.
#pragma once

#include <QPointer>
#include <QString>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "http/HttpRequest.h"
#include "search/MainWindowAccess.h"
#include "text/Platform.h"

class QEventLoop;
class QWidget;

namespace kf {

class MainWindow;

QString QStringFromText(const Text& text);
Text TextFromQString(const QString& string);

// Message boxes: no owner window, application-modal, OK only, no icon.
class QtMessageBoxes : public MessageBoxService {
public:
    void Show(const Text& title, const Text& message) override;
};

// Hands web addresses to the desktop's default browser.
class QtShellOpen : public ShellOpen {
public:
    void Open(const Text& address) override;
};

// The wait of an HTTP request made on the window thread: the thread's event loop keeps turning
// (painting, input, timers) until the worker wakes it or the deadline passes; nothing polls.
class QtRequestWait : public RequestWait {
public:
    void Wait(const std::function<bool()>& done, std::chrono::steady_clock::time_point deadline) override;
    void Wake() override;

private:
    std::mutex mutex_;
    QEventLoop* loop_ = nullptr; // set while Wait turns its loop
    bool woken_ = false;
};

// Makes HTTP requests on the window thread wait with QtRequestWait; other threads block.
void InstallWindowThreadRequestWait();

// Carries each call to the window thread and waits for it there. Once the window is closed or
// destroyed, waiting calls return at once with an empty result and later calls do nothing.
class QtMainWindowAccess : public MainWindowAccess {
public:
    // Create on the window thread, after the window's controls exist.
    QtMainWindowAccess(MainWindow& window, MessageBoxService& boxes);
    ~QtMainWindowAccess() override;

    // From now on no call reaches the window; callers waiting for the window thread return.
    void Detach();

    Text ControlText(std::string_view control) override;
    void SetControlText(std::string_view control, const Text& text) override;
    bool IsChecked(std::string_view control) override;
    void SetEnabled(std::string_view control, bool enabled) override;
    void DeleteAllRows() override;
    int AppendRow() override;
    void SetCellText(int row, int column, const Text& text) override;
    Text CellText(int row, int column) override;
    int RowCount() override;
    int SelectedRow() override;
    void ShowReminder(const Text& message) override;

private:
    struct Channel;
    // Runs `work(channel)` on the window thread and returns its result, or `fallback` once the
    // window is gone.
    template<typename Result, typename Work> Result Call(Result fallback, Work work);

    std::shared_ptr<Channel> channel_;
};

} // namespace kf
