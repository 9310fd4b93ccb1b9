// The conversion run as a whole: the inputs it refuses, the closing report, cancelling,
// the logs, and two runs in a row.
#include "convert/ConvertController.h"
#include "run/BackgroundWork.h"
#include "run/ParallelWork.h"
#include "run/ConversionRun.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace {
const QString CrLf = QStringLiteral("\r\n");

// A view that presses Cancel when the run reaches the given board.
class CancellingView : public qbtest::RecorderView {
public:
    ConvertController *ctl = nullptr;
    QString cancelAtBoard;
    void addProcessedFolder(const QString &name) override
    {
        RecorderView::addProcessedFolder(name);
        if (ctl && name == cancelAtBoard)
            ctl->cmdCancel_Click();
    }
};

QString page(const QString &body)
{
    return QStringLiteral("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"
                          "<title>Page</title></head><body>") +
           body + QStringLiteral("</body></html>");
}

QString post(int n, const QString &name, int time, const QString &text)
{
    return QStringLiteral("<!--Post: %1--><!--name-->%2<!--/name--><!--Time: %3--><!--Text-->%4<!--/Text--><!--/Post: %1-->")
        .arg(n)
        .arg(name)
        .arg(time)
        .arg(text);
}

// A small installation: category "Birds" with boards 10, 11, 12, each page holding posts.
void writeBoard(const QString &root)
{
    const QString messages = root + QStringLiteral("/discus/messages/");
    QString main = QStringLiteral("<!--Category: 1--><!--Text-->Birds<!--/Text--><!--/Category-->");
    for (int b : {10, 11, 12}) {
        main += QStringLiteral("<!--Top: %1--><a href=\"/discus/messages/%1/%1.html\">Board %1</a><!--/Top-->").arg(b);
        const QString body = QStringLiteral("<!--Topic: %1/Board %1--><!--Me: %1/Board %1-->"
                                            "<a href=\"/discus/messages/%1/%1.html?1\">Board %1 talk</a>")
                                 .arg(b) +
                             post(1, QStringLiteral("Jane Doe"), 1000000000 + b, QStringLiteral("Hello from %1").arg(b)) +
                             post(2, QStringLiteral("jsmith"), 1000000100 + b, QStringLiteral("Reply, with a comma"));
        qbtest::writeBytes(messages + QStringLiteral("%1/%1.html").arg(b), page(body).toUtf8());
    }
    qbtest::writeBytes(messages + QStringLiteral("board-topics.html"), page(main).toUtf8());
    qbtest::writeBytes(root + QStringLiteral("/discus_admin_1/User.txt"),
                       "jdoe:pw:Jane@Example.org:Jane Doe:x:x:1000:1.2.3.4:0:Spotters\r\n"
                       "jsmith:pw:js@example.org::x:x:1000:1.2.3.5:0:\r\n");
    QDir().mkpath(root + QStringLiteral("/discus_admin_1/secure"));
}

void fillFields(ConvertView &view, const QString &root, const QString &out)
{
    view.setText(QStringLiteral("txtDiscusRootFolder"), root + QLatin1Char('/'));
    view.setText(QStringLiteral("txtDiscusMessageFolder"), root + QStringLiteral("/discus/messages/"));
    view.setText(QStringLiteral("txtDiscusSecureMessageFolder"), root + QStringLiteral("/discus_admin_1/secure/"));
    view.setText(QStringLiteral("txtDiscusMainFolder"), root + QStringLiteral("/discus_admin_1/"));
    view.setText(QStringLiteral("txtphpBB3OutputFolder"), out + QLatin1Char('/'));
    view.setText(QStringLiteral("txtphpBB3AttachmentsFolder"), out + QStringLiteral("/Attachments/"));
    view.setText(QStringLiteral("txtDiscusWebsite"), QStringLiteral("http://www.example.org"));
    view.setText(QStringLiteral("txtphpBB3ForumAddr"), QStringLiteral("http://forum.example.org/"));
    view.setText(QStringLiteral("txtSplitMBSize"), QStringLiteral("50"));
    view.setText(QStringLiteral("txtDefaultAdmin"), QStringLiteral("admin"));
    view.setText(QStringLiteral("txtDefaultUsers"), QStringLiteral("57"));
    view.setText(QStringLiteral("txtDefaultGroups"), QStringLiteral("7"));
    view.setText(QStringLiteral("cboCharset"), QStringLiteral("utf-8"));
}

struct Fixture {
    QTemporaryDir dir;
    CancellingView view;
    std::unique_ptr<ConvertController> ctl;
    QString root, out;
    Fixture()
    {
        root = dir.filePath(QStringLiteral("discus"));
        out = dir.filePath(QStringLiteral("out"));
        writeBoard(root);
        ctl = std::make_unique<ConvertController>(view, dir.filePath(QStringLiteral("qb.ini")), qbtest::sourceDir() + QLatin1Char('/'));
        ctl->DocsFolder = qbtest::sourceDir() + QStringLiteral("/Docs/");
        view.ctl = ctl.get();
        fillFields(view, root, out);
        ctl->phpBB3DefaultUsers = 57;
        ctl->phpBB3DefaultGroups = 7;
    }
    QString sql() const { return QString::fromUtf8(qbtest::readBytes(out + QStringLiteral("/Discus Conversion Import SQL.sql"))); }
    int rows(const QString &file) const
    {
        return QString::fromUtf8(qbtest::readBytes(out + QLatin1Char('/') + file)).count(CrLf);
    }
};
} // namespace

class TestConversionRun : public QObject {
    Q_OBJECT
private slots:
    void refusesMissingInputs_data();
    void refusesMissingInputs();
    void completedRunReportsTimesAndWritesEverything();
    void cancelDuringBoardsStillSavesWhatWasWritten();
    void failedFolderSetupIsARefusal();
    void secondRunStartsOverAndKeepsTheChosenCharset();
    void logsAreUtf16WithCrLfAndReachDiskEvery1000Lines();
    void forcedLinesAreShownAndLoggedWithBothBoxesCleared();
    void progressAreaStartsOverAtItsBound();
    void cancelDisablesItselfAndShowsBusy();
    void backgroundJobsRunInOrderThroughAFullQueue();
    void parallelItemsRunEveryItemOnce_data();
    void parallelItemsRunEveryItemOnce();
    void parallelItemsInsideParallelItems();
    void closedItemsAreLeftToTheSpareThread();
};

void TestConversionRun::refusesMissingInputs_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("message");
    QTest::newRow("website") << "txtDiscusWebsite" << "Discus website must be filled in";
    QTest::newRow("forum address") << "txtphpBB3ForumAddr" << "phpBB3 Forum Address must be filled in";
    QTest::newRow("admin") << "txtDefaultAdmin" << "Default Admin of your phpBB3 database must be filled in";
}

void TestConversionRun::refusesMissingInputs()
{
    QFETCH(QString, control);
    QFETCH(QString, message);
    Fixture f;
    QDir().mkpath(f.out);
    qbtest::writeBytes(f.out + QStringLiteral("/Log.txt"), "old");
    f.view.setText(control, QStringLiteral("   "));
    f.ctl->cmdConvert_Click();
    QCOMPARE(f.view.messages, QStringList{message});
    QVERIFY(f.view.isEnabled(QStringLiteral("cmdConvert")));
    QVERIFY(!f.view.isEnabled(QStringLiteral("cmdCancel")));
    QCOMPARE(f.ctl->LastRunResult, ConvertController::RunResult::NotStarted);
    // Nothing was deleted.
    QCOMPARE(qbtest::readBytes(f.out + QStringLiteral("/Log.txt")), QByteArray("old"));
}

void TestConversionRun::completedRunReportsTimesAndWritesEverything()
{
    Fixture f;
    f.ctl->cmdConvert_Click();
    QCOMPARE(f.ctl->LastRunResult, ConvertController::RunResult::Completed);
    QVERIFY2(!f.ctl->LastReport.contains(QStringLiteral("Conversion Cancelled")), qPrintable(f.ctl->LastReport));
    const QRegularExpression report(QStringLiteral("^Conversion Complete\r\n\r\nConversion Start: .+\r\nConversion Stop: .+\r\n\r\n"
                                                   "Elapsed Time: \\d\\d:\\d\\d:\\d\\d\r\n\r\nCategories: 1\r\nForums: 3\r\n"
                                                   "Topics: 3\r\nPosts: 6\r\nMembers: 2\r\n.*Groups: 1\r\n"
                                                   ".*Output folder: .+\r\n\r\nNext steps:\r\n1\\. .*mariadb --local-infile=1 .*\r\n2\\. .*\r\n3\\. .*\r\n4\\. .*Private Discus Areas.*\r\n5\\. .*redirect.*\r\n$"),
                                    QRegularExpression::DotMatchesEverythingOption);
    QVERIFY2(report.match(f.ctl->LastReport).hasMatch(), qPrintable(f.ctl->LastReport));
    const QString html = qbtest::readText(f.out + QStringLiteral("/Conversion Report.html"));
    QVERIFY(html.contains(QStringLiteral("<h1>Conversion Complete</h1>")));
    QVERIFY(html.contains(QStringLiteral("<tr><th>Posts</th><td class=\"n\">6</td></tr>")));
    QCOMPARE(f.view.messages.last(), f.ctl->LastReport);
    QVERIFY(f.view.progress().contains(QStringLiteral("Conversion Start Time: ")));
    QVERIFY(f.view.isEnabled(QStringLiteral("cmdConvert")));
    QVERIFY(!f.view.isEnabled(QStringLiteral("cmdCancel")));
    QVERIFY(!f.ctl->StopConversion);

    QCOMPARE(f.rows(QStringLiteral("phpBB3_forums1.txt")), 4);
    QCOMPARE(f.rows(QStringLiteral("phpBB3_topics1.txt")), 3);
    QCOMPARE(f.rows(QStringLiteral("phpBB3_posts1.txt")), 6);
    QCOMPARE(f.rows(QStringLiteral("phpBB3_users1.txt")), 2);
    QCOMPARE(f.rows(QStringLiteral("phpBB3_groups1.txt")), 1);
    const QString sql = f.sql();
    for (const char *t : {"phpBB3_groups", "phpBB3_posts", "phpBB3_forums", "phpBB3_users", "phpBB3_topics"})
        QVERIFY2(sql.contains(QStringLiteral("INTO TABLE %1 CHARACTER SET").arg(QLatin1String(t))), t);
    QVERIFY(!sql.contains(QStringLiteral("phpBB3_unknown")));
    // The report is the last entry of both logs.
    QVERIFY(qbtest::readText(f.out + QStringLiteral("/Log.txt")).endsWith(f.ctl->LastReport + CrLf));
    QVERIFY(qbtest::readText(f.out + QStringLiteral("/LogError.txt")).endsWith(f.ctl->LastReport + CrLf));
    // The counter ends with the number of posts converted.
    QCOMPARE(f.view.text(QStringLiteral("txtMsgCount")), QStringLiteral("6"));
    QCOMPARE(f.view.processedFolders(), (QStringList{"10", "11", "12"}));
}

void TestConversionRun::cancelDuringBoardsStillSavesWhatWasWritten()
{
    Fixture f;
    f.view.cancelAtBoard = QStringLiteral("11");
    f.ctl->cmdConvert_Click();
    QCOMPARE(f.ctl->LastRunResult, ConvertController::RunResult::Cancelled);
    QVERIFY(f.ctl->LastReport.startsWith(QStringLiteral("Conversion Cancelled") + CrLf + CrLf + QStringLiteral("Conversion Start: ")));
    QVERIFY(!f.ctl->LastReport.contains(QStringLiteral("Next steps")));
    QCOMPARE(f.view.processedFolders(), (QStringList{"10", "11"}));
    // Board 10 was converted; boards 11 and 12 were not reached; the users file is written.
    QCOMPARE(f.rows(QStringLiteral("phpBB3_posts1.txt")), 2);
    QCOMPARE(f.rows(QStringLiteral("phpBB3_topics1.txt")), 1);
    QCOMPARE(f.rows(QStringLiteral("phpBB3_users1.txt")), 2);
    const QString sql = f.sql();
    QVERIFY(sql.contains(QStringLiteral("phpBB3_users1.txt")));
    QVERIFY(sql.contains(QStringLiteral("phpBB3_topics1.txt")));
    QVERIFY(sql.contains(QStringLiteral("phpBB3_posts1.txt")));
    QVERIFY(qbtest::readText(f.out + QStringLiteral("/Log.txt")).contains(QStringLiteral("Conversion Cancelled")));
    QVERIFY(!f.ctl->StopConversion);
    QVERIFY(!f.view.busy());
}

void TestConversionRun::failedFolderSetupIsARefusal()
{
    Fixture f;
    f.view.setText(QStringLiteral("txtDiscusRootFolder"), f.dir.filePath(QStringLiteral("missing")));
    f.ctl->cmdConvert_Click();
    // A refusal: its one message, no report box after it.
    QCOMPARE(f.ctl->LastRunResult, ConvertController::RunResult::NotStarted);
    QCOMPARE(f.view.messages.size(), 1);
    QVERIFY(f.view.messages.first().contains(QStringLiteral("Discus Root Folder Must Exist")));
    QVERIFY(!QFile::exists(f.out + QStringLiteral("/Discus Conversion Import SQL.sql")));
}

void TestConversionRun::secondRunStartsOverAndKeepsTheChosenCharset()
{
    Fixture f;
    f.ctl->cmdConvert_Click();
    const QByteArray firstPosts = qbtest::readBytes(f.out + QStringLiteral("/phpBB3_posts1.txt"));
    const QByteArray firstUsers = qbtest::readBytes(f.out + QStringLiteral("/phpBB3_users1.txt"));
    QCOMPARE(f.ctl->DiscusCharset, QStringLiteral("utf-8"));
    f.view.setText(QStringLiteral("cboCharset"), QStringLiteral("iso-8859-1"));
    f.ctl->cmdConvert_Click();
    QCOMPARE(f.ctl->DiscusCharset, QStringLiteral("iso-8859-1"));
    QCOMPARE(f.ctl->LastRunResult, ConvertController::RunResult::Completed);
    // Same ids and file numbers as the first run: counters and files started over.
    QCOMPARE(qbtest::readBytes(f.out + QStringLiteral("/phpBB3_users1.txt")), firstUsers);
    QCOMPARE(qbtest::readBytes(f.out + QStringLiteral("/phpBB3_posts1.txt")).size(), firstPosts.size());
    QVERIFY(!QFile::exists(f.out + QStringLiteral("/phpBB3_posts2.txt")));
    QCOMPARE(f.sql().count(QStringLiteral("phpBB3_posts1.txt")), 1);
}

void TestConversionRun::logsAreUtf16WithCrLfAndReachDiskEvery1000Lines()
{
    QTemporaryDir dir;
    qbtest::RecorderView view;
    ConvertController ctl(view, dir.filePath(QStringLiteral("qb.ini")), dir.path() + QLatin1Char('/'));
    ctl.LogFile = dir.filePath(QStringLiteral("Log.txt"));
    ctl.ErrorLogFile = dir.filePath(QStringLiteral("LogError.txt"));
    ctl.openLogs();
    QCOMPARE(qbtest::readBytes(ctl.ErrorLogFile), QByteArray("\xFF\xFE\r\0\n\0\r\0\n\0", 10));
    for (int i = 0; i < 1000; ++i)
        ctl.DisplayInfo(QStringLiteral("line %1 \u00e9").arg(i));
    // Still open, but the thousand lines are on disk already.
    const QByteArray onDisk = qbtest::readBytes(ctl.LogFile);
    QVERIFY(onDisk.startsWith("\xFF\xFE"));
    const QString text = qbtest::readText(ctl.LogFile);
    QCOMPARE(text.count(CrLf), 1000);
    QVERIFY(text.startsWith(QStringLiteral("line 0 \u00e9\r\nline 1 \u00e9\r\n")));
    ctl.DisplayInfo(QStringLiteral("important"), false, false, true);
    ctl.closeLogs();
    QVERIFY(qbtest::readText(ctl.ErrorLogFile).endsWith(QStringLiteral("\r\n\r\nimportant\r\n")));
    QCOMPARE(qbtest::readText(ctl.LogFile).count(CrLf), 1001);
}

void TestConversionRun::forcedLinesAreShownAndLoggedWithBothBoxesCleared()
{
    Fixture f;
    f.ctl->ShowProgress = false;
    f.ctl->LogProgress = false;
    f.ctl->cmdConvert_Click();
    QCOMPARE(f.ctl->LastRunResult, ConvertController::RunResult::Completed);
    const QString log = qbtest::readText(f.out + QStringLiteral("/Log.txt"));
    QVERIFY(log.contains(QStringLiteral("Conversion Start Time: ")));
    QVERIFY(log.endsWith(f.ctl->LastReport + CrLf));
    QVERIFY(!log.contains(QStringLiteral("Processing Page ")));
    QVERIFY(!f.view.progress().contains(QStringLiteral("Processing Page ")));
    QVERIFY(f.view.progress().contains(QStringLiteral("Conversion Start Time: ")));
}

void TestConversionRun::progressAreaStartsOverAtItsBound()
{
    QTemporaryDir dir;
    qbtest::RecorderView view;
    ConvertController ctl(view, dir.filePath(QStringLiteral("qb.ini")), dir.path() + QLatin1Char('/'));
    const QString big(ConvertController::ProgressAreaCapacity / 2 + 1, QLatin1Char('x'));
    ctl.DisplayInfo(big);
    ctl.DisplayInfo(QStringLiteral("small"));
    QCOMPARE(view.progressLength(), big.size() + 5);
    ctl.DisplayInfo(big);
    QCOMPARE(view.progress(), big);
    ctl.DisplayInfo(QStringLiteral("next"));
    QVERIFY(view.progress().endsWith(QStringLiteral("xnext")));
}

void TestConversionRun::cancelDisablesItselfAndShowsBusy()
{
    QTemporaryDir dir;
    qbtest::RecorderView view;
    ConvertController ctl(view, dir.filePath(QStringLiteral("qb.ini")), dir.path() + QLatin1Char('/'));
    view.setEnabled(QStringLiteral("cmdCancel"), true);
    ctl.cmdCancel_Click();
    QVERIFY(ctl.StopConversion);
    QVERIFY(!view.isEnabled(QStringLiteral("cmdCancel")));
    QVERIFY(view.busy());
    // File > Exit sets the flag and closes; the close box during a run waits for the run.
    ctl.StopConversion = false;
    ctl.mnuExit_Click();
    QVERIFY(ctl.StopConversion);
    QCOMPARE(view.closes, 1);
    QVERIFY(ctl.requestClose());
    ctl.Running = true;
    ctl.StopConversion = false;
    QVERIFY(!ctl.requestClose());
    QVERIFY(ctl.StopConversion);
    QVERIFY(ctl.closePending());
}

// More jobs than the queue holds, handed over faster than they run: none is lost, they run
// in order, a wait returns only after the last one (also when fewer than a wake-up's worth
// are waiting), and the first error is kept with its job's label.
void TestConversionRun::backgroundJobsRunInOrderThroughAFullQueue()
{
    BackgroundWork work;
    std::vector<int> done; // touched only by the second thread until the wait
    for (int i = 0; i < 1000; ++i)
        work.post(QStringLiteral("job %1").arg(i), [&done, i] {
            if (i % 100 == 0)
                std::this_thread::yield();
            done.push_back(i);
            if (i == 500 || i == 700)
                throw QbError(QbErrNo::FileIO, QStringLiteral("failed %1").arg(i));
        });
    work.wait();
    QCOMPARE(int(done.size()), 1000);
    QVERIFY(std::is_sorted(done.begin(), done.end()));
    QString label;
    std::unique_ptr<QbError> error;
    QVERIFY(work.takeError(label, error));
    QCOMPARE(label, QStringLiteral("job 500"));
    QVERIFY(!work.takeError(label, error));
    work.post(QStringLiteral("one"), [&done] { done.push_back(-1); });
    work.wait();
    QCOMPARE(done.back(), -1);
}

void TestConversionRun::parallelItemsRunEveryItemOnce_data()
{
    QTest::addColumn<int>("items");
    QTest::addColumn<int>("pauseEvery"); // the caller pauses before every such item (0: never)
    QTest::addColumn<bool>("finishEarly"); // finish() before the last items are handed over
    QTest::newRow("none") << 0 << 0 << false;
    QTest::newRow("one") << 1 << 0 << false;
    QTest::newRow("a page, handed over at once") << 25 << 0 << false;
    QTest::newRow("helper falls asleep between items") << 40 << 3 << false;
    QTest::newRow("many") << 5000 << 500 << false;
    QTest::newRow("stopped half way") << 200 << 50 << true;
}

// Whether the helper is awake, asleep or not started when an item is handed over, every
// item handed over runs exactly once and has run when finish() returns; items not handed
// over never run.
void TestConversionRun::parallelItemsRunEveryItemOnce()
{
    QFETCH(int, items);
    QFETCH(int, pauseEvery);
    QFETCH(bool, finishEarly);
    const int handedOver = finishEarly ? items / 2 : items;
    std::vector<std::atomic<int>> runs(size_t(items) + 1);
    std::vector<int> values(size_t(items) + 1, 0); // each written by the item's own call
    {
        ParallelItems work([&](int i) {
            runs[size_t(i)].fetch_add(1);
            values[size_t(i)] = i * 2;
        });
        for (int i = 0; i < handedOver; ++i) {
            if (pauseEvery > 0 && i % pauseEvery == 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            work.add();
        }
        work.finish();
        for (int i = 0; i < items; ++i) {
            QCOMPARE(runs[size_t(i)].load(), i < handedOver ? 1 : 0);
            QCOMPARE(values[size_t(i)], i < handedOver ? i * 2 : 0);
        }
    }
    QCOMPARE(runs[size_t(items)].load(), 0);
}

// Items made while an open set is on offer (the spare thread takes the sets in order and
// stays with the open one): both sets are done and neither waits for the other.
void TestConversionRun::parallelItemsInsideParallelItems()
{
    std::atomic<int> outerRuns{0}, innerRuns{0};
    ParallelItems outer([&](int) { outerRuns.fetch_add(1); });
    outer.add();
    {
        ParallelItems inner([&](int) { innerRuns.fetch_add(1); });
        for (int i = 0; i < 10; ++i)
            inner.add();
        inner.finish();
    }
    QCOMPARE(innerRuns.load(), 10);
    outer.add();
    outer.finish();
    QCOMPARE(outerRuns.load(), 2);
}

// A closed set is done by the spare thread alone while its caller goes on with the next
// set; the next set is taken after it.
void TestConversionRun::closedItemsAreLeftToTheSpareThread()
{
    if (QThread::idealThreadCount() < 2)
        QSKIP("no spare thread on one core");
    const std::thread::id caller = std::this_thread::get_id();
    std::vector<std::atomic<int>> firstRuns(50), onCaller(50);
    std::atomic<int> secondRuns{0};
    ParallelItems first([&](int i) {
        firstRuns[size_t(i)].fetch_add(1);
        if (std::this_thread::get_id() == caller)
            onCaller[size_t(i)].fetch_add(1);
    });
    for (int i = 0; i < 50; ++i)
        first.add();
    first.close();
    {
        ParallelItems second([&](int) { secondRuns.fetch_add(1); });
        for (int i = 0; i < 20; ++i)
            second.add();
        second.finish();
    }
    QCOMPARE(secondRuns.load(), 20);
    QTRY_VERIFY_WITH_TIMEOUT(first.done(), 30000);
    first.finish();
    for (int i = 0; i < 50; ++i) {
        QCOMPARE(firstRuns[size_t(i)].load(), 1);
        QCOMPARE(onCaller[size_t(i)].load(), 0);
    }
}

QTEST_GUILESS_MAIN(TestConversionRun)
#include "tst_conversionrun.moc"
