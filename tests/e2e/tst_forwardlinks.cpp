// The sample board with a forward link (with "?digits"), a relative link, a link to a page
// that does not exist and a remote image added to a post, converted and loaded into a
// fresh phpBB 3.3 board: the finishing section points the links at their topics, the
// sample's own image arrives as an inline attachment, and subjects follow the topic titles.
#include "convert/ConvertController.h"
#include "tests/support/MariaDb.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using qbtest::MariaDb;

namespace {

const QString Db = QStringLiteral("forward33");
const QString Site = QStringLiteral("http://www.kestrel-valley-birders.example");
const QString Forum = QStringLiteral("http://forum.kestrel-valley-birders.example/");

bool copyTree(const QString &from, const QString &to)
{
    QDir().mkpath(to);
    const QDir dir(from);
    for (const QFileInfo &fi : dir.entryInfoList(QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot)) {
        const QString target = to + QLatin1Char('/') + fi.fileName();
        if (fi.isDir() ? !copyTree(fi.filePath(), target) : !QFile::copy(fi.filePath(), target))
            return false;
    }
    return true;
}

} // namespace

class TestForwardLinks : public QObject {
    Q_OBJECT
    MariaDb db;
    QTemporaryDir tmp;
    QString out, messages;

    // The post holding the added links (the first post of page 104).
    QString linkPost() { return db.scalar(Db, QStringLiteral("SELECT post_id FROM phpBB3_posts WHERE post_text LIKE '%Eight eggs%'")); }
    // "f=..&amp;t=.." of the topic made from a page, as the stored form writes it.
    QString topicOf(const QString &page)
    {
        const QStringList r = db.rows(Db, QStringLiteral("SELECT forum_id, topic_id FROM phpBB3_posts WHERE poster_ip LIKE '%^")
                                              + page + QStringLiteral("^%' LIMIT 1")).value(0);
        return r.size() == 2 ? QStringLiteral("viewtopic.php?f=%1&amp;t=%2").arg(r.at(0), r.at(1)) : QString();
    }

private slots:
    void initTestCase();
    void formattingArrivesAsMarkup_data();
    void formattingArrivesAsMarkup();
    void forwardAndRelativeLinksPointAtTheirTopics_data();
    void forwardAndRelativeLinksPointAtTheirTopics();
    void missingTargetKeepsItsAddressAndIsReportedOnce();
    void localImageIsAnInlineAttachmentWithItsBytes();
    void subjectsFollowTheTopicTitle();
};

void TestForwardLinks::initTestCase()
{
    if (qEnvironmentVariableIntValue("QB_SKIP_MARIADB"))
        QSKIP("QB_SKIP_MARIADB is set");
    QString why;
    QVERIFY2(MariaDb::available(&why), qPrintable(why));
    QVERIFY(tmp.isValid());
    const QString root = tmp.filePath(QStringLiteral("discus"));
    QVERIFY(copyTree(qbtest::sourceDir() + QStringLiteral("/samples/discus"), root));
    messages = root + QStringLiteral("/discus/messages/");

    // Board 3 is converted before boards 12 and 15: these links point forward.
    QFile page(messages + QStringLiteral("3/104.html"));
    QVERIFY(page.open(QIODevice::ReadOnly));
    QString html = QString::fromUtf8(page.readAll());
    page.close();
    const QString added = QStringLiteral(
        "<!--Text-->See <a href=\"%1/discus/messages/12/120.html?1048156283\">the forms</a>, "
        "<a href=\"../15/122.html#post2\">the walk</a>, <a href=\"/discus/messages/3/999.html\">gone</a> and "
        "<img src=\"http://elsewhere.example/pic.png\" alt=\"x\">. "
        // Every construct of the formatting conversion, as Discus keeps them in HTML.
        "<i>Not</i> my <u>best</u> work<blockquote>quoted words</blockquote><ul><li>item one<li>item two</ul>"
        "<pre>code line</pre><h2>A heading</h2><a href=\"http://elsewhere.example/page\">elsewhere</a> "
        "<font size=\"+1\">bigger</font>. ").arg(Site);
    QVERIFY(html.contains(QStringLiteral("<!--Text-->Eight eggs")));
    html.replace(QStringLiteral("<!--Text-->Eight eggs"), added + QStringLiteral("Eight eggs"));
    QVERIFY(page.open(QIODevice::WriteOnly | QIODevice::Truncate));
    page.write(html.toUtf8());
    page.close();

    out = tmp.filePath(QStringLiteral("out"));
    qbtest::RecorderView view;
    ConvertController ctl(view, out + QStringLiteral(".ini"), qbtest::sourceDir() + QLatin1Char('/'));
    ctl.DocsFolder = qbtest::sourceDir() + QStringLiteral("/Docs/");
    const QString admin = root + QStringLiteral("/discus_admin_1234567890/");
    view.setText(QStringLiteral("txtDiscusRootFolder"), root + QLatin1Char('/'));
    view.setText(QStringLiteral("txtDiscusMessageFolder"), messages);
    view.setText(QStringLiteral("txtDiscusSecureMessageFolder"), admin + QStringLiteral("secure/"));
    view.setText(QStringLiteral("txtDiscusMainFolder"), admin);
    view.setText(QStringLiteral("txtphpBB3OutputFolder"), out + QLatin1Char('/'));
    view.setText(QStringLiteral("txtphpBB3AttachmentsFolder"), out + QStringLiteral("/Attachments/"));
    view.setText(QStringLiteral("txtDiscusWebsite"), Site);
    view.setText(QStringLiteral("txtphpBB3ForumAddr"), Forum);
    view.setText(QStringLiteral("txtSplitMBSize"), QStringLiteral("50"));
    view.setText(QStringLiteral("txtDefaultAdmin"), QStringLiteral("admin"));
    view.setText(QStringLiteral("cboCharset"), QStringLiteral("utf-8"));
    view.setText(QStringLiteral("txtDefaultUsers"), QStringLiteral("57"));
    view.setText(QStringLiteral("txtDefaultGroups"), QStringLiteral("7"));
    ctl.phpBB3Version = QStringLiteral("3.3");
    ctl.cmdConvert_Click();
    QCOMPARE(int(ctl.LastRunResult), int(ConvertController::RunResult::Completed));

    QVERIFY2(db.start(), qPrintable(db.lastError()));
    QVERIFY(db.createDatabase(Db, QStringLiteral("utf8"), QStringLiteral("utf8_bin")));
    QVERIFY(db.runFile(Db, qbtest::sharedDir() + QStringLiteral("/phpbb/phpbb33-fresh.sql")).ok());
    const qbtest::SqlResult r = db.runScript(Db, out + QStringLiteral("/Discus Conversion Import SQL.sql"));
    QVERIFY2(r.ok(), qPrintable(r.describe()));
    QCOMPARE(r.warnings, QStringList());
}

void TestForwardLinks::formattingArrivesAsMarkup_data()
{
    QTest::addColumn<QString>("part"); // a piece the loaded post_text must hold
    QTest::newRow("italics") << "<I><s>[i]</s>Not<e>[/i]</e></I>";
    QTest::newRow("underline") << "<U><s>[u]</s>best<e>[/u]</e></U>";
    QTest::newRow("quote") << "<QUOTE><s>[quote]</s>quoted words<e>[/quote]</e></QUOTE>";
    QTest::newRow("list") << "<LIST><s>[list]</s>";
    QTest::newRow("first item") << "<LI><s>[*]</s>item one";
    QTest::newRow("second item") << "<LI><s>[*]</s>item two";
    QTest::newRow("code") << "<CODE><s>[code]</s>code line<e>[/code]</e></CODE>";
    QTest::newRow("heading") << "A heading";
    QTest::newRow("other site") << "<URL url=\"http://elsewhere.example/page\"><s>[url=http://elsewhere.example/page]</s>elsewhere";
    QTest::newRow("relative size") << "<SIZE size=\"125\">";
}

void TestForwardLinks::formattingArrivesAsMarkup()
{
    QFETCH(QString, part);
    const QString post = db.scalar(Db, QStringLiteral("SELECT post_text FROM phpBB3_posts WHERE post_id = ") + linkPost());
    QVERIFY2(post.contains(part), qPrintable(post));
    // Nothing is left as HTML text, and the list items are not run together.
    QVERIFY2(!post.contains(QStringLiteral("&lt;")), qPrintable(post));
    QVERIFY2(!post.contains(QStringLiteral("item oneitem two")), qPrintable(post));
}

void TestForwardLinks::forwardAndRelativeLinksPointAtTheirTopics_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("text");
    QTest::newRow("absolute with ?digits") << "120" << "the forms";
    QTest::newRow("relative with a fragment") << "122" << "the walk";
}

void TestForwardLinks::forwardAndRelativeLinksPointAtTheirTopics()
{
    QFETCH(QString, page);
    QFETCH(QString, text);
    const QString address = Forum + topicOf(page);
    QVERIFY(!topicOf(page).isEmpty());
    const QString post = db.scalar(Db, QStringLiteral("SELECT post_text FROM phpBB3_posts WHERE post_id = ") + linkPost());
    const QString link = QStringLiteral("<URL url=\"%1\"><s>[url=%1]</s>%2<e>[/url]</e></URL>").arg(address, text);
    QVERIFY2(post.contains(link), qPrintable(post));
    QVERIFY2(!post.contains(QStringLiteral("/") + page + QStringLiteral(".html")), qPrintable(post));
}

void TestForwardLinks::missingTargetKeepsItsAddressAndIsReportedOnce()
{
    const QString old = Site + QStringLiteral("/discus/messages/3/999.html");
    const QString post = db.scalar(Db, QStringLiteral("SELECT post_text FROM phpBB3_posts WHERE post_id = ") + linkPost());
    QVERIFY2(post.contains(QStringLiteral("<URL url=\"%1\"><s>[url=%1]</s>gone").arg(old)), qPrintable(post));
    QFile log(out + QStringLiteral("/LogError.txt"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(log.readAll()).remove(QChar(0));
    QCOMPARE(text.count(QStringLiteral("Internal link target was not converted - the link keeps its old address - ") + old), 1);
}

void TestForwardLinks::localImageIsAnInlineAttachmentWithItsBytes()
{
    const QString id = linkPost();
    const QString post = db.scalar(Db, QStringLiteral("SELECT post_text FROM phpBB3_posts WHERE post_id = ") + id);
    QVERIFY2(post.contains(QStringLiteral("<ATTACHMENT filename=\"nestbox.png\" index=\"0\"><s>[attachment=0]</s>nestbox.png"
                                          "<e>[/attachment]</e></ATTACHMENT>")),
             qPrintable(post));
    QVERIFY2(post.contains(QStringLiteral("<IMG src=\"http://elsewhere.example/pic.png\">")), qPrintable(post));
    const QStringList a = db.rows(Db, QStringLiteral("SELECT physical_filename, in_message, is_orphan FROM phpBB3_attachments "
                                                     "WHERE real_filename = 'nestbox.png' AND post_msg_id = ") + id).value(0);
    QCOMPARE(a.mid(1), (QStringList{QStringLiteral("0"), QStringLiteral("0")}));
    QFile copy(out + QStringLiteral("/Attachments/") + a.at(0)), source(messages + QStringLiteral("3/nestbox.png"));
    QVERIFY(copy.open(QIODevice::ReadOnly) && source.open(QIODevice::ReadOnly));
    const QByteArray bytes = source.readAll();
    QVERIFY(!bytes.isEmpty());
    QCOMPARE(copy.readAll(), bytes);
    QCOMPARE(db.scalar(Db, QStringLiteral("SELECT post_attachment FROM phpBB3_posts WHERE post_id = ") + id), QStringLiteral("1"));
}

void TestForwardLinks::subjectsFollowTheTopicTitle()
{
    // Each query counts the rows that break one rule.
    const char *const rules[] = {
        // first post: the title; replies: "Re: " and the title
        "SELECT COUNT(*) FROM phpBB3_posts p JOIN phpBB3_topics t ON t.topic_id = p.topic_id "
        "WHERE p.post_subject <> IF(p.post_id = t.topic_first_post_id, t.topic_title, CONCAT('Re: ', t.topic_title))",
        // a topic's last post: its newest (the higher id among posts of the same time)
        "SELECT COUNT(*) FROM phpBB3_topics t JOIN phpBB3_posts p ON p.post_id = "
        "(SELECT post_id FROM phpBB3_posts WHERE topic_id = t.topic_id AND post_visibility = 1 "
        "ORDER BY post_time DESC, post_id DESC LIMIT 1) "
        "WHERE t.topic_last_post_subject <> p.post_subject OR t.topic_last_post_id <> p.post_id",
        // a forum's last post: the same
        "SELECT COUNT(*) FROM phpBB3_forums f JOIN phpBB3_posts p ON p.post_id = "
        "(SELECT post_id FROM phpBB3_posts WHERE forum_id = f.forum_id AND post_visibility = 1 "
        "ORDER BY post_time DESC, post_id DESC LIMIT 1) "
        "WHERE f.forum_last_post_subject <> p.post_subject",
    };
    for (const char *rule : rules)
        QCOMPARE(db.scalar(Db, QString::fromLatin1(rule)), QStringLiteral("0"));
    // The rules did look at replies and at forums.
    QVERIFY(db.scalar(Db, QStringLiteral("SELECT COUNT(*) FROM phpBB3_posts WHERE post_subject LIKE 'Re: %'")).toInt() > 5);
    QVERIFY(db.scalar(Db, QStringLiteral("SELECT COUNT(*) FROM phpBB3_forums WHERE forum_last_post_id > 0")).toInt() > 3);
}

QTEST_GUILESS_MAIN(TestForwardLinks)
#include "tst_forwardlinks.moc"
