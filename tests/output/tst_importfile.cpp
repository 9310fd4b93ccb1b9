// The import file series: splitting, file numbering, the order of the load statements,
// the bytes written, closing, and the clean-up before a run.
#include "output/ImportFile.h"
#include "run/ConversionRun.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Fixture {
    QTemporaryDir tmp;
    qbtest::RecordingHost host;
    ConversionRun run{host};
    QString out;
    explicit Fixture(qint64 splitSize = 0)
    {
        out = tmp.path() + QStringLiteral("/out/");
        QDir().mkpath(out);
        run.settings.phpBB3OutputFolder = out;
        run.settings.ImportScriptFile = out + QStringLiteral("Discus Conversion Import SQL.sql");
        run.settings.phpBB3AttachmentsFolder = out + QStringLiteral("attachments");
        run.settings.SplitSize = splitSize;
        run.nameOutputFiles();
    }
    // The file paths named by the script's statements, in order.
    QStringList statementFiles() const
    {
        QStringList files;
        const QString script = QString::fromUtf8(qbtest::readBytes(run.settings.ImportScriptFile));
        static const QRegularExpression re(QStringLiteral("LOAD DATA LOCAL INFILE '([^']*)'"));
        for (auto it = re.globalMatch(script); it.hasNext();)
            files << it.next().captured(1).mid(out.size());
        return files;
    }
    QStringList outputFiles() const { return QDir(out).entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name); }
    QByteArray bytes(const QString &name) const { return qbtest::readBytes(out + name); }
};

QString row(int length, QChar fill = QLatin1Char('x')) { return QString(length, fill); }

QByteArray rows(int count, int length)
{
    QByteArray b;
    for (int i = 0; i < count; ++i)
        b += QByteArray(length, 'x') + "\r\n";
    return b;
}

} // namespace

class TestImportFile : public QObject {
    Q_OBJECT
private slots:
    void splitRule_data();
    void splitRule();
    void noSplitSizeGivesOneFilePerTable();
    void usersSplitTwiceGivesThreeStatementsInOrder();
    void deferredRowsKeepTheirPlace();
    void rowLongerThanLimitFollowsAnEmptyFile();
    void rowsAreUtf8WhateverTheCharset();
    void splitSizesBeyondThirtyTwoBits();
    void linkSetsNeverGetStatements();
    void writeFailureStopsTheRun();
    void closingGoesOnAfterAFailingSet();
    void openCleansOldOutputAndOpensLogs();
    void openDoesNothingWhenStopped();
    void openNeverEmptiesTheOutputFolder();
};

void TestImportFile::splitRule_data()
{
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<int>>("rowsPerFile");
    // Rows of 100 characters count 102 each with their CR LF.
    QTest::newRow("nine fit in 1000") << qint64(1000) << 9 << QList<int>{9};
    QTest::newRow("tenth opens file 2") << qint64(1000) << 10 << QList<int>{9, 1};
    QTest::newRow("limit reached exactly") << qint64(1018) << 11 << QList<int>{10, 1};
    QTest::newRow("one over") << qint64(1017) << 10 << QList<int>{9, 1};
    QTest::newRow("one row per file") << qint64(100) << 3 << QList<int>{1, 1, 1};
    QTest::newRow("twenty-five in 1000") << qint64(1000) << 25 << QList<int>{9, 9, 7};
}

void TestImportFile::splitRule()
{
    QFETCH(qint64, limit);
    QFETCH(int, count);
    QFETCH(QList<int>, rowsPerFile);
    Fixture f(limit);
    for (int i = 0; i < count; ++i)
        WriteFileLine(f.run, row(100), f.run.posts, QStringLiteral("phpBB3_posts"));
    QCOMPARE(f.run.posts.fileNumber, rowsPerFile.size());
    QCOMPARE(f.run.posts.charsWritten, qint64(rowsPerFile.last()) * 102);
    phpBB3CloseOutputFiles(f.run);
    QStringList names;
    for (int n = 1; n <= rowsPerFile.size(); ++n) {
        const QString name = QStringLiteral("phpBB3_posts%1.txt").arg(n);
        names << name;
        QCOMPARE(f.bytes(name), rows(rowsPerFile.at(n - 1), 100));
    }
    QCOMPARE(f.outputFiles(), names);
    QCOMPARE(f.statementFiles(), names);
    QVERIFY(f.host.messages.isEmpty());
}

void TestImportFile::noSplitSizeGivesOneFilePerTable()
{
    Fixture f(0);
    const QString big = row(5000);
    for (int i = 0; i < 400; ++i)
        WriteFileLine(f.run, big, f.run.posts, QStringLiteral("phpBB3_posts"));
    WriteFileLine(f.run, QStringLiteral("1,\"g\""), f.run.groups, QStringLiteral("phpBB3_groups"));
    CloseImportFile(f.run, f.run.groups); // the groups phase closes its own set
    WriteFileLine(f.run, QStringLiteral("f"), f.run.forums, QStringLiteral("phpBB3_forums"));
    WriteFileLine(f.run, QStringLiteral("t"), f.run.topics, QStringLiteral("phpBB3_topics"));
    WriteFileLine(f.run, QStringLiteral("a"), f.run.attachments, QStringLiteral("phpBB3_attachments"));
    CloseImportFile(f.run, f.run.forums); // the board phase closes forums and posts
    CloseImportFile(f.run, f.run.posts);
    WriteFileLine(f.run, QStringLiteral("u"), f.run.users, QStringLiteral("phpBB3_users"));
    CloseImportFile(f.run, f.run.users);
    phpBB3CloseOutputFiles(f.run);

    QCOMPARE(f.statementFiles(), (QStringList{"phpBB3_groups1.txt", "phpBB3_forums1.txt", "phpBB3_posts1.txt",
                                              "phpBB3_users1.txt", "phpBB3_topics1.txt", "phpBB3_attachments1.txt"}));
    QCOMPARE(f.outputFiles(), (QStringList{"phpBB3_attachments1.txt", "phpBB3_forums1.txt", "phpBB3_groups1.txt",
                                           "phpBB3_posts1.txt", "phpBB3_topics1.txt", "phpBB3_users1.txt"}));
    QCOMPARE(f.bytes(QStringLiteral("phpBB3_posts1.txt")).size(), 400 * 5002);
    QVERIFY(!qbtest::readBytes(f.run.settings.ImportScriptFile).contains("phpBB3_unknown"));
    QVERIFY(!f.run.posts.isOpen() && !f.run.users.isOpen() && !f.run.topics.isOpen());

    // Closing again writes nothing more.
    const QByteArray script = qbtest::readBytes(f.run.settings.ImportScriptFile);
    phpBB3CloseOutputFiles(f.run);
    QCOMPARE(qbtest::readBytes(f.run.settings.ImportScriptFile), script);
}

void TestImportFile::usersSplitTwiceGivesThreeStatementsInOrder()
{
    Fixture f(1000);
    WriteFileLine(f.run, row(50), f.run.posts, QStringLiteral("phpBB3_posts"));
    for (int i = 0; i < 20; ++i)
        WriteFileLine(f.run, row(100), f.run.users, QStringLiteral("phpBB3_users"));
    CloseImportFile(f.run, f.run.users);
    phpBB3CloseOutputFiles(f.run);
    // Files completed by a split are listed at the split, the last ones when closed.
    QCOMPARE(f.statementFiles(), (QStringList{"phpBB3_users1.txt", "phpBB3_users2.txt", "phpBB3_users3.txt",
                                              "phpBB3_posts1.txt"}));
    QCOMPARE(f.bytes(QStringLiteral("phpBB3_users3.txt")), rows(2, 100));

    // A set named again starts over at file 1.
    f.run.nameOutputFiles();
    QCOMPARE(f.run.users.fileNumber, 1);
    QCOMPARE(f.run.users.charsWritten, qint64(0));
    QVERIFY(f.run.users.fileName.endsWith(QStringLiteral("/out/phpBB3_users1.txt")));
    QVERIFY(!f.run.users.isOpen());
}

// Rows written while a deferred set waits queue behind it: the files and the load
// statements come out as if every row had been written at once, in order.
void TestImportFile::deferredRowsKeepTheirPlace()
{
    Fixture f(1000);
    WriteFileLine(f.run, row(100, QLatin1Char('a')), f.run.posts, QStringLiteral("phpBB3_posts"));
    bool ready = false;
    DeferRows(f.run, [&] { return ready; }, [&] {
        for (int i = 0; i < 10; ++i)
            WriteFileLine(f.run, row(100, QLatin1Char('b')), f.run.posts, QStringLiteral("phpBB3_posts"));
    });
    for (int i = 0; i < 20; ++i)
        WriteFileLine(f.run, row(100, QLatin1Char('t')), f.run.topics, QStringLiteral("phpBB3_topics"));
    DeferRows(f.run, [] { return true; }, [&] {
        WriteFileLine(f.run, row(100, QLatin1Char('c')), f.run.posts, QStringLiteral("phpBB3_posts"));
    });
    WriteFileLine(f.run, row(100, QLatin1Char('u')), f.run.users, QStringLiteral("phpBB3_users"));
    WriteDeferredRows(f.run, 2); // the first of the two sets is not ready and may wait
    QVERIFY(f.statementFiles().isEmpty());
    QVERIFY(!QFile::exists(f.out + QStringLiteral("phpBB3_topics1.txt")));

    ready = true;
    WriteDeferredRows(f.run, 2);
    QVERIFY(f.run.deferredRows.empty());
    phpBB3CloseOutputFiles(f.run);
    QCOMPARE(f.statementFiles(), (QStringList{"phpBB3_posts1.txt", "phpBB3_topics1.txt", "phpBB3_topics2.txt",
                                              "phpBB3_topics3.txt", "phpBB3_posts2.txt", "phpBB3_users1.txt"}));
    QCOMPARE(f.bytes(QStringLiteral("phpBB3_posts2.txt")), rows(2, 100).replace('x', 'b') + rows(1, 100).replace('x', 'c'));

    // A set that is never ready is written when the sets are closed.
    Fixture g(0);
    DeferRows(g.run, [] { return false; }, [&] {
        WriteFileLine(g.run, row(10, QLatin1Char('p')), g.run.posts, QStringLiteral("phpBB3_posts"));
    });
    WriteFileLine(g.run, row(10, QLatin1Char('t')), g.run.topics, QStringLiteral("phpBB3_topics"));
    phpBB3CloseOutputFiles(g.run);
    QCOMPARE(g.bytes(QStringLiteral("phpBB3_posts1.txt")), rows(1, 10).replace('x', 'p'));
    QCOMPARE(g.bytes(QStringLiteral("phpBB3_topics1.txt")), rows(1, 10).replace('x', 't'));
}

void TestImportFile::rowLongerThanLimitFollowsAnEmptyFile()
{
    Fixture f(100);
    WriteFileLine(f.run, row(150), f.run.topics, QStringLiteral("phpBB3_topics"));
    WriteFileLine(f.run, row(10), f.run.topics, QStringLiteral("phpBB3_topics"));
    phpBB3CloseOutputFiles(f.run);
    QVERIFY(QFile::exists(f.out + QStringLiteral("phpBB3_topics1.txt")));
    QCOMPARE(f.bytes(QStringLiteral("phpBB3_topics1.txt")), QByteArray());
    QCOMPARE(f.bytes(QStringLiteral("phpBB3_topics2.txt")), rows(1, 150));
    QCOMPARE(f.bytes(QStringLiteral("phpBB3_topics3.txt")), rows(1, 10));
    QCOMPARE(f.statementFiles(),
             (QStringList{"phpBB3_topics1.txt", "phpBB3_topics2.txt", "phpBB3_topics3.txt"}));
}

void TestImportFile::rowsAreUtf8WhateverTheCharset()
{
    for (const QString &charset : {QStringLiteral("iso-8859-1"), QStringLiteral("shift-jis"), QStringLiteral("utf-8")}) {
        Fixture f(0);
        f.run.settings.DiscusCharset = charset;
        const QString text = QStringLiteral("1,\"Gr\u00fc\u00dfe \u2013 \u65e5\u672c \U0001F600\"");
        WriteFileLine(f.run, text, f.run.posts, QStringLiteral("phpBB3_posts"));
        QCOMPARE(f.run.posts.charsWritten, qint64(text.size() + 2));
        phpBB3CloseOutputFiles(f.run);
        QCOMPARE(f.bytes(QStringLiteral("phpBB3_posts1.txt")), text.toUtf8() + "\r\n");
    }
}

void TestImportFile::splitSizesBeyondThirtyTwoBits()
{
    Fixture f(4096LL * 1048576); // "Max MB Size For Split Files" 4096
    WriteFileLine(f.run, row(10), f.run.posts, QStringLiteral("phpBB3_posts"));
    QCOMPARE(f.run.posts.fileNumber, 1);
    // A file that has passed 2^31 characters keeps counting and is not split early.
    f.run.posts.charsWritten = 3000000000LL;
    WriteFileLine(f.run, row(10), f.run.posts, QStringLiteral("phpBB3_posts"));
    QCOMPARE(f.run.posts.fileNumber, 1);
    QCOMPARE(f.run.posts.charsWritten, 3000000012LL);
    // ... and splits where the 64-bit limit says.
    f.run.settings.SplitSize = 3000000020LL;
    WriteFileLine(f.run, row(10), f.run.posts, QStringLiteral("phpBB3_posts"));
    QCOMPARE(f.run.posts.fileNumber, 2);
    QCOMPARE(f.run.posts.charsWritten, qint64(12));
    QCOMPARE(f.bytes(QStringLiteral("phpBB3_posts1.txt")), rows(2, 10));
}

void TestImportFile::linkSetsNeverGetStatements()
{
    Fixture f(100);
    for (int i = 0; i < 5; ++i)
        WriteFileLine(f.run, row(60), f.run.internalLinks, QString(), true);
    for (int i = 0; i < 3; ++i)
        WriteFileLine(f.run, row(60), f.run.internalLinksUpdate, QString());
    QCOMPARE(f.run.internalLinks.fileNumber, 1);
    QCOMPARE(f.run.internalLinksUpdate.fileNumber, 3);
    phpBB3CloseOutputFiles(f.run);
    QCOMPARE(f.bytes(QStringLiteral("InternalLinks1.txt")), rows(5, 60));
    QCOMPARE(f.outputFiles(), (QStringList{"InternalLinks1.txt", "InternalLinksUpdate1.txt",
                                           "InternalLinksUpdate2.txt", "InternalLinksUpdate3.txt"}));
    QVERIFY(!QFile::exists(f.run.settings.ImportScriptFile));
}

void TestImportFile::writeFailureStopsTheRun()
{
    Fixture f(100);
    WriteFileLine(f.run, row(60), f.run.posts, QStringLiteral("phpBB3_posts"));
    // A folder in the way of the file to be saved.
    QVERIFY(QDir().mkpath(f.out + QStringLiteral("phpBB3_posts1.txt/x")));
    WriteFileLine(f.run, row(60), f.run.posts, QStringLiteral("phpBB3_posts"));
    QVERIFY(f.host.StopConversion);
    QCOMPARE(f.host.messages.size(), 1);
    QVERIFY2(f.host.messages.first().contains(QStringLiteral(" - WriteFileLine()\r\n\r\n")),
             qPrintable(f.host.messages.first()));
    QVERIFY(!QFile::exists(f.run.settings.ImportScriptFile));
}

void TestImportFile::closingGoesOnAfterAFailingSet()
{
    Fixture f(0);
    WriteFileLine(f.run, QStringLiteral("t"), f.run.topics, QStringLiteral("phpBB3_topics"));
    WriteFileLine(f.run, QStringLiteral("p"), f.run.posts, QStringLiteral("phpBB3_posts"));
    WriteFileLine(f.run, QStringLiteral("u"), f.run.users, QStringLiteral("phpBB3_users"));
    // A board phase that ended on an error left its forums set open.
    WriteFileLine(f.run, QStringLiteral("f"), f.run.forums, QStringLiteral("phpBB3_forums"));
    QVERIFY(QDir().mkpath(f.out + QStringLiteral("phpBB3_posts1.txt/x")));
    phpBB3CloseOutputFiles(f.run);
    QCOMPARE(f.host.messages.size(), 1);
    QVERIFY(f.host.messages.first().contains(QStringLiteral(" - phpBB3CloseOutputFiles()\r\n\r\n")));
    QCOMPARE(f.bytes(QStringLiteral("phpBB3_users1.txt")), QByteArray("u\r\n"));
    QCOMPARE(f.bytes(QStringLiteral("phpBB3_forums1.txt")), QByteArray("f\r\n"));
    QCOMPARE(f.statementFiles(), (QStringList{"phpBB3_topics1.txt", "phpBB3_users1.txt", "phpBB3_forums1.txt"}));
}

void TestImportFile::openCleansOldOutputAndOpensLogs()
{
    Fixture f(0);
    const QStringList old{"Discus Conversion Import SQL.sql", "Log.txt", "LogError.txt", "phpBB3_topics1.txt",
                          "phpBB3_unknown1.txt", "phpBB3_users12.txt", "phpBB3_posts2.txt", "phpBB3_forums1.txt",
                          "phpBB3_attachments1.txt", "phpBB3_groups1.txt", "InternalLinks1.txt",
                          "InternalLinksUpdate4.txt", "Discus Special Characters.txt"};
    for (const QString &name : old)
        qbtest::writeBytes(f.out + name, "old");
    const QStringList kept{"notes.txt", "phpBB3_posts1.csv", "redirect/discus/messages/1.html"};
    for (const QString &name : kept)
        qbtest::writeBytes(f.out + name, "keep");
    qbtest::writeBytes(f.out + QStringLiteral("attachments/1_old.pdf"), "old");

    phpBB3OpenOutputFiles(f.run);

    for (const QString &name : old.mid(3))
        QVERIFY2(!QFile::exists(f.out + name), qPrintable(name));
    QVERIFY(!QFile::exists(f.run.settings.ImportScriptFile));
    for (const QString &name : kept)
        QVERIFY2(QFile::exists(f.out + name), qPrintable(name));
    QVERIFY(f.host.progress().contains(QStringLiteral("Cleaning up Output Folders - Please Wait...\r\n")));
    // New logs (UTF-16 with byte-order mark); the error log holds one empty line.
    QCOMPARE(f.host.logsOpened, 1);
    QVERIFY(QDir(f.run.settings.phpBB3AttachmentsFolder).exists());
    QVERIFY(QDir(f.run.settings.phpBB3AttachmentsFolder).isEmpty());
    QVERIFY(f.host.messages.isEmpty());

    // Without attachments the folder is left as it is.
    qbtest::writeBytes(f.out + QStringLiteral("attachments/2.pdf"), "x");
    f.run.settings.CreateAttachments = false;
    phpBB3OpenOutputFiles(f.run);
    QVERIFY(QFile::exists(f.out + QStringLiteral("attachments/2.pdf")));
    QCOMPARE(f.host.logsOpened, 2);
}

void TestImportFile::openDoesNothingWhenStopped()
{
    Fixture f(0);
    qbtest::writeBytes(f.out + QStringLiteral("phpBB3_posts1.txt"), "old");
    f.host.StopConversion = true;
    phpBB3OpenOutputFiles(f.run);
    QVERIFY(QFile::exists(f.out + QStringLiteral("phpBB3_posts1.txt")));
    QCOMPARE(f.host.logsOpened, 0);
    QVERIFY(f.host.progress().isEmpty());
}

void TestImportFile::openNeverEmptiesTheOutputFolder()
{
    Fixture f(0);
    qbtest::writeBytes(f.out + QStringLiteral("notes.txt"), "keep");
    for (const QString &folder : {f.out, f.tmp.path()}) {
        f.run.settings.phpBB3AttachmentsFolder = folder;
        phpBB3OpenOutputFiles(f.run);
        QVERIFY(QFile::exists(f.out + QStringLiteral("notes.txt")));
        QVERIFY(f.host.messages.isEmpty());
    }

    // No attachments folder at all is an error, not the current folder.
    f.run.settings.phpBB3AttachmentsFolder.clear();
    phpBB3OpenOutputFiles(f.run);
    QVERIFY(f.host.StopConversion);
    QCOMPARE(f.host.messages.size(), 1);
    QVERIFY(f.host.messages.first().contains(QStringLiteral(" - phpBB3OpenOutputFiles()\r\n\r\n")));
    QVERIFY(QFile::exists(f.out + QStringLiteral("notes.txt")));
}

QTEST_GUILESS_MAIN(TestImportFile)
#include "tst_importfile.moc"
