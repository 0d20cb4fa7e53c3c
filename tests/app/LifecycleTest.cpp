// The program's ways out: Esc on the window and the version check's end, each with exit code 0
// and the globals released exactly once. Each case runs in a child process of its own.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <cstdlib>

#include "EngineSimulator.h"
#include "app/AppGlobals.h"
#include "app/MainWindow.h"
#include "app/ProgramStart.h"
#include "search/MainWindowAccess.h"

namespace kf {
namespace {

class NoBoxes : public MessageBoxService {
public:
    void Show(const Text&, const Text&) override { }
};

class NoBrowser : public ShellOpen {
public:
    void Open(const Text&) override { }
};

// Registered before ProgramStart registers ReleaseGlobals, so it runs after it at exit.
void ExitCheck()
{
    if (ReleaseGlobalsRuns() != 1)
        _exit(3);
    if (!TheGlobals().SiteQueryPrefix.Empty())
        _exit(4);
}

// Picks a site, so that there is a text to release, then presses Esc on the start button.
[[noreturn]] void RunUntilEscape()
{
    std::atexit(ExitCheck);
    NoBoxes boxes;
    NoBrowser shell;
    const ProgramServices services {boxes, shell, {}, [](MainWindow& window) {
                                        QTimer::singleShot(0, &window, [&window] {
                                            QTest::mouseClick(window.siteButton(3), Qt::LeftButton);
                                            QWidget* start = window.findChild<QWidget*>("按钮1");
                                            start->setFocus();
                                            QTest::keyClick(start, Qt::Key_Escape);
                                        });
                                    }};
    std::exit(ProgramStart(services));
}

// The created event ends the program; the window must never be shown.
[[noreturn]] void RunUntilVersionCheckEnds()
{
    std::atexit(ExitCheck);
    NoBoxes boxes;
    NoBrowser shell;
    const ProgramServices services {
        boxes, shell, [](const ProgramServices&) { EndProgram(); }, [](MainWindow&) { _exit(5); }};
    std::exit(ProgramStart(services));
}

// Closes the window while a search waits for a slow engine: the run's request is aborted and the
// program ends with code 0 instead of waiting for the engine.
[[noreturn]] void RunCloseDuringSearch()
{
    static sim::EngineSimulator engine(sim::SimulatorOptions {30000, std::nullopt, {}});
    if (engine.Start() < 0)
        _exit(6);
    setenv("KESTRELFIND_ENGINE_URL", engine.BaseUrl().c_str(), 1);
    std::atexit(ExitCheck);
    static const auto started = std::chrono::steady_clock::now();
    std::atexit([] {
        // Ending must not wait for the engine's 30 s; 10 s is a bound for "did not hang".
        if (std::chrono::steady_clock::now() - started > std::chrono::seconds(10))
            _exit(7);
    });
    NoBoxes boxes;
    NoBrowser shell;
    const ProgramServices services {boxes, shell, {}, [](MainWindow& window) {
                                        QTimer::singleShot(0, &window, [&window] {
                                            QTest::mouseClick(window.siteButton(1), Qt::LeftButton);
                                            QTest::mouseClick(
                                                window.findChild<QWidget*>("按钮1"), Qt::LeftButton);
                                        });
                                        QTimer::singleShot(300, &window, [&window] {
                                            QWidget* start = window.findChild<QWidget*>("按钮1");
                                            if (start->isEnabled())
                                                _exit(8); // the run must be going
                                            window.close();
                                        });
                                    }};
    std::exit(ProgramStart(services));
}

TEST(ProgramLifecycle, ClosingDuringASearchEndsWithCodeZero)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(RunCloseDuringSearch(), testing::ExitedWithCode(0), "");
}

TEST(ProgramLifecycle, EscClosesTheWindowAndTheProgramEndsWithCodeZero)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(RunUntilEscape(), testing::ExitedWithCode(0), "");
}

TEST(ProgramLifecycle, VersionCheckEndsTheProgramBeforeTheMessageLoop)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(RunUntilVersionCheckEnds(), testing::ExitedWithCode(0), "");
}

} // namespace
} // namespace kf
