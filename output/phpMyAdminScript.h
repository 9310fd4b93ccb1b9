#pragma once
// The script's form for hosts without LOAD DATA LOCAL INFILE (phpMyAdmin's Import page,
// shared hosting): the folder "SQL for phpMyAdmin" in the output folder with the files
// "Import 001.sql", "Import 002.sql", ..., each at most the part size, run in order with
// any client and no special option. Every file sets up its own session; the first starts
// with the guard, the last ends with the finishing section. The rows are the rows of the
// import files, read back from the files and turned into multi-row INSERT (REPLACE)
// statements that store exactly what the load statements store, under any sql_mode.
// Each file first checks that the file before it has run (a row in phpBB3_config that
// each file sets at its end and the finishing section removes) and stops otherwise.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QVector>
#include <memory>

class ConversionRun;

// One field of an import file as LOAD DATA reads it (FIELDS TERMINATED BY ','
// ENCLOSED BY '"' ESCAPED BY '' LINES TERMINATED BY '\r\n').
struct ImportField {
    QByteArray value;
    bool enclosed = false;
};
using ImportRow = QVector<ImportField>;
// The rows of an import file's bytes.
QVector<ImportRow> ParseImportRows(const QByteArray &data);
// One row of p[0, n) from position i into row; returns the position after it. lineEnded
// tells whether the row ended with its CR LF (else with the data).
qsizetype ParseImportRow(const char *p, qsizetype n, qsizetype i, ImportRow &row, bool &lineEnded);
// A field as an SQL value that stores what LOAD DATA stores, read the same under every
// sql_mode (no backslash, no double quote as string delimiter, no control character).
QByteArray ImportFieldSql(const ImportField &field);
void AppendImportFieldSql(QByteArray &out, const ImportField &field);

// "Import 001.sql" for 1.
QString phpMyAdminFileName(int number);

// The numbered files of one run.
class phpMyAdminScript {
public:
    // folder ends with "/"; partBytes <= 0: one file; guardSql: the first file's start.
    phpMyAdminScript(const QString &folder, qint64 partBytes, const QString &guardSql);

    // The rows of one completed import file of the table; targets as ImportLoadTargets.
    void addImportFile(QIODevice &in, const QString &table, const QStringList &targets, bool replace);
    void addImportFile(const QByteArray &data, const QString &table, const QStringList &targets, bool replace);
    // Ends the last file with the finishing section and writes it.
    void finish(const QString &finishingSql);

    // The files written so far with their sizes in bytes.
    QStringList fileNames() const { return m_names; }
    QVector<qint64> fileSizes() const { return m_sizes; }

private:
    void openPart();
    void closePart(const QByteArray &ending);
    void write(const QByteArray &bytes);
    void endStatement();
    bool overflows(qint64 more) const;

    QString m_folder;
    qint64 m_limit;
    QByteArray m_guard;
    QString m_path;          // the current file
    bool m_open = false;     // a file is begun and not yet closed
    std::unique_ptr<QFile> m_file; // the current file once bytes went to it
    QByteArray m_part;       // the current file's bytes not yet written
    qint64 m_partSize = 0;   // the current file's size so far
    QByteArray m_statement;  // the statement being filled
    int m_partRows = 0;      // rows in the current file
    int m_statementRows = 0;
    QStringList m_names;
    QVector<qint64> m_sizes;
};

// The run's steps: Start after the script's guard (creates the folder, removes old
// files), AddImportFile for every completed import file (after its load statement),
// Finish with the script's finishing section. All three do nothing when the run has no
// phpMyAdmin form (not started).
void phpMyAdminScriptStart(ConversionRun &run);
void phpMyAdminAddImportFile(ConversionRun &run, const QString &filePath, const QString &tableName);
void phpMyAdminScriptFinish(ConversionRun &run, const QString &finishingSql);
