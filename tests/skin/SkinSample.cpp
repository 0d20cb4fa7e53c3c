// A widget set laid out like the program's window, for skin tests and previews.
#include "SkinSample.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>

namespace {

template<class W> W* Place(W* widget, const char* name, int x, int y, int w, int h)
{
    widget->setObjectName(QString::fromUtf8(name));
    widget->setGeometry(x, y, w, h);
    return widget;
}

} // namespace

QWidget* MakeSkinSample(int tabPage)
{
    auto* window = new QWidget;
    window->setObjectName("SkinSample");
    window->setFixedSize(470, 380);

    Place(new QLabel(QString::fromUtf8("搜索内容："), window), "标签1", 8, 16, 56, 32);
    auto* edit = Place(new QLineEdit(QString::fromUtf8("Brimlow"), window), "编辑框1", 72, 16, 184, 32);
    edit->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    Place(new QLabel(QString::fromUtf8("结果数量："), window), "标签2", 264, 16, 56, 32);
    auto* combo = Place(new QComboBox(window), "组合框1", 320, 23, 56, 20);
    for (int n = 10; n <= 100; n += 10)
        combo->addItem(QString::number(n));
    Place(new QPushButton(QString::fromUtf8("开始搜索"), window), "按钮1", 384, 16, 88, 32);

    auto* tabs = Place(new QTabWidget(window), "选择夹1", 8, 56, 464, 104);
    const char* tabNames[] = {"搜索网盘", "外挂辅助", "QQ教程网", "单机游戏", "电影视频", "音乐倾听"};
    // Three rows of site buttons at their real places: the widest captions in their boxes.
    struct Site {
        int left, width;
        const char* caption;
    };
    const Site rows[3][6] = {
        {{8, 72, "百度网盘"}, {80, 72, "360云盘"}, {152, 72, "115网盘"}, {232, 72, "城通网盘"},
            {309, 72, "Good网盘"}, {384, 72, "千军万马"}},
        {{8, 80, "QQ业务乐园"}, {96, 80, "钻石皇朝"}, {168, 80, "爱上QQ吧"}, {240, 72, "技术QQ网"},
            {320, 56, "聚Q网"}, {376, 80, "Js娱乐社区"}},
        {{8, 80, "多特单机网"}, {104, 80, "玩游戏网游"}, {200, 80, "52PK单机网"}, {288, 80, "UCBUG游戏"},
            {376, 80, "hao123游戏"}, {0, 0, nullptr}},
    };
    int number = 1;
    for (int page = 0; page < 6; ++page) {
        auto* pageWidget = new QWidget;
        for (int row = 0; row < 3; ++row) {
            for (const Site& site : rows[row]) {
                if (!site.caption)
                    continue;
                const auto name = QString("单选框%1").arg(number++).toUtf8();
                auto* radio = Place(new QRadioButton(QString::fromUtf8(site.caption), pageWidget),
                    name.constData(), site.left, 24 * row, site.width, 24);
                radio->setChecked(page == tabPage && row == 1 && site.left == 168);
            }
        }
        tabs->addTab(pageWidget, QString::fromUtf8(tabNames[page]));
    }
    tabs->setCurrentIndex(tabPage);
    auto* check = Place(new QCheckBox(QString::fromUtf8("开启秒搜索"), window), "选择框1", 389, 56, 88, 16);
    check->setChecked(tabPage % 2 == 1);

    auto* list = Place(new QTreeWidget(window), "超级列表框1", 8, 168, 464, 152);
    list->setColumnCount(3);
    list->setHeaderLabels(
        {QString::fromUtf8("地址"), QString::fromUtf8("序号"), QString::fromUtf8("标题（双击打开网址）")});
    list->setRootIsDecorated(false);
    list->header()->setMinimumSectionSize(0);
    list->setColumnWidth(0, 0);
    list->setColumnWidth(1, 50);
    list->setColumnWidth(2, 390);
    const char* titles[] = {"Brimlow 使用说明 - 百度网盘", "Brimlow 下载 最新版", "Brimlow 资源合集",
        "关于 Brimlow 的讨论", "Brimlow 教程 第二部分", "Brimlow 官方网站"};
    for (int i = 0; i < 6; ++i)
        new QTreeWidgetItem(
            list, {"http://example.invalid/", QString::number(i + 1), QString::fromUtf8(titles[i])});
    list->setCurrentItem(list->topLevelItem(1));

    auto* group = Place(new QGroupBox(QString::fromUtf8("信息统计："), window), "分组框1", 8, 320, 272, 40);
    Place(new QLabel(QString::fromUtf8("当前页数：1"), group), "标签3", 8, 16, 96, 16);
    Place(new QLabel(QString::fromUtf8("结果约为：1,230"), group), "标签4", 112, 16, 152, 16);
    Place(new QPushButton(QString::fromUtf8("上一页"), window), "按钮2", 288, 328, 88, 32)->setEnabled(false);
    Place(new QPushButton(QString::fromUtf8("下一页"), window), "按钮3", 384, 328, 88, 32);

    auto* motto = Place(new QLabel(QString::fromUtf8("风停了，飞过去的也只是时光而已           "), window),
        "标签6", 32, 368, 256, 16);
    QPalette blue = motto->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
    motto->setPalette(blue);
    auto* red = Place(new QLabel(QString::fromUtf8("红色粗体标签示例"), window), "标签5", 312, 368, 144, 16);
    QPalette redPalette = red->palette();
    redPalette.setColor(QPalette::WindowText, QColor(255, 0, 0));
    red->setPalette(redPalette);
    QFont bold = red->font();
    bold.setBold(true);
    red->setFont(bold);
    return window;
}
