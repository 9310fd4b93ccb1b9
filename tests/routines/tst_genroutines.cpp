// clsCvGenRtns: paths and folders, timing, the error log, running a command, the folder
// picker and event processing (window-less; dialogs answered through kkDialogs' hooks).
#include "routines/clsCvGenRtns.h"
#include "routines/kkDialogs.h"
#include "tests/support/TestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <thread>

using qbtest::readBytes;
using qbtest::writeBytes;

class TestGenRoutines : public QObject {
    Q_OBJECT
private slots:
    void init() { kkDialogs::clearHooks(); }
    void cleanup() { kkDialogs::clearHooks(); }

    void fixPath_data();
    void fixPath();
    void fileExists_data();
    void fileExists();
    void createFolders();
    void elapsedTime_data();
    void elapsedTime();
    void startTimeReadsBack();
    void errorLog();
    void browseFolder();
    void shellAndWait();
    void messageHooks();
    void doEventsRunsQueuedWork();
};

void TestGenRoutines::fixPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("expected");
    QTest::newRow("appends slash") << "/home/a" << "/home/a/";
    QTest::newRow("blanks and slash") << "  /home/a/  " << "/home/a/";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("blanks only") << "   " << "";
    QTest::newRow("root") << "/" << "/";
    QTest::newRow("relative") << "out" << "out/";
}

void TestGenRoutines::fixPath()
{
    QFETCH(QString, path);
    QFETCH(QString, expected);
    QCOMPARE(clsCvGenRtns().FixPath(path), expected);
}

void TestGenRoutines::fileExists_data()
{
    QTest::addColumn<QString>("relative"); // below the test folder; "-" for the empty path
    QTest::addColumn<bool>("expected");
    QTest::newRow("file") << "file.txt" << true;
    QTest::newRow("missing file") << "missing.txt" << false;
    QTest::newRow("file with slash") << "file.txt/" << false;
    QTest::newRow("folder without slash") << "full" << true;
    QTest::newRow("folder with slash holding a file") << "full/" << true;
    QTest::newRow("empty folder without slash") << "empty" << true;
    QTest::newRow("empty folder with slash") << "empty/" << false;
    QTest::newRow("folder holding only a hidden file") << "hidden/" << true;
    QTest::newRow("folder holding only a folder") << "nest/" << true;
    QTest::newRow("pattern matches") << "*.txt" << true;
    QTest::newRow("pattern misses") << "*.dat" << false;
    QTest::newRow("pattern in sub folder") << "full/*.dat" << true;
    QTest::newRow("star dot star") << "full/*.*" << true;
    QTest::newRow("star in empty folder") << "empty/*" << false;
    QTest::newRow("question mark") << "fi?e.txt" << true;
    QTest::newRow("question mark is one character") << "fi??e.txt" << false;
    QTest::newRow("brackets are literal") << "[x]*" << true;
    QTest::newRow("brackets are no class") << "[y]*" << false;
    QTest::newRow("dot") << "empty/." << false;
    QTest::newRow("dot dot") << "empty/.." << false;
    QTest::newRow("empty path") << "-" << false;
}

void TestGenRoutines::fileExists()
{
    QFETCH(QString, relative);
    QFETCH(bool, expected);
    QTemporaryDir dir;
    writeBytes(dir.filePath("file.txt"), "x");
    writeBytes(dir.filePath("[x].txt"), "x");
    writeBytes(dir.filePath("full/inner.dat"), "x");
    writeBytes(dir.filePath("hidden/.secret"), "x");
    QVERIFY(QDir(dir.path()).mkpath("empty"));
    QVERIFY(QDir(dir.path()).mkpath("nest/inner"));
    const QString path = relative == "-" ? QString() : dir.path() + '/' + relative;
    QCOMPARE(clsCvGenRtns().FileExists(path), expected);
}

void TestGenRoutines::createFolders()
{
    QTemporaryDir dir;
    clsCvGenRtns gen;
    const QString deep = dir.path() + "/out/a/b";
    QCOMPARE(gen.CreateFolders(deep), QString());
    QVERIFY(QFileInfo(deep).isDir());
    writeBytes(deep + "/keep.txt", "keep");
    QCOMPARE(gen.CreateFolders(deep + '/'), QString()); // again: nothing changes
    QCOMPARE(readBytes(deep + "/keep.txt"), QByteArray("keep"));

    // Blank and empty parts are passed over.
    QCOMPARE(gen.CreateFolders(dir.path() + "/c/ //d"), QString());
    QVERIFY(QFileInfo(dir.path() + "/c/d").isDir());
    // A leading "//" keeps working.
    QCOMPARE(gen.CreateFolders('/' + dir.path() + "/unc/e"), QString());
    QVERIFY(QFileInfo(dir.path() + "/unc/e").isDir());
    // A part that cannot be a folder is skipped quietly.
    writeBytes(dir.filePath("plain"), "x");
    QCOMPARE(gen.CreateFolders(dir.path() + "/plain/x/y"), QString());
    QVERIFY(!QFileInfo::exists(dir.path() + "/plain/x"));

    // Relative paths start in the current folder.
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    gen.CreateFolders("rel/f");
    QDir::setCurrent(previous);
    QVERIFY(QFileInfo(dir.path() + "/rel/f").isDir());
}

void TestGenRoutines::elapsedTime_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("stop");
    QTest::addColumn<QString>("expected");
    QTest::newRow("3725 seconds") << "2024-03-01 10:00:00" << "2024-03-01 11:02:05" << "01:02:05";
    QTest::newRow("past a day") << "2024-03-01 00:00:00" << "2024-03-02 03:03:05" << "27:03:05";
    QTest::newRow("over midnight") << "2024-03-01 23:59:59" << "2024-03-02 00:00:01" << "00:00:02";
    QTest::newRow("same") << "2024-03-01 10:00:00" << "2024-03-01 10:00:00" << "00:00:00";
    QTest::newRow("blanks around") << " 2024-03-01 10:00:00 " << "2024-03-01 10:00:09 " << "00:00:09";
    QTest::newRow("clock set back") << "2024-03-01 10:00:10" << "2024-03-01 10:00:00" << "-00:00:10";
    QTest::newRow("unreadable start") << "yesterday" << "2024-03-01 10:00:00" << "00:00:00";
    QTest::newRow("empty stop") << "2024-03-01 10:00:00" << "" << "00:00:00";
}

void TestGenRoutines::elapsedTime()
{
    QFETCH(QString, start);
    QFETCH(QString, stop);
    QFETCH(QString, expected);
    QCOMPARE(clsCvGenRtns().GetElapsedTime(start, stop), expected);
}

void TestGenRoutines::startTimeReadsBack()
{
    clsCvGenRtns gen;
    const QString now = gen.StartTime();
    QCOMPARE(now, now.trimmed());
    // Read back: far from a fixed point in the past, and zero from itself.
    const QString since2000 = gen.GetElapsedTime("2000-01-01 00:00:00", now);
    QVERIFY2(since2000.section(':', 0, 0).toLongLong() > 200000, qPrintable(since2000));
    QCOMPARE(gen.GetElapsedTime(now, now), QString("00:00:00"));
    const QString stop = gen.GetElapsedTime("2000-01-01 00:00:00", gen.StopTime());
    QVERIFY2(stop.section(':', 0, 0).toLongLong() > 200000, qPrintable(stop));
}

void TestGenRoutines::errorLog()
{
    QTemporaryDir dir;
    const QString log = dir.path() + "/logs/errors.log";
    // A fresh thread: the log is off until InitErrorLog.
    std::thread([&] { clsCvGenRtns().WriteErrorLog("never"); }).join();
    QVERIFY(!QFile::exists(log));
    QVERIFY(!QFileInfo::exists(dir.path() + "/logs"));

    clsCvGenRtns gen;
    gen.InitErrorLog(log);
    gen.WriteErrorLog("53 - DiscusReadUserFile()\r\n\r\nFile not found");
    clsCvGenRtns().WriteErrorLog(QString::fromUtf8("second Zo\u00eb")); // another instance, same switch
    const QString text = QString::fromUtf8(readBytes(log));
    const QRegularExpression line(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d - )");
    const QStringList entries = text.split("\r\n");
    QCOMPARE(entries.size(), 5); // two entries, the first holding two line breaks, then ""
    QVERIFY(line.match(entries[0]).hasMatch());
    QVERIFY(entries[0].endsWith(" - 53 - DiscusReadUserFile()"));
    QCOMPARE(entries[1], QString());
    QCOMPARE(entries[2], QString("File not found"));
    QVERIFY(line.match(entries[3]).hasMatch());
    QVERIFY(entries[3].endsWith(QString::fromUtf8(" - second Zo\u00eb")));
    QCOMPARE(entries[4], QString());

    // Other threads keep their own switch.
    std::thread([&] { clsCvGenRtns().WriteErrorLog("other thread"); }).join();
    gen.InitErrorLog(QString()); // off again
    gen.WriteErrorLog("after off");
    QCOMPARE(QString::fromUtf8(readBytes(log)), text);
}

void TestGenRoutines::browseFolder()
{
    clsCvGenRtns gen;
    kkDialogs::setNextFolder(QString());
    kkDialogs::setNextFolder("/data/discus");
    QCOMPARE(gen.BrowseFolder("  /home  ", nullptr), QString()); // cancelled
    QCOMPARE(gen.BrowseFolder("/home", nullptr), QString("/data/discus"));
    // No hook and no window system: counts as cancelled instead of waiting.
    QCOMPARE(gen.BrowseFolder("/home", nullptr), QString());
}

void TestGenRoutines::shellAndWait()
{
    QTemporaryDir dir;
    clsCvGenRtns gen;
    kkDialogs::setDefaultAnswer(kkDialogs::Ok);

    gen.ShellAndWait("true", 0);
    QVERIFY(kkDialogs::shown().isEmpty());

    // Returns only when the command has finished.
    const QString done = dir.filePath("done.txt");
    gen.ShellAndWait(QString("sh -c \"sleep 0.3; echo finished > '%1'\"").arg(done), 0);
    QCOMPARE(readBytes(done), QByteArray("finished\n"));
    QVERIFY(kkDialogs::shown().isEmpty());

    const QString command = "qb-no-such-program-here --flag";
    gen.ShellAndWait(command, 1);
    const QList<kkDialogs::Shown> shown = kkDialogs::shown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].title, QString("Error"));
    QCOMPARE(shown[0].icon, int(kkDialogs::Warning));
    QVERIFY(shown[0].text.startsWith("Error starting task " + command + "\r\n"));
    QVERIFY(shown[0].text.size() > QString("Error starting task " + command + "\r\n").size());
}

void TestGenRoutines::messageHooks()
{
    QCoreApplication::setApplicationName("QbHookTest");
    kkDialogs::setNextAnswer(5);
    kkDialogs::setNextAnswer(7);
    QCOMPARE(kkDialogs::message(nullptr, "one"), 5);
    QCOMPARE(kkDialogs::message(nullptr, "two", "Title", kkDialogs::Critical), 7);
    QCOMPARE(kkDialogs::shownMessages(), QStringList({"one", "two"}));
    QCOMPARE(kkDialogs::shown()[0].title, QString("QbHookTest")); // default title: the program's name
    QCOMPARE(kkDialogs::shown()[1].title, QString("Title"));
    QCOMPARE(kkDialogs::shown()[1].icon, int(kkDialogs::Critical));
    kkDialogs::clearShownMessages();
    // No hook left and no window system: written to stderr, answered at once.
    QCOMPARE(kkDialogs::message(nullptr, "to stderr"), int(kkDialogs::Ok));
    QVERIFY(kkDialogs::shownMessages().isEmpty());
}

void TestGenRoutines::doEventsRunsQueuedWork()
{
    clsCvGenRtns gen;
    bool ran = false;
    QMetaObject::invokeMethod(QCoreApplication::instance(), [&ran] { ran = true; }, Qt::QueuedConnection);
    for (int i = 0; i < 10000 && !ran; ++i) {
        gen.CvDoEvents();
        if (!ran)
            QThread::usleep(500);
    }
    QVERIFY(ran);

    // The nothing-pending case is what every written row pays; report it, assert nothing.
    const int calls = 2000000;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < calls; ++i)
        gen.CvDoEvents();
    qDebug("CvDoEvents: %.1f ns per call", double(timer.nsecsElapsed()) / calls);
}

QTEST_GUILESS_MAIN(TestGenRoutines)
#include "tst_genroutines.moc"
