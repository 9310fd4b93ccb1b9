#pragma once
// Writing the numbered series of import files: rows go through a buffer into the
// current file, so memory stays the same however large the board.
#include "run/ImportFile.h"

#include <QString>

#include <functional>

class ConversionRun;

// A file written through a buffer (the import files, the SQL for phpMyAdmin): FlushToFile
// moves the buffered bytes into the file, creating it (replacing a file of that name) on
// the first call; CloseBufferedFile writes the rest and closes it. Errors are thrown.
void FlushToFile(std::unique_ptr<QFile> &file, const QString &path, QByteArray &pending);
void CloseBufferedFile(std::unique_ptr<QFile> &file, const QString &path, QByteArray &pending);

// Appends one row (without line end) to the set, starting a new numbered file first when
// splitting is allowed and the row would pass the run's split size.
void WriteFileLine(ConversionRun &run, const QString &line, ImportFile &file, const QString &tableName, bool noSplit = false);
// The same for a row already in UTF-8 (utf8 of a row of `characters` UTF-16 units), so that
// rows made on another thread are encoded there.
void WriteFileLine(ConversionRun &run, const QByteArray &utf8, qsizetype characters, ImportFile &file,
                   const QString &tableName, bool noSplit = false);
// Rows that are made on the spare thread: write() writes them (waiting for their work when
// it is not done), after every row written before this call and before every row written
// after it. It runs once ready() holds and WriteFileLine or WriteDeferredRows finds it so,
// or when WriteDeferredRows must make room; closing a set and the script's own statements
// first write everything waiting.
void DeferRows(ConversionRun &run, std::function<bool()> ready, std::function<void()> write);
// Writes the waiting rows that are ready, in order; then, while more than `waitingSets`
// deferred sets wait, the first of them is written.
void WriteDeferredRows(ConversionRun &run, int waitingSets = 0);
// Completes the set's current file (if it has a stream), appends its load statement when
// the set has a table name, and releases the stream.
void CloseImportFile(ConversionRun &run, ImportFile &file);
// Before the phases: removes the old output files and creates the logs and the
// attachments folder.
void phpBB3OpenOutputFiles(ConversionRun &run);
// At the end of a run: closes every set still open, in the fixed order.
void phpBB3CloseOutputFiles(ConversionRun &run);
