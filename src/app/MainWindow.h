// MainWindow: the program's only window, built from its fixed layout; it renders and forwards.
#pragma once

#include <QWidget>
#include <functional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTableWidget;

namespace kf {

// What the window's events run. Every handler is called on the window thread.
struct MainWindowHandlers {
    std::function<void()> created; // once, before the window is shown
    std::function<void(int number, bool checked)> siteClicked; // 单选框1..93
    std::function<void()> quickSearchClicked; // 选择框1
    std::function<void()> startClicked; // 按钮1
    std::function<void()> previousClicked; // 按钮2
    std::function<void()> nextClicked; // 按钮3
    std::function<void()> listDoubleClicked; // 超级列表框1
};

class MainWindow : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)

public:
    static constexpr int OuterWidth = 486;
    static constexpr int OuterHeight = 419;

    // Builds every control, binds the handlers and raises the created event.
    explicit MainWindow(MainWindowHandlers handlers, QWidget* parent = nullptr);
    ~MainWindow() override;

    QRadioButton* siteButton(int number) const; // nullptr outside 1..93
    QTableWidget* resultList() const { return resultList_; }
    QButtonGroup* siteGroup() const { return siteGroup_; }

    // Centres the window's outer frame on its screen and sizes the client area so that the
    // outer size is 486 x 419 with whatever frame the platform draws.
    void placeOnScreen();

signals:
    // Emitted when the window has been closed (close button, system menu or Esc).
    void closed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void buildControls();
    void buildSitePages();
    void showSitePage(int page);

    MainWindowHandlers handlers_;
    QLineEdit* keywordBox_ = nullptr;
    QPushButton* startButton_ = nullptr;
    QPushButton* previousButton_ = nullptr;
    QPushButton* nextButton_ = nullptr;
    QComboBox* countBox_ = nullptr;
    QCheckBox* quickSearchBox_ = nullptr;
    QTabWidget* sitePages_ = nullptr;
    QTableWidget* resultList_ = nullptr;
    QGroupBox* infoBox_ = nullptr;
    QButtonGroup* siteGroup_ = nullptr;
    std::vector<QRadioButton*> siteButtons_; // index number - 1
    bool placed_ = false;
};

} // namespace kf
