// The posts of one topic page: rows, posters, order, progress lines and failures.
#include "boards/modTopics.h"
#include "members/modMD5Hash.h"
#include "messages/modMessages.h"
#include "tests/boards/BoardFixture.h"

#include <QtTest>

using namespace qbboards;

namespace {

// The walk's state for a page at level 1 of topic 12, page 345.
void enterPage(Fixture &f)
{
    f.run->CurrentLevel = 1;
    f.run->dataIndex.reset(1);
    f.run->dataIndex.at(1).topicNumber = QStringLiteral("12");
    f.run->dataIndex.at(1).pageNumber = QStringLiteral("345");
}

const QString PagePath = QStringLiteral("/boards/12/345.html");

void readPosts(Fixture &f, const QString &content, qint32 forumId = 4)
{
    DiscusProcessPostsOnPage(*f.run, PagePath, QStringLiteral("Title"), QStringLiteral("Topic"), QStringLiteral("Owls"),
                             QStringLiteral("Owl({)s Link"), forumId, 0, 0, content);
}

} // namespace

class TestPosts : public QObject {
    Q_OBJECT

private slots:
    void rowsOfAscendingPage();
    void newestFirstPageIsWrittenInReverse();
    void equalTimesKeepPageOrder();
    void unknownPostersAreAdded();
    void posterMatching_data();
    void posterMatching();
    void pageWithoutPosts();
    void missingEndMarkerEndsPage();
    void nonNumericTimeStopsRun_data();
    void nonNumericTimeStopsRun();
    void postMarkers_data();
    void postMarkers();
    void postNumbers_data();
    void postNumbers();
    void manyPostsOnOnePage();
};

void TestPosts::rowsOfAscendingPage()
{
    Fixture f;
    const qint32 jane = f.member(QStringLiteral("jane"), QStringLiteral("Jane Doe"));
    enterPage(f);
    f.run->PostIdCounter = 40;
    f.run->TopicIdCounter = 8;
    readPosts(f, QStringLiteral("<html>") + post(7, QStringLiteral("<i>Jane Doe</i>"), QStringLiteral(" 1000 "),
                                                 QStringLiteral("Hello, <b>\"world\"</b>\r\nit's me"))
                     + post(8, QStringLiteral("Admin"), QStringLiteral("2000"), QStringLiteral("Re: hi")));
    QVERIFY(!f.host.StopConversion);

    const QVector<Row> posts = f.posts();
    QCOMPARE(posts.size(), 2);
    const Row &p = posts.at(0);
    QCOMPARE(p.value(QStringLiteral("post_id")), QStringLiteral("41"));
    QCOMPARE(p.value(QStringLiteral("topic_id")), QStringLiteral("9"));
    QCOMPARE(p.value(QStringLiteral("forum_id")), QStringLiteral("4"));
    QCOMPARE(p.value(QStringLiteral("poster_id")), QString::number(jane));
    QCOMPARE(p.value(QStringLiteral("poster_ip")), QStringLiteral("12^345^7"));
    QCOMPARE(p.value(QStringLiteral("post_time")), QStringLiteral("1000"));
    QCOMPARE(p.value(QStringLiteral("post_username")), QStringLiteral("Jane Doe"));
    QCOMPARE(p.value(QStringLiteral("post_subject")), QStringLiteral("Owls"));
    // Bold becomes BBCode; the remaining tags go and row-breaking characters are tokens.
    const QString text = QStringLiteral("Hello([) [b](})world(})[/b](:)it({)s me");
    // Stored as phpBB keeps it: BBCode elements, "<br/>" before each line break.
    QCOMPARE(p.value(QStringLiteral("post_text")),
             QStringLiteral("<r>Hello([) <B><s>[b]</s>(})world(})<e>[/b]</e></B><br/>(:)it({)s me</r>"));
    QCOMPARE(p.value(QStringLiteral("bbcode_uid")), QStringLiteral("qbconv01"));
    QCOMPARE(p.value(QStringLiteral("post_checksum")), MD5HashString(f.host, text));
    QCOMPARE(p.value(QStringLiteral("post_postcount")), QStringLiteral("1"));
    QCOMPARE(p.value(QStringLiteral("post_visibility")), QStringLiteral("1"));
    QCOMPARE(p.value(QStringLiteral("enable_bbcode")), QStringLiteral("1"));
    QCOMPARE(p.value(QStringLiteral("enable_sig")), QStringLiteral("1"));
    QCOMPARE(posts.at(1).value(QStringLiteral("post_id")), QStringLiteral("42"));
    QCOMPARE(posts.at(1).value(QStringLiteral("poster_id")), QStringLiteral("2"));
    QCOMPARE(posts.at(1).value(QStringLiteral("poster_ip")), QStringLiteral("12^345^8"));

    const DataIndexLevel &L = f.run->dataIndex.at(1);
    QCOMPARE(L.topicId, 9);
    QCOMPARE(f.run->TopicIdCounter, 9);
    QCOMPARE(L.firstPostId, 41);
    QCOMPARE(L.lastPostId, 42);
    QCOMPARE(L.firstPosterId, jane);
    QCOMPARE(L.lastPosterId, 2);
    QCOMPARE(f.run->FirstPostTime, 1000);
    QCOMPARE(f.run->LastPostTime, 2000);
    QCOMPARE(f.run->CurrentPosterId, 2);
    QCOMPARE(f.run->PageCounter, 1);
    QCOMPARE(f.run->MemberPostCounts.at(jane), 1);
    QCOMPARE(f.run->MemberPostCounts.at(2), 1);

    QCOMPARE(f.progress(), QStringLiteral("\t\tProcessing Post for - Owls - ") + PagePath + QStringLiteral(" - Record # 41\r\n")
                               + QStringLiteral("\t\tRe-ordering Posts - 2 - 41 to 42\r\n")
                               + QStringLiteral("\t\tDone\r\n\r\n"));

    // The topic row written next carries the reserved id.
    phpBB3WriteTopicsFile(*f.run, QStringLiteral("Owls"), 4, L.firstPostId, L.lastPostId, L.firstPosterId, L.lastPosterId);
    QCOMPARE(f.topics().value(0).value(QStringLiteral("topic_id")), QStringLiteral("9"));
    QCOMPARE(f.run->TopicIdCounter, 9);
}

void TestPosts::newestFirstPageIsWrittenInReverse()
{
    Fixture f;
    const qint32 a = f.member(QStringLiteral("a"), QStringLiteral("Anna"));
    const qint32 b = f.member(QStringLiteral("b"), QStringLiteral("Ben"));
    const qint32 c = f.member(QStringLiteral("c"), QStringLiteral("Cleo"));
    enterPage(f);
    // Page order: newest first (Anna 300, Ben 300, Cleo 100).
    readPosts(f, post(3, QStringLiteral("Anna"), QStringLiteral("300"), QStringLiteral("newest"))
                     + post(2, QStringLiteral("Ben"), QStringLiteral("300"), QStringLiteral("middle"))
                     + post(1, QStringLiteral("Cleo"), QStringLiteral("100"), QStringLiteral("oldest")));
    QVERIFY(!f.host.StopConversion);
    const QVector<Row> posts = f.posts();
    QCOMPARE(column(posts, QStringLiteral("post_text")), QStringList({"<t>oldest</t>", "<t>middle</t>", "<t>newest</t>"}));
    // Ids are handed out in the order the rows are written, so they rise with time.
    QCOMPARE(column(posts, QStringLiteral("post_id")), QStringList({"1", "2", "3"}));
    QCOMPARE(column(posts, QStringLiteral("poster_ip")), QStringList({"12^345^1", "12^345^2", "12^345^3"}));
    QCOMPARE(column(posts, QStringLiteral("post_time")), QStringList({"100", "300", "300"}));
    const DataIndexLevel &L = f.run->dataIndex.at(1);
    QCOMPARE(L.firstPosterId, c);
    QCOMPARE(L.lastPosterId, a);
    QCOMPARE(L.firstPostId, 1);
    QCOMPARE(L.lastPostId, 3);
    QCOMPARE(f.run->FirstPostTime, 100);
    QCOMPARE(f.run->LastPostTime, 300);
    QVERIFY(f.progress().contains(QStringLiteral("\t\tRe-ordering Posts - 1 - 1 to 3\r\n")));

    // The topic starts with the oldest post and ends with the newest.
    phpBB3WriteTopicsFile(*f.run, QStringLiteral("Owls"), 4, L.firstPostId, L.lastPostId, L.firstPosterId, L.lastPosterId);
    const Row t = f.topics().value(0);
    QCOMPARE(t.value(QStringLiteral("topic_poster")), QString::number(c));
    QCOMPARE(t.value(QStringLiteral("topic_first_poster_name")), QStringLiteral("Cleo"));
    QCOMPARE(t.value(QStringLiteral("topic_last_poster_id")), QString::number(a));
    QCOMPARE(t.value(QStringLiteral("topic_last_poster_name")), QStringLiteral("Anna"));
    QCOMPARE(t.value(QStringLiteral("topic_time")), QStringLiteral("100"));
    QCOMPARE(t.value(QStringLiteral("topic_last_post_time")), QStringLiteral("300"));
    QCOMPARE(t.value(QStringLiteral("topic_first_post_id")), QStringLiteral("1"));
    QCOMPARE(t.value(QStringLiteral("topic_last_post_id")), QStringLiteral("3"));
    QCOMPARE(t.value(QStringLiteral("topic_views")), QStringLiteral("3"));
    Q_UNUSED(b);
}

void TestPosts::equalTimesKeepPageOrder()
{
    Fixture f;
    enterPage(f);
    readPosts(f, post(1, QStringLiteral("Admin"), QStringLiteral("50"), QStringLiteral("one"))
                     + post(2, QStringLiteral("Admin"), QStringLiteral("50"), QStringLiteral("two"))
                     + post(3, QStringLiteral("Admin"), QStringLiteral("60"), QStringLiteral("three")));
    QCOMPARE(column(f.posts(), QStringLiteral("post_text")), QStringList({"<t>one</t>", "<t>two</t>", "<t>three</t>"}));
    QVERIFY(f.progress().contains(QStringLiteral("Re-ordering Posts - 3 - 1 to 3")));
}

void TestPosts::unknownPostersAreAdded()
{
    Fixture f;
    f.run->settings.phpBB3DefaultUsers = 200; // the new member's id passes the counts' first bound of 100
    enterPage(f);
    readPosts(f, post(1, QStringLiteral("Stranger, the"), QStringLiteral("1"), QStringLiteral("a"))
                     + post(2, QStringLiteral("stranger( the"), QStringLiteral("2"), QStringLiteral("b"))
                     + post(3, QStringLiteral("<b></b>"), QStringLiteral("3"), QStringLiteral("c"))
                     + post(4, QStringLiteral("?..."), QStringLiteral("4"), QStringLiteral("d"))
                     + post(5, QStringLiteral("STRANGER THE"), QStringLiteral("5"), QStringLiteral("e")));
    QVERIFY(!f.host.StopConversion);
    const QVector<Row> posts = f.posts();
    QCOMPARE(column(posts, QStringLiteral("post_username")),
             QStringList({"Stranger the", "stranger( the", "Anonymous", "Anonymous", "Stranger the"}));
    QCOMPARE(column(posts, QStringLiteral("poster_id")), QStringList({"201", "202", "203", "203", "201"}));
    const QString progress = f.progress();
    const QString adding = QStringLiteral("\r\n\r\n\t\t***** Posters User Name / Real Name Not Found - Adding ***** - ");
    QCOMPARE(progress.count(adding), 3);
    QCOMPARE(progress.count(adding + QStringLiteral("Stranger the\r\n")), 1);
    QCOMPARE(progress.count(adding + QStringLiteral("Anonymous\r\n")), 1);
    QVERIFY(f.run->MembersById.contains(QStringLiteral("203")));
    QCOMPARE(f.run->MemberPostCounts.size(), 302); // upper bound 201 + 100
    QCOMPARE(f.run->MemberPostCounts.at(201), 2);
    QCOMPARE(f.run->MemberPostCounts.at(202), 1);
    QCOMPARE(f.run->MemberPostCounts.at(203), 2);
}

void TestPosts::posterMatching_data()
{
    QTest::addColumn<QString>("pageName");
    QTest::addColumn<QString>("rowName");
    QTest::newRow("real name, other case") << "jane DOE" << "Jane Doe";
    QTest::newRow("user name") << "JDOE" << "jdoe";
    QTest::newRow("blanks and tags") << "  <a href=x>Jane Doe</a> " << "Jane Doe";
}

void TestPosts::posterMatching()
{
    QFETCH(QString, pageName);
    QFETCH(QString, rowName);
    Fixture f;
    const qint32 jane = f.member(QStringLiteral("jdoe"), QStringLiteral("Jane Doe"));
    enterPage(f);
    readPosts(f, post(1, pageName, QStringLiteral("1"), QStringLiteral("x")));
    const QVector<Row> posts = f.posts();
    QCOMPARE(posts.size(), 1);
    QCOMPARE(posts.at(0).value(QStringLiteral("post_username")), rowName);
    QCOMPARE(posts.at(0).value(QStringLiteral("poster_id")), QString::number(jane));
    QVERIFY(!f.progress().contains(QStringLiteral("Not Found")));
}

void TestPosts::pageWithoutPosts()
{
    Fixture f;
    enterPage(f);
    f.run->PostIdCounter = 9;
    f.run->PageCounter = 3;
    f.run->FirstPostTime = 5;
    f.run->LastPostTime = 6;
    readPosts(f, QStringLiteral("<html><body>nothing here</body></html>"));
    QVERIFY(!f.host.StopConversion);
    QCOMPARE(f.run->PageCounter, 4);
    QCOMPARE(f.run->dataIndex.at(1).firstPostId, 10);
    QCOMPARE(f.run->dataIndex.at(1).lastPostId, 9);
    QCOMPARE(f.run->FirstPostTime, 0);
    QCOMPARE(f.run->LastPostTime, 0);
    QVERIFY(f.posts().isEmpty());
    QVERIFY(f.progress().contains(QStringLiteral("\t\tRe-ordering Posts - 0 - 10 to 9\r\n")));
}

void TestPosts::missingEndMarkerEndsPage()
{
    Fixture f;
    enterPage(f);
    QString broken = post(3, QStringLiteral("Admin"), QStringLiteral("3"), QStringLiteral("three"));
    broken.remove(QStringLiteral("<!--/Post: 3-->"));
    readPosts(f, post(1, QStringLiteral("Admin"), QStringLiteral("1"), QStringLiteral("one"))
                     + post(2, QStringLiteral("Admin"), QStringLiteral("2"), QStringLiteral("two")) + broken
                     + post(4, QStringLiteral("Admin"), QStringLiteral("4"), QStringLiteral("four")));
    QVERIFY(!f.host.StopConversion);
    QCOMPARE(column(f.posts(), QStringLiteral("post_text")), QStringList({"<t>one</t>", "<t>two</t>"}));
    QCOMPARE(f.run->PostIdCounter, 2);
}

void TestPosts::nonNumericTimeStopsRun_data()
{
    QTest::addColumn<QString>("time");
    QTest::addColumn<int>("number");
    QTest::newRow("letters") << "12a" << 13;
    QTest::newRow("empty") << "" << 13;
    QTest::newRow("beyond 32 bits") << "99999999999" << 6;
}

void TestPosts::nonNumericTimeStopsRun()
{
    QFETCH(QString, time);
    QFETCH(int, number);
    Fixture f;
    enterPage(f);
    readPosts(f, post(1, QStringLiteral("Admin"), QStringLiteral("1"), QStringLiteral("one"))
                     + post(2, QStringLiteral("Admin"), time, QStringLiteral("two")));
    QVERIFY(f.host.StopConversion);
    QCOMPARE(f.host.messages.size(), 1);
    QVERIFY(f.host.messages.at(0).startsWith(QString::number(number) + QStringLiteral(" - DiscusProcessPostsOnPage()\r\n\r\n")));
    // Nothing of the page is written.
    QVERIFY(f.posts().isEmpty());
    QVERIFY(f.run->pageAttachmentRows == nullptr);
}

void TestPosts::postMarkers_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("open");
    QTest::addColumn<QString>("end");
    QTest::newRow("usual") << "x<!--Post: 12--><!--name-->" << "<!--Post: 12-->" << "<!--/Post: 12-->";
    QTest::newRow("lower case") << "<!--post: 7 -->" << "<!--post: 7 -->" << "<!--/post: 7 -->";
}

void TestPosts::postMarkers()
{
    QFETCH(QString, page);
    QFETCH(QString, open);
    QFETCH(QString, end);
    QString o, e;
    GetPostMarkers(page, page.indexOf(QStringLiteral("<!--"), 0, Qt::CaseInsensitive), o, e);
    QCOMPARE(o, open);
    QCOMPARE(e, end);

    bool thrown = false;
    try {
        GetPostMarkers(QStringLiteral("<!--Post: 12"), 0, o, e);
    } catch (const QbError &err) {
        thrown = err.number() == QbErrNo::InvalidArgument;
    }
    QVERIFY(thrown);
}

// The number is the leading digits of the post's block once every copy of its marker is
// taken out and the block is trimmed: blanks before it, copies of the marker within it.
void TestPosts::postNumbers_data()
{
    QTest::addColumn<QString>("head"); // what stands between "<!--Post: " and "-->"
    QTest::addColumn<QString>("number");
    QTest::newRow("usual") << "12" << "12";
    QTest::newRow("blanks before") << " \t 34 " << "34";
    QTest::newRow("up to a blank") << "5 6" << "5";
    QTest::newRow("copy of the marker") << "7<!--POST: 8" << "78";
    QTest::newRow("digits around a copy") << " 1<!--post: 2" << "12";
    QTest::newRow("not a digit") << "x9" << "";
    // Taking out the inner copy joins a new one, which stays.
    QTest::newRow("joined copy") << "<!--Po<!--Post: st: 3" << "";
}

void TestPosts::postNumbers()
{
    QFETCH(QString, head);
    QFETCH(QString, number);
    Fixture f;
    enterPage(f);
    readPosts(f, QStringLiteral("<!--Post: ") + head + QStringLiteral("--><!--name-->Admin<!--/name--><!--Time: 5-->"
                                                                     "<!--Text-->x<!--/Text--><!--/Post: ")
                     + head + QStringLiteral("-->"));
    QCOMPARE(f.posts().value(0).value(QStringLiteral("poster_ip")), QStringLiteral("12^345^") + number);
}

void TestPosts::manyPostsOnOnePage()
{
    Fixture f;
    enterPage(f);
    QString content;
    const int count = 20000;
    for (int i = 1; i <= count; ++i)
        content += post(i, i % 2 ? QStringLiteral("Admin") : QStringLiteral("Guest"), QString::number(1000 + i),
                        QStringLiteral("Post number ") + QString::number(i));
    readPosts(f, content);
    QVERIFY(!f.host.StopConversion);
    const QVector<Row> posts = f.posts();
    QCOMPARE(posts.size(), count);
    QCOMPARE(posts.last().value(QStringLiteral("post_text")), QStringLiteral("<t>Post number 20000</t>"));
    QCOMPARE(posts.last().value(QStringLiteral("post_id")), QString::number(count));
    QCOMPARE(f.run->MemberPostCounts.at(2), count / 2);
}

QTEST_GUILESS_MAIN(TestPosts)
#include "tst_posts.moc"
