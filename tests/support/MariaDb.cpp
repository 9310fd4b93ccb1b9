#include "tests/support/MariaDb.h"

#include <QDeadlineTimer>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#ifdef Q_OS_UNIX
#include <csignal>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace qbtest {

namespace {

const int kClientTimeoutMs = 20 * 60 * 1000;
const QString kDivider = QStringLiteral("--------------");

QString tail(const QString &text, int lines)
{
    const QStringList all = text.split(QLatin1Char('\n'));
    return all.mid(qMax(0, int(all.size()) - lines)).join(QLatin1Char('\n'));
}

// A field of --batch output: \\, \n, \t and \0 stand for the characters themselves.
QString unescapeField(const QString &field)
{
    if (!field.contains(QLatin1Char('\\')))
        return field;
    QString out;
    out.reserve(field.size());
    for (int i = 0; i < field.size(); ++i) {
        const QChar c = field.at(i);
        if (c != QLatin1Char('\\') || i + 1 >= field.size()) {
            out += c;
            continue;
        }
        const QChar n = field.at(++i);
        if (n == QLatin1Char('n'))
            out += QLatin1Char('\n');
        else if (n == QLatin1Char('t'))
            out += QLatin1Char('\t');
        else if (n == QLatin1Char('0'))
            out += QChar(0);
        else
            out += n;
    }
    return out;
}

bool hasOption(const QStringList &args, const QString &name)
{
    for (const QString &a : args)
        if (a == name || a.startsWith(name + QLatin1Char('=')))
            return true;
    return false;
}

// Runs a program to its end; returns its exit code (-1 when it could not run) and its output.
int runToEnd(const QString &program, const QStringList &args, QString *output, int timeoutMs)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForStarted(10000)) {
        *output = p.errorString();
        return -1;
    }
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(5000);
        *output = QString::fromLocal8Bit(p.readAll()) + QStringLiteral("\n(timed out)");
        return -1;
    }
    *output = QString::fromLocal8Bit(p.readAll());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

bool runningAsRoot()
{
#ifdef Q_OS_UNIX
    return geteuid() == 0;
#else
    return false;
#endif
}

} // namespace

QString SqlResult::describe() const
{
    QString s = QStringLiteral("exit code %1").arg(exitCode);
    if (!errors.isEmpty())
        s += QStringLiteral("; errors:\n  ") + errors.join(QStringLiteral("\n  "));
    else if (exitCode != 0 && !errorOutput.trimmed().isEmpty())
        s += QStringLiteral("; stderr:\n") + tail(errorOutput.trimmed(), 20);
    if (!warnings.isEmpty())
        s += QStringLiteral("\n%1 warning(s), first:\n  ").arg(warnings.size()) +
             warnings.mid(0, 10).join(QStringLiteral("\n  "));
    return s;
}

MariaDb::MariaDb() = default;

MariaDb::~MariaDb()
{
    stop();
}

QString MariaDb::findProgram(const QString &name)
{
    QString path = QStandardPaths::findExecutable(name);
    if (path.isEmpty())
        path = QStandardPaths::findExecutable(name, {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin"),
                                                     QStringLiteral("/sbin"), QStringLiteral("/usr/libexec"),
                                                     QStringLiteral("/usr/local/mysql/bin")});
    return path;
}

bool MariaDb::available(QString *why)
{
    QStringList missing;
    if (findProgram(QStringLiteral("mariadbd")).isEmpty() && findProgram(QStringLiteral("mysqld")).isEmpty())
        missing << QStringLiteral("mariadbd");
    if (findProgram(QStringLiteral("mariadb-install-db")).isEmpty() &&
        findProgram(QStringLiteral("mysql_install_db")).isEmpty())
        missing << QStringLiteral("mariadb-install-db");
    if (findProgram(QStringLiteral("mariadb")).isEmpty() && findProgram(QStringLiteral("mysql")).isEmpty())
        missing << QStringLiteral("mariadb");
    if (why)
        *why = missing.isEmpty() ? QString()
                                 : QStringLiteral("Not installed: %1 (packages mariadb-server and mariadb-client)")
                                       .arg(missing.join(QStringLiteral(", ")));
    return missing.isEmpty();
}

QString MariaDb::folder() const
{
    return m_dir ? m_dir->path() : QString();
}

QString MariaDb::socketPath() const
{
    return m_dir ? m_dir->path() + QStringLiteral("/mysqld.sock") : QString();
}

QString MariaDb::serverLog() const
{
    QFile f(folder() + QStringLiteral("/server.log"));
    return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()) : QString();
}

bool MariaDb::isRunning() const
{
    return m_server && m_server->state() != QProcess::NotRunning;
}

qint64 MariaDb::serverPid() const
{
    return isRunning() ? m_server->processId() : 0;
}

bool MariaDb::start(int timeoutMs)
{
    stop();
    m_lastError.clear();
    QString why;
    if (!available(&why)) {
        m_lastError = why;
        return false;
    }
    auto pick = [](const char *a, const char *b) {
        const QString p = findProgram(QLatin1String(a));
        return p.isEmpty() ? findProgram(QLatin1String(b)) : p;
    };
    const QString serverProgram = pick("mariadbd", "mysqld");
    const QString installProgram = pick("mariadb-install-db", "mysql_install_db");
    m_client = pick("mariadb", "mysql");

    // A socket path must stay short (about 107 bytes), so fall back to /tmp for long temp paths.
    QString base = QDir::tempPath();
    if (base.size() > 60)
        base = QStringLiteral("/tmp");
    m_dir = std::make_unique<QTemporaryDir>(base + QStringLiteral("/qb-mariadb-XXXXXX"));
    if (!m_dir->isValid()) {
        m_lastError = QStringLiteral("Cannot create a temporary folder: ") + m_dir->errorString();
        m_dir.reset();
        return false;
    }
    const QString dir = m_dir->path();
    const QString data = dir + QStringLiteral("/data");
    QStringList user;
    if (runningAsRoot())
        user << QStringLiteral("--user=root");

    QString output;
    const int installCode = runToEnd(installProgram,
                                     QStringList{QStringLiteral("--no-defaults"),
                                                 QStringLiteral("--auth-root-authentication-method=normal"),
                                                 QStringLiteral("--datadir=") + data, QStringLiteral("--skip-test-db"),
                                                 QStringLiteral("--skip-name-resolve")} +
                                         user,
                                     &output, timeoutMs);
    if (installCode != 0) {
        m_lastError = QStringLiteral("%1 failed (exit code %2):\n%3").arg(installProgram).arg(installCode).arg(tail(output, 30));
        return false;
    }

    m_server = std::make_unique<QProcess>();
    m_server->setProcessChannelMode(QProcess::MergedChannels);
    m_server->setStandardOutputFile(dir + QStringLiteral("/server.out"));
#ifdef Q_OS_LINUX
    // The server dies with the test process, even when that crashes.
    m_server->setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
#endif
    m_server->start(serverProgram,
                    QStringList{QStringLiteral("--no-defaults"), QStringLiteral("--datadir=") + data,
                                QStringLiteral("--socket=") + socketPath(), QStringLiteral("--skip-networking"),
                                QStringLiteral("--pid-file=") + dir + QStringLiteral("/mysqld.pid"),
                                QStringLiteral("--log-error=") + dir + QStringLiteral("/server.log"),
                                QStringLiteral("--tmpdir=") + dir, QStringLiteral("--character-set-server=utf8mb4"),
                                QStringLiteral("--collation-server=utf8mb4_general_ci"),
                                QStringLiteral("--innodb-buffer-pool-size=128M"),
                                QStringLiteral("--innodb-flush-log-at-trx-commit=2"), QStringLiteral("--innodb-doublewrite=0"),
                                QStringLiteral("--local-infile=1"),
                                QStringLiteral("--skip-name-resolve")} +
                        user);
    if (!m_server->waitForStarted(10000)) {
        m_lastError = QStringLiteral("Cannot start %1: %2").arg(serverProgram, m_server->errorString());
        m_server.reset();
        return false;
    }
    // Ready when the socket exists and a query goes through.
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (m_server->waitForFinished(100)) {
            m_lastError = QStringLiteral("The server stopped while starting (exit code %1):\n%2")
                              .arg(m_server->exitCode())
                              .arg(tail(serverLog(), 30));
            m_server.reset();
            return false;
        }
        if (QFileInfo::exists(socketPath()) && exec(QString(), QStringLiteral("SELECT 1;")).ok()) {
            m_lastError.clear();
            return true;
        }
    }
    m_lastError = QStringLiteral("The server did not answer within %1 ms:\n%2").arg(timeoutMs).arg(tail(serverLog(), 30));
    stop();
    return false;
}

void MariaDb::stop()
{
    if (m_server) {
        if (m_server->state() != QProcess::NotRunning) {
            m_server->terminate(); // SIGTERM: a clean shutdown
            if (!m_server->waitForFinished(30000)) {
                m_server->kill();
                m_server->waitForFinished(10000);
            }
        }
        m_server.reset();
    }
    m_dir.reset(); // removes the data folder
}

QStringList MariaDb::clientArguments() const
{
    return {QStringLiteral("--no-defaults"), QStringLiteral("--socket=") + socketPath(), QStringLiteral("-uroot")};
}

SqlResult MariaDb::runClient(const QString &db, const QStringList &extraArgs, const QString &inputFile,
                             const QByteArray &input, const QString &workDir, bool collectWarnings, bool collectRows)
{
    SqlResult r;
    if (!isRunning()) {
        r.errors << QStringLiteral("The server is not running");
        m_lastError = r.errors.first();
        return r;
    }
    QStringList args = clientArguments();
    if (!hasOption(extraArgs, QStringLiteral("--default-character-set")))
        args << QStringLiteral("--default-character-set=utf8mb4");
    args << QStringLiteral("--batch");
    if (collectWarnings) {
        // -v echoes each statement between divider lines, so every warning can be tied to it.
        args << QStringLiteral("--show-warnings") << QStringLiteral("-v");
    }
    if (collectRows)
        args << QStringLiteral("--skip-column-names");
    for (const QString &a : extraArgs)
        if (!args.contains(a))
            args << a;
    if (!db.isEmpty())
        args << db;

    QProcess p;
    if (!workDir.isEmpty())
        p.setWorkingDirectory(workDir);
    if (!inputFile.isEmpty())
        p.setStandardInputFile(inputFile);
    p.start(m_client, args);
    if (!p.waitForStarted(10000)) {
        r.errors << QStringLiteral("Cannot run %1: %2").arg(m_client, p.errorString());
        m_lastError = r.errors.first();
        return r;
    }
    if (inputFile.isEmpty()) {
        p.write(input);
        p.closeWriteChannel();
    }
    if (!p.waitForFinished(kClientTimeoutMs)) {
        p.kill();
        p.waitForFinished(5000);
        r.errors << QStringLiteral("The client did not finish in time");
    } else if (p.exitStatus() == QProcess::NormalExit) {
        r.exitCode = p.exitCode();
    }
    r.output = QString::fromUtf8(p.readAllStandardOutput());
    r.errorOutput = QString::fromUtf8(p.readAllStandardError());

    static const QRegularExpression errorLine(QStringLiteral("^ERROR \\d+"));
    for (const QString &line : r.errorOutput.split(QLatin1Char('\n')))
        if (errorLine.match(line).hasMatch())
            r.errors << line.trimmed();
    if (r.exitCode != 0 && r.errors.isEmpty())
        r.errors << (r.errorOutput.trimmed().isEmpty() ? QStringLiteral("exit code %1").arg(r.exitCode)
                                                       : r.errorOutput.trimmed());

    if (collectWarnings) {
        static const QRegularExpression warningLine(QStringLiteral("^(Warning|Note|Error) \\(Code (\\d+)\\): "));
        QString statement;
        QStringList collecting;
        bool inStatement = false;
        for (const QString &line : r.output.split(QLatin1Char('\n'))) {
            if (line == kDivider) {
                if (inStatement)
                    statement = collecting.join(QLatin1Char(' ')).simplified();
                collecting.clear();
                inStatement = !inStatement;
                continue;
            }
            if (inStatement) {
                collecting << line;
                continue;
            }
            const QRegularExpressionMatch m = warningLine.match(line);
            if (m.hasMatch()) {
                r.warnings << line + QStringLiteral(" [in: ") +
                                  (statement.size() > 160 ? statement.left(157) + QStringLiteral("...") : statement) +
                                  QLatin1Char(']');
                r.warningCodes << m.captured(2).toInt();
            }
        }
    }
    if (collectRows && r.ok()) {
        QStringList lines = r.output.split(QLatin1Char('\n'));
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        for (const QString &line : std::as_const(lines)) {
            QStringList fields;
            for (const QString &f : line.split(QLatin1Char('\t')))
                fields << unescapeField(f);
            r.rows << fields;
        }
    }
    if (!r.ok())
        m_lastError = r.describe();
    return r;
}

bool MariaDb::createDatabase(const QString &db, const QString &charset, const QString &collation)
{
    const SqlResult r = exec(QString(), QStringLiteral("CREATE DATABASE `%1` CHARACTER SET %2 COLLATE %3;")
                                            .arg(db, charset, collation));
    return r.ok();
}

SqlResult MariaDb::exec(const QString &db, const QString &sql, const QStringList &extraArgs)
{
    return runClient(db, extraArgs, QString(), sql.toUtf8(), QString(), true, false);
}

SqlResult MariaDb::runFile(const QString &db, const QString &path, const QStringList &extraArgs)
{
    const QFileInfo info(path);
    if (!info.isFile()) {
        SqlResult r;
        r.errors << QStringLiteral("No such file: ") + path;
        m_lastError = r.errors.first();
        return r;
    }
    return runClient(db, extraArgs, info.absoluteFilePath(), QByteArray(), info.absolutePath(), true, false);
}

SqlResult MariaDb::runScript(const QString &db, const QString &path, const QStringList &extraArgs)
{
    QStringList args = extraArgs;
    if (!hasOption(args, QStringLiteral("--local-infile")))
        args.prepend(QStringLiteral("--local-infile=1"));
    return runFile(db, path, args);
}

SqlResult MariaDb::query(const QString &db, const QString &sql)
{
    return runClient(db, {}, QString(), sql.toUtf8(), QString(), false, true);
}

QList<QStringList> MariaDb::rows(const QString &db, const QString &sql)
{
    const SqlResult r = query(db, sql);
    if (!r.ok())
        qWarning().noquote() << "MariaDb query failed:" << sql << "\n" << r.describe();
    return r.rows;
}

QString MariaDb::scalar(const QString &db, const QString &sql)
{
    const QList<QStringList> r = rows(db, sql);
    return r.isEmpty() || r.first().isEmpty() ? QString() : r.first().first();
}

QStringList MariaDb::tables(const QString &db)
{
    QStringList names;
    for (const QStringList &row : rows(db, QStringLiteral("SHOW TABLES;")))
        names << row.value(0);
    names.sort();
    return names;
}

} // namespace qbtest
