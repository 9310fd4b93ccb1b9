// The main board file, the forums rows and the forum tree of the SQL script.
#include "boards/modBoards.h"
#include "output/TextCleaning.h"
#include "output/phpBBScript.h"
#include "tests/boards/BoardFixture.h"

#include <QtTest>

using namespace qbboards;

class TestBoards : public QObject {
    Q_OBJECT

private:
    // A board page without topic entries, posts or announcements.
    static QString boardPage(const QString &board)
    {
        return page(board + QStringLiteral("/Board ") + board, board + QStringLiteral("/Board ") + board,
                    QStringLiteral("Board ") + board, QString());
    }

private slots:
    void forumNumberingExample();
    void cgiFallbackAndLowerCaseMarkers();
    void missingMainFile();
    void unterminatedCategory();
    void boardNumberWithBlanksAndZeros();
    void sameNameTwiceLaterWins();
    void categoryNameTokens();
    void forumTreeNestedSet_data();
    void forumTreeNestedSet();
    void forumTreeSqlAppended();
    void fitColumnText_data();
    void fitColumnText();
};

void TestBoards::forumNumberingExample()
{
    Fixture f;
    f.write(f.messages + QStringLiteral("board-topics.html"),
            mainBoardFile({{QStringLiteral("A"), {QStringLiteral("3"), QStringLiteral("7")}},
                           {QStringLiteral("B"), {QStringLiteral("5")}}}));
    for (const QString &b : {QStringLiteral("3"), QStringLiteral("7"), QStringLiteral("5")})
        f.boardPage(b, b, boardPage(b));

    QVERIFY(DiscusProcessDiscusMainBoardFile(*f.run));
    QVERIFY(!f.host.StopConversion);
    const QVector<Row> rows = f.forums();
    QCOMPARE(column(rows, QStringLiteral("forum_name")),
             QStringList({"A", "Board 3", "Board 7", "B", "Board 5"}));
    QCOMPARE(column(rows, QStringLiteral("forum_id")), QStringList({"1", "2", "3", "4", "5"}));
    QCOMPARE(column(rows, QStringLiteral("parent_id")), QStringList({"0", "1", "1", "0", "4"}));
    QCOMPARE(column(rows, QStringLiteral("left_id")), QStringList({"1", "2", "3", "4", "5"}));
    QCOMPARE(column(rows, QStringLiteral("right_id")), QStringList({"1", "1", "1", "4", "4"}));
    QCOMPARE(column(rows, QStringLiteral("forum_desc")), QStringList({"", "", "", "", ""}));
    QCOMPARE(rows.at(0).value(QStringLiteral("forum_type")), QStringLiteral("1"));
    QCOMPARE(rows.at(0).value(QStringLiteral("forum_flags")), QStringLiteral("48"));
    // Descriptions are stored with BBCode and links on, smilies off, as phpBB writes them.
    QCOMPARE(rows.at(0).value(QStringLiteral("forum_desc_options")), QStringLiteral("5"));
    QCOMPARE(rows.at(0).value(QStringLiteral("display_subforum_list")), QStringLiteral("1"));
    QCOMPARE(f.run->ForumParents, QVector<qint32>({0, 1, 1, 0, 4}));
    QCOMPARE(f.host.processedFolders(), QStringList({"3", "7", "5"}));
    QCOMPARE(*f.run->ForumIdsByName.find(QStringLiteral("board 7")), 3);
    // The forums file is closed by the phase with its load statement.
    QVERIFY(!f.run->forums.isOpen());
    QVERIFY(f.script().contains(QStringLiteral("phpBB3_forums1.txt")));
}

void TestBoards::cgiFallbackAndLowerCaseMarkers()
{
    Fixture f;
    f.write(f.messages + QStringLiteral("discus.cgi"),
            QStringLiteral("<!--category: 1--><!--text-->Only<!--/text--><!--/category-->\n"
                           "<!--top: 4--><a href=x>Four</a><!--/top-->\n"));
    f.boardPage(QStringLiteral("4"), QStringLiteral("4"), boardPage(QStringLiteral("4")));
    QVERIFY(DiscusProcessDiscusMainBoardFile(*f.run));
    QCOMPARE(column(f.forums(), QStringLiteral("forum_name")), QStringList({"Only", "Board 4"}));
}

void TestBoards::missingMainFile()
{
    Fixture f;
    QVERIFY(!DiscusProcessDiscusMainBoardFile(*f.run));
    QCOMPARE(f.host.messages.size(), 1);
    QCOMPARE(f.host.messages.at(0), QStringLiteral("Missing File - ") + f.messages + QStringLiteral("board-topics.html") + CrLf
                                        + QStringLiteral("Missing File - ") + f.messages + QStringLiteral("discus.cgi") + CrLf
                                        + QStringLiteral("One file must exist"));
    // The run cannot convert anything without it and ends as stopped.
    QVERIFY(f.host.StopConversion);
    QVERIFY(f.errorLog().contains(QStringLiteral("One file must exist")));
}

void TestBoards::unterminatedCategory()
{
    Fixture f;
    f.write(f.messages + QStringLiteral("board-topics.html"),
            QStringLiteral("<!--Category: 1--><!--Text-->First<!--/Text--><!--/Category-->\n<!--Top: 3-->x<!--/Top-->\n"
                           "<!--Category: 2--><!--Text-->Open<!--/Text-->\n<!--Top: 7-->y<!--/Top-->\n"));
    f.boardPage(QStringLiteral("3"), QStringLiteral("3"), boardPage(QStringLiteral("3")));
    f.boardPage(QStringLiteral("7"), QStringLiteral("7"), boardPage(QStringLiteral("7")));
    QVERIFY(DiscusProcessDiscusMainBoardFile(*f.run));
    QCOMPARE(column(f.forums(), QStringLiteral("forum_name")), QStringList({"First", "Board 3"}));
}

void TestBoards::boardNumberWithBlanksAndZeros()
{
    Fixture f;
    f.write(f.messages + QStringLiteral("board-topics.html"),
            QStringLiteral("<!--Category: 1--><!--Text-->C<!--/Text--><!--/Category-->\n"
                           "<!--Top:   0012--><!--/Top-->\n<!--Top: Abc--><!--/Top-->\n"));
    f.boardPage(QStringLiteral("0012"), QStringLiteral("0012"), boardPage(QStringLiteral("12")));
    QVERIFY(DiscusProcessDiscusMainBoardFile(*f.run));
    QCOMPARE(f.host.processedFolders(), QStringList({"0012", ""}));
    QCOMPARE(column(f.forums(), QStringLiteral("forum_name")), QStringList({"C", "Board 12"}));
    // The empty board number names no page: one missing-page line.
    QCOMPARE(f.progress().count(QStringLiteral("File Does Not Exist - ")), 1);
    QVERIFY(!f.host.StopConversion);
}

void TestBoards::sameNameTwiceLaterWins()
{
    Fixture f;
    phpBB3WriteForumsFile(*f.run, QStringLiteral("General"), f.run->ForumIdCounter, f.run->LeftIdCounter, 0, QString());
    phpBB3WriteForumsFile(*f.run, QStringLiteral("Other"), f.run->ForumIdCounter, f.run->LeftIdCounter, 1, QString());
    phpBB3WriteForumsFile(*f.run, QStringLiteral("<b>general</b>"), f.run->ForumIdCounter, f.run->LeftIdCounter, 1,
                          QStringLiteral("desc"));
    QCOMPARE(f.run->ForumIdsByName.count(), 2);
    QCOMPARE(*f.run->ForumIdsByName.find(QStringLiteral("GENERAL")), 3);
    const QVector<Row> rows = f.forums();
    QCOMPARE(column(rows, QStringLiteral("forum_name")), QStringList({"General", "Other", "general"}));
    QCOMPARE(column(rows, QStringLiteral("right_id")), QStringList({"1", "1", "1"}));
    QCOMPARE(rows.at(2).value(QStringLiteral("forum_desc")), QStringLiteral("<t>desc</t>"));
    QCOMPARE(f.run->LeftIdCounter, 4);
}

void TestBoards::categoryNameTokens()
{
    Fixture f;
    f.write(f.messages + QStringLiteral("board-topics.html"),
            QStringLiteral("<!--Category: 1--><!--Text-->Bird's, Bees<!--/Text--><!--/Category-->\n<!--Top: 3-->x<!--/Top-->\n"));
    f.boardPage(QStringLiteral("3"), QStringLiteral("3"), boardPage(QStringLiteral("3")));
    QVERIFY(DiscusProcessDiscusMainBoardFile(*f.run));
    const QVector<Row> rows = f.forums();
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.at(0).value(QStringLiteral("forum_name")), QStringLiteral("Bird({)s([) Bees"));
    QCOMPARE(rows.at(1).value(QStringLiteral("parent_id")), QStringLiteral("1"));
}

void TestBoards::forumTreeNestedSet_data()
{
    QTest::addColumn<QVector<qint32>>("parents");
    QTest::addColumn<QVector<qint32>>("expected"); // left, right pairs; empty: only check validity
    QTest::newRow("example A/3/7/B/5") << QVector<qint32>{0, 1, 1, 0, 4}
                                        << QVector<qint32>{1, 6, 2, 3, 4, 5, 7, 10, 8, 9};
    QTest::newRow("chain") << QVector<qint32>{0, 1, 2, 3} << QVector<qint32>{1, 8, 2, 7, 3, 6, 4, 5};
    QTest::newRow("bad parents become top level") << QVector<qint32>{3, 0, 2, 9, 5}
                                                  << QVector<qint32>{1, 2, 3, 6, 4, 5, 7, 8, 9, 10};
    QTest::newRow("empty") << QVector<qint32>{} << QVector<qint32>{};
    QVector<qint32> wide;
    quint32 seed = 7;
    for (int id = 1; id <= 3000; ++id) {
        seed = seed * 1103515245u + 12345u;
        wide << qint32(id == 1 ? 0 : (seed >> 8) % id); // a random earlier forum (or top level)
    }
    QTest::newRow("random 3000") << wide << QVector<qint32>{};
}

void TestBoards::forumTreeNestedSet()
{
    QFETCH(QVector<qint32>, parents);
    QFETCH(QVector<qint32>, expected);
    const QVector<QPair<qint32, qint32>> set = ForumNestedSet(parents);
    QCOMPARE(set.size(), parents.size());
    if (!expected.isEmpty()) {
        QVector<qint32> flat;
        for (const auto &p : set)
            flat << p.first << p.second;
        QCOMPARE(flat, expected);
    }
    // Valid: all 2n values distinct and in 1..2n, every interval inside its parent's.
    QVector<bool> seen(2 * set.size() + 1, false);
    for (int i = 0; i < set.size(); ++i) {
        const auto [l, r] = set.at(i);
        QVERIFY(l >= 1 && r <= 2 * set.size() && l < r);
        QVERIFY(!seen[l] && !seen[r]);
        seen[l] = seen[r] = true;
        const qint32 p = parents.at(i);
        if (p >= 1 && p <= i) {
            QVERIFY2(set.at(p - 1).first < l && r < set.at(p - 1).second, qPrintable(QString::number(i + 1)));
        }
    }
}

void TestBoards::forumTreeSqlAppended()
{
    Fixture f;
    // 1200 forums: three statements of at most 500 forums.
    QVector<qint32> many;
    for (int id = 1; id <= 1200; ++id)
        many << (id == 1 ? 0 : id / 2);
    f.run->ForumParents = many;
    f.write(f.run->settings.ImportScriptFile, QStringLiteral("LOAD ...;\r\n\r\n\r\n"));
    phpBB3AppendForumTreeSql(*f.run);
    const QString sql = f.script();
    QVERIFY(sql.startsWith(QStringLiteral("LOAD ...;\r\n\r\n\r\nUPDATE phpBB3_forums SET left_id = CASE forum_id\r\n")));
    QCOMPARE(sql.count(QStringLiteral("UPDATE phpBB3_forums")), 3);
    QCOMPARE(sql.count(QStringLiteral(";\r\n\r\n\r\n")), 4);
    QVERIFY(sql.endsWith(QStringLiteral("WHERE forum_id BETWEEN 1001 AND 1200;\r\n\r\n\r\n")));

    // The forums get the computed values, and every line ends with CR LF.
    const QVector<QPair<qint32, qint32>> set = ForumNestedSet(many);
    for (int id : {1, 2, 500, 501, 1200}) {
        QVERIFY(sql.contains(QStringLiteral("WHEN %1 THEN %2\r\n").arg(id).arg(set.at(id - 1).first)));
        QVERIFY(sql.contains(QStringLiteral("WHEN %1 THEN %2\r\n").arg(id).arg(set.at(id - 1).second)));
    }
    QCOMPARE(sql.count(QLatin1Char('\n')), sql.count(QStringLiteral("\r\n")));

    // Nothing is appended when no forum was written.
    Fixture g;
    phpBB3AppendForumTreeSql(*g.run);
    QVERIFY(!QFile::exists(g.run->settings.ImportScriptFile));
}

void TestBoards::fitColumnText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("max");
    QTest::addColumn<QString>("expected");
    QTest::newRow("short") << "abc" << 5 << "abc";
    QTest::newRow("exact") << "abcde" << 5 << "abcde";
    QTest::newRow("plain cut") << "abcdefg" << 5 << "abcde";
    QTest::newRow("cut after token opener") << "abcd([)x" << 5 << "abcd";
    QTest::newRow("cut inside token") << "abc([)xy" << 5 << "abc";
    QTest::newRow("token just fits") << "ab([)xyz" << 5 << "ab([)";
    QTest::newRow("surrogate pair") << QStringLiteral("abcd\U0001F426z") << 5 << "abcd";
}

void TestBoards::fitColumnText()
{
    QFETCH(QString, text);
    QFETCH(int, max);
    QFETCH(QString, expected);
    QCOMPARE(FitColumnText(text, max), expected);
}

QTEST_GUILESS_MAIN(TestBoards)
#include "tst_boards.moc"
