#pragma once
#include <QString>
class ConversionRun;
// Appends the load statement of one completed import file to the run's SQL script.
void CreateImportSQL(ConversionRun &run, const QString &filePath, const QString &tableName);
