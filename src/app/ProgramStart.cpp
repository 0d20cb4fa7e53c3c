// Start-up order, the wiring of the window's events, and shut-down.
#include "app/ProgramStart.h"

#include <QApplication>
#include <atomic>
#include <cstdlib>
#include <memory>

#include "app/AppGlobals.h"
#include "app/MainWindow.h"
#include "app/QtSeams.h"
#include "http/HttpRequest.h"
#include "search/SearchController.h"
#include "sites/SiteCatalogue.h"

namespace kf {
namespace {
std::atomic<bool> endRequested {false};
}

void EndProgram()
{
    endRequested = true;
}

void OnMainWindowCreated(const ProgramServices& services)
{
    (void)services;
}

int ProgramStart(const ProgramServices& services)
{
    std::atexit(ReleaseGlobals);
    endRequested = false;

    Globals& globals = TheGlobals();
    std::shared_ptr<QtMainWindowAccess> access;
    std::unique_ptr<SearchController> search;

    MainWindowHandlers handlers;
    handlers.created = [&] {
        if (services.created)
            services.created(services);
    };
    handlers.siteClicked
        = [&globals](int number, bool checked) { OnSiteButtonClicked(globals, number, checked); };
    handlers.quickSearchClicked = [&] { search->OnQuickSearchClicked(); };
    handlers.startClicked = [&] { search->OnStartSearchClicked(); };
    handlers.previousClicked = [&] { search->OnPreviousPageClicked(); };
    handlers.nextClicked = [&] { search->OnNextPageClicked(); };
    handlers.listDoubleClicked = [&] { search->OnResultListDoubleClicked(); };

    auto window = std::make_unique<MainWindow>(std::move(handlers));
    if (endRequested) {
        return 0;
    }
    access = std::make_shared<QtMainWindowAccess>(*window, services.boxes);
    SearchController::Options options;
    options.abortRequests = [] { AbortAllRequests(); };
    search = std::make_unique<SearchController>(globals, access, services.shell, std::move(options));

    QObject::connect(window.get(), &MainWindow::closed, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    window->show();
    if (services.shown) {
        services.shown(*window);
    }
    QApplication::exec();

    // Runs still going are stopped: their requests are aborted and they touch nothing more.
    access->Detach();
    search->Shutdown();
    return 0;
}

} // namespace kf
