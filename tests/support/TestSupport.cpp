#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace qbtest {

QString sourceDir() { return QStringLiteral(QB_SOURCE_DIR); }
QString buildDir() { return QStringLiteral(QB_BUILD_DIR); }
QString sharedDir() { return QDir::cleanPath(QStringLiteral(QB_SHARED_DIR)); }

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

QString readText(const QString &path)
{
    const QByteArray bytes = readBytes(path);
    if (bytes.startsWith("\xFF\xFE")) {
        QStringDecoder dec(QStringDecoder::Utf16LE);
        return dec(bytes.mid(2));
    }
    return QString::fromUtf8(bytes);
}

} // namespace qbtest
