// The numbered SQL files for phpMyAdmin: the import files' rows as INSERT statements.
#include "output/phpMyAdminScript.h"

#include "output/ImportFile.h"
#include "output/ImportSql.h"
#include "output/phpBBScript.h"
#include "run/BackgroundWork.h"
#include "run/ConversionRun.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <cmath>
#include <cstring>

namespace {

const QString FolderName = QStringLiteral("SQL for phpMyAdmin");
// The phpBB3_config row that tells which file ran last.
const QByteArray MarkerName = "quillbridge_phpmyadmin_file";
// Room kept in every file for the row that marks it as run.
constexpr qint64 EndingRoom = 512;
// Longest statement: servers refuse statements longer than max_allowed_packet, which is
// 1 MB on old MySQL servers (a longer row still goes alone into a statement).
constexpr qint64 StatementCap = 1048576;
// Pieces in which the import files are read and the SQL files written.
constexpr qsizetype ReadBytes = 1 << 20;
constexpr qsizetype WriteBytes = 1 << 20;

QByteArray crLf(const QString &text)
{
    return QString(text).replace(QLatin1Char('\n'), QStringLiteral("\r\n")).toUtf8();
}

// The end of every file but the last: the row that the next file checks for.
QByteArray markerEnding(int number)
{
    return crLf(QStringLiteral("-- This file has run: the next one checks for this row.\n"
                               "REPLACE INTO phpBB3_config (config_name, config_value, is_dynamic) VALUES ('")
                + QString::fromLatin1(MarkerName) + QStringLiteral("', '") + QString::number(number) + QStringLiteral("', 1);\n"));
}

// An integer literal that stores the same digits in a text column as in a number column.
bool plainInteger(const QByteArray &v)
{
    qsizetype i = v.startsWith('-') ? 1 : 0;
    if (i >= v.size() || (v.at(i) == '0' && (v.size() > i + 1 || i == 1)))
        return false;
    for (; i < v.size(); ++i)
        if (v.at(i) < '0' || v.at(i) > '9')
            return false;
    return true;
}

} // namespace

qsizetype ParseImportRow(const char *p, qsizetype n, qsizetype i, ImportRow &row, bool &lineEnded)
{
    // As LOAD DATA reads with these clauses: an enclosed field ends at a '"' followed by
    // ',' or CR LF or the end; '""' inside it is one '"'; any other '"' is kept. An
    // unenclosed field ends at ',' or CR LF. CR LF ends the row.
    const auto lineEnd = [&](qsizetype at) { return at + 1 < n && p[at] == '\r' && p[at + 1] == '\n'; };
    // The row's fields are used again for the next row, so their buffers are not
    // allocated anew for every field.
    qsizetype fields = 0;
    const auto nextField = [&]() -> ImportField & {
        if (fields == row.size())
            row.append(ImportField{});
        ImportField &field = row[fields++];
        field.value.resize(0);
        field.enclosed = false;
        return field;
    };
    lineEnded = false;
    for (;;) {
        ImportField &f = nextField();
        if (i < n && p[i] == '"') {
            f.enclosed = true;
            ++i;
            for (;;) {
                const char *q = static_cast<const char *>(std::memchr(p + i, '"', size_t(n - i)));
                const qsizetype at = q ? q - p : n;
                f.value.append(p + i, at - i);
                i = at;
                if (i >= n)
                    break;
                if (i + 1 < n && p[i + 1] == '"') {
                    f.value.append('"');
                    i += 2;
                } else if (i + 1 == n || p[i + 1] == ',' || lineEnd(i + 1)) {
                    ++i;
                    break;
                } else {
                    f.value.append('"');
                    ++i;
                }
            }
        } else {
            const qsizetype start = i;
            while (i < n && p[i] != ',' && !lineEnd(i))
                ++i;
            f.value.append(p + start, i - start);
        }
        if (i < n && p[i] == ',') {
            ++i;
            if (i < n)
                continue;
            nextField(); // a row that ends with ',' has an empty last field
        }
        row.resize(fields);
        if (lineEnd(i)) {
            i += 2;
            lineEnded = true;
        }
        return i;
    }
}

QVector<ImportRow> ParseImportRows(const QByteArray &data)
{
    QVector<ImportRow> rows;
    ImportRow row;
    bool lineEnded = false;
    for (qsizetype i = 0; i < data.size();) {
        i = ParseImportRow(data.constData(), data.size(), i, row, lineEnded);
        rows.append(row);
    }
    return rows;
}

void AppendImportFieldSql(QByteArray &out, const ImportField &f)
{
    const QByteArray &v = f.value;
    if (!f.enclosed) {
        if (v == "NULL") {
            out += "NULL";
            return;
        }
        if (plainInteger(v)) {
            out += v;
            return;
        }
    }
    if (v.isEmpty()) {
        out += "''";
        return;
    }
    bool plain = true;
    for (char c : v)
        plain &= (uchar(c) >= 0x20 && c != '\\' && c != 0x7F);
    if (!plain) { // the bytes in hexadecimal: no escape, no line break in the file
        out += "_utf8mb4 X'";
        out += v.toHex();
        out += '\'';
        return;
    }
    out += '\'';
    qsizetype from = 0;
    for (qsizetype at; (at = v.indexOf('\'', from)) >= 0; from = at + 1)
        out.append(v.constData() + from, at + 1 - from).append('\'');
    out.append(v.constData() + from, v.size() - from);
    out += '\'';
}

QByteArray ImportFieldSql(const ImportField &field)
{
    QByteArray out;
    AppendImportFieldSql(out, field);
    return out;
}

QString phpMyAdminFileName(int number)
{
    return QStringLiteral("Import %1.sql").arg(number, 3, 10, QLatin1Char('0'));
}

phpMyAdminScript::phpMyAdminScript(const QString &folder, qint64 partBytes, const QString &guardSql)
    : m_folder(folder), m_limit(partBytes), m_guard(guardSql.toUtf8())
{
    openPart();
}

bool phpMyAdminScript::overflows(qint64 more) const
{
    return m_limit > 0 && m_partSize + m_statement.size() + more + EndingRoom > m_limit;
}

void phpMyAdminScript::write(const QByteArray &bytes)
{
    m_part += bytes;
    m_partSize += bytes.size();
    if (m_part.size() >= WriteBytes)
        FlushToFile(m_file, m_path, m_part);
}

void phpMyAdminScript::openPart()
{
    const int number = m_names.size() + 1;
    const QString name = phpMyAdminFileName(number);
    m_path = m_folder + name;
    m_open = true;
    m_partSize = 0;
    const QString order = QStringLiteral("Order: this file runs ")
        + (number == 1 ? QStringLiteral("first and once.") : QStringLiteral("right after ") + phpMyAdminFileName(number - 1) + '.');
    if (number == 1) {
        write(m_guard);
    } else {
        write(crLf(QStringLiteral("-- ") + QString(86, QLatin1Char('-')) + QStringLiteral("\n-- ") + name
                   + QStringLiteral(" of the Discus conversion: run the files of this folder in the order of their\n"
                                    "-- numbers, each once, with phpMyAdmin's Import page or: mariadb <database> < <file>\n-- ")
                   + QString(86, QLatin1Char('-')) + QStringLiteral("\n\n")));
        write(phpBBSessionSql().toUtf8());
    }
    const QString marker = QStringLiteral(" FROM phpBB3_config WHERE config_name = '") + QString::fromLatin1(MarkerName) + '\'';
    write(phpBBGuardCheckSql(
              order,
              number == 1 ? QStringLiteral("SELECT COUNT(*) > 0") + marker
                          : QStringLiteral("SELECT COUNT(*) = 0") + marker + QStringLiteral(" AND config_value = '")
                                + QString::number(number - 1) + '\'',
              number == 1 ? name + QStringLiteral(" has run on this database before: load the files into a fresh phpBB board")
                          : name + QStringLiteral(" must run right after ") + phpMyAdminFileName(number - 1)
                                + QStringLiteral(": run the files in the order of their numbers and each once"))
              .toUtf8());
    m_partRows = 0;
}

void phpMyAdminScript::endStatement()
{
    if (m_statementRows == 0)
        return;
    m_statement += ";\r\n\r\n";
    write(m_statement);
    m_statement.resize(0);
    m_statementRows = 0;
}

void phpMyAdminScript::closePart(const QByteArray &ending)
{
    endStatement();
    write(ending);
    CloseBufferedFile(m_file, m_path, m_part);
    m_open = false;
    m_names << m_path;
    m_sizes << m_partSize;
}

void phpMyAdminScript::addImportFile(const QByteArray &data, const QString &table, const QStringList &targets, bool replace)
{
    QBuffer in;
    in.setData(data);
    in.open(QIODevice::ReadOnly);
    addImportFile(in, table, targets, replace);
}

void phpMyAdminScript::addImportFile(QIODevice &in, const QString &table, const QStringList &targets, bool replace)
{
    QStringList columns;
    QVector<int> kept; // field indexes that go into a column
    for (int i = 0; i < targets.size(); ++i)
        if (!targets.at(i).startsWith(QLatin1Char('@'))) {
            columns << targets.at(i);
            kept << i;
        }
    const QByteArray head = (replace ? QByteArrayLiteral("REPLACE INTO ") : QByteArrayLiteral("INSERT INTO ")) + table.toUtf8()
        + " (" + columns.join(QStringLiteral(", ")).toUtf8() + ") VALUES\r\n";
    // The file is read in pieces; a row is taken only when its line end has been read (or
    // the file has ended), so a row never depends on where a piece ends.
    QByteArray data;
    qsizetype at = 0;
    bool atEnd = false;
    ImportRow row;
    QByteArray tuple;
    const auto readOn = [&] {
        data.remove(0, at);
        at = 0;
        const QByteArray more = in.read(ReadBytes);
        atEnd = more.isEmpty();
        data += more;
    };
    for (;;) {
        if (!atEnd && data.size() - at < ReadBytes)
            readOn();
        if (at >= data.size())
            break;
        bool lineEnded = false;
        const qsizetype next = ParseImportRow(data.constData(), data.size(), at, row, lineEnded);
        if (!lineEnded && !atEnd) { // the row goes on in the next piece (a long row grows it)
            readOn();
            continue;
        }
        at = next;
        if (row.size() != targets.size())
            throw QbError(QbErrNo::InternalError, table + QStringLiteral(": a row of %1 fields for %2 columns")
                                                             .arg(row.size())
                                                             .arg(targets.size()));
        tuple = "(";
        for (int k = 0; k < kept.size(); ++k) {
            if (k > 0)
                tuple += ',';
            AppendImportFieldSql(tuple, row.at(kept.at(k)));
        }
        tuple += ')';
        const qint64 more = tuple.size() + 5; // ",\r\n" or ";\r\n\r\n"
        if (m_statementRows > 0 && (m_statement.size() + more > StatementCap || overflows(more)))
            endStatement();
        if (m_statementRows == 0) {
            if (m_partRows > 0 && overflows(head.size() + more))
                closePart(markerEnding(m_names.size() + 1));
            if (!m_open)
                openPart();
            m_statement = head;
        } else {
            m_statement += ",\r\n";
        }
        m_statement += tuple;
        ++m_statementRows;
        ++m_partRows;
    }
    endStatement();
}

void phpMyAdminScript::finish(const QString &finishingSql)
{
    endStatement();
    const QByteArray ending = finishingSql.toUtf8()
        + crLf(QStringLiteral("-- The row that kept the files in order goes.\nDELETE FROM phpBB3_config WHERE config_name = '")
               + QString::fromLatin1(MarkerName) + QStringLiteral("';\n"));
    if (m_partRows > 0 && overflows(ending.size() - EndingRoom)) {
        closePart(markerEnding(m_names.size() + 1));
        openPart();
    }
    closePart(ending);
}

void phpMyAdminScriptStart(ConversionRun &run)
{
    if (run.stopped() || run.settings.phpBB3OutputFolder.isEmpty())
        return;
    run.Trap(QStringLiteral("phpMyAdminScriptStart()"), [&] {
        const QString folder = run.settings.phpBB3OutputFolder + FolderName + QLatin1Char('/');
        QDir dir(folder);
        if (!dir.mkpath(QStringLiteral(".")))
            throw QbError(QbErrNo::PathNotFound, folder + QStringLiteral(" - the folder cannot be created"));
        for (const QString &old : dir.entryList({QStringLiteral("Import *.sql")}, QDir::Files))
            dir.remove(old);
        const double mb = run.settings.ImportPartMBSize;
        const qint64 limit = std::isfinite(mb) && mb > 0 ? qint64(std::llround(qMin(mb, 1e9) * 1048576.0)) : 0;
        const QString guard = phpBBGuardSql(run.settings.phpBB3DefaultUsers, run.settings.phpBB3DefaultGroups, run.settings.phpBB3Version,
                                            QStringLiteral("Form for phpMyAdmin: run Import 001.sql, Import 002.sql, ... in\n"
                                                           "-- this order, each once, with phpMyAdmin's Import page or: "
                                                           "mariadb <database> < <file>"));
        run.phpMyAdmin = std::make_unique<phpMyAdminScript>(folder, limit, guard);
    });
}

void phpMyAdminAddImportFile(ConversionRun &run, const QString &filePath, const QString &tableName)
{
    if (!run.phpMyAdmin)
        return;
    // The file is complete: it is read back on the run's second thread.
    phpMyAdminScript *script = run.phpMyAdmin.get();
    const QStringList targets = ImportLoadTargets(tableName, run.settings.phpBB3Version);
    const bool replace = ImportReplacesRows(tableName);
    RunInBackground(run, QStringLiteral("phpMyAdminAddImportFile()"), [=] {
        QFile in(filePath);
        if (!in.open(QIODevice::ReadOnly))
            throw QbError(QbErrNo::FileNotFound, filePath + QStringLiteral(" - ") + in.errorString());
        script->addImportFile(in, tableName, targets, replace);
        if (in.error() != QFileDevice::NoError)
            throw QbError(QbErrNo::FileIO, filePath + QStringLiteral(" - ") + in.errorString());
    });
    run.CvDoEvents();
}

void phpMyAdminScriptFinish(ConversionRun &run, const QString &finishingSql)
{
    if (!run.phpMyAdmin)
        return;
    WaitForBackgroundWork(run);
    run.Trap(QStringLiteral("phpMyAdminScriptFinish()"), [&] {
        phpMyAdminScript &s = *run.phpMyAdmin;
        s.finish(finishingSql);
        qint64 largest = 0;
        for (qint64 size : s.fileSizes())
            largest = qMax(largest, size);
        run.DisplayInfo(QStringLiteral("SQL for phpMyAdmin: %1 files, the largest %2 bytes").arg(s.fileSizes().size()).arg(largest)
                            + QStringLiteral("\r\n"),
                        true, true);
        const double mb = run.settings.ImportPartMBSize;
        if (mb > 0 && largest > qint64(std::llround(mb * 1048576.0)))
            run.DisplayInfo(QStringLiteral("A file of SQL for phpMyAdmin is larger than Import Part MB Size: one row or the "
                                           "finishing section does not fit into that size\r\n"),
                            true, true);
    });
    run.phpMyAdmin.reset();
}
