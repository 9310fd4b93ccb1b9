// The member file, whatever it holds, read into the registries and written as users,
// groups and membership rows.
#include "tests/fuzz/FuzzSupport.h"

#include <QFile>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    qbfuzz::Env &e = qbfuzz::env();
    QFile file(e.settings.UserFile);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(reinterpret_cast<const char *>(data), qint64(size));
    file.close();
    auto run = e.newRun(false);
    DiscusReadUserFile(*run);
    phpBB3WriteGroupsFile(*run);
    phpBB3WriteMemberFile(*run);
    return 0;
}
