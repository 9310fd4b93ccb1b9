#pragma once
// A private MariaDB server for end-to-end tests: a fresh data folder in a temporary
// folder, a server that listens only on a socket there, and the command-line client to
// run SQL against it. The server is stopped (and killed if it must be) when the object
// goes away, and also dies with the test process if that crashes.
//
//   qbtest::MariaDb db;
//   QVERIFY2(db.start(), qPrintable(db.lastError()));
//   QVERIFY(db.createDatabase("qb"));
//   QVERIFY(db.runFile("qb", qbtest::sharedDir() + "/phpbb/phpbb3-tables.sql").ok());
//   const qbtest::SqlResult r = db.runScript("qb", out + "/Discus Conversion Import SQL.sql");
//   QVERIFY2(r.ok(), qPrintable(r.describe()));
//   QCOMPARE(r.warnings, QStringList());
//   QCOMPARE(db.scalar("qb", "SELECT COUNT(*) FROM phpBB3_posts"), QString("50000"));
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class QProcess;
class QTemporaryDir;

namespace qbtest {

// What one run of the client did.
struct SqlResult {
    int exitCode = -1;        // the client's exit code; -1 when it could not be run or timed out
    QString output;           // standard output
    QString errorOutput;      // standard error
    // Every warning and note the server reported (as SHOW WARNINGS lists them), one entry
    // each: "Warning (Code 1366): Incorrect integer value ... [in: <statement>]".
    QStringList warnings;
    QList<int> warningCodes;  // the codes of warnings, in the same order
    QStringList errors;       // "ERROR 1146 (42S02) at line 7: ..." lines of the client
    QList<QStringList> rows;  // result rows of query(): fields unescaped, SQL NULL as "NULL"

    bool ok() const { return exitCode == 0 && errors.isEmpty(); }
    QString describe() const; // exit code, errors and the first warnings, for test messages
};

class MariaDb {
public:
    MariaDb();
    ~MariaDb();
    MariaDb(const MariaDb &) = delete;
    MariaDb &operator=(const MariaDb &) = delete;

    // The full path of a MariaDB program (searched in PATH and the usual sbin folders), or "".
    static QString findProgram(const QString &name);
    // True when the server, the installer and the client are installed; else why not.
    static bool available(QString *why = nullptr);

    // Creates a fresh data folder and starts the server; false (with lastError()) on failure.
    bool start(int timeoutMs = 60000);
    // Shuts the server down (kills it when it does not stop in time). Called by the destructor.
    void stop();
    bool isRunning() const;
    qint64 serverPid() const;
    QString lastError() const { return m_lastError; }
    QString folder() const;     // the temporary folder (data, socket, logs)
    QString socketPath() const;
    QString serverLog() const;  // the server's error log so far

    // Arguments of the client for this server: "--no-defaults --socket=... -uroot ...", for
    // tests that run the client themselves.
    QStringList clientArguments() const;

    bool createDatabase(const QString &db, const QString &charset = QStringLiteral("utf8mb4"),
                        const QString &collation = QStringLiteral("utf8mb4_bin"));
    // Runs statements given as text (db may be empty).
    SqlResult exec(const QString &db, const QString &sql, const QStringList &extraArgs = {});
    // Runs a file of statements, fed on standard input, from the file's own folder.
    // Warnings are collected after every statement.
    SqlResult runFile(const QString &db, const QString &path, const QStringList &extraArgs = {});
    // Runs a script as an administrator would: `mariadb --local-infile=1 db < script` from
    // the script's folder (relative file names in LOAD DATA resolve there).
    SqlResult runScript(const QString &db, const QString &path,
                        const QStringList &extraArgs = {QStringLiteral("--local-infile=1"),
                                                        QStringLiteral("--show-warnings")});
    // One query's rows (--batch --skip-column-names).
    SqlResult query(const QString &db, const QString &sql);
    QList<QStringList> rows(const QString &db, const QString &sql);
    // The first field of the first row, "" when there is none (failures go to lastError()).
    QString scalar(const QString &db, const QString &sql);
    QStringList tables(const QString &db);

private:
    SqlResult runClient(const QString &db, const QStringList &extraArgs, const QString &inputFile,
                        const QByteArray &input, const QString &workDir, bool collectWarnings, bool collectRows);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QProcess> m_server;
    QString m_lastError;
    QString m_client;
};

} // namespace qbtest
