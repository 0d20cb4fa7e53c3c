// The Qt side of the window seam under several search threads at once, and after the window goes.
#include "app/QtSeams.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QTableWidget>
#include <QTest>
#include <QThread>
#include <atomic>
#include <thread>
#include <vector>

#include "app/MainWindow.h"
#include "text/Codepage.h"

namespace kf {
namespace {

class RecordingBoxes : public MessageBoxService {
public:
    void Show(const Text& title, const Text& message) override
    {
        onWindowThread = QThread::currentThread() == qApp->thread();
        titles.push_back(title);
        messages.push_back(message);
    }
    std::vector<Text> titles;
    std::vector<Text> messages;
    bool onWindowThread = false;
};

// Turns the window thread's event loop until `done` holds.
template<typename Done> void PumpUntil(Done done)
{
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

TEST(QtMainWindowAccess, ManyThreadsEachCallCarriedOutWhole)
{
    MainWindow window({});
    RecordingBoxes boxes;
    auto access = std::make_shared<QtMainWindowAccess>(window, boxes);

    constexpr int threads = 4;
    constexpr int rowsPerThread = 50;
    std::atomic<int> finished {0};
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([access, t, &finished] {
            for (int i = 0; i < rowsPerThread; ++i) {
                const int row = access->AppendRow();
                const Text text = Cp936("行") + std::to_string(t) + "-" + std::to_string(i);
                access->SetCellText(row, 2, text);
                access->SetCellText(row, 0, "http://x/" + std::to_string(row));
                EXPECT_EQ(access->CellText(row, 2), text);
                EXPECT_EQ(access->ControlText("编辑框1"), "Brimlow");
                EXPECT_FALSE(access->IsChecked("选择框1"));
                access->SetControlText("标签3", Cp936("当前页数：") + std::to_string(i));
            }
            ++finished;
        });
    }
    PumpUntil([&] { return finished == threads; });
    for (auto& worker : workers)
        worker.join();

    EXPECT_EQ(window.resultList()->rowCount(), threads * rowsPerThread);
    for (int row = 0; row < threads * rowsPerThread; ++row) {
        EXPECT_EQ(window.resultList()->item(row, 0)->text(), QString("http://x/%1").arg(row));
    }
    EXPECT_EQ(access->RowCount(), threads * rowsPerThread);
    EXPECT_EQ(access->CellText(99999, 0), "");
    EXPECT_EQ(access->CellText(0, 7), "");
    access->SetCellText(-1, 0, "ignored");
    EXPECT_TRUE(window.findChild<QLabel*>("标签3")->text().startsWith(QString::fromUtf8("当前页数：")));
}

TEST(QtMainWindowAccess, ReadsAndWritesEveryKindOfControl)
{
    MainWindow window({});
    RecordingBoxes boxes;
    QtMainWindowAccess access(window, boxes);
    EXPECT_EQ(access.ControlText("组合框1"), "10");
    EXPECT_EQ(access.ControlText("按钮1"), Cp936("开始搜索"));
    EXPECT_EQ(access.ControlText("标签4"), Cp936("结果约为：0"));
    access.SetControlText("按钮1", Cp936("搜索中..."));
    EXPECT_EQ(
        window.findChild<QWidget*>("按钮1")->property("text").toString(), QString::fromUtf8("搜索中..."));
    access.SetEnabled("按钮3", true);
    EXPECT_TRUE(window.findChild<QWidget*>("按钮3")->isEnabled());
    window.findChild<QCheckBox*>("选择框1")->setChecked(true);
    EXPECT_TRUE(access.IsChecked("选择框1"));
    EXPECT_EQ(access.ControlText("no such control"), "");

    EXPECT_EQ(access.SelectedRow(), -1);
    access.AppendRow();
    access.AppendRow();
    window.resultList()->selectRow(1);
    EXPECT_EQ(access.SelectedRow(), 1);
    access.DeleteAllRows();
    EXPECT_EQ(access.RowCount(), 0);
    EXPECT_EQ(access.SelectedRow(), -1);
}

TEST(QtMainWindowAccess, ReminderFromASearchThreadIsShownByTheWindowThread)
{
    MainWindow window({});
    RecordingBoxes boxes;
    auto access = std::make_shared<QtMainWindowAccess>(window, boxes);
    std::atomic<bool> returned {false};
    std::thread run([&] {
        access->ShowReminder(Cp936("未找到"));
        returned = true;
    });
    PumpUntil([&] { return returned.load(); });
    run.join();
    ASSERT_EQ(boxes.messages.size(), 1u);
    EXPECT_EQ(boxes.titles[0], Cp936("Brimlow温馨提醒："));
    EXPECT_EQ(boxes.messages[0], Cp936("未找到"));
    EXPECT_TRUE(boxes.onWindowThread);
}

TEST(QtMainWindowAccess, CallersWaitingForAClosedWindowReturnEmptyHanded)
{
    auto window = std::make_unique<MainWindow>(MainWindowHandlers {});
    RecordingBoxes boxes;
    auto access = std::make_shared<QtMainWindowAccess>(*window, boxes);

    // The window thread does not turn its loop, so these calls wait until the window closes.
    std::atomic<int> returned {0};
    std::vector<std::thread> runs;
    for (int i = 0; i < 3; ++i) {
        runs.emplace_back([&] {
            EXPECT_EQ(access->ControlText("编辑框1"), "");
            EXPECT_EQ(access->AppendRow(), -1);
            ++returned;
        });
    }
    window->show();
    window->close();
    window.reset();
    for (auto& run : runs)
        run.join();
    EXPECT_EQ(returned.load(), 3);
    // Events queued for the destroyed window are dropped, never run.
    QCoreApplication::processEvents();
    EXPECT_EQ(access->RowCount(), 0);
    EXPECT_TRUE(boxes.messages.empty());
}

} // namespace
} // namespace kf
