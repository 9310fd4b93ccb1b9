// The window's start-up from any settings file: every key read and shown in its field,
// then the checks of the count and address fields. The folder handlers are left out:
// they would create the folders a fuzzed file names.
#include "tests/fuzz/FuzzSupport.h"

#include "convert/ConvertController.h"

#include <QFile>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    qbfuzz::Env &e = qbfuzz::env();
    const QString path = e.dir.filePath(QStringLiteral("settings.ini"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(reinterpret_cast<const char *>(data), qint64(size));
    file.close();
    qbtest::RecorderView view;
    ConvertController controller(view, path, e.dir.path() + QLatin1Char('/'));
    controller.FormLoad();
    controller.txtSplitMBSize_LostFocus();
    controller.txtDefaultUsers_LostFocus();
    controller.txtDefaultGroups_LostFocus();
    controller.txtDefaultAdmin_LostFocus();
    controller.txtDiscusWebsite_LostFocus();
    controller.txtphpBB3ForumAddr_LostFocus();
    return 0;
}
