// The batch front-end as a user runs it: arguments, exit codes, output streams, and
// --set saved like a field edit.
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {
struct Result {
    int exitCode = -1;
    QString out, err;
};

Result runProgram(const QStringList &args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    p.setProcessEnvironment(env);
    p.start(qEnvironmentVariable("QB_PROGRAM", qbtest::buildDir() + QStringLiteral("/quillbridge")), args);
    Result r;
    if (!p.waitForFinished(600000))
        return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QStringList sampleSets(const QString &out)
{
    return {QStringLiteral("--set"), QStringLiteral("DiscusRootFolder=") + qbtest::sourceDir() + QStringLiteral("/samples/discus"),
            QStringLiteral("--set"), QStringLiteral("phpBB3_OutputFolder=") + out,
            QStringLiteral("--set"), QStringLiteral("DiscusWebsite=http://www.example.org"),
            QStringLiteral("--set"), QStringLiteral("phpBB3ForumAddr=http://forum.example.org/"),
            QStringLiteral("--set"), QStringLiteral("phpBB3_Admin=admin"),
            QStringLiteral("--set"), QStringLiteral("phpBB3_Users=57")};
}
} // namespace

class TestBatchMode : public QObject {
    Q_OBJECT
private slots:
    void badArgumentsExitWith2_data();
    void badArgumentsExitWith2();
    void helpAndVersion();
    void missingInputExitsWith1OnStderr();
    void badCountInTheSettingsFileExitsWith1();
    void convertsTheSampleAndSavesTheSettings();
    void charsetOnTheCommandLineIsUsed();
};

void TestBatchMode::badArgumentsExitWith2_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("unknown option") << QStringList{"--convert", "--frobnicate"};
    QTest::newRow("set without value") << QStringList{"--convert", "--set"};
    QTest::newRow("set without equals") << QStringList{"--convert", "--set", "Charset"};
    QTest::newRow("set without convert") << QStringList{"--set", "Charset=utf-8"};
    QTest::newRow("stray argument") << QStringList{"--convert", "extra"};
    QTest::newRow("unknown key") << QStringList{"--convert", "--set", "phpBB3_User=57"};
    QTest::newRow("letters as users") << QStringList{"--convert", "--set", "phpBB3_Users=abc"};
    QTest::newRow("negative groups") << QStringList{"--convert", "--set", "phpBB3_Groups=-1"};
    QTest::newRow("split size in words") << QStringList{"--convert", "--set", "SplitMBSize=xyz"};
    QTest::newRow("unknown release") << QStringList{"--convert", "--set", "phpBB3Version=4.0"};
}

void TestBatchMode::badArgumentsExitWith2()
{
    QFETCH(QStringList, args);
    QTemporaryDir dir;
    const Result r = runProgram(args + QStringList{"--settings", dir.filePath("qb.ini")});
    QCOMPARE(r.exitCode, 2);
    QVERIFY(!r.err.isEmpty());
    // Nothing was saved.
    QVERIFY(!QFile::exists(dir.filePath("qb.ini")));
    if (args.contains("phpBB3_User=57"))
        QVERIFY2(r.err.contains("did you mean \"phpBB3_Users\""), qPrintable(r.err));
    if (args.contains("phpBB3_Users=abc"))
        QVERIFY2(r.err.contains("\"phpBB3 Default Users\" must be a whole number"), qPrintable(r.err));
}

void TestBatchMode::helpAndVersion()
{
    const Result help = runProgram({"--help"});
    QCOMPARE(help.exitCode, 0);
    QVERIFY(help.out.contains("--convert"));
    QVERIFY(help.out.startsWith("Usage: quillbridge "));
    for (const char *key : {"DiscusRootFolder", "phpBB3_Users", "SplitMBSize", "phpBB3Version", "FindDiscusSpecialCharacters"})
        QVERIFY2(help.out.contains(QLatin1String("  ") + QLatin1String(key) + QLatin1Char(' ')), key);
    QVERIFY(help.out.contains("default: 57 (3.3), 47 (3.2)"));
    QVERIFY(help.out.contains("Exit codes:\n  0  "));
    const Result version = runProgram({"--version"});
    QCOMPARE(version.exitCode, 0);
    QVERIFY(version.out.contains(QStringLiteral(QB_VERSION_TEXT)));
}

void TestBatchMode::missingInputExitsWith1OnStderr()
{
    QTemporaryDir dir;
    QStringList args{"--convert", "--settings", dir.filePath("qb.ini")};
    args += sampleSets(dir.filePath("out"));
    args << "--set" << "DiscusWebsite=";
    const Result r = runProgram(args);
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains("Discus website must be filled in"), qPrintable(r.err));
    // A refused run keeps none of its --set values.
    QVERIFY(!QFile::exists(dir.filePath("qb.ini")));
}

void TestBatchMode::badCountInTheSettingsFileExitsWith1()
{
    QTemporaryDir dir;
    qbtest::writeBytes(dir.filePath("qb.ini"), "[Settings]\r\nphpBB3_Groups=seven\r\n");
    QStringList args{"--convert", "--settings", dir.filePath("qb.ini")};
    args += sampleSets(dir.filePath("out"));
    const Result r = runProgram(args);
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains("\"Default User Groups\" must be a whole number from 1 to"), qPrintable(r.err));
    QVERIFY(!r.err.contains("Conversion Cancelled"));
    QVERIFY(!QFile::exists(dir.filePath("out")));
    QCOMPARE(qbtest::readBytes(dir.filePath("qb.ini")), QByteArray("[Settings]\r\nphpBB3_Groups=seven\r\n"));
}

void TestBatchMode::convertsTheSampleAndSavesTheSettings()
{
    QTemporaryDir dir;
    const QString out = dir.filePath("out");
    QStringList args{"--convert", "--settings", dir.filePath("qb.ini")};
    args += sampleSets(out);
    const Result r = runProgram(args);
    QVERIFY2(r.exitCode == 0, qPrintable(r.err + r.out));
    QVERIFY(r.out.contains("Conversion Start Time: "));
    QVERIFY(r.out.contains("Elapsed Time: "));
    QVERIFY(!r.out.contains('\r'));
    // The message-box text (the final report) goes to stderr.
    QVERIFY(r.err.startsWith("Conversion Complete\n"));
    QVERIFY(r.err.contains("Elapsed Time: "));
    QVERIFY(QFile::exists(out + "/Conversion Report.html"));
    QVERIFY(QFile::exists(out + "/Discus Conversion Import SQL.sql"));
    QVERIFY(QFile::exists(out + "/phpBB3_posts1.txt"));
    // --set was saved like a field edit: the derived folders are in the settings file too.
    const QString ini = qbtest::readText(dir.filePath("qb.ini"));
    QVERIFY(ini.contains("phpBB3_Admin=admin"));
    QVERIFY(ini.contains("DiscusMessageFolder=" + qbtest::sourceDir() + "/samples/discus/discus/messages/"));
}

void TestBatchMode::charsetOnTheCommandLineIsUsed()
{
    // The sample's pages declare utf-8; the user's choice on the command line wins.
    QTemporaryDir dir;
    QStringList args{"--convert", "--settings", dir.filePath("qb.ini")};
    args += sampleSets(dir.filePath("out"));
    args << "--set" << "Charset=iso-8859-1";
    const Result r = runProgram(args);
    QVERIFY2(r.exitCode == 0, qPrintable(r.err + r.out));
    QVERIFY(qbtest::readText(dir.filePath("qb.ini")).contains("Charset=iso-8859-1"));
    // Read as iso-8859-1, the sample's UTF-8 "é" arrives as two characters.
    const QString posts = QString::fromUtf8(qbtest::readBytes(dir.filePath("out/phpBB3_posts1.txt")));
    QVERIFY(posts.contains(QString::fromUtf8("\xC3\x83\xC2\xA9")));
}

QTEST_GUILESS_MAIN(TestBatchMode)
#include "tst_batchmode.moc"
