// The process entry: the Qt application object, then the program's start routine.
#include <QApplication>

#include "app/ProgramStart.h"
#include "app/QtSeams.h"

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    kf::QtMessageBoxes boxes;
    kf::QtShellOpen shell;
    const kf::ProgramServices services {boxes, shell, kf::OnMainWindowCreated, {}};
    return kf::ProgramStart(services);
}
