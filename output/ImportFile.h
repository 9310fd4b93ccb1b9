#pragma once
// One numbered series of import files (one phpBB3 table, or an internal-link set):
// rows go through a buffer into the current file, so memory stays the same however
// large the board.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <memory>

class ConversionRun;

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
};

// Appends one row (without line end) to the set, starting a new numbered file first when
// splitting is allowed and the row would pass the run's split size.
void WriteFileLine(ConversionRun &run, const QString &line, ImportFile &file, const QString &tableName, bool noSplit = false);
// Completes the set's current file (if it has a stream), appends its load statement when
// the set has a table name, and releases the stream.
void CloseImportFile(ConversionRun &run, ImportFile &file);
// Before the phases: removes the old output files and creates the logs and the
// attachments folder.
void phpBB3OpenOutputFiles(ConversionRun &run);
// At the end of a run: closes every set still open, in the fixed order.
void phpBB3CloseOutputFiles(ConversionRun &run);
