// The main window's fixed layout, initial states and event bindings.
#include "app/MainWindow.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <array>
#include <limits>

#include "sites/SiteCatalogue.h"

namespace kf {
namespace {

// A label draws its caption on one line from its left edge, vertically centred, and is not
// clipped at its own edge. Qt clips every widget to its rectangle, so the container paints the
// caption over its own background and the label itself paints nothing.
class CaptionLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override { }
};

void PaintCaptionLabels(QWidget* container)
{
    QPainter painter(container);
    for (auto* label : container->findChildren<CaptionLabel*>(Qt::FindDirectChildrenOnly)) {
        if (!label->isVisible()) {
            continue;
        }
        const QRect box = label->geometry();
        const QFontMetrics metrics(label->font());
        const int baseline = box.top() + (box.height() - metrics.height()) / 2 + metrics.ascent();
        painter.setFont(label->font());
        painter.setPen(label->palette().color(QPalette::WindowText));
        painter.drawText(QPoint(box.left(), baseline), label->text());
    }
}

// The group box paints the captions of the labels it holds.
class InfoGroupBox : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QGroupBox::paintEvent(event);
        PaintCaptionLabels(this);
    }
};

// Items one pixel taller than the platform draws them.
class TallerItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(0, 1);
    }
};

// Where each site button sits inside the tab control: number, left edge, width, row top.
struct SiteButtonPlace {
    int number;
    int left;
    int width;
    int top;
};

// clang-format off
constexpr std::array<SiteButtonPlace, 93> siteButtonPlaces{{
    // Page 1
    {1, 8, 72, 24}, {2, 80, 72, 24}, {3, 152, 72, 24}, {4, 232, 72, 24}, {5, 309, 72, 24}, {6, 384, 72, 24},
    {7, 8, 72, 48}, {8, 80, 72, 48}, {9, 152, 72, 48}, {10, 232, 72, 48}, {11, 309, 72, 48}, {12, 384, 72, 48},
    {13, 8, 72, 72}, {14, 80, 72, 72}, {15, 152, 80, 72}, {16, 232, 80, 72}, {17, 309, 80, 72}, {18, 384, 72, 72},
    // Page 2
    {82, 8, 72, 24}, {83, 80, 72, 24}, {84, 144, 80, 24}, {85, 224, 80, 24}, {86, 296, 88, 24}, {87, 384, 72, 24},
    {88, 8, 72, 48}, {89, 80, 72, 48}, {90, 152, 72, 48}, {91, 224, 72, 48}, {92, 296, 88, 48}, {93, 384, 72, 48},
    // Page 3
    {19, 8, 80, 24}, {20, 96, 80, 24}, {21, 168, 80, 24}, {30, 240, 72, 24}, {23, 320, 56, 24}, {24, 376, 80, 24},
    {26, 8, 72, 48}, {27, 96, 72, 48}, {29, 168, 72, 48}, {28, 240, 72, 48}, {25, 320, 56, 48}, {22, 376, 80, 48},
    // Page 4
    {31, 8, 80, 24}, {32, 104, 80, 24}, {33, 200, 80, 24}, {34, 288, 80, 24}, {36, 376, 80, 24},
    {35, 8, 80, 48}, {37, 104, 80, 48}, {38, 200, 80, 48}, {39, 288, 80, 48}, {40, 376, 80, 48},
    {41, 8, 80, 72}, {42, 104, 80, 72}, {43, 200, 80, 72}, {44, 288, 80, 72}, {45, 376, 80, 72},
    // Page 5
    {46, 8, 72, 24}, {47, 88, 56, 24}, {48, 160, 56, 24}, {49, 224, 72, 24}, {50, 304, 72, 24}, {51, 384, 72, 24},
    {52, 8, 72, 48}, {53, 88, 72, 48}, {54, 160, 72, 48}, {55, 224, 72, 48}, {56, 304, 72, 48}, {57, 384, 72, 48},
    {58, 8, 72, 72}, {60, 88, 72, 72}, {62, 160, 72, 72}, {59, 224, 72, 72}, {63, 304, 72, 72}, {61, 384, 72, 72},
    // Page 6
    {64, 8, 72, 24}, {65, 80, 72, 24}, {66, 152, 80, 24}, {67, 232, 80, 24}, {68, 312, 80, 24}, {69, 384, 72, 24},
    {70, 8, 72, 48}, {71, 80, 72, 48}, {72, 152, 80, 48}, {73, 232, 80, 48}, {74, 312, 80, 48}, {75, 384, 72, 48},
    {77, 8, 80, 72}, {78, 80, 80, 72}, {76, 152, 80, 72}, {79, 232, 80, 72}, {80, 312, 80, 72}, {81, 384, 72, 72},
}};
// clang-format on

constexpr int SiteButtonHeight = 24;

// The GUI font at 9 points. A Chinese desktop's GUI face comes first when it is installed: it sets
// Latin letters as narrowly as the layout's fixed widths assume. Otherwise the desktop's own face.
QFont DefaultGuiFont()
{
    QFont font = QApplication::font();
    for (const char* family : {"Microsoft YaHei", "WenQuanYi Micro Hei", "Noto Sans CJK SC", "SimSun"}) {
        if (QFontDatabase::hasFamily(QString::fromLatin1(family))) {
            font.setFamily(QString::fromLatin1(family));
            break;
        }
    }
    font.setPointSize(9);
    return font;
}

CaptionLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, QRect geometry)
{
    auto* label = new CaptionLabel(caption, parent);
    label->setObjectName(QString::fromUtf8(name));
    label->setGeometry(geometry);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setWordWrap(false);
    return label;
}

// A label's own colour; its own style sheet keeps it under whatever skin the application wears.
void SetLabelColour(QLabel* label, const QColor& colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    label->setStyleSheet(QStringLiteral("color: %1;").arg(colour.name()));
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption, QRect geometry)
{
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(QString::fromUtf8(name));
    button->setGeometry(geometry);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

} // namespace

MainWindow::MainWindow(MainWindowHandlers handlers, QWidget* parent)
    : QWidget(parent,
        Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
    , handlers_(std::move(handlers))
{
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("Kestrelfind"));
    setFixedSize(OuterWidth, OuterHeight);
    buildControls();
    buildSitePages();
    // Every control without a font of its own takes the GUI font. Set one by one: a platform
    // theme may give some widget classes fonts of their own, which would win over inheritance.
    const QFont guiFont = DefaultGuiFont();
    setFont(guiFont);
    for (QWidget* control : findChildren<QWidget*>()) {
        if (control != keywordBox_ && control->objectName() != QStringLiteral("标签5")) {
            control->setFont(guiFont);
        }
    }

    // The created event: after every control exists, before the window is first shown.
    if (handlers_.created) {
        handlers_.created();
    }
}

MainWindow::~MainWindow() = default;

void MainWindow::buildControls()
{
    keywordBox_ = new QLineEdit(QStringLiteral("Brimlow"), this);
    keywordBox_->setObjectName(QStringLiteral("编辑框1"));
    keywordBox_->setGeometry(72, 16, 184, 32);
    keywordBox_->setAlignment(Qt::AlignCenter);
    keywordBox_->setMaxLength(std::numeric_limits<int>::max()); // no length limit
    keywordBox_->setFont(QFont(QStringLiteral("微软雅黑"), 9, QFont::Normal));
    {
        // Black on white, and the selection disappears while the box does not have the focus.
        QPalette palette = keywordBox_->palette();
        palette.setColor(QPalette::Base, Qt::white);
        palette.setColor(QPalette::Text, Qt::black);
        palette.setColor(QPalette::Inactive, QPalette::Highlight, Qt::white);
        palette.setColor(QPalette::Inactive, QPalette::HighlightedText, Qt::black);
        keywordBox_->setPalette(palette);
    }

    startButton_ = MakeButton(this, "按钮1", "开始搜索", {384, 16, 88, 32});
    MakeLabel(this, "标签1", QStringLiteral("搜索内容："), {8, 16, 56, 32});
    MakeLabel(this, "标签2", QStringLiteral("结果数量："), {264, 16, 56, 32});

    countBox_ = new QComboBox(this);
    countBox_->setObjectName(QStringLiteral("组合框1"));
    countBox_->setGeometry(320, 23, 56, 20);
    countBox_->setEditable(false);
    for (int count = 10; count <= 100; count += 10) {
        countBox_->addItem(QString::number(count));
    }
    countBox_->setCurrentIndex(0);
    // The dropped list: the platform's item height plus one pixel, in a box 160 high with the
    // closed part, which leaves room for eight items.
    countBox_->setItemDelegate(new TallerItemDelegate(countBox_));
    countBox_->setMaxVisibleItems(8);
    {
        QPalette palette = countBox_->palette();
        palette.setColor(QPalette::Base, Qt::white);
        palette.setColor(QPalette::Button, Qt::white);
        countBox_->setPalette(palette);
    }

    sitePages_ = new QTabWidget(this);
    sitePages_->setObjectName(QStringLiteral("选择夹1"));
    sitePages_->setGeometry(8, 56, 464, 104);
    sitePages_->setTabPosition(QTabWidget::North);
    sitePages_->setUsesScrollButtons(false);
    sitePages_->setFocusPolicy(Qt::NoFocus);
    sitePages_->tabBar()->setFocusPolicy(Qt::NoFocus);
    sitePages_->tabBar()->setExpanding(false);

    quickSearchBox_ = new QCheckBox(QStringLiteral("开启秒搜索"), this);
    quickSearchBox_->setObjectName(QStringLiteral("选择框1"));
    quickSearchBox_->setGeometry(389, 56, 88, 16);

    resultList_ = new QTableWidget(0, 3, this);
    resultList_->setObjectName(QStringLiteral("超级列表框1"));
    resultList_->setGeometry(8, 168, 464, 152);
    resultList_->setHorizontalHeaderLabels(
        {QStringLiteral("地址"), QStringLiteral("序号"), QStringLiteral("标题（双击打开网址）")});
    resultList_->setSelectionBehavior(QAbstractItemView::SelectRows);
    resultList_->setSelectionMode(QAbstractItemView::SingleSelection);
    resultList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    resultList_->setShowGrid(true);
    resultList_->setWordWrap(false);
    resultList_->setFrameShape(QFrame::StyledPanel);
    resultList_->setFrameShadow(QFrame::Sunken);
    resultList_->verticalHeader()->hide();
    resultList_->verticalHeader()->setDefaultSectionSize(19);
    resultList_->verticalHeader()->setMinimumSectionSize(16);
    resultList_->horizontalHeader()->setSectionsClickable(true);
    resultList_->horizontalHeader()->setHighlightSections(false);
    resultList_->horizontalHeader()->setStretchLastSection(false);
    resultList_->horizontalHeader()->setMinimumSectionSize(0);
    resultList_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    resultList_->setColumnWidth(0, 0);
    resultList_->setColumnWidth(1, 50);
    resultList_->setColumnWidth(2, 390);
    {
        QPalette palette = resultList_->palette();
        palette.setColor(QPalette::Base, Qt::white);
        palette.setColor(QPalette::Text, Qt::black);
        resultList_->setPalette(palette);
    }

    infoBox_ = new InfoGroupBox(QStringLiteral("信息统计："), this);
    infoBox_->setObjectName(QStringLiteral("分组框1"));
    infoBox_->setGeometry(8, 320, 272, 40);
    infoBox_->setAlignment(Qt::AlignLeft);
    MakeLabel(infoBox_, "标签3", QStringLiteral("当前页数：0"), {8, 16, 96, 16});
    MakeLabel(infoBox_, "标签4", QStringLiteral("结果约为：0"), {112, 16, 152, 16});

    previousButton_ = MakeButton(this, "按钮2", "上一页", {288, 328, 88, 32});
    previousButton_->setEnabled(false);
    nextButton_ = MakeButton(this, "按钮3", "下一页", {384, 328, 88, 32});
    nextButton_->setEnabled(false);

    auto* motto = MakeLabel(this, "标签6",
        QStringLiteral("风停了，飞过去的也只是时光而已") + QString(11, u' '), {32, 368, 256, 16});
    SetLabelColour(motto, QColor(0, 0, 255));
    auto* blanks = MakeLabel(this, "标签5", QString(22, u' '), {312, 368, 144, 16});
    QFont bold = DefaultGuiFont();
    bold.setPointSize(9);
    bold.setBold(true);
    blanks->setFont(bold);
    SetLabelColour(blanks, QColor(255, 0, 0));

    // The check box lies over the right end of the tab strip and stays above it.
    quickSearchBox_->raise();

    // Focus moves in layout order; labels, the group box and the tab control take no part.
    setTabOrder(keywordBox_, countBox_);
    setTabOrder(countBox_, startButton_);
    setTabOrder(startButton_, quickSearchBox_);
    setTabOrder(quickSearchBox_, resultList_);
    setTabOrder(resultList_, previousButton_);
    setTabOrder(previousButton_, nextButton_);

    connect(quickSearchBox_, &QCheckBox::clicked, this, [this] {
        if (handlers_.quickSearchClicked)
            handlers_.quickSearchClicked();
    });
    connect(startButton_, &QPushButton::clicked, this, [this] {
        if (handlers_.startClicked)
            handlers_.startClicked();
    });
    connect(previousButton_, &QPushButton::clicked, this, [this] {
        if (handlers_.previousClicked)
            handlers_.previousClicked();
    });
    connect(nextButton_, &QPushButton::clicked, this, [this] {
        if (handlers_.nextClicked)
            handlers_.nextClicked();
    });
    connect(resultList_, &QTableWidget::cellDoubleClicked, this, [this] {
        if (handlers_.listDoubleClicked)
            handlers_.listDoubleClicked();
    });
}

void MainWindow::buildSitePages()
{
    for (const std::string_view caption : PageCaptions()) {
        auto* page = new QWidget(sitePages_);
        sitePages_->addTab(page, QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));
    }

    // The site buttons are children of the tab control itself, placed in its coordinates, and
    // one exclusive group spans all six pages. Switching pages shows that page's buttons only.
    siteGroup_ = new QButtonGroup(this);
    siteGroup_->setExclusive(true);
    siteButtons_.assign(SiteCount, nullptr);
    for (const SiteButtonPlace& place : siteButtonPlaces) {
        const SiteEntry* site = FindSite(place.number);
        auto* button = new QRadioButton(
            QString::fromUtf8(site->caption.data(), static_cast<qsizetype>(site->caption.size())),
            sitePages_);
        button->setObjectName(QStringLiteral("单选框%1").arg(place.number));
        button->setGeometry(place.left, place.top, place.width, SiteButtonHeight);
        button->setProperty("page", site->page);
        siteGroup_->addButton(button, place.number);
        siteButtons_[static_cast<std::size_t>(place.number - 1)] = button;
        const int number = place.number;
        connect(button, &QRadioButton::clicked, this, [this, number, button] {
            if (handlers_.siteClicked)
                handlers_.siteClicked(number, button->isChecked());
        });
    }
    connect(sitePages_, &QTabWidget::currentChanged, this, [this](int index) { showSitePage(index + 1); });
    sitePages_->setCurrentIndex(0);
    showSitePage(1);
}

void MainWindow::showSitePage(int page)
{
    for (QRadioButton* button : siteButtons_) {
        const bool onPage = button->property("page").toInt() == page;
        button->setVisible(onPage);
        if (onPage) {
            button->raise();
        }
    }
}

QRadioButton* MainWindow::siteButton(int number) const
{
    if (number < 1 || number > SiteCount) {
        return nullptr;
    }
    return siteButtons_[static_cast<std::size_t>(number - 1)];
}

void MainWindow::placeOnScreen()
{
    // The frame's size is known only once the platform has framed the window; before that it is
    // taken as none. Called again when the frame appears, so the outer size ends at 486 x 419.
    const QMargins frame(geometry().left() - frameGeometry().left(), geometry().top() - frameGeometry().top(),
        frameGeometry().right() - geometry().right(), frameGeometry().bottom() - geometry().bottom());
    const QSize client(OuterWidth - frame.left() - frame.right(), OuterHeight - frame.top() - frame.bottom());
    if (client != size()) {
        setFixedSize(client);
    }
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->geometry();
        move(area.left() + (area.width() - OuterWidth) / 2, area.top() + (area.height() - OuterHeight) / 2);
    }
}

void MainWindow::keyPressEvent(QKeyEvent* event)
{
    // Keys that a control did not take for itself reach the window: Esc closes it, Enter does
    // nothing.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted()) {
        emit closed();
    }
}

void MainWindow::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    PaintCaptionLabels(this);
}

void MainWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!placed_) {
        placed_ = true;
        placeOnScreen();
    }
}

void MainWindow::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    // A window manager frames the window after it is shown; size and centre it again once the
    // frame is known.
    if (placed_ && frameGeometry().size() != QSize(OuterWidth, OuterHeight)) {
        QTimer::singleShot(0, this, &MainWindow::placeOnScreen);
    }
}

} // namespace kf
