// The page walk of a board (forums per page, hidden and missing pages, loops) and the
// topics rows.
#include "boards/modBoards.h"
#include "boards/modTopics.h"
#include "output/TextCleaning.h"
#include "output/phpBBScript.h"
#include "tests/boards/BoardFixture.h"

#include <QtTest>

using namespace qbboards;

namespace {

// A category forum (id 1) and the walk of board 1 below it.
void walkBoard(Fixture &f, const QString &board = QStringLiteral("1"))
{
    if (f.run->ForumIdCounter == 0)
        phpBB3WriteForumsFile(*f.run, QStringLiteral("Cat"), f.run->ForumIdCounter, f.run->LeftIdCounter, 0, QString());
    f.run->CurrentLevel = 0;
    DiscusProcessBoardTopics(*f.run, board, QStringLiteral("Cat"), 1, false);
}

QString emptyPage(const QString &name)
{
    return page(QStringLiteral("1/Board"), QStringLiteral("9/") + name, name, QString());
}

} // namespace

class TestTopics : public QObject {
    Q_OBJECT

private slots:
    void threeEntriesNoPosts();
    void postsOnly();
    void hiddenEntryWalksSecurePage();
    void pageOnlyInSecureFolder_data();
    void pageOnlyInSecureFolder();
    void missingInBothFolders();
    void noLinkTextSkipsEntries();
    void topicInfo_data();
    void topicInfo();
    void topicExample41To45();
    void pageWithoutPosts();
    void singlePostTopicTimes();
    void samePageNumberInTwoBoards();
    void entriesAndPostsShareUniqueTopicId();
    void announcementBecomesDescription();
    void circularLinksFinish();
    void oddPageNameStillFindsItsForum();
    void deepChainIsBounded();
};

void TestTopics::threeEntriesNoPosts()
{
    Fixture f;
    QString entries;
    for (const QString &p : {QStringLiteral("11"), QStringLiteral("12"), QStringLiteral("13")})
        entries += topicEntry(QStringLiteral("1"), p, QStringLiteral("Sub ") + p);
    f.boardPage(QStringLiteral("1"), QStringLiteral("1"),
                page(QStringLiteral("1/Board One"), QStringLiteral("1/Board One"), QStringLiteral("Title"), entries));
    for (const QString &p : {QStringLiteral("11"), QStringLiteral("12"), QStringLiteral("13")})
        f.boardPage(QStringLiteral("1"), p, emptyPage(QStringLiteral("Sub ") + p));

    walkBoard(f);
    QVERIFY(!f.host.StopConversion);
    QCOMPARE(f.run->CurrentLevel, 0);
    QCOMPARE(f.run->dataIndex.upperBound(), 0);
    const QVector<Row> forums = f.forums();
    QCOMPARE(column(forums, QStringLiteral("forum_name")), QStringList({"Cat", "Board One", "Sub 11", "Sub 12", "Sub 13"}));
    QCOMPARE(column(forums, QStringLiteral("parent_id")), QStringList({"0", "1", "2", "2", "2"}));
    QCOMPARE(column(forums, QStringLiteral("right_id")), QStringList({"1", "1", "2", "2", "2"}));
    QVERIFY(f.topics().isEmpty());

    const QString progress = f.progress();
    QCOMPARE(progress.count(QStringLiteral("\tProcessing Topic - Board One\r\n")), 3);
    QVERIFY(progress.contains(QStringLiteral("\r\n\r\n\tProcessing Page Board One - Board One - ") + f.messages
                              + QStringLiteral("1/1.html\r\n")));
    QVERIFY(progress.contains(QStringLiteral("\r\n\r\n\t\tProcessing Page Board - Sub 12 - ") + f.messages
                              + QStringLiteral("1/12.html\r\n")));
    // Sub pages in entry order, one per pass.
    QVERIFY(progress.indexOf(QStringLiteral("Sub 11 - ")) < progress.indexOf(QStringLiteral("Sub 12 - ")));
    QVERIFY(progress.indexOf(QStringLiteral("Sub 12 - ")) < progress.indexOf(QStringLiteral("Sub 13 - ")));
}

void TestTopics::postsOnly()
{
    Fixture f;
    const qint32 jane = f.member(QStringLiteral("jane"), QStringLiteral("Jane Doe"));
    f.boardPage(QStringLiteral("1"), QStringLiteral("1"),
                page(QStringLiteral("1/Board"), QStringLiteral("1/Chat"), QStringLiteral("Chat Title"),
                     post(1, QStringLiteral("Jane Doe"), QStringLiteral("1000"), QStringLiteral("Hi"))
                         + post(2, QStringLiteral("Admin"), QStringLiteral("2000"), QStringLiteral("Hello"))));
    f.run->PostIdCounter = 7;
    walkBoard(f);
    QVERIFY(!f.host.StopConversion);
    QCOMPARE(f.host.postCount, 7);

    const QVector<Row> forums = f.forums();
    QCOMPARE(column(forums, QStringLiteral("forum_name")), QStringList({"Cat", "Chat"}));
    const QVector<Row> posts = f.posts();
    QCOMPARE(column(posts, QStringLiteral("post_id")), QStringList({"8", "9"}));
    QCOMPARE(column(posts, QStringLiteral("topic_id")), QStringList({"1", "1"}));
    QCOMPARE(column(posts, QStringLiteral("forum_id")), QStringList({"2", "2"}));
    QCOMPARE(column(posts, QStringLiteral("post_subject")), QStringList({"Chat", "Re: Chat"}));
    QCOMPARE(column(posts, QStringLiteral("poster_ip")), QStringList({"1^1^1", "1^1^2"}));
    const QVector<Row> topics = f.topics();
    QCOMPARE(topics.size(), 1);
    const Row &t = topics.at(0);
    QCOMPARE(t.value(QStringLiteral("topic_id")), QStringLiteral("1"));
    QCOMPARE(t.value(QStringLiteral("forum_id")), QStringLiteral("2"));
    QCOMPARE(t.value(QStringLiteral("topic_title")), QStringLiteral("Chat"));
    QCOMPARE(t.value(QStringLiteral("topic_first_post_id")), QStringLiteral("8"));
    QCOMPARE(t.value(QStringLiteral("topic_last_post_id")), QStringLiteral("9"));
    QCOMPARE(t.value(QStringLiteral("topic_poster")), QString::number(jane));
    QCOMPARE(t.value(QStringLiteral("topic_last_poster_id")), QStringLiteral("2"));
    QCOMPARE(t.value(QStringLiteral("topic_time")), QStringLiteral("1000"));
    QCOMPARE(t.value(QStringLiteral("topic_last_post_time")), QStringLiteral("2000"));
    QCOMPARE(t.value(QStringLiteral("topic_posts_approved")), QStringLiteral("2"));
    QCOMPARE(*f.run->TopicIdsByNumber.find(QStringLiteral("1")), QStringLiteral("2,1"));

    // Forum, posts, topic: all in the first pass.
    const QString progress = f.progress();
    const int pageLine = progress.indexOf(QStringLiteral("Processing Page Board - Chat - "));
    const int postsLine = progress.indexOf(QStringLiteral("\t\tProcessing Post for - Chat - ") + f.messages
                                           + QStringLiteral("1/1.html - Record # 8\r\n"));
    QVERIFY(pageLine >= 0);
    QVERIFY(postsLine > pageLine);
    QVERIFY(progress.indexOf(QStringLiteral("\t\tRe-ordering Posts - 2 - 8 to 9\r\n")) > postsLine);
    QVERIFY(progress.contains(QStringLiteral("\t\tDone\r\n\r\n")));
}

void TestTopics::hiddenEntryWalksSecurePage()
{
    Fixture f;
    f.run->settings.CreateHiddenTopics = false; // a hidden entry names the secure folder itself
    f.boardPage(QStringLiteral("1"), QStringLiteral("1"),
                page(QStringLiteral("1/Board"), QStringLiteral("1/Board"), QStringLiteral("T"),
                     topicEntry(QStringLiteral("1"), QStringLiteral("21"), QStringLiteral("Secret"), true)
                         + topicEntry(QStringLiteral("1"), QStringLiteral("22"), QStringLiteral("Open"))));
    f.securePage(QStringLiteral("1"), QStringLiteral("21"), emptyPage(QStringLiteral("Secret")));
    f.boardPage(QStringLiteral("1"), QStringLiteral("22"), emptyPage(QStringLiteral("Open")));
    walkBoard(f);
    QVERIFY(!f.host.StopConversion);
    QCOMPARE(column(f.forums(), QStringLiteral("forum_name")), QStringList({"Cat", "Board", "Secret", "Open"}));
    const QString progress = f.progress();
    QCOMPARE(progress.count(QStringLiteral("\r\nEncountered Hidden Topic - ") + f.messages + QStringLiteral("1/1.html\r\n")), 1);
    QVERIFY(progress.contains(QStringLiteral(" - Secret - ") + f.secure + QStringLiteral("1/21.html\r\n")));
}

void TestTopics::pageOnlyInSecureFolder_data()
{
    QTest::addColumn<bool>("createHidden");
    QTest::newRow("option on") << true;
    QTest::newRow("option off") << false;
}

void TestTopics::pageOnlyInSecureFolder()
{
    QFETCH(bool, createHidden);
    Fixture f;
    f.run->settings.CreateHiddenTopics = createHidden;
    f.boardPage(QStringLiteral("1"), QStringLiteral("1"),
                page(QStringLiteral("1/Board"), QStringLiteral("1/Board"), QStringLiteral("T"),
                     topicEntry(QStringLiteral("1"), QStringLiteral("31"), QStringLiteral("Moved"))));
    f.securePage(QStringLiteral("1"), QStringLiteral("31"),
                 page(QStringLiteral("1/Board"), QStringLiteral("31/Moved"), QStringLiteral("T"),
                      post(1, QStringLiteral("Admin"), QStringLiteral("5"), QStringLiteral("x"))));
    walkBoard(f);
    QVERIFY(!f.host.StopConversion);
    const QStringList names = column(f.forums(), QStringLiteral("forum_name"));
    if (createHidden) {
        QCOMPARE(names, QStringList({"Cat", "Board", "Moved"}));
        QCOMPARE(f.posts().size(), 1);
        QVERIFY(f.progress().contains(QStringLiteral("Processing Post for - Moved - ") + f.secure + QStringLiteral("1/31.html")));
    } else {
        QCOMPARE(names, QStringList({"Cat", "Board"}));
        QVERIFY(f.posts().isEmpty());
        QVERIFY(!f.progress().contains(QStringLiteral("File Does Not Exist")));
        QVERIFY(!f.errorLog().contains(QStringLiteral("31.html")));
    }
}

void TestTopics::missingInBothFolders()
{
    Fixture f;
    f.boardPage(QStringLiteral("1"), QStringLiteral("1"),
                page(QStringLiteral("1/Board"), QStringLiteral("1/Board"), QStringLiteral("T"),
                     topicEntry(QStringLiteral("1"), QStringLiteral("41"), QStringLiteral("Gone"))
                         + topicEntry(QStringLiteral("1"), QStringLiteral("42"), QStringLiteral("Here"))));
    f.boardPage(QStringLiteral("1"), QStringLiteral("42"), emptyPage(QStringLiteral("Here")));
    walkBoard(f);
    QVERIFY(!f.host.StopConversion);
    const QString line = QStringLiteral("File Does Not Exist - ") + f.messages + QStringLiteral("1/41.html nor does \r\n    ")
        + f.secure + QStringLiteral("1/41.html\r\n");
    QCOMPARE(f.progress().count(line), 1);
    QCOMPARE(f.errorLog().count(line), 1);
    QCOMPARE(column(f.forums(), QStringLiteral("forum_name")), QStringList({"Cat", "Board", "Here"}));
    QCOMPARE(f.run->CurrentLevel, 0);
}

void TestTopics::noLinkTextSkipsEntries()
{
    Fixture f;
    const QString entries = QStringLiteral("<!--Top: 51--><a href=\"/discus/messages/1/51.html\">A</a><!--/Top-->\n"
                                           "<!--Top: 52--><a href=\"/discus/messages/1/52.html\">B</a><!--/Top-->\n");
    f.boardPage(QStringLiteral("1"), QStringLiteral("1"),
                page(QStringLiteral("1/Board"), QStringLiteral("1/Board"), QStringLiteral("T"), entries, QString()));
    f.boardPage(QStringLiteral("1"), QStringLiteral("51"), emptyPage(QStringLiteral("A")));
    walkBoard(f);
    QCOMPARE(f.progress().count(QStringLiteral("\r\nEncountered Topic with no Subject on - ") + f.messages
                                + QStringLiteral("1/1.html\r\n")),
             2);
    QCOMPARE(column(f.forums(), QStringLiteral("forum_name")), QStringList({"Cat", "Board"}));
}

void TestTopics::topicInfo_data()
{
    QTest::addColumn<QString>("content");
    QTest::addColumn<QString>("topicName");
    QTest::addColumn<QString>("pageName");
    QTest::addColumn<QString>("topicNumber");
    QTest::newRow("usual") << "<!--Topic: 12/Birds of Prey--><!--Me: 345/Owls-->" << "Birds of Prey" << "Owls" << "12";
    QTest::newRow("no slash") << "<!--topic:  12 Hawks  --><!--ME: Kites -->" << "12 Hawks" << "Kites" << "12";
    QTest::newRow("tags and slashes") << "<!--Topic: 7/<b>A/B</b> -->" << "A/B" << "" << "7";
    QTest::newRow("missing") << "<html></html>" << "" << "" << "";
}

void TestTopics::topicInfo()
{
    QFETCH(QString, content);
    QFETCH(QString, topicName);
    QFETCH(QString, pageName);
    QFETCH(QString, topicNumber);
    Fixture f;
    QString t, p, n;
    GetTopicInfo(*f.run, content, t, p, n);
    QCOMPARE(t, topicName);
    QCOMPARE(p, pageName);
    QCOMPARE(n, topicNumber);
}

void TestTopics::topicExample41To45()
{
    Fixture f;
    const qint32 m48 = f.member(QStringLiteral("kim"), QStringLiteral("Kim Lee"));
    QCOMPARE(m48, 48);
    f.run->CurrentLevel = 1;
    f.run->dataIndex.reset(1);
    f.run->dataIndex.at(1).pageNumber = QStringLiteral("345");
    f.run->FirstPostTime = 100;
    f.run->LastPostTime = 500;
    f.run->TopicIdCounter = 6;
    phpBB3WriteTopicsFile(*f.run, QStringLiteral("Owl({)s"), 9, 41, 45, 48, 0);
    QVERIFY(!f.host.StopConversion);
    const QVector<Row> topics = f.topics();
    QCOMPARE(topics.size(), 1);
    const Row &t = topics.at(0);
    QCOMPARE(t.value(QStringLiteral("topic_id")), QStringLiteral("7"));
    QCOMPARE(t.value(QStringLiteral("forum_id")), QStringLiteral("9"));
    QCOMPARE(t.value(QStringLiteral("topic_views")), QStringLiteral("5"));
    QCOMPARE(t.value(QStringLiteral("topic_posts_approved")), QStringLiteral("5"));
    QCOMPARE(t.value(QStringLiteral("topic_first_post_id")), QStringLiteral("41"));
    QCOMPARE(t.value(QStringLiteral("topic_last_post_id")), QStringLiteral("45"));
    QCOMPARE(t.value(QStringLiteral("topic_poster")), QStringLiteral("48"));
    QCOMPARE(t.value(QStringLiteral("topic_first_poster_name")), QStringLiteral("Kim Lee"));
    QCOMPARE(t.value(QStringLiteral("topic_last_poster_id")), QStringLiteral("2"));
    QCOMPARE(t.value(QStringLiteral("topic_last_poster_name")), QStringLiteral("Admin"));
    QCOMPARE(t.value(QStringLiteral("topic_title")), QStringLiteral("Owl({)s"));
    QCOMPARE(t.value(QStringLiteral("topic_last_post_subject")), QStringLiteral("Re: Owl({)s"));
    // Only the administrator's name is coloured.
    QCOMPARE(t.value(QStringLiteral("topic_first_poster_colour")), QString());
    QCOMPARE(t.value(QStringLiteral("topic_last_poster_colour")), QStringLiteral("AA0000"));
    QCOMPARE(t.value(QStringLiteral("topic_time")), QStringLiteral("100"));
    QCOMPARE(t.value(QStringLiteral("topic_last_post_time")), QStringLiteral("500"));
    QCOMPARE(t.value(QStringLiteral("poll_max_options")), QStringLiteral("1"));
    QCOMPARE(t.value(QStringLiteral("topic_visibility")), QStringLiteral("1"));
    QCOMPARE(t.value(QStringLiteral("topic_type")), QStringLiteral("0"));
    QCOMPARE(*f.run->TopicIdsByNumber.find(QStringLiteral("345")), QStringLiteral("9,7"));
    QCOMPARE(f.run->TopicIdCounter, 7);
}

void TestTopics::pageWithoutPosts()
{
    Fixture f;
    f.run->CurrentLevel = 1;
    f.run->dataIndex.reset(1);
    phpBB3WriteTopicsFile(*f.run, QStringLiteral("Empty"), 3, 10, 9, 0, 0);
    const QVector<Row> topics = f.topics();
    QCOMPARE(topics.size(), 1);
    QCOMPARE(topics.at(0).value(QStringLiteral("topic_views")), QStringLiteral("0"));
    QCOMPARE(topics.at(0).value(QStringLiteral("topic_first_post_id")), QStringLiteral("10"));
    QCOMPARE(topics.at(0).value(QStringLiteral("topic_last_post_id")), QStringLiteral("10"));
    QCOMPARE(topics.at(0).value(QStringLiteral("topic_poster")), QStringLiteral("2"));
    QCOMPARE(f.run->dataIndex.at(1).lastPostId, 10);

    // A poster that is not a member stops the run through the writer's trap.
    Fixture g;
    g.run->CurrentLevel = 1;
    g.run->dataIndex.reset(1);
    phpBB3WriteTopicsFile(*g.run, QStringLiteral("X"), 3, 1, 1, 77, 77);
    QVERIFY(g.host.StopConversion);
    QVERIFY(g.host.messages.value(0).contains(QStringLiteral(" - phpBB3WriteTopicsFile()\r\n\r\n")));
    QVERIFY(g.topics().isEmpty());
}

void TestTopics::singlePostTopicTimes()
{
    Fixture f;
    f.boardPage(QStringLiteral("1"), QStringLiteral("1"),
                page(QStringLiteral("1/Board"), QStringLiteral("1/Solo"), QStringLiteral("T"),
                     post(1, QStringLiteral("Admin"), QStringLiteral("1234567"), QStringLiteral("only"))));
    walkBoard(f);
    const QVector<Row> topics = f.topics();
    QCOMPARE(topics.size(), 1);
    QCOMPARE(topics.at(0).value(QStringLiteral("topic_time")), QStringLiteral("1234567"));
    QCOMPARE(topics.at(0).value(QStringLiteral("topic_last_post_time")), QStringLiteral("1234567"));
    QCOMPARE(topics.at(0).value(QStringLiteral("topic_views")), QStringLiteral("1"));
    QCOMPARE(f.posts().value(0).value(QStringLiteral("post_time")), QStringLiteral("1234567"));
}

void TestTopics::samePageNumberInTwoBoards()
{
    Fixture f;
    for (const QString &b : {QStringLiteral("1"), QStringLiteral("2")}) {
        f.boardPage(b, b,
                    page(b + QStringLiteral("/Board ") + b, b + QStringLiteral("/Board ") + b, QStringLiteral("T"),
                         topicEntry(b, QStringLiteral("55"), QStringLiteral("Same"))));
        f.boardPage(b, QStringLiteral("55"),
                    page(b + QStringLiteral("/Board ") + b, QStringLiteral("55/Same ") + b, QStringLiteral("T"),
                         post(1, QStringLiteral("Admin"), QStringLiteral("9"), b)));
    }
    walkBoard(f, QStringLiteral("1"));
    walkBoard(f, QStringLiteral("2"));
    QVERIFY(!f.host.StopConversion);
    const QVector<Row> topics = f.topics();
    QCOMPARE(column(topics, QStringLiteral("topic_title")), QStringList({"Same 1", "Same 2"}));
    QCOMPARE(column(topics, QStringLiteral("forum_id")), QStringList({"3", "5"}));
    QCOMPARE(*f.run->TopicIdsByNumber.find(QStringLiteral("55")), QStringLiteral("3,1"));
    QCOMPARE(f.run->TopicIdsByNumber.count(), 1);
}

void TestTopics::entriesAndPostsShareUniqueTopicId()
{
    Fixture f;
    // The board page lists a sub page and carries posts itself; the sub page has posts and
    // its own sub page with posts.
    f.boardPage(QStringLiteral("1"), QStringLiteral("1"),
                page(QStringLiteral("1/Board"), QStringLiteral("1/Mixed"), QStringLiteral("T"),
                     topicEntry(QStringLiteral("1"), QStringLiteral("61"), QStringLiteral("Child"))
                         + post(1, QStringLiteral("Admin"), QStringLiteral("10"), QStringLiteral("m1"))
                         + post(2, QStringLiteral("Admin"), QStringLiteral("11"), QStringLiteral("m2"))));
    f.boardPage(QStringLiteral("1"), QStringLiteral("61"),
                page(QStringLiteral("1/Board"), QStringLiteral("61/Child"), QStringLiteral("T"),
                     topicEntry(QStringLiteral("1"), QStringLiteral("62"), QStringLiteral("Grandchild"))
                         + post(1, QStringLiteral("Admin"), QStringLiteral("20"), QStringLiteral("c1"))));
    f.boardPage(QStringLiteral("1"), QStringLiteral("62"),
                page(QStringLiteral("1/Board"), QStringLiteral("62/Grandchild"), QStringLiteral("T"),
                     post(1, QStringLiteral("Admin"), QStringLiteral("30"), QStringLiteral("g1"))));
    walkBoard(f);
    QVERIFY(!f.host.StopConversion);

    const QVector<Row> topics = f.topics();
    QCOMPARE(column(topics, QStringLiteral("topic_title")), QStringList({"Grandchild", "Child", "Mixed"}));
    QStringList ids = column(topics, QStringLiteral("topic_id"));
    QCOMPARE(ids, QStringList({"1", "2", "3"}));
    // Every post points at the topic of its own page, and each topic's first and last post are its own.
    QHash<QString, QString> topicOfText;
    for (const Row &p : f.posts())
        topicOfText.insert(QString(p.value(QStringLiteral("post_text"))).remove(QStringLiteral("<t>")).remove(QStringLiteral("</t>")),
                           p.value(QStringLiteral("topic_id")));
    QCOMPARE(topicOfText.value(QStringLiteral("g1")), QStringLiteral("1"));
    QCOMPARE(topicOfText.value(QStringLiteral("c1")), QStringLiteral("2"));
    QCOMPARE(topicOfText.value(QStringLiteral("m1")), QStringLiteral("3"));
    QCOMPARE(topicOfText.value(QStringLiteral("m2")), QStringLiteral("3"));
    QHash<QString, QString> topicOfPost;
    for (const Row &p : f.posts())
        topicOfPost.insert(p.value(QStringLiteral("post_id")), p.value(QStringLiteral("topic_id")));
    for (const Row &t : topics) {
        QCOMPARE(topicOfPost.value(t.value(QStringLiteral("topic_first_post_id"))), t.value(QStringLiteral("topic_id")));
        QCOMPARE(topicOfPost.value(t.value(QStringLiteral("topic_last_post_id"))), t.value(QStringLiteral("topic_id")));
    }
    QCOMPARE(f.run->TopicIdCounter, 3);
}

void TestTopics::announcementBecomesDescription()
{
    Fixture f;
    f.boardPage(QStringLiteral("1"), QStringLiteral("1"),
                page(QStringLiteral("1/Board"), QStringLiteral("1/Board"), QStringLiteral("T"),
                     QStringLiteral("<!--Announcement--><b>Welcome, birders</b><!--/Announcement-->\n"
                                    "<!--Announcement-->Second<!--/Announcement-->\n")));
    walkBoard(f);
    const QVector<Row> forums = f.forums();
    QCOMPARE(forums.size(), 2);
    QCOMPARE(forums.at(1).value(QStringLiteral("forum_desc")),
             QStringLiteral("<r><B><s>[b]</s>Welcome([) birders<e>[/b]</e></B></r>"));
}

void TestTopics::circularLinksFinish()
{
    Fixture f;
    // 1 -> 71 -> 72 -> 1 (back to the board page), and 72 -> 72 (itself).
    f.boardPage(QStringLiteral("1"), QStringLiteral("1"),
                page(QStringLiteral("1/Board"), QStringLiteral("1/Board"), QStringLiteral("T"),
                     topicEntry(QStringLiteral("1"), QStringLiteral("71"), QStringLiteral("A"))));
    f.boardPage(QStringLiteral("1"), QStringLiteral("71"),
                page(QStringLiteral("1/Board"), QStringLiteral("71/A"), QStringLiteral("T"),
                     topicEntry(QStringLiteral("1"), QStringLiteral("72"), QStringLiteral("B"))));
    f.boardPage(QStringLiteral("1"), QStringLiteral("72"),
                page(QStringLiteral("1/Board"), QStringLiteral("72/B"), QStringLiteral("T"),
                     topicEntry(QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("Up"))
                         + topicEntry(QStringLiteral("1"), QStringLiteral("72"), QStringLiteral("Self"))
                         + post(1, QStringLiteral("Admin"), QStringLiteral("1"), QStringLiteral("x"))));
    walkBoard(f);
    QVERIFY(!f.host.StopConversion);
    QCOMPARE(f.run->CurrentLevel, 0);
    QVERIFY(f.run->WalkPagePaths.isEmpty());
    QCOMPARE(column(f.forums(), QStringLiteral("forum_name")), QStringList({"Cat", "Board", "A", "B"}));
    QCOMPARE(f.topics().size(), 1);
    const QString up = QStringLiteral("Page Already Being Processed - ") + f.messages + QStringLiteral("1/1.html\r\n");
    const QString self = QStringLiteral("Page Already Being Processed - ") + f.messages + QStringLiteral("1/72.html\r\n");
    QCOMPARE(f.progress().count(up), 1);
    QCOMPARE(f.progress().count(self), 1);
    QCOMPARE(f.errorLog().count(up), 1);
    QCOMPARE(f.errorLog().count(self), 1);
}

void TestTopics::oddPageNameStillFindsItsForum()
{
    Fixture f;
    // Encoding the backtick makes a "<" that closes with the ">" into something tag-like.
    f.boardPage(QStringLiteral("1"), QStringLiteral("1"),
                page(QStringLiteral("1/Board"), QStringLiteral("1/Rock `n> Roll"), QStringLiteral("T"),
                     topicEntry(QStringLiteral("1"), QStringLiteral("81"), QStringLiteral("Sub"))
                         + post(1, QStringLiteral("Admin"), QStringLiteral("1"), QStringLiteral("x"))));
    f.boardPage(QStringLiteral("1"), QStringLiteral("81"), emptyPage(QStringLiteral("Sub")));
    walkBoard(f);
    QVERIFY(!f.host.StopConversion);
    const QVector<Row> forums = f.forums();
    QCOMPARE(forums.size(), 3);
    QCOMPARE(forums.at(2).value(QStringLiteral("parent_id")), QStringLiteral("2"));
    QCOMPARE(f.posts().value(0).value(QStringLiteral("forum_id")), QStringLiteral("2"));
}

void TestTopics::deepChainIsBounded()
{
    Fixture f;
    // Board page 1 -> 1001 -> 1002 -> ... -> 1249: 250 levels.
    const auto pageNumber = [](int level) { return level == 1 ? QStringLiteral("1") : QString::number(999 + level); };
    for (int level = 1; level <= 250; ++level) {
        const QString me = pageNumber(level);
        const QString entry = level < 250 ? topicEntry(QStringLiteral("1"), pageNumber(level + 1), QStringLiteral("Next"))
                                          : QString();
        f.boardPage(QStringLiteral("1"), me,
                    page(QStringLiteral("1/Board"), me + QStringLiteral("/Level ") + QString::number(level),
                         QStringLiteral("T"), entry));
    }
    walkBoard(f);
    QVERIFY(!f.host.StopConversion);
    QCOMPARE(f.run->CurrentLevel, 0);
    const QVector<Row> forums = f.forums();
    QCOMPARE(forums.size(), 1 + 200);
    QCOMPARE(forums.last().value(QStringLiteral("forum_name")), QStringLiteral("Level 200"));
    QCOMPARE(forums.last().value(QStringLiteral("parent_id")), QStringLiteral("200"));
    const QString line = QStringLiteral("Page Nesting Deeper Than 200 Levels - ") + f.messages + QStringLiteral("1/1200.html\r\n");
    QCOMPARE(f.progress().count(QStringLiteral("Page Nesting Deeper Than 200 Levels - ")), 1);
    QCOMPARE(f.progress().count(line), 1);
    QCOMPARE(f.errorLog().count(line), 1);

    // The forum tree of the chain is a valid nested set.
    const QVector<QPair<qint32, qint32>> set = ForumNestedSet(f.run->ForumParents);
    for (int i = 1; i < set.size(); ++i)
        QVERIFY(set.at(i - 1).first < set.at(i).first && set.at(i).second < set.at(i - 1).second);
}

QTEST_GUILESS_MAIN(TestTopics)
#include "tst_topics.moc"
