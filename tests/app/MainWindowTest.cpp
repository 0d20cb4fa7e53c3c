// The real main window offscreen: layout, initial states, site group, keys.
#include "app/MainWindow.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <sstream>

#include "sites/SiteCatalogue.h"

namespace kf {
namespace {

QString U(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

template<typename T = QWidget> T* Find(QWidget& window, const char* name)
{
    return window.findChild<T*>(U(name));
}

QString Caption(QWidget* widget)
{
    if (auto* b = qobject_cast<QAbstractButton*>(widget))
        return b->text();
    if (auto* l = qobject_cast<QLabel*>(widget))
        return l->text();
    if (auto* e = qobject_cast<QLineEdit*>(widget))
        return e->text();
    if (auto* c = qobject_cast<QComboBox*>(widget))
        return c->currentText();
    if (auto* g = qobject_cast<QGroupBox*>(widget))
        return g->title();
    return {};
}

TEST(MainWindow, EveryControlSitsAtItsPlaceWithItsInitialState)
{
    MainWindow window({});
    EXPECT_EQ(window.windowTitle(), "Kestrelfind");

    const struct {
        const char* name;
        const char* container;
        QRect geometry;
        const char* caption;
        bool enabled;
    } controls[] = {
        {"编辑框1", "MainWindow", {72, 16, 184, 32}, "Brimlow", true},
        {"按钮1", "MainWindow", {384, 16, 88, 32}, "开始搜索", true},
        {"标签1", "MainWindow", {8, 16, 56, 32}, "搜索内容：", true},
        {"标签2", "MainWindow", {264, 16, 56, 32}, "结果数量：", true},
        {"组合框1", "MainWindow", {320, 23, 56, 20}, "10", true},
        {"选择框1", "MainWindow", {389, 56, 88, 16}, "开启秒搜索", true},
        {"选择夹1", "MainWindow", {8, 56, 464, 104}, "", true},
        {"超级列表框1", "MainWindow", {8, 168, 464, 152}, "", true},
        {"分组框1", "MainWindow", {8, 320, 272, 40}, "信息统计：", true},
        {"标签3", "分组框1", {8, 16, 96, 16}, "当前页数：0", true},
        {"标签4", "分组框1", {112, 16, 152, 16}, "结果约为：0", true},
        {"按钮2", "MainWindow", {288, 328, 88, 32}, "上一页", false},
        {"按钮3", "MainWindow", {384, 328, 88, 32}, "下一页", false},
        {"标签6", "MainWindow", {32, 368, 256, 16}, "风停了，飞过去的也只是时光而已           ", true},
        {"标签5", "MainWindow", {312, 368, 144, 16}, "                      ", true},
    };
    for (const auto& c : controls) {
        SCOPED_TRACE(c.name);
        QWidget* widget = Find(window, c.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->parentWidget()->objectName(), U(c.container));
        EXPECT_EQ(widget->geometry(), c.geometry);
        EXPECT_EQ(Caption(widget), U(c.caption));
        EXPECT_EQ(widget->isEnabled(), c.enabled);
        EXPECT_FALSE(widget->isHidden());
    }
    EXPECT_FALSE(Find<QCheckBox>(window, "选择框1")->isChecked());

    auto* count = Find<QComboBox>(window, "组合框1");
    EXPECT_FALSE(count->isEditable());
    QStringList items;
    for (int i = 0; i < count->count(); ++i)
        items << count->itemText(i);
    EXPECT_EQ(items.join(','), "10,20,30,40,50,60,70,80,90,100");

    auto* tabs = Find<QTabWidget>(window, "选择夹1");
    QStringList pages;
    for (int i = 0; i < tabs->count(); ++i)
        pages << tabs->tabText(i);
    EXPECT_EQ(pages.join(','), U("搜索网盘,外挂辅助,QQ教程网,单机游戏,电影视频,音乐倾听"));
    EXPECT_EQ(tabs->currentIndex(), 0);

    auto* keyword = Find<QLineEdit>(window, "编辑框1");
    EXPECT_EQ(keyword->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
    keyword->setText(QString(100000, u'a')); // no length limit
    EXPECT_EQ(keyword->text().size(), 100000);
    EXPECT_EQ(Find<QLabel>(window, "标签6")->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    auto* red = Find<QLabel>(window, "标签5");
    EXPECT_EQ(red->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_TRUE(red->font().bold());
}

TEST(MainWindow, ResultListHasThreeColumnsTheFirstHidden)
{
    MainWindow window({});
    QTableWidget* list = window.resultList();
    ASSERT_EQ(list->columnCount(), 3);
    EXPECT_EQ(list->rowCount(), 0);
    const struct {
        const char* heading;
        int width;
    } columns[] = {{"地址", 0}, {"序号", 50}, {"标题（双击打开网址）", 390}};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(list->horizontalHeaderItem(i)->text(), U(columns[i].heading));
        EXPECT_EQ(list->columnWidth(i), columns[i].width);
    }
    EXPECT_TRUE(list->showGrid());
    EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_TRUE(list->horizontalHeader()->isVisible() || !list->horizontalHeader()->isHidden());
    EXPECT_TRUE(list->horizontalHeader()->sectionsClickable());
}

// The site buttons' places, written the way the layout reads: per page, per row top,
// "number at left, width" entries.
const char* const siteLayout = R"(
1 24: 1 8 72, 2 80 72, 3 152 72, 4 232 72, 5 309 72, 6 384 72
1 48: 7 8 72, 8 80 72, 9 152 72, 10 232 72, 11 309 72, 12 384 72
1 72: 13 8 72, 14 80 72, 15 152 80, 16 232 80, 17 309 80, 18 384 72
2 24: 82 8 72, 83 80 72, 84 144 80, 85 224 80, 86 296 88, 87 384 72
2 48: 88 8 72, 89 80 72, 90 152 72, 91 224 72, 92 296 88, 93 384 72
3 24: 19 8 80, 20 96 80, 21 168 80, 30 240 72, 23 320 56, 24 376 80
3 48: 26 8 72, 27 96 72, 29 168 72, 28 240 72, 25 320 56, 22 376 80
4 24: 31 8 80, 32 104 80, 33 200 80, 34 288 80, 36 376 80
4 48: 35 8 80, 37 104 80, 38 200 80, 39 288 80, 40 376 80
4 72: 41 8 80, 42 104 80, 43 200 80, 44 288 80, 45 376 80
5 24: 46 8 72, 47 88 56, 48 160 56, 49 224 72, 50 304 72, 51 384 72
5 48: 52 8 72, 53 88 72, 54 160 72, 55 224 72, 56 304 72, 57 384 72
5 72: 58 8 72, 60 88 72, 62 160 72, 59 224 72, 63 304 72, 61 384 72
6 24: 64 8 72, 65 80 72, 66 152 80, 67 232 80, 68 312 80, 69 384 72
6 48: 70 8 72, 71 80 72, 72 152 80, 73 232 80, 74 312 80, 75 384 72
6 72: 77 8 80, 78 80 80, 76 152 80, 79 232 80, 80 312 80, 81 384 72
)";

struct SitePlace {
    int page;
    QRect geometry;
};

std::map<int, SitePlace> ParseSiteLayout()
{
    std::map<int, SitePlace> places;
    std::istringstream lines(siteLayout);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty())
            continue;
        std::istringstream in(line);
        int page = 0, top = 0;
        char colon = 0;
        in >> page >> top >> colon;
        std::string entry;
        while (std::getline(in, entry, ',')) {
            std::istringstream fields(entry);
            int number = 0, left = 0, width = 0;
            fields >> number >> left >> width;
            places[number] = {page, QRect(left, top, width, 24)};
        }
    }
    return places;
}

TEST(MainWindow, SiteButtonsSitOnTheirPagesAtTheirPlaces)
{
    MainWindow window({});
    window.show();
    const auto places = ParseSiteLayout();
    ASSERT_EQ(places.size(), 93u);
    auto* tabs = Find<QTabWidget>(window, "选择夹1");
    for (int page = 1; page <= 6; ++page) {
        tabs->setCurrentIndex(page - 1);
        for (const auto& [number, place] : places) {
            SCOPED_TRACE(number);
            QRadioButton* button = window.siteButton(number);
            ASSERT_NE(button, nullptr);
            EXPECT_EQ(button->objectName(), QString("单选框%1").arg(number));
            EXPECT_EQ(button->parentWidget(), tabs);
            EXPECT_EQ(button->geometry(), place.geometry);
            const std::string_view caption = FindSite(number)->caption;
            EXPECT_EQ(button->text(), QString::fromUtf8(caption.data(), static_cast<int>(caption.size())));
            EXPECT_FALSE(button->isChecked());
            EXPECT_EQ(button->isVisible(), place.page == page);
        }
    }
}

TEST(MainWindow, OneExclusiveGroupSpansAllPagesAndTheLastClickWins)
{
    Globals globals;
    std::vector<int> clicks;
    MainWindowHandlers handlers;
    handlers.siteClicked = [&](int number, bool checked) {
        clicks.push_back(number);
        OnSiteButtonClicked(globals, number, checked);
    };
    MainWindow window(std::move(handlers));
    window.show();
    auto* tabs = Find<QTabWidget>(window, "选择夹1");

    const auto click = [&](int number) {
        tabs->setCurrentIndex(FindSite(number)->page - 1);
        QTest::mouseClick(window.siteButton(number), Qt::LeftButton);
    };
    click(1);
    click(19);
    EXPECT_TRUE(window.siteButton(19)->isChecked());
    EXPECT_FALSE(window.siteButton(1)->isChecked());
    int checked = 0;
    for (int n = 1; n <= 93; ++n)
        checked += window.siteButton(n)->isChecked();
    EXPECT_EQ(checked, 1);

    click(18);
    const Text first = globals.SiteQueryPrefix.Get();
    click(41);
    EXPECT_EQ(globals.SiteQueryPrefix.Get(), first);
    click(47);
    const Text film = globals.SiteQueryPrefix.Get();
    click(48);
    EXPECT_NE(globals.SiteQueryPrefix.Get(), film);
    EXPECT_EQ(globals.SiteQueryPrefix.Get(),
        EngineAddress() + "/s?wd=site:" + std::string(FindSite(48)->domain) + " ");
    EXPECT_EQ(clicks, (std::vector<int> {1, 19, 18, 41, 47, 48}));
}

TEST(MainWindow, CheckBoxStaysAboveTheTabStrip)
{
    MainWindow window({});
    window.show();
    auto* box = Find<QCheckBox>(window, "选择框1");
    for (int page = 0; page < 6; ++page) {
        Find<QTabWidget>(window, "选择夹1")->setCurrentIndex(page);
        EXPECT_EQ(window.childAt(box->geometry().center()), box);
    }
}

TEST(MainWindow, CreatedEventRunsOnceBeforeTheWindowIsShown)
{
    int runs = 0;
    bool visibleThen = true;
    bool controlsThen = false;
    MainWindowHandlers handlers;
    MainWindow* self = nullptr;
    handlers.created = [&] {
        ++runs;
        visibleThen = self ? self->isVisible() : false;
        controlsThen = true;
    };
    MainWindow window(std::move(handlers));
    self = &window;
    window.show();
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(visibleThen);
    EXPECT_TRUE(controlsThen);
}

TEST(MainWindow, OuterSizeAndCentredPlace)
{
    MainWindow window({});
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.frameGeometry().size(), QSize(486, 419));
    const QRect screen = window.screen()->geometry();
    EXPECT_EQ(window.frameGeometry().topLeft(),
        QPoint(screen.left() + (screen.width() - 486) / 2, screen.top() + (screen.height() - 419) / 2));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(window.windowFlags() & Qt::WindowMinimizeButtonHint);
}

TEST(MainWindow, EscClosesFromAnyControlAndEnterDoesNothing)
{
    for (const char* focus : {"按钮1", "编辑框1", "超级列表框1", "按钮1"}) {
        SCOPED_TRACE(focus);
        int starts = 0;
        MainWindowHandlers handlers;
        handlers.startClicked = [&] { ++starts; };
        MainWindow window(std::move(handlers));
        QSignalSpy closed(&window, &MainWindow::closed);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        QWidget* control = Find(window, focus);
        control->setFocus();

        QTest::keyClick(control, Qt::Key_Return);
        QTest::keyClick(control, Qt::Key_Enter);
        EXPECT_EQ(starts, 0);
        EXPECT_EQ(QApplication::focusWidget(), control);
        EXPECT_EQ(closed.count(), 0);

        QTest::keyClick(control, Qt::Key_Escape);
        EXPECT_EQ(closed.count(), 1);
        EXPECT_FALSE(window.isVisible());
    }
}

} // namespace
} // namespace kf
