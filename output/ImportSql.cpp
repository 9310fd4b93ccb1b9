// The load statements of the SQL script: one LOAD DATA LOCAL INFILE statement for every
// completed import file, appended in the order the files are completed.
#include "output/ImportSql.h"

#include "output/ImportFile.h"
#include "output/ImportRows.h"
#include "output/phpBBScript.h"
#include "output/phpMyAdminScript.h"
#include "run/ConversionRun.h"

#include <QFile>

namespace {

const QString CrLf = QStringLiteral("\r\n");

// The path as a MySQL string body: backslashes and single quotes doubled.
QString sqlStringBody(const QString &text)
{
    QString body = text;
    body.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    body.replace(QLatin1Char('\''), QStringLiteral("''"));
    return body;
}

// The statement for one file, with its CR LF line ends and the two empty lines after it.
// The files are UTF-8 and written without escapes, as the statement declares.
QString loadStatement(const QString &filePath, const QString &tableName, const QString &version)
{
    QString sql = QStringLiteral("LOAD DATA LOCAL INFILE '") + sqlStringBody(filePath) + QStringLiteral("' ")
        + (ImportReplacesRows(tableName) ? QStringLiteral("REPLACE ") : QString()) + QStringLiteral("INTO TABLE ")
        + tableName + QStringLiteral(" CHARACTER SET utf8mb4") + CrLf + QStringLiteral("FIELDS TERMINATED BY ','")
        + CrLf + QStringLiteral("ENCLOSED BY '\"' ESCAPED BY ''LINES TERMINATED BY '\\r\\n'");
    const QStringList columns = ImportLoadTargets(tableName, version);
    if (!columns.isEmpty())
        sql += CrLf + QLatin1Char('(') + columns.join(QLatin1Char(',')) + QLatin1Char(')');
    sql += QLatin1Char(';') + CrLf + CrLf + CrLf;
    return sql;
}

} // namespace

bool ImportReplacesRows(const QString &tableName)
{
    return tableName == QLatin1String("phpBB3_forums") || tableName == QLatin1String("phpBB3_topics")
        || tableName == QLatin1String("phpBB3_posts");
}

QStringList ImportLoadTargets(const QString &tableName, const QString &version)
{
    QStringList columns = ImportColumns(tableName);
    // phpBB 3.3 has no user_email_hash: the field goes to a user variable and is dropped.
    if (tableName == QLatin1String("phpBB3_users") && phpBBTargetVersion(version) == QLatin1String("3.3")) {
        const int hash = columns.indexOf(QStringLiteral("user_email_hash"));
        if (hash >= 0)
            columns[hash] = QStringLiteral("@skip");
    }
    return columns;
}

void CreateImportSQL(ConversionRun &run, const QString &filePath, const QString &tableName)
{
    run.Trap(QStringLiteral("CreateImportSQL()"), [&] {
        WriteImportScript(run, loadStatement(filePath, tableName, run.settings.phpBB3Version));
    });
    phpMyAdminAddImportFile(run, filePath, tableName);
    run.CvDoEvents();
}

void WriteImportScript(ConversionRun &run, const QString &text, bool append)
{
    WriteDeferredRows(run); // the load statements of the rows written before come first
    QFile script(run.settings.ImportScriptFile);
    if (!script.open(QIODevice::WriteOnly | (append ? QIODevice::Append : QIODevice::Truncate)))
        throw QbError(QbErrNo::PathFileAccess, run.settings.ImportScriptFile + QStringLiteral(" - ") + script.errorString());
    const QByteArray bytes = text.toUtf8();
    if (script.write(bytes) != bytes.size() || !script.flush())
        throw QbError(QbErrNo::FileIO, run.settings.ImportScriptFile + QStringLiteral(" - ") + script.errorString());
    script.close();
    if (script.error() != QFileDevice::NoError)
        throw QbError(QbErrNo::FileIO, run.settings.ImportScriptFile + QStringLiteral(" - ") + script.errorString());
}
