// Start-up order, the wiring of the window's events, and shut-down.
#include "app/ProgramStart.h"

#include <QApplication>
#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "app/AppGlobals.h"
#include "app/MainWindow.h"
#include "app/QtSeams.h"
#include "http/HttpRequest.h"
#include "search/SearchController.h"
#include "sites/SiteCatalogue.h"
#include "startup/SkinInstall.h"
#include "startup/UpdateCheck.h"

namespace kf {
namespace {
std::atomic<bool> endRequested {false};
}

void EndProgram()
{
    endRequested = true;
}

bool ProgramEndRequested()
{
    return endRequested;
}

void OnMainWindowCreated(const ProgramServices& services)
{
    InstallSkin(13);
    const UpdateCheckSeams seams {
        services.boxes,
        services.shell,
        EndProgram,
        {},
        [] { QCoreApplication::processEvents(); },
    };
    CheckForUpdate(seams);
}

ProgramSession::ProgramSession(const ProgramServices& services)
    : services_(services)
{
    Globals& globals = TheGlobals();
    MainWindowHandlers handlers;
    handlers.created = [this] {
        if (services_.created)
            services_.created(services_);
    };
    handlers.siteClicked
        = [&globals](int number, bool checked) { OnSiteButtonClicked(globals, number, checked); };
    handlers.quickSearchClicked = [this] { search_->OnQuickSearchClicked(); };
    handlers.startClicked = [this] { search_->OnStartSearchClicked(); };
    handlers.previousClicked = [this] { search_->OnPreviousPageClicked(); };
    handlers.nextClicked = [this] { search_->OnNextPageClicked(); };
    handlers.listDoubleClicked = [this] { search_->OnResultListDoubleClicked(); };

    window_ = std::make_unique<MainWindow>(std::move(handlers));
    access_ = std::make_shared<QtMainWindowAccess>(*window_, services_.boxes);
    SearchController::Options options;
    options.abortRequests = [] { AbortAllRequests(); };
    search_ = std::make_unique<SearchController>(globals, access_, services_.shell, std::move(options));
}

ProgramSession::~ProgramSession()
{
    Shutdown();
}

bool ProgramSession::Shutdown()
{
    access_->Detach();
    return search_->Shutdown();
}

int ProgramStart(const ProgramServices& services)
{
    std::atexit(ReleaseGlobals);
    endRequested = false;
    InstallWindowThreadRequestWait();

    ProgramSession session(services);
    if (endRequested) {
        // The version check ended the program while the window was being created.
        return 0;
    }
    MainWindow& window = session.window();
    QObject::connect(&window, &MainWindow::closed, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    window.show();
    if (services.shown) {
        services.shown(window);
    }
    QApplication::exec();
    if (!session.Shutdown()) {
        // A search thread outlived its second of grace inside a library call. Static destructors
        // must not run under it: release the globals and end here, with the same exit code.
        ReleaseGlobals();
        std::fflush(nullptr);
        std::_Exit(0);
    }
    return 0;
}

} // namespace kf
