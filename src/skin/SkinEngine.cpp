// The skin engine: turns a ".SHE" skin into the application's Qt style sheet.
#include "skin/SkinEngine.h"

#include <QApplication>
#include <QString>
#include <QThread>
#include <cstring>

namespace {

constexpr char signature[] = ".SHE";
constexpr int signatureLength = 4;

} // namespace

extern "C" int SkinH_AttachRes(
    const unsigned char* data, int length, const char* /*text*/, int /*a*/, int /*b*/, int /*c*/)
{
    if (!data || length <= signatureLength || std::memcmp(data, signature, signatureLength) != 0)
        return 0;
    // Only a widgets application has a style sheet, and it may be set from its own thread only.
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app || QThread::currentThread() != app->thread())
        return 0;
    // fromUtf8 copies the bytes, so nothing of the caller's buffer outlives this call.
    const QString sheet
        = QString::fromUtf8(reinterpret_cast<const char*>(data) + signatureLength, length - signatureLength);
    app->setStyleSheet(sheet);
    return 1;
}
