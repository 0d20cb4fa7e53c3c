// Renders the sample widget set in one skin to a PNG file, to look at a skin by eye.
// Usage: kf_skin_preview <skin file> <png file> [tab page 0..5]; an empty skin file: no skin.
#include <dlfcn.h>

#include <QApplication>
#include <QFile>
#include <QPixmap>
#include <QWidget>
#include <cstdlib>
#include <memory>

#include "SkinSample.h"

namespace {

int Render(QApplication& app, int argc, char** argv)
{
    std::unique_ptr<QWidget> sample(MakeSkinSample(argc > 3 ? std::atoi(argv[3]) : 0));
    sample->show();
    app.processEvents();
    return sample->grab().save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 3)
        return 2;
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::ReadOnly))
        return 1;
    const QByteArray skin = file.readAll();
    if (skin.isEmpty())
        return Render(app, argc, argv);
    void* library = dlopen(KF_SKIN_ENGINE_FILE, RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return 1;
    using Attach = int (*)(const unsigned char*, int, const char*, int, int, int);
    auto attach = reinterpret_cast<Attach>(dlsym(library, "SkinH_AttachRes"));
    if (!attach
        || attach(reinterpret_cast<const unsigned char*>(skin.constData()), int(skin.size()), "", 0, 0, 0)
            != 1)
        return 1;
    return Render(app, argc, argv);
}
