#pragma once
#include <QString>
#include <QStringList>
class ConversionRun;
// Appends the load statement of one completed import file to the run's SQL script.
void CreateImportSQL(ConversionRun &run, const QString &filePath, const QString &tableName);
// Writes text to the run's SQL script (UTF-8), appended or replacing the script; throws
// QbError when the script cannot be written.
void WriteImportScript(ConversionRun &run, const QString &text, bool append = true);
// True for the tables whose rows replace rows of the same id (REPLACE INTO).
bool ImportReplacesRows(const QString &tableName);
// What each field of a table's import file is loaded into, in field order: a column
// name, or a user variable ("@skip") for a field the target release has no column for.
QStringList ImportLoadTargets(const QString &tableName, const QString &version);
