// The numbered import file series: rows are encoded as UTF-8 into a buffer that goes to
// the current file whenever it is full; a file is completed at a split or when its set
// is closed.
#include "output/ImportFile.h"

#include "output/ImportSql.h"
#include "run/ConversionRun.h"

#include <QDir>
#include <QFile>

#include <limits>

namespace {

const QString CrLf = QStringLiteral("\r\n");

// Bytes kept before they go to the file: large writes, little memory.
constexpr qsizetype FlushBytes = 1 << 20;

// Deletes the files of the folder that match the pattern; a missing file is normal.
void removeMatching(const QString &folder, const QString &pattern)
{
    QDir dir(folder);
    const QStringList names = dir.entryList({pattern}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names)
        dir.remove(name);
}

} // namespace

void FlushToFile(std::unique_ptr<QFile> &file, const QString &path, QByteArray &pending)
{
    if (!file) {
        file = std::make_unique<QFile>(path);
        if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            const QString why = file->errorString();
            file.reset();
            throw QbError(QbErrNo::PathFileAccess, path + QStringLiteral(" - ") + why);
        }
    }
    if (file->write(pending) != pending.size())
        throw QbError(QbErrNo::FileIO, path + QStringLiteral(" - ") + file->errorString());
    pending.resize(0);
}

void CloseBufferedFile(std::unique_ptr<QFile> &file, const QString &path, QByteArray &pending)
{
    FlushToFile(file, path, pending);
    const std::unique_ptr<QFile> done = std::move(file);
    if (!done->flush())
        throw QbError(QbErrNo::FileIO, path + QStringLiteral(" - ") + done->errorString());
    done->close();
}

void WriteFileLine(ConversionRun &run, const QString &line, ImportFile &file, const QString &tableName, bool noSplit)
{
    WriteFileLine(run, line.toUtf8(), line.size(), file, tableName, noSplit);
}

void DeferRows(ConversionRun &run, std::function<bool()> ready, std::function<void()> write)
{
    run.deferredRows.push_back({std::move(ready), std::move(write)});
    ++run.deferredSets;
}

void WriteDeferredRows(ConversionRun &run, int waitingSets)
{
    if (run.writingDeferredRows)
        return;
    run.writingDeferredRows = true;
    struct Done {
        ConversionRun &run;
        ~Done() { run.writingDeferredRows = false; }
    } done{run};
    while (!run.deferredRows.empty()) {
        ConversionRun::DeferredRows &first = run.deferredRows.front();
        if (first.ready && !first.ready() && run.deferredSets <= waitingSets)
            break;
        const ConversionRun::DeferredRows rows = std::move(first);
        run.deferredRows.pop_front();
        if (rows.ready)
            --run.deferredSets;
        rows.write();
    }
}

void WriteFileLine(ConversionRun &run, const QByteArray &utf8, qsizetype characters, ImportFile &file,
                   const QString &tableName, bool noSplit)
{
    if (!run.deferredRows.empty() && !run.writingDeferredRows) {
        WriteDeferredRows(run, std::numeric_limits<int>::max());
        if (!run.deferredRows.empty()) {
            run.deferredRows.push_back({{}, [&run, utf8, characters, &file, tableName, noSplit] {
                                            WriteFileLine(run, utf8, characters, file, tableName, noSplit);
                                        }});
            return;
        }
    }
    run.Trap(QStringLiteral("WriteFileLine()"), [&] {
        if (!file.stream)
            file.stream = std::make_unique<QByteArray>();
        const qint64 splitSize = run.settings.SplitSize;
        if (!noSplit && splitSize > 0 && file.charsWritten + characters > splitSize) {
            // The current file is complete (even when it holds no line yet): save it,
            // give it its load statement and go on with the next number.
            CloseBufferedFile(file.out, file.fileName, *file.stream);
            if (!tableName.isEmpty())
                CreateImportSQL(run, file.fileName, tableName);
            file.charsWritten = 0;
            ++file.fileNumber;
            file.fileName = file.numbered(file.fileNumber);
        }
        file.stream->append(utf8);
        file.stream->append("\r\n", 2);
        if (file.stream->size() >= FlushBytes)
            FlushToFile(file.out, file.fileName, *file.stream);
        file.charsWritten += characters + 2;
        ++file.rows;
    });
    run.CvDoEvents();
}

void CloseImportFile(ConversionRun &run, ImportFile &file)
{
    WriteDeferredRows(run);
    if (!file.stream)
        return;
    CloseBufferedFile(file.out, file.fileName, *file.stream);
    if (!file.tableName.isEmpty())
        CreateImportSQL(run, file.fileName, file.tableName);
    file.stream.reset();
}

void phpBB3OpenOutputFiles(ConversionRun &run)
{
    if (run.stopped())
        return;
    run.DisplayInfo(QStringLiteral("Cleaning up Output Folders - Please Wait...") + CrLf, true, true);

    // Old output of an earlier run; failures are ignored (most files do not exist).
    const QString out = run.settings.phpBB3OutputFolder;
    if (!out.isEmpty()) {
        QFile::remove(run.settings.ImportScriptFile);
        QFile::remove(out + QStringLiteral("Log.txt"));
        QFile::remove(out + QStringLiteral("LogError.txt"));
        for (const char *table : {"phpBB3_topics", "phpBB3_unknown", "phpBB3_users", "phpBB3_posts", "phpBB3_forums",
                                  "phpBB3_attachments", "phpBB3_groups", "phpBB3_user_group"})
            removeMatching(out, QLatin1String(table) + QStringLiteral("*.txt"));
        removeMatching(out, QStringLiteral("InternalLinks*.txt"));
        QFile::remove(out + QStringLiteral("Discus Special Characters.txt"));
    }
    run.CvDoEvents();

    run.Trap(QStringLiteral("phpBB3OpenOutputFiles()"), [&] {
        run.host.openLogs();
        if (run.settings.CreateAttachments) {
            const QString folder = run.settings.phpBB3AttachmentsFolder;
            if (folder.trimmed().isEmpty())
                throw QbError(QbErrNo::PathNotFound, QStringLiteral("No attachments folder is set"));
            // Old attachments go; a folder that holds the output folder itself is never emptied.
            const QString attachPath = QDir::cleanPath(QDir(folder).absolutePath());
            const QString outPath = QDir::cleanPath(QDir(out).absolutePath());
            if (!QDir(attachPath).isRoot() && attachPath != outPath && !outPath.startsWith(attachPath + QLatin1Char('/')))
                QDir(attachPath).removeRecursively();
            run.gen().CreateFolders(run.gen().FixPath(folder));
            if (!QDir(folder).exists())
                throw QbError(QbErrNo::PathNotFound, folder + QStringLiteral(" - the attachments folder cannot be created"));
        }
    });
    run.CvDoEvents();
}

void phpBB3CloseOutputFiles(ConversionRun &run)
{
    // Each set is closed on its own: a set that cannot be saved is reported and the
    // others are still saved. The board phase normally closes the forums set itself; it
    // is in the list so that its rows are not lost when that phase ended on an error.
    WriteDeferredRows(run);
    for (ImportFile *set : {&run.topics, &run.unknown, &run.posts, &run.users, &run.attachments, &run.groups,
                            &run.userGroup, &run.forums, &run.internalLinks, &run.internalLinksUpdate}) {
        if (set->isOpen())
            run.Trap(QStringLiteral("phpBB3CloseOutputFiles()"), [&] { CloseImportFile(run, *set); });
    }
}
