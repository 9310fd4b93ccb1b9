// The private MariaDB server used by the end-to-end tests: it starts, loads phpBB's
// tables and a fresh phpBB board, loads row files with LOAD DATA LOCAL INFILE, reports
// every warning and error, and leaves nothing running when it stops.
#include "tests/support/MariaDb.h"
#include "tests/support/TestSupport.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

using qbtest::MariaDb;
using qbtest::SqlResult;

namespace {

// One forums row in the import file format: 49 columns, texts in double quotes, the
// three raw columns (desc_uid, link, password) bare.
QByteArray forumsRow(int id, int parent, const QString &name)
{
    QStringList f;
    f << QString::number(id) << QString::number(parent) << QString::number(id)
      << QString::number(parent == 0 ? id : parent) << QStringLiteral("\"\"") << QLatin1Char('"') + name + QLatin1Char('"')
      << QStringLiteral("\"\"") << QStringLiteral("\"\"") << QStringLiteral("7") << QString() << QString() << QString()
      << QStringLiteral("0");
    f << QStringLiteral("\"\"") << QStringLiteral("\"\"") << QStringLiteral("\"\"") << QStringLiteral("\"\"")
      << QStringLiteral("7") << QStringLiteral("\"\"") << QStringLiteral("0") << QStringLiteral("1") << QStringLiteral("0")
      << QStringLiteral("0") << QStringLiteral("0") << QStringLiteral("\"\"") << QStringLiteral("0")
      << QStringLiteral("\"\"") << QStringLiteral("\"\"") << QStringLiteral("48") << QStringLiteral("0")
      << QStringLiteral("1") << QStringLiteral("1");
    while (f.size() < 49)
        f << (f.size() == 37 ? QStringLiteral("1") : QStringLiteral("0")); // display_subforum_list is column 38
    return f.join(QLatin1Char(',')).toUtf8() + "\r\n";
}

const char *const kLoadForums =
    "LOAD DATA LOCAL INFILE 'phpBB3_forums1.txt' INTO TABLE phpBB3_forums CHARACTER SET utf8mb4\r\n"
    "FIELDS TERMINATED BY ','\r\nENCLOSED BY '\"' ESCAPED BY '' LINES TERMINATED BY '\\r\\n';\r\n";

} // namespace

class TestMariaDbHarness : public QObject {
    Q_OBJECT
    MariaDb db;

private slots:
    void initTestCase();
    void phpbbTablesLoad();
    void freshBoardLoads();
    void loadDataWithoutWarnings();
    void warningsAndErrorsAreReported();
    void rowsKeepTabsAndLineBreaks();
    void stopLeavesNothingRunning();
};

void TestMariaDbHarness::initTestCase()
{
    if (qEnvironmentVariableIntValue("QB_SKIP_MARIADB"))
        QSKIP("QB_SKIP_MARIADB is set");
    QString why;
    QVERIFY2(MariaDb::available(&why), qPrintable(why + QStringLiteral(" - run scripts/setup.sh")));
    QVERIFY2(db.start(), qPrintable(db.lastError()));
    QVERIFY(db.isRunning());
    QVERIFY(QFileInfo::exists(db.socketPath()));
    QCOMPARE(db.scalar(QString(), QStringLiteral("SELECT @@skip_networking")), QStringLiteral("1"));
    QCOMPARE(db.scalar(QString(), QStringLiteral("SELECT @@local_infile")), QStringLiteral("1"));
}

void TestMariaDbHarness::phpbbTablesLoad()
{
    QVERIFY2(db.createDatabase(QStringLiteral("qb")), qPrintable(db.lastError()));
    QCOMPARE(db.scalar(QStringLiteral("qb"), QStringLiteral("SELECT @@character_set_database")), QStringLiteral("utf8mb4"));
    const SqlResult r = db.runFile(QStringLiteral("qb"), qbtest::sharedDir() + QStringLiteral("/phpbb/phpbb3-tables.sql"));
    QVERIFY2(r.ok(), qPrintable(r.describe()));
    QCOMPARE(r.warnings, QStringList());
    QCOMPARE(db.tables(QStringLiteral("qb")),
             (QStringList{QStringLiteral("phpBB3_attachments"), QStringLiteral("phpBB3_forums"),
                          QStringLiteral("phpBB3_groups"), QStringLiteral("phpBB3_posts"),
                          QStringLiteral("phpBB3_topics"), QStringLiteral("phpBB3_users")}));
    QCOMPARE(db.scalar(QStringLiteral("qb"), QStringLiteral("SELECT COUNT(*) FROM information_schema.COLUMNS "
                                                            "WHERE TABLE_SCHEMA='qb' AND TABLE_NAME='phpBB3_forums'")),
             QStringLiteral("49"));
    QCOMPARE(db.scalar(QStringLiteral("qb"), QStringLiteral("SELECT COUNT(*) FROM phpBB3_posts")), QStringLiteral("0"));
}

void TestMariaDbHarness::freshBoardLoads()
{
    QVERIFY(db.createDatabase(QStringLiteral("fresh33")));
    const SqlResult r = db.runFile(QStringLiteral("fresh33"), qbtest::sharedDir() + QStringLiteral("/phpbb/phpbb33-fresh.sql"));
    QVERIFY2(r.ok(), qPrintable(r.describe()));
    QCOMPARE(r.warnings, QStringList());
    QCOMPARE(db.tables(QStringLiteral("fresh33")).size(), 69);
    const QString counts = QStringLiteral(
        "SELECT (SELECT COUNT(*) FROM phpBB3_users), (SELECT MAX(user_id) FROM phpBB3_users), "
        "(SELECT COUNT(*) FROM phpBB3_groups), (SELECT COUNT(*) FROM phpBB3_forums), "
        "(SELECT COUNT(*) FROM phpBB3_topics), (SELECT COUNT(*) FROM phpBB3_posts), "
        "(SELECT COUNT(*) FROM phpBB3_user_group)");
    QCOMPARE(db.rows(QStringLiteral("fresh33"), counts),
             (QList<QStringList>{{QStringLiteral("57"), QStringLiteral("57"), QStringLiteral("7"), QStringLiteral("2"),
                                  QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("59")}}));
    QCOMPARE(db.scalar(QStringLiteral("fresh33"), QStringLiteral("SELECT username FROM phpBB3_users WHERE user_id = 2")),
             QStringLiteral("admin"));
}

void TestMariaDbHarness::loadDataWithoutWarnings()
{
    // The file is named relative to the script: the script runs from its own folder.
    QTemporaryDir dir;
    const QString birds = QString::fromUtf8("Vögel „drüben“ ([) Łódź");
    const QString token = QStringLiteral("Token (\\) and ({) at the end (\\)");
    qbtest::writeBytes(dir.path() + QStringLiteral("/phpBB3_forums1.txt"),
                       forumsRow(1, 0, birds) + forumsRow(2, 1, token));
    qbtest::writeBytes(dir.path() + QStringLiteral("/load.sql"), kLoadForums);
    const SqlResult r = db.runScript(QStringLiteral("qb"), dir.path() + QStringLiteral("/load.sql"));
    QVERIFY2(r.ok(), qPrintable(r.describe()));
    QCOMPARE(r.warnings, QStringList());
    QCOMPARE(db.scalar(QStringLiteral("qb"), QStringLiteral("SELECT COUNT(*) FROM phpBB3_forums")), QStringLiteral("2"));
    QCOMPARE(db.rows(QStringLiteral("qb"), QStringLiteral("SELECT forum_id, forum_name, right_id, forum_flags, "
                                                          "display_subforum_list FROM phpBB3_forums ORDER BY forum_id")),
             (QList<QStringList>{{QStringLiteral("1"), birds, QStringLiteral("1"), QStringLiteral("48"), QStringLiteral("1")},
                                 {QStringLiteral("2"), token, QStringLiteral("1"), QStringLiteral("48"), QStringLiteral("1")}}));

    // Without --local-infile the client refuses the file, and the harness says so.
    const SqlResult refused = db.runFile(QStringLiteral("qb"), dir.path() + QStringLiteral("/load.sql"),
                                         {QStringLiteral("--local-infile=0")});
    QVERIFY(!refused.ok());
    QVERIFY2(!refused.errors.isEmpty(), qPrintable(refused.describe()));
}

void TestMariaDbHarness::warningsAndErrorsAreReported()
{
    QVERIFY(db.createDatabase(QStringLiteral("scratch")));
    QTemporaryDir dir;
    qbtest::writeBytes(dir.path() + QStringLiteral("/short.txt"), "7\r\n8,9\r\n");
    qbtest::writeBytes(dir.path() + QStringLiteral("/w.sql"),
                       "CREATE TABLE w (a INT, b INT NOT NULL, c VARCHAR(3));\n"
                       "INSERT IGNORE INTO w VALUES ('12abc', 1, 'abcdef');\n"
                       "SELECT 1;\n"
                       "LOAD DATA LOCAL INFILE 'short.txt' INTO TABLE w FIELDS TERMINATED BY ',' "
                       "LINES TERMINATED BY '\\r\\n' (a, b);\n");
    const SqlResult r = db.runScript(QStringLiteral("scratch"), dir.path() + QStringLiteral("/w.sql"));
    QVERIFY2(r.ok(), qPrintable(r.describe()));
    // Two truncations of the INSERT, then the missing field of the load's first line.
    QCOMPARE(r.warningCodes, (QList<int>{1265, 1265, 1261}));
    QVERIFY2(r.warnings.at(0).startsWith(QStringLiteral("Warning (Code 1265): Data truncated for column 'a'")),
             qPrintable(r.warnings.at(0)));
    QVERIFY2(r.warnings.at(0).contains(QStringLiteral("[in: INSERT IGNORE INTO w")), qPrintable(r.warnings.at(0)));
    QVERIFY2(r.warnings.at(2).contains(QStringLiteral("[in: LOAD DATA LOCAL INFILE 'short.txt'")), qPrintable(r.warnings.at(2)));
    QCOMPARE(db.scalar(QStringLiteral("scratch"), QStringLiteral("SELECT COUNT(*) FROM w")), QStringLiteral("3"));

    // An error stops the script unless --force is given; both are reported.
    const QString failing = QStringLiteral("SELECT * FROM missing_table;\nINSERT INTO w VALUES (1, 1, 'x');\n");
    const SqlResult stopped = db.exec(QStringLiteral("scratch"), failing);
    QVERIFY(!stopped.ok());
    QCOMPARE(stopped.errors.size(), 1);
    QVERIFY2(stopped.errors.first().startsWith(QStringLiteral("ERROR 1146")), qPrintable(stopped.errors.first()));
    QCOMPARE(db.scalar(QStringLiteral("scratch"), QStringLiteral("SELECT COUNT(*) FROM w")), QStringLiteral("3"));
    const SqlResult forced = db.exec(QStringLiteral("scratch"), failing, {QStringLiteral("--force")});
    QVERIFY(!forced.ok());
    QCOMPARE(db.scalar(QStringLiteral("scratch"), QStringLiteral("SELECT COUNT(*) FROM w")), QStringLiteral("4"));

    QVERIFY(!db.runFile(QStringLiteral("scratch"), dir.path() + QStringLiteral("/no-such.sql")).ok());
    QVERIFY(db.rows(QStringLiteral("scratch"), QStringLiteral("SELECT nonsense FROM")).isEmpty());
    QVERIFY(!db.lastError().isEmpty());
}

void TestMariaDbHarness::rowsKeepTabsAndLineBreaks()
{
    const QList<QStringList> r =
        db.rows(QString(), QStringLiteral("SELECT 'a\\tb', 'line1\\nline2', 'back\\\\slash', NULL, '' UNION ALL "
                                          "SELECT 'é', '„x“', '', 'NULL', 'z'"));
    QCOMPARE(r.size(), 2);
    QCOMPARE(r.at(0), (QStringList{QStringLiteral("a\tb"), QStringLiteral("line1\nline2"), QStringLiteral("back\\slash"),
                                   QStringLiteral("NULL"), QString()}));
    QCOMPARE(r.at(1), (QStringList{QString::fromUtf8("é"), QString::fromUtf8("„x“"), QString(), QStringLiteral("NULL"),
                                   QStringLiteral("z")}));
    QCOMPARE(db.scalar(QString(), QStringLiteral("SELECT 1 FROM DUAL WHERE 1 = 0")), QString());
}

void TestMariaDbHarness::stopLeavesNothingRunning()
{
    const qint64 pid = db.serverPid();
    const QString folder = db.folder();
    QVERIFY(pid > 0);
    QVERIFY(QFileInfo::exists(folder));
    db.stop();
    QVERIFY(!db.isRunning());
    QVERIFY(!QFileInfo::exists(folder));
#ifdef Q_OS_LINUX
    QVERIFY(!QFileInfo::exists(QStringLiteral("/proc/%1").arg(pid)));
#endif
    QVERIFY(!db.exec(QString(), QStringLiteral("SELECT 1;")).ok());
    db.stop(); // a second stop does nothing
}

QTEST_GUILESS_MAIN(TestMariaDbHarness)
#include "tst_mariadbharness.moc"
