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
}

void TestBatchMode::badArgumentsExitWith2()
{
    QFETCH(QStringList, args);
    QTemporaryDir dir;
    const Result r = runProgram(args + QStringList{"--settings", dir.filePath("qb.ini")});
    QCOMPARE(r.exitCode, 2);
    QVERIFY(!r.err.isEmpty());
}

void TestBatchMode::helpAndVersion()
{
    const Result help = runProgram({"--help"});
    QCOMPARE(help.exitCode, 0);
    QVERIFY(help.out.contains("--convert"));
    QVERIFY(help.out.contains("--set"));
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
    QVERIFY(r.err.contains("Elapsed Time: "));
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
