// MD5 digests of texts (their windows-1252 bytes) and of files, as upper-case hex.
#include "members/modMD5Hash.h"

#include "output/TextFiles.h"
#include "run/RunHost.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

QString MD5Hex(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex().toUpper());
}

QString MD5HashString(RunHost &host, const QString &text)
{
    QString result;
    // One byte per 16-bit character; a character outside the code page is hashed as "?".
    host.Trap(QStringLiteral("MD5HashString()"), [&] { result = MD5Hex(Windows1252Bytes(text, '?')); });
    return result;
}

QString MD5HashFile(const QString &path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Md5);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file) || file.error() != QFileDevice::NoError)
        throw QbError(QbErrNo::FileNotFound, QStringLiteral("File not found - ") + QDir::toNativeSeparators(path));
    return QString::fromLatin1(hash.result().toHex().toUpper());
}
