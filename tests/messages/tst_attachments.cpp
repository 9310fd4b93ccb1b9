// Attachments of a post (rows, copies, refusals) and images of the Discus site.
#include "members/modMD5Hash.h"
#include "messages/modAttachments.h"
#include "tests/boards/BoardFixture.h"

#include <QtTest>

using namespace qbboards;

namespace {

const QString Site = QStringLiteral("http://www.example.com/discus");

QString marker(const QString &address)
{
    return QStringLiteral("<!--attachment:file--><a href=\"") + address + QStringLiteral("\" target=\"_blank\">the file</a><!--/attachment-->");
}

// A run reading page 345 of topic 9 (level 1), post 41, with the page's attachment rows.
struct AttachFixture : Fixture {
    QStringList rows;
    QString attachments;
    AttachFixture()
    {
        run->settings.DiscusWebsite = Site;
        run->settings.CreateAttachments = true;
        attachments = out + QStringLiteral("attachments");
        run->settings.phpBB3AttachmentsFolder = attachments;
        QDir().mkpath(attachments);
        run->CurrentLevel = 1;
        run->dataIndex.reset(1);
        run->dataIndex.at(1).topicId = 9;
        run->PostIdCounter = 41;
        run->pageAttachmentRows = &rows;
    }
    ~AttachFixture() { run->pageAttachmentRows = nullptr; }
    QVector<Row> parsed() const { return parseRows(rows.join(CrLf) + CrLf, clsTblAttachments::columnNames()); }
    QStringList copies() const { return QDir(attachments).entryList(QDir::Files, QDir::Name); }
};

} // namespace

class TestAttachments : public QObject {
    Q_OBJECT

private slots:
    void rowAndCopy();
    void twoPostsAttachingOneFile();
    void foundInSecureOrMessagesFolder_data();
    void foundInSecureOrMessagesFolder();
    void optionOff();
    void relativeOrOtherHostSkippedSilently_data();
    void relativeOrOtherHostSkippedSilently();
    void refusedTypes_data();
    void refusedTypes();
    void climbingOutRefused_data();
    void climbingOutRefused();
    void missingFile();
    void outsideAPageIsAnInternalError();
    void images_data();
    void images();
};

void TestAttachments::rowAndCopy()
{
    AttachFixture f;
    f.write(f.messages + QStringLiteral("12/Holiday Photo.JPG"), QStringLiteral("abc"));
    QString text = QStringLiteral("See ") + marker(Site + QStringLiteral("/messages/12/Holiday Photo.JPG")) + QStringLiteral(" here");
    QCOMPARE(ProcessAttachments(*f.run, text, 7), QStringLiteral("clip"));
    QCOMPARE(text, QStringLiteral("See  here"));
    QVERIFY(f.run->CurrentPostHasAttachment);
    QVERIFY(!f.host.StopConversion);

    const QVector<Row> rows = f.parsed();
    QCOMPARE(rows.size(), 1);
    const Row &r = rows.at(0);
    const QString digest = QStringLiteral("900150983CD24FB0D6963F7D28E17F72"); // MD5 of "abc"
    QCOMPARE(r.value(QStringLiteral("attach_id")), QStringLiteral("1"));
    QCOMPARE(r.value(QStringLiteral("post_msg_id")), QStringLiteral("41"));
    QCOMPARE(r.value(QStringLiteral("topic_id")), QStringLiteral("9"));
    QCOMPARE(r.value(QStringLiteral("poster_id")), QStringLiteral("7"));
    QCOMPARE(r.value(QStringLiteral("physical_filename")), QStringLiteral("1_") + digest);
    QCOMPARE(r.value(QStringLiteral("real_filename")), QStringLiteral("Holiday Photo.JPG"));
    QCOMPARE(r.value(QStringLiteral("extension")), QStringLiteral("jpg"));
    QCOMPARE(r.value(QStringLiteral("mimetype")), QStringLiteral("image/jpeg"));
    QCOMPARE(r.value(QStringLiteral("filesize")), QStringLiteral("3"));
    QCOMPARE(r.value(QStringLiteral("in_message")), QStringLiteral("0"));
    QCOMPARE(r.value(QStringLiteral("is_orphan")), QStringLiteral("0"));
    // The topic id is a bare number.
    QVERIFY(f.rows.at(0).startsWith(QStringLiteral("1,41,9,0,7,0,\"1_")));

    QCOMPARE(f.copies(), QStringList{QStringLiteral("1_") + digest});
    QCOMPARE(qbtest::readBytes(f.attachments + QStringLiteral("/1_") + digest), QByteArray("abc"));
    QVERIFY(f.progress().isEmpty());
}

void TestAttachments::twoPostsAttachingOneFile()
{
    AttachFixture f;
    f.write(f.messages + QStringLiteral("12/report.pdf"), QStringLiteral("%PDF-1.4 x"));
    QString first = marker(Site + QStringLiteral("/messages/12/report.pdf"));
    QString second = QStringLiteral("again ") + first;
    QCOMPARE(ProcessAttachments(*f.run, first, 7), QStringLiteral("clip"));
    f.run->PostIdCounter = 42;
    QCOMPARE(ProcessAttachments(*f.run, second, 8), QStringLiteral("clip"));
    QCOMPARE(second, QStringLiteral("again "));

    const QVector<Row> rows = f.parsed();
    QCOMPARE(rows.size(), 2);
    const QString digest = MD5HashFile(f.messages + QStringLiteral("12/report.pdf"));
    QCOMPARE(column(rows, QStringLiteral("attach_id")), QStringList({"1", "2"}));
    QCOMPARE(column(rows, QStringLiteral("post_msg_id")), QStringList({"41", "42"}));
    QCOMPARE(column(rows, QStringLiteral("poster_id")), QStringList({"7", "8"}));
    QCOMPARE(column(rows, QStringLiteral("physical_filename")), QStringList({"1_" + digest, "2_" + digest}));
    QCOMPARE(column(rows, QStringLiteral("mimetype")), QStringList({"application/pdf", "application/pdf"}));
    QCOMPARE(f.copies(), QStringList({"1_" + digest, "2_" + digest}));
    QCOMPARE(f.run->AttachIdCounter, 2);
}

void TestAttachments::foundInSecureOrMessagesFolder_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("file");
    QTest::newRow("secure board folder") << Site + "/messages/12/s.txt" << "secure:12/s.txt";
    QTest::newRow("messages folder itself") << Site + "/messages/top.txt" << "messages:top.txt";
    QTest::newRow("secure folder itself") << QStringLiteral("http://www.example.com/admin/secure/top.txt") << "secure:top.txt";
    QTest::newRow("host in other letter case") << "http://WWW.Example.COM/discus/messages/12/a.txt" << "messages:12/a.txt";
}

void TestAttachments::foundInSecureOrMessagesFolder()
{
    QFETCH(QString, address);
    QFETCH(QString, file);
    AttachFixture f;
    const QString folder = file.startsWith(QLatin1String("secure:")) ? f.secure : f.messages;
    f.write(folder + file.mid(file.indexOf(QLatin1Char(':')) + 1), QStringLiteral("data"));
    QString text = marker(address);
    QCOMPARE(ProcessAttachments(*f.run, text, 3), QStringLiteral("clip"));
    QVERIFY(text.isEmpty());
    QCOMPARE(f.parsed().value(0).value(QStringLiteral("filesize")), QStringLiteral("4"));
    QCOMPARE(f.copies().size(), 1);
}

void TestAttachments::optionOff()
{
    AttachFixture f;
    f.write(f.messages + QStringLiteral("12/a.txt"), QStringLiteral("data"));
    f.run->settings.CreateAttachments = false;
    const QString original = marker(Site + QStringLiteral("/messages/12/a.txt"));
    QString text = original;
    QCOMPARE(ProcessAttachments(*f.run, text, 3), QStringLiteral("xx"));
    QCOMPARE(text, original);
    QVERIFY(f.rows.isEmpty());
    QVERIFY(f.copies().isEmpty());
    QCOMPARE(f.run->AttachIdCounter, 0);
    QVERIFY(!f.run->CurrentPostHasAttachment);
}

void TestAttachments::relativeOrOtherHostSkippedSilently_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("relative to the site") << marker(QStringLiteral("/discus/messages/12/a.txt"));
    QTest::newRow("other host") << marker(QStringLiteral("http://elsewhere.example.org/discus/messages/12/a.txt"));
    QTest::newRow("file name only") << marker(QStringLiteral("a.txt"));
    QTest::newRow("no marker") << QStringLiteral("<a href=\"http://www.example.com/discus/messages/12/a.txt\">a</a>");
}

void TestAttachments::relativeOrOtherHostSkippedSilently()
{
    QFETCH(QString, text);
    AttachFixture f;
    f.write(f.messages + QStringLiteral("12/a.txt"), QStringLiteral("data"));
    QString t = text;
    QCOMPARE(ProcessAttachments(*f.run, t, 3), QStringLiteral("xx"));
    QCOMPARE(t, text);
    QVERIFY(f.rows.isEmpty());
    QVERIFY(f.copies().isEmpty());
    QVERIFY(f.progress().isEmpty());
    QVERIFY(!f.host.StopConversion);
}

void TestAttachments::refusedTypes_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("shown");
    QTest::newRow("show.cgi") << Site + "/show.cgi?12/345" << "http:\\\\www.example.com\\discus\\show.cgi?12\\345";
    QTest::newRow("showpage.html") << Site + "/showpage.html" << "http:\\\\www.example.com\\discus\\showpage.html";
    QTest::newRow("page with query") << Site + "/messages/12/345.html?1183200000" << "http:\\\\www.example.com\\discus\\messages\\12\\345.html?1183200000";
    QTest::newRow("php") << Site + "/board.PHP" << "http:\\\\www.example.com\\discus\\board.PHP";
}

void TestAttachments::refusedTypes()
{
    QFETCH(QString, address);
    QFETCH(QString, shown);
    AttachFixture f;
    const QString original = marker(address);
    QString text = original;
    QCOMPARE(ProcessAttachments(*f.run, text, 3), QStringLiteral("xx"));
    QCOMPARE(text, original);
    const QString line = QStringLiteral("Attachment is not a valid type - ") + shown + CrLf;
    QCOMPARE(f.progress(), line);
    QVERIFY(f.errorLog().contains(line));
    QVERIFY(f.rows.isEmpty());
    QVERIFY(!f.host.StopConversion);
}

void TestAttachments::climbingOutRefused_data()
{
    QTest::addColumn<QString>("address");
    QTest::newRow("folder piece") << Site + "/messages/../secret.txt";
    QTest::newRow("file piece") << Site + "/messages/12/..";
    QTest::newRow("backslashes") << QStringLiteral("http:\\\\www.example.com\\discus\\messages\\..\\secret.txt");
    QTest::newRow("ends with a folder") << Site + "/messages/12/";
    QTest::newRow("empty address") << QString();
}

void TestAttachments::climbingOutRefused()
{
    QFETCH(QString, address);
    AttachFixture f;
    // Files that the climbing addresses would reach.
    f.write(f.dir.path() + QStringLiteral("/discus/secret.txt"), QStringLiteral("secret"));
    f.write(f.dir.path() + QStringLiteral("/discus_admin_1/secret.txt"), QStringLiteral("secret"));
    const QString original = marker(address);
    QString text = original;
    QCOMPARE(ProcessAttachments(*f.run, text, 3), QStringLiteral("xx"));
    QCOMPARE(text, original);
    QVERIFY(f.progress().startsWith(QStringLiteral("Attachment is not a valid file - ")));
    QVERIFY(f.errorLog().contains(QStringLiteral("Attachment is not a valid file - ")));
    QVERIFY(f.rows.isEmpty());
    QVERIFY(f.copies().isEmpty());
    QCOMPARE(f.run->AttachIdCounter, 0);
    QVERIFY(!f.host.StopConversion);
}

void TestAttachments::missingFile()
{
    AttachFixture f;
    const QString address = Site + QStringLiteral("/messages/12/gone.gif");
    const QString original = marker(address);
    QString text = original;
    QCOMPARE(ProcessAttachments(*f.run, text, 3), QStringLiteral("xx"));
    QCOMPARE(text, original);
    const QString line = QStringLiteral("Attachment File Does Not Exist (phpBB3 #Rec 41) - ") + QDir::toNativeSeparators(f.messages + "12/gone.gif")
        + CrLf + QStringLiteral("   nor does ") + QDir::toNativeSeparators(f.secure + "12/gone.gif") + QStringLiteral(" - Original - ")
        + QStringLiteral("http:\\\\www.example.com\\discus\\messages\\12\\gone.gif") + CrLf;
    QCOMPARE(f.progress(), line);
    QVERIFY(f.errorLog().contains(line));
    QVERIFY(f.rows.isEmpty());
    QVERIFY(!f.host.StopConversion);
}

void TestAttachments::outsideAPageIsAnInternalError()
{
    AttachFixture f;
    f.write(f.messages + QStringLiteral("12/a.txt"), QStringLiteral("data"));
    f.run->pageAttachmentRows = nullptr;
    QString text = marker(Site + QStringLiteral("/messages/12/a.txt"));
    QCOMPARE(ProcessAttachments(*f.run, text, 3), QStringLiteral("xx"));
    QVERIFY(f.host.StopConversion);
    QCOMPARE(f.host.messages.size(), 1);
    QVERIFY(f.host.messages.at(0).startsWith(QStringLiteral("51 - ProcessAttachments()\r\n\r\n")));
    QVERIFY(f.copies().isEmpty());
    QCOMPARE(f.run->AttachIdCounter, 0);
}

void TestAttachments::images_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    const QString img = QStringLiteral("http://www.example.com/discus/messages/12/a.jpg");
    QTest::newRow("on the site") << "<p><img src=\"" + img + "\" alt=\"Owl\" border=0></p>" << "<p>[img]" + img + "[/img]</p>";
    QTest::newRow("upper case tag") << "<IMG SRC=\"" + img + "\" ALT=\"\">" << "[img]" + img + "[/img]";
    QTest::newRow("secure folder") << QStringLiteral("<img src=\"http://www.example.com/admin/secure/1/b.png\" alt=\"\">")
                                   << QStringLiteral("[img]http://www.example.com/admin/secure/1/b.png[/img]");
    QTest::newRow("relative address gets the site's host") << QStringLiteral("<img src=\"/discus/messages/12/a.jpg\" alt=\"\">")
                                                           << "[img]" + img + "[/img]";
    QTest::newRow("same tag twice") << "<img src=\"" + img + "\" alt=\"\"> and <img src=\"" + img + "\" alt=\"\">"
                                    << "[img]" + img + "[/img] and [img]" + img + "[/img]";
    QTest::newRow("only the first image") << "<img src=\"" + img + "\" alt=\"1\"><img src=\"" + img + "\" alt=\"2\">"
                                          << "[img]" + img + "[/img]<img src=\"" + img + "\" alt=\"2\">";
    const QString single = "<img src='" + img + "' alt=''>";
    QTest::newRow("single quotes") << single << single;
    const QString offSite = QStringLiteral("<img src=\"http://pics.example.org/a.jpg\" alt=\"\">");
    QTest::newRow("off the site") << offSite << offSite;
    const QString noAlt = "<img src=\"" + img + "\">";
    QTest::newRow("no alt") << noAlt << noAlt;
    // The alt of a later image does not make the first, off-site one a site image.
    const QString later = QStringLiteral("<img src=\"http://pics.example.org/a.jpg\"><img src=\"") + img + QStringLiteral("\" alt=\"\">");
    QTest::newRow("alt of a later image") << later << later;
    QTest::newRow("no image") << QStringLiteral("plain <b>text</b>") << QStringLiteral("plain <b>text</b>");
}

void TestAttachments::images()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    AttachFixture f;
    // The Part's conversion, which "Create Attachments" off keeps.
    f.run->settings.CreateAttachments = false;
    QCOMPARE(ProcessImages(*f.run, text), expected);
}

QTEST_GUILESS_MAIN(TestAttachments)
#include "tst_attachments.moc"
