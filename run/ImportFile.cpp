#include "run/ImportFile.h"

void ImportFile::name(const QString &templatePath, const QString &table)
{
    templ = templatePath;
    tableName = table;
    fileNumber = 1;
    charsWritten = 0;
    stream.reset();
    out.reset();
    fileName = numbered(fileNumber);
}

QString ImportFile::numbered(qint32 number) const
{
    return QString(templ).replace(QStringLiteral("XXX"), QString::number(number));
}
