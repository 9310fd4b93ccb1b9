// The board walk from any main board file: categories, boards and their topic pages
// read from a copy of the sample's message folders, whatever the main file names.
#include "tests/fuzz/FuzzSupport.h"

#include "boards/modBoards.h"

#include <QDirIterator>
#include <QFile>

namespace {

// The sample's public and private message folders, copied once into the environment.
void copySampleBoards(const qbfuzz::Env &e)
{
    const QString sample = qbtest::sourceDir() + QStringLiteral("/samples/discus/");
    const QString pairs[][2] = {{sample + QStringLiteral("discus/messages"), e.messages},
                                {sample + QStringLiteral("discus_admin_1234567890/secure"), e.settings.DiscusSecureMessageFolder}};
    for (const auto &pair : pairs) {
        QDirIterator it(pair[0], QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString from = it.next();
            const QString to = pair[1] + QLatin1Char('/') + from.mid(pair[0].size() + 1);
            QDir().mkpath(QFileInfo(to).path());
            QFile::copy(from, to);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    qbfuzz::Env &e = qbfuzz::env();
    static const bool copied = (copySampleBoards(e), true);
    (void)copied;
    QFile file(e.messages + QStringLiteral("board-topics.html"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(reinterpret_cast<const char *>(data), qint64(size));
    file.close();
    auto run = e.newRun();
    DiscusProcessDiscusMainBoardFile(*run);
    return 0;
}
