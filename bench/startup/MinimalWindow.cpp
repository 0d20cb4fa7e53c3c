// kf_minimal_window: the smallest Qt Widgets program that shows a window, the baseline for the
// program's start-up time and peak memory. It stays open until it is ended from outside, so the
// benchmark script measures it exactly as it measures the program.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Minimal window"));
    window.resize(640, 480);
    window.show();
    return QApplication::exec();
}
