#pragma once
// One numbered series of import files (one phpBB3 table, or an internal-link set):
// rows go through a buffer into the current file (output/ImportFile.h writes them).
#include <QByteArray>
#include <QFile>
#include <QString>
#include <memory>

struct ImportFile {
    QString tableName;   // "" when the set's files get no load statement
    QString templ;       // full path with "XXX" where the file number goes
    QString fileName;    // the current file: template with "XXX" -> file number
    qint64 charsWritten = 0;
    qint32 fileNumber = 1;
    qint64 rows = 0;     // rows written to the whole series (for the final report)
    std::unique_ptr<QByteArray> stream; // the current file's bytes not yet written; absent until the first line
    std::unique_ptr<QFile> out;         // the current file, opened with its first written bytes

    bool isOpen() const { return stream != nullptr; }
    // Names the set: template, file number 1, no stream.
    void name(const QString &templatePath, const QString &table);
    // The template with "XXX" -> number.
    QString numbered(qint32 number) const;
};
