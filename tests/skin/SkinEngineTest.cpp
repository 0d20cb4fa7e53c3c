// Tests of the skin engine library and the 33 skins, in an offscreen application.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QCryptographicHash>
#include <QImage>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QWidget>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "SkinSample.h"
#include "TempDirectory.h"
#include "startup/EmbeddedData.h"
#include "startup/SkinInstall.h"

namespace {

using AttachFunction = int (*)(const unsigned char*, int, const char*, int, int, int);

AttachFunction LoadAttach()
{
    void* library = dlopen(KF_SKIN_ENGINE_FILE, RTLD_NOW | RTLD_LOCAL);
    return library ? reinterpret_cast<AttachFunction>(dlsym(library, "SkinH_AttachRes")) : nullptr;
}

std::vector<unsigned char> Skin(int number)
{
    const kf::EmbeddedBytes skin = kf::SkinTable[static_cast<std::size_t>(number - 1)];
    return {skin.begin(), skin.end()};
}

QString SheetOf(int number)
{
    const kf::EmbeddedBytes skin = kf::SkinTable[static_cast<std::size_t>(number - 1)];
    return QString::fromUtf8(
        reinterpret_cast<const char*>(skin.data()) + 4, static_cast<qsizetype>(skin.size() - 4));
}

// Collects the style sheet parser's complaints while it is installed.
class ParseWarnings {
public:
    ParseWarnings() { previous_ = qInstallMessageHandler(&ParseWarnings::Handle); }
    ~ParseWarnings() { qInstallMessageHandler(previous_); }
    static std::vector<std::string>& Messages()
    {
        static std::vector<std::string> messages;
        return messages;
    }

private:
    static void Handle(QtMsgType, const QMessageLogContext&, const QString& message)
    {
        if (message.contains("Could not parse") || message.contains("stylesheet", Qt::CaseInsensitive))
            Messages().push_back(message.toStdString());
    }
    QtMessageHandler previous_;
};

class SkinEngineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        attach = LoadAttach();
        ASSERT_NE(attach, nullptr) << dlerror();
        qApp->setStyleSheet(QString());
    }
    void TearDown() override { qApp->setStyleSheet(QString()); }

    int Attach(const std::vector<unsigned char>& bytes)
    {
        return attach(bytes.data(), static_cast<int>(bytes.size()), "", 0, 0, 0);
    }

    AttachFunction attach = nullptr;
};

TEST_F(SkinEngineTest, Skin13BecomesTheApplicationsStyleSheetAndKeepsNoPointer)
{
    std::vector<unsigned char> bytes = Skin(13);

    EXPECT_EQ(Attach(bytes), 1);
    std::fill(bytes.begin(), bytes.end(), 'x');

    EXPECT_EQ(qApp->styleSheet(), SheetOf(13));
    EXPECT_TRUE(qApp->styleSheet().contains("QTabBar::tab"));
}

TEST_F(SkinEngineTest, DataThatIsNoSkinChangesNothing)
{
    const QString before = "QPushButton { color: red; }";
    qApp->setStyleSheet(before);
    struct Case {
        const char* name;
        std::vector<unsigned char> bytes;
        bool null;
    };
    const std::string unsigned_sheet = "SHE.QWidget { background: black; }";
    const std::string lower_case = ".she QWidget { background: black; }";
    const Case cases[] = {
        {"null pointer", {}, true},
        {"no bytes", {}, false},
        {"signature only", {'.', 'S', 'H', 'E'}, false},
        {"cut signature", {'.', 'S', 'H'}, false},
        {"other signature", {unsigned_sheet.begin(), unsigned_sheet.end()}, false},
        {"lower-case signature", {lower_case.begin(), lower_case.end()}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int result
            = attach(c.null ? nullptr : c.bytes.data(), static_cast<int>(c.bytes.size()), "", 0, 0, 0);
        EXPECT_EQ(result, 0);
        EXPECT_EQ(qApp->styleSheet(), before);
    }
    // A negative length with real data is no skin either.
    const std::vector<unsigned char> skin = Skin(13);
    EXPECT_EQ(attach(skin.data(), -5, "", 0, 0, 0), 0);
    EXPECT_EQ(qApp->styleSheet(), before);
}

TEST_F(SkinEngineTest, ACallFromAnotherThreadChangesNothing)
{
    const std::vector<unsigned char> skin = Skin(13);
    int result = -1;
    std::thread other([&] { result = Attach(skin); });
    other.join();

    EXPECT_EQ(result, 0);
    EXPECT_TRUE(qApp->styleSheet().isEmpty());
}

TEST_F(SkinEngineTest, EverySkinParsesAndRestylesTheWholeWindow)
{
    std::set<QByteArray> looks;
    {
        std::unique_ptr<QWidget> plain(MakeSkinSample());
        plain->show();
        QApplication::processEvents();
        looks.insert(QCryptographicHash::hash(
            QByteArrayView(plain->grab().toImage().constBits(), plain->grab().toImage().sizeInBytes()),
            QCryptographicHash::Sha1));
    }
    for (int number = 1; number <= kf::SkinCount; ++number) {
        SCOPED_TRACE(number);
        ParseWarnings warnings;
        ParseWarnings::Messages().clear();

        ASSERT_EQ(Attach(Skin(number)), 1);
        std::unique_ptr<QWidget> sample(MakeSkinSample(number % 6));
        sample->show();
        QApplication::processEvents();
        const QImage image = sample->grab().toImage();

        EXPECT_TRUE(ParseWarnings::Messages().empty()) << ParseWarnings::Messages().front();
        for (auto* button : sample->findChildren<QPushButton*>())
            EXPECT_TRUE(button->style()->inherits("QStyleSheetStyle"));
        // Every skin gives the window a look of its own.
        const auto hash = QCryptographicHash::hash(
            QByteArrayView(image.constBits(), image.sizeInBytes()), QCryptographicHash::Sha1);
        EXPECT_TRUE(looks.insert(hash).second) << "skin " << number << " looks like an earlier one";
        // The tab strip ends before the check box that lies over its right end (at 389 in the
        // window, 381 in the tab control).
        auto* tabs = sample->findChild<QTabWidget*>(QString::fromUtf8("选择夹1"));
        ASSERT_NE(tabs, nullptr);
        const QTabBar* bar = tabs->tabBar();
        const int end = bar->mapTo(tabs, bar->tabRect(bar->count() - 1).topRight()).x();
        EXPECT_LE(end, 381) << "tab strip runs under the check box";
        qApp->setStyleSheet(QString());
    }
}

TEST_F(SkinEngineTest, InstallSkinAppliesSkin13ThroughTheWrittenLibrary)
{
    TempDirectory dir;
    ASSERT_FALSE(dir.path().empty());

    kf::InstallSkin(13, {dir.path(), {}});

    EXPECT_TRUE(std::filesystem::is_regular_file(dir.path() / "SkinH_EL.dll"));
    EXPECT_EQ(qApp->styleSheet(), SheetOf(13));
}

} // namespace

int main(int argc, char** argv)
{
    // Test discovery runs this program outside CTest's environment: no display there either.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
