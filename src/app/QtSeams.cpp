// Qt implementations of the seams the plain C++ layers talk through.
#include "app/QtSeams.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTableWidget>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <utility>

#include "app/MainWindow.h"
#include "text/Codepage.h"

namespace kf {

QString QStringFromText(const Text& text)
{
    const std::u16string utf16 = Utf16FromCp936(text);
    return QString::fromStdU16String(utf16);
}

Text TextFromQString(const QString& string)
{
    return Cp936FromUtf16(string.toStdU16String());
}

void QtMessageBoxes::Show(const Text& title, const Text& message)
{
    QMessageBox box(QMessageBox::NoIcon, QStringFromText(title), QStringFromText(message), QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

void QtShellOpen::Open(const Text& address)
{
    QDesktopServices::openUrl(QUrl(QStringFromText(address), QUrl::TolerantMode));
}

void QtRequestWait::Wait(const std::function<bool()>& done, std::chrono::steady_clock::time_point deadline)
{
    QEventLoop loop;
    {
        std::lock_guard lock(mutex_);
        if (std::exchange(woken_, false) || done()) {
            return;
        }
        loop_ = &loop;
    }
    const auto left
        = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() > 0) {
        QTimer timer;
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        timer.start(left);
        loop.exec();
    }
    std::lock_guard lock(mutex_);
    loop_ = nullptr;
    woken_ = false;
}

void QtRequestWait::Wake()
{
    std::lock_guard lock(mutex_);
    woken_ = true;
    if (loop_) {
        // Posted: the loop lives on the window thread. Should it be gone before the event is
        // delivered, Qt drops the event with it.
        QMetaObject::invokeMethod(loop_, &QEventLoop::quit, Qt::QueuedConnection);
    }
}

void InstallWindowThreadRequestWait()
{
    SetRequestWaitFactory([]() -> std::unique_ptr<RequestWait> {
        const QCoreApplication* application = QCoreApplication::instance();
        if (application && QThread::currentThread() == application->thread()) {
            return std::make_unique<QtRequestWait>();
        }
        return nullptr;
    });
}

// Shared by the access object and every call in flight, so a call that outlives the window (or
// the access object) still has somewhere safe to put its result.
// What the window thread works on lives here too, so no call ever refers to the access object.
struct QtMainWindowAccess::Channel {
    std::mutex mutex;
    std::condition_variable changed;
    bool detached = false;

    // Touched on the window thread only.
    QPointer<MainWindow> window;
    std::unordered_map<std::string, QPointer<QWidget>> controls;
    MessageBoxService* boxes = nullptr;

    QWidget* Control(std::string_view name) const
    {
        const auto found = controls.find(std::string(name));
        return found == controls.end() ? nullptr : found->second.data();
    }
    QTableWidget* List() const { return window->resultList(); }
};

QtMainWindowAccess::QtMainWindowAccess(MainWindow& window, MessageBoxService& boxes)
    : channel_(std::make_shared<Channel>())
{
    channel_->window = &window;
    channel_->boxes = &boxes;
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        if (!widget->objectName().isEmpty()) {
            channel_->controls.emplace(widget->objectName().toStdString(), widget);
        }
    }
    QObject::connect(&window, &MainWindow::closed, &window, [channel = channel_] {
        std::lock_guard lock(channel->mutex);
        channel->detached = true;
        channel->changed.notify_all();
    });
    QObject::connect(&window, &QObject::destroyed, [channel = channel_] {
        std::lock_guard lock(channel->mutex);
        channel->detached = true;
        channel->changed.notify_all();
    });
}

QtMainWindowAccess::~QtMainWindowAccess()
{
    Detach();
}

void QtMainWindowAccess::Detach()
{
    std::lock_guard lock(channel_->mutex);
    channel_->detached = true;
    channel_->changed.notify_all();
}

template<typename Result, typename Work> Result QtMainWindowAccess::Call(Result fallback, Work work)
{
    {
        std::lock_guard lock(channel_->mutex);
        if (channel_->detached) {
            return fallback;
        }
    }
    QPointer<MainWindow> window = channel_->window;
    if (QThread::currentThread() == QCoreApplication::instance()->thread()) {
        return window ? work(*channel_) : fallback;
    }

    struct Pending {
        std::optional<Result> result;
        bool done = false;
    };
    auto pending = std::make_shared<Pending>();
    auto channel = channel_;
    // Queued to the window thread; the window as context drops the call if it is gone.
    const bool posted = window
        && QMetaObject::invokeMethod(
            window.data(),
            [pending, channel, work] {
                {
                    std::lock_guard lock(channel->mutex);
                    if (channel->detached) {
                        pending->done = true;
                        channel->changed.notify_all();
                        return;
                    }
                }
                if (!channel->window) {
                    std::lock_guard lock(channel->mutex);
                    pending->done = true;
                    channel->changed.notify_all();
                    return;
                }
                Result value = work(*channel);
                std::lock_guard lock(channel->mutex);
                pending->result = std::move(value);
                pending->done = true;
                channel->changed.notify_all();
            },
            Qt::QueuedConnection);
    if (!posted) {
        return fallback;
    }
    std::unique_lock lock(channel_->mutex);
    channel_->changed.wait(lock, [&] { return pending->done || channel_->detached; });
    return pending->result ? std::move(*pending->result) : fallback;
}

Text QtMainWindowAccess::ControlText(std::string_view control)
{
    return Call(Text {}, [name = std::string(control)](Channel& c) {
        QWidget* widget = c.Control(name);
        if (auto* edit = qobject_cast<QLineEdit*>(widget))
            return TextFromQString(edit->text());
        if (auto* combo = qobject_cast<QComboBox*>(widget))
            return TextFromQString(combo->currentText());
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            return TextFromQString(button->text());
        if (auto* label = qobject_cast<QLabel*>(widget))
            return TextFromQString(label->text());
        return Text {};
    });
}

void QtMainWindowAccess::SetControlText(std::string_view control, const Text& text)
{
    Call(0, [name = std::string(control), text](Channel& c) {
        QWidget* widget = c.Control(name);
        const QString caption = QStringFromText(text);
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            edit->setText(caption);
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            button->setText(caption);
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            label->setText(caption);
            // The container paints label captions, which may run past the label's own box.
            label->parentWidget()->update();
        }
        return 0;
    });
}

bool QtMainWindowAccess::IsChecked(std::string_view control)
{
    return Call(false, [name = std::string(control)](Channel& c) {
        auto* button = qobject_cast<QAbstractButton*>(c.Control(name));
        return button && button->isChecked();
    });
}

void QtMainWindowAccess::SetEnabled(std::string_view control, bool enabled)
{
    Call(0, [name = std::string(control), enabled](Channel& c) {
        if (QWidget* widget = c.Control(name))
            widget->setEnabled(enabled);
        return 0;
    });
}

void QtMainWindowAccess::DeleteAllRows()
{
    Call(0, [](Channel& c) {
        c.List()->setRowCount(0);
        return 0;
    });
}

int QtMainWindowAccess::AppendRow()
{
    return Call(-1, [](Channel& c) {
        QTableWidget* list = c.List();
        const int row = list->rowCount();
        list->insertRow(row);
        return row;
    });
}

void QtMainWindowAccess::SetCellText(int row, int column, const Text& text)
{
    Call(0, [row, column, text](Channel& c) {
        QTableWidget* list = c.List();
        if (row < 0 || row >= list->rowCount() || column < 0 || column >= list->columnCount())
            return 0;
        if (QTableWidgetItem* item = list->item(row, column)) {
            item->setText(QStringFromText(text));
        } else {
            list->setItem(row, column, new QTableWidgetItem(QStringFromText(text)));
        }
        return 0;
    });
}

Text QtMainWindowAccess::CellText(int row, int column)
{
    return Call(Text {}, [row, column](Channel& c) {
        const QTableWidgetItem* item = c.List()->item(row, column);
        return item ? TextFromQString(item->text()) : Text {};
    });
}

int QtMainWindowAccess::RowCount()
{
    return Call(0, [](Channel& c) { return c.List()->rowCount(); });
}

int QtMainWindowAccess::SelectedRow()
{
    return Call(-1, [](Channel& c) {
        const QList<QTableWidgetSelectionRange> ranges = c.List()->selectedRanges();
        int first = -1;
        for (const auto& range : ranges) {
            if (first < 0 || range.topRow() < first)
                first = range.topRow();
        }
        return first;
    });
}

void QtMainWindowAccess::ShowReminder(const Text& message)
{
    Call(0, [message](Channel& c) {
        c.boxes->Show(Cp936("Brimlow温馨提醒："), message);
        return 0;
    });
}

} // namespace kf
