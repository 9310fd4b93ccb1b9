// The settings-file parser on any file: reading a key (which stores its default when the
// key is missing) and writing one never fail badly.
#include "tests/fuzz/FuzzSupport.h"

#include "routines/kkIniFile.h"

#include <QFile>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    qbfuzz::Env &e = qbfuzz::env();
    const QString path = e.dir.filePath(QStringLiteral("fuzz.ini"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(reinterpret_cast<const char *>(data), qint64(size));
    file.close();
    kkIniFile::getString(QStringLiteral("Settings"), QStringLiteral("phpBB3_Users"), QStringLiteral("47"), path);
    kkIniFile::getString(QStringLiteral("Settings"), QStringLiteral("DiscusWebSite"), QString(), path);
    kkIniFile::writeString(QStringLiteral("Settings"), QStringLiteral("Charset"), QStringLiteral("utf-8"), path);
    const QString value = kkIniFile::getString(QStringLiteral("Settings"), QStringLiteral("Charset"), QStringLiteral("x"), path);
    qbfuzz::require(value == QLatin1String("utf-8"), "a written key did not read back");
    return 0;
}
