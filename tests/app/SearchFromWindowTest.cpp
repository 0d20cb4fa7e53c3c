// The whole search from the real window, offscreen, against the engine simulator on loopback.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <cstdlib>
#include <mutex>

#include "EngineSimulator.h"
#include "app/AppGlobals.h"
#include "app/MainWindow.h"
#include "app/ProgramStart.h"
#include "app/QtSeams.h"
#include "sites/SiteCatalogue.h"
#include "text/Codepage.h"

namespace kf {
namespace {

sim::EngineSimulator* engine = nullptr;

class RecordingBoxes : public MessageBoxService {
public:
    void Show(const Text& title, const Text& message) override
    {
        std::lock_guard lock(mutex);
        titles.push_back(title);
        messages.push_back(message);
    }
    std::vector<Text> Messages()
    {
        std::lock_guard lock(mutex);
        return messages;
    }
    std::mutex mutex;
    std::vector<Text> titles;
    std::vector<Text> messages;
};

class RecordingShell : public ShellOpen {
public:
    void Open(const Text& address) override { opened.push_back(address); }
    std::vector<Text> opened;
};

QString U(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

class SearchFromWindow : public testing::Test {
protected:
    void SetUp() override
    {
        session = std::make_unique<ProgramSession>(services);
        window().show();
        engine->ClearRecord();
    }
    void TearDown() override { session.reset(); }

    MainWindow& window() { return session->window(); }
    template<typename T = QWidget> T* control(const char* name) { return window().findChild<T*>(U(name)); }
    QString cell(int row, int column)
    {
        const QTableWidgetItem* item = window().resultList()->item(row, column);
        return item ? item->text() : QString();
    }
    void pickSite(int number)
    {
        control<QTabWidget>("选择夹1")->setCurrentIndex(FindSite(number)->page - 1);
        QTest::mouseClick(window().siteButton(number), Qt::LeftButton);
    }
    void setKeyword(const QString& keyword)
    {
        auto* box = control<QLineEdit>("编辑框1");
        box->clear();
        box->setFocus();
        box->insert(keyword); // as typed (QTest types ASCII only)
    }
    // Clicks a search button and waits until the run has shown itself done.
    void runWith(const char* button)
    {
        auto* start = control<QPushButton>("按钮1");
        start->setText(QString());
        QTest::mouseClick(control<QPushButton>(button), Qt::LeftButton);
        QTableWidget* list = window().resultList();
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return start->isEnabled() && start->text() == U("继续搜索") && list->isEnabled(); },
            15000));
    }

    RecordingBoxes boxes;
    RecordingShell shell;
    ProgramServices services {boxes, shell, {}, {}};
    std::unique_ptr<ProgramSession> session;
};

TEST_F(SearchFromWindow, NoSiteChosenShowsTheReminderAndSearchesNothing)
{
    TheGlobals().SiteQueryPrefix.Release();
    QTest::mouseClick(control<QPushButton>("按钮1"), Qt::LeftButton);
    ASSERT_EQ(boxes.Messages().size(), 1u);
    EXPECT_EQ(boxes.messages[0], Cp936("您还未选择搜索的网盘噢！"));
    EXPECT_EQ(boxes.titles[0], Cp936("Brimlow温馨提醒："));
    EXPECT_TRUE(engine->RequestTargets().empty());
    EXPECT_EQ(window().resultList()->rowCount(), 0);
}

TEST_F(SearchFromWindow, SearchNextAndPreviousFillTheListAndTheLabels)
{
    pickSite(1);
    setKeyword("kestrel");
    control<QComboBox>("组合框1")->setCurrentIndex(1); // "20"
    const std::string domain(FindSite(1)->domain);

    runWith("按钮1");
    QTableWidget* list = window().resultList();
    ASSERT_EQ(list->rowCount(), 20);
    EXPECT_TRUE(list->isEnabled());
    for (int row = 0; row < 20; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(cell(row, 1), QString::number(row + 1));
        EXPECT_EQ(cell(row, 2), QString::fromStdString(sim::ShownTitle("kestrel", row + 1)));
        EXPECT_EQ(cell(row, 0), QString::fromStdString(sim::RealAddress(domain, row + 1)));
    }
    EXPECT_EQ(control<QLabel>("标签3")->text(), U("当前页数：0"));
    EXPECT_TRUE(control<QLabel>("标签4")->text().startsWith(U("结果约为：")));
    EXPECT_TRUE(control<QLabel>("标签4")->text().endsWith(U("个")));
    EXPECT_FALSE(control<QPushButton>("按钮2")->isEnabled());
    const bool full = sim::ResultTotal("kestrel", std::nullopt) > 20;
    EXPECT_EQ(control<QPushButton>("按钮3")->isEnabled(), full);
    ASSERT_TRUE(full) << "the simulator's total for this keyword must exceed one page";

    runWith("按钮3");
    EXPECT_EQ(control<QLabel>("标签3")->text(), U("当前页数：1"));
    EXPECT_EQ(cell(0, 1), "1");
    EXPECT_EQ(cell(0, 2), QString::fromStdString(sim::ShownTitle("kestrel", 21)));
    EXPECT_TRUE(control<QPushButton>("按钮2")->isEnabled());

    runWith("按钮2");
    EXPECT_EQ(control<QLabel>("标签3")->text(), U("当前页数：0"));
    EXPECT_FALSE(control<QPushButton>("按钮2")->isEnabled());
    EXPECT_EQ(engine->PageNumbers(), (std::vector<std::string> {"0", "1", "0"}));
    EXPECT_TRUE(boxes.Messages().empty());
}

TEST_F(SearchFromWindow, QuickSearchSwitchAndOpeningOnlyWebAddresses)
{
    auto* quick = control<QCheckBox>("选择框1");
    QTest::mouseClick(quick, Qt::LeftButton);
    EXPECT_EQ(quick->text(), U("关闭秒搜索"));
    ASSERT_EQ(boxes.Messages().size(), 1u);
    EXPECT_EQ(boxes.messages[0], Cp936("您好,您已经开启秒搜索模式！搜索速度很快,访问的网址可能有误！"));

    pickSite(61);
    setKeyword(U("电影"));
    runWith("按钮1");
    QTableWidget* list = window().resultList();
    ASSERT_GT(list->rowCount(), 0);
    // Quick mode: column 0 holds the link from the page, which points back at the engine.
    EXPECT_TRUE(cell(0, 0).startsWith(QString::fromStdString(engine->BaseUrl())));
    // Every request after the page was the page itself: no redirect was followed.
    EXPECT_EQ(engine->RequestTargets().size(), 1u);

    const auto doubleClickRow = [&](int row) {
        const QRect cellRect = list->visualRect(list->model()->index(row, 2));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cellRect.center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, cellRect.center());
    };
    doubleClickRow(0);
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(QStringFromText(shell.opened[0]), cell(0, 0));

    // Addresses that are not web addresses are never handed on.
    for (const char* address : {"file:///etc/passwd", "javascript:alert(1)", "/usr/bin/xterm", ""}) {
        list->item(0, 0)->setText(U(address));
        doubleClickRow(0);
    }
    EXPECT_EQ(shell.opened.size(), 1u);

    QTest::mouseClick(quick, Qt::LeftButton);
    EXPECT_EQ(quick->text(), U("开启秒搜索"));
    ASSERT_EQ(boxes.Messages().size(), 2u);
    EXPECT_EQ(boxes.messages[1], Cp936("您好,您已经关闭秒搜索模式！搜索速度较慢,但会分析正确地址！"));
}

TEST_F(SearchFromWindow, NoResultShowsTheMessageAndZeroLabels)
{
    pickSite(5);
    setKeyword("none");
    runWith("按钮1");
    EXPECT_EQ(window().resultList()->rowCount(), 0);
    ASSERT_EQ(boxes.Messages().size(), 1u);
    EXPECT_EQ(boxes.messages[0], Cp936("未找到相关内容,请更改网盘或搜索其他内容！"));
    EXPECT_EQ(control<QLabel>("标签4")->text(), U("结果约为：0"));
    EXPECT_EQ(control<QLabel>("标签3")->text(), U("当前页数：0"));
    EXPECT_FALSE(control<QPushButton>("按钮3")->isEnabled());
}

} // namespace
} // namespace kf

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    kf::sim::EngineSimulator simulator;
    if (simulator.Start() < 0)
        return 2;
    kf::engine = &simulator;
    // Read once by the program, so it is set before anything else runs.
    setenv("KESTRELFIND_ENGINE_URL", simulator.BaseUrl().c_str(), 1);
    QApplication application(argc, argv);
    kf::InstallWindowThreadRequestWait();
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    simulator.Stop();
    return result;
}
