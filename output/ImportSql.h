#pragma once
#include <QString>
class ConversionRun;
// Appends the load statement of one completed import file to the run's SQL script.
void CreateImportSQL(ConversionRun &run, const QString &filePath, const QString &tableName);
// Writes text to the run's SQL script (UTF-8), appended or replacing the script; throws
// QbError when the script cannot be written.
void WriteImportScript(ConversionRun &run, const QString &text, bool append = true);
