// STUB: replaced by the import output work.
#include "output/ImportFile.h"
#include "convert/ConversionRun.h"
void ImportFile::name(const QString &t, const QString &table) { templ = t; tableName = table; fileNumber = 1; charsWritten = 0; stream.reset(); fileName = QString(templ).replace(QStringLiteral("XXX"), QStringLiteral("1")); }
void WriteFileLine(ConversionRun &, const QString &, ImportFile &, const QString &, bool) {}
void CloseImportFile(ConversionRun &, ImportFile &) {}
void phpBB3OpenOutputFiles(ConversionRun &) {}
void phpBB3CloseOutputFiles(ConversionRun &) {}
