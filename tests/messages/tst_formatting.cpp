// HTML formatting of a post body to BBCode: bold, centring, font size, face and colour,
// quotes, and posts whose font tags do not balance.
#include "messages/modFormatting.h"
#include "output/TextCleaning.h"
#include "tests/boards/BoardFixture.h"

#include <QRandomGenerator>
#include <QtTest>

#include <iterator>

using namespace qbboards;

class TestFormatting : public QObject {
    Q_OBJECT

private slots:
    void conversion_data();
    void conversion();
    void fontSizes_data();
    void fontSizes();
    void unbalancedPostDoesNotStop();
    void closeTagBracket_data();
    void closeTagBracket();
    void pairing();
    void literalsAsPassesInOrder();
};

void TestFormatting::conversion_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("bbcode");

    QTest::newRow("no formatting") << "Just words, nothing else." << "Just words, nothing else.";
    QTest::newRow("bold in upper case") << "<B>Bold</B> and <b>more</b>" << "[b]Bold[/b] and [b]more[/b]";
    QTest::newRow("centre") << "<CENTER>Middle</center>" << "[center]Middle[/center]";
    QTest::newRow("size enclosing colour") << "<font size=\"4\"><font color=\"#ff0000\">hot</font></font>"
                                           << "[size=125][color=#ff0000]hot[/color][/size]";
    QTest::newRow("colour enclosing size") << "<font color=\"blue\">a<font size=\"2\">b</font>c</font>"
                                           << "[color=blue]a[size=85]b[/size]c[/color]";
    QTest::newRow("colour names") << "<font color=ff0000>r</font><font color=\"000000\">k</font>"
                                  << "[color=red]r[/color][color=black]k[/color]";
    QTest::newRow("face") << "<font face=\"Arial, Helvetica\">x</font>" << "[font=Arial, Helvetica]x[/font]";
    QTest::newRow("upper-case font tags") << "<FONT SIZE=\"5\">big</FONT> <Font Color=\"Green\">g</Font>"
                                          << "[size=150]big[/size] [color=Green]g[/color]";
    QTest::newRow("quotes in prose kept") << "He said \"hi\" to <font color=\"green\">\"Bob\"</font>"
                                          << "He said \"hi\" to [color=green]\"Bob\"[/color]";
    QTest::newRow("signs in prose kept") << "x=-1 and y=+2 <font size=-1>small</font>" << "x=-1 and y=+2 [size=85]small[/size]";
    // The opening tag of another kind is removed later with the other tags; its closing
    // tag goes here, so no stray "[/font]" is left in the post.
    QTest::newRow("font tag of another kind") << "<font style=\"color:red\">a</font>b" << "<font style=color:red>ab";
    QTest::newRow("several attributes") << "<font color=\"red\" size=\"2\">x</font>" << "[color=red size=2]x[/color]";
    QTest::newRow("more opening than closing tags") << "<font color=red>a<font size=2>b</font>"
                                                    << "[color=red]a[size=85]b[/size]";
    QTest::newRow("surplus closing tags") << "</font><font color=red>x</font></font>" << "[color=red]x[/color]";
    QTest::newRow("closing tag only") << "a</font>b" << "ab";
    QTest::newRow("other tags untouched") << "<i>it</i><br><a href=\"x\">y</a>" << "<i>it</i><br><a href=\"x\">y</a>";
}

void TestFormatting::conversion()
{
    QFETCH(QString, html);
    QFETCH(QString, bbcode);
    Fixture f;
    QCOMPARE(DiscusProcessFormatting(*f.run, html), bbcode);
    QVERIFY(!f.run->stopped());
    QVERIFY(f.host.messages.isEmpty());
}

void TestFormatting::fontSizes_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("percent");

    QTest::newRow("1") << "1" << "50";
    QTest::newRow("2") << "\"2\"" << "85";
    QTest::newRow("3") << "3" << "100";
    QTest::newRow("4") << "4" << "125";
    QTest::newRow("5") << "5" << "150";
    QTest::newRow("6") << "6" << "175";
    QTest::newRow("7") << "7" << "200";
    QTest::newRow("-1 from base 3") << "-1" << "85";
    QTest::newRow("+1 from base 3") << "\"+1\"" << "125";
    QTest::newRow("-2 from base 3") << "\"-2\"" << "50";
    QTest::newRow("+7 kept at 7") << "+7" << "200";
    QTest::newRow("-5 kept at 1") << "-5" << "50";
    QTest::newRow("blank before the value") << "\" 3\"" << "100";
    QTest::newRow("above 7 unchanged") << "10" << "10";
    QTest::newRow("percentage unchanged") << "150" << "150";
}

void TestFormatting::fontSizes()
{
    QFETCH(QString, value);
    QFETCH(QString, percent);
    Fixture f;
    QCOMPARE(DiscusProcessFormatting(*f.run, QStringLiteral("<font size=") + value + QStringLiteral(">t</font>")),
             QStringLiteral("[size=") + percent + QStringLiteral("]t[/size]"));
}

void TestFormatting::unbalancedPostDoesNotStop()
{
    // A post as Discus editors left them: a closing tag with no opening tag before it,
    // a face tag that is never closed, and quotes that belong to the prose.
    const QString post = QStringLiteral(
        "<i>Re: the picnic</i></font><br>\n"
        "<font face=\"Verdana\"><font size=\"2\">Hello everyone,<br>\n"
        "we met at the \"Old Mill\" on <B>Sunday</B>.</font><br>\n"
        "<center><font color=\"#0000ff\">Next meeting: 3 May</font></center>\n"
        "<p>Bring a friend!");
    Fixture f;
    const QString text = DiscusProcessFormatting(*f.run, post);
    QVERIFY(!f.run->stopped());
    QVERIFY(f.host.messages.isEmpty());
    QCOMPARE(text, QStringLiteral("<i>Re: the picnic</i><br>\n"
                                  "[font=Verdana][size=85]Hello everyone,<br>\n"
                                  "we met at the \"Old Mill\" on [b]Sunday[/b].[/size]<br>\n"
                                  "[center][color=#0000ff]Next meeting: 3 May[/color][/center]\n"
                                  "<p>Bring a friend!"));
    QCOMPARE(RemoveTagInformation(text), QStringLiteral("Re: the picnic\n"
                                                        "[font=Verdana][size=85]Hello everyone,\n"
                                                        "we met at the \"Old Mill\" on [b]Sunday[/b].[/size]\n"
                                                        "[center][color=#0000ff]Next meeting: 3 May[/color][/center]\n"
                                                        "Bring a friend!"));

    // More opening than closing tags, the unclosed one last.
    const QString open = DiscusProcessFormatting(*f.run, QStringLiteral("<font size=3>a</font><font color=red>b"));
    QCOMPARE(open, QStringLiteral("[size=100]a[/size][color=red]b"));
    QVERIFY(!f.run->stopped());
    QVERIFY(f.host.messages.isEmpty());
}

void TestFormatting::closeTagBracket_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("opener");
    QTest::addColumn<QString>("expected");

    QTest::newRow("every occurrence") << "<font size=2>a<font size=3>b" << "<font size=" << "<font size=2]a<font size=3]b";
    QTest::newRow("letter case ignored") << "<FONT FACE=x>y" << "<font face=" << "<FONT FACE=x]y";
    QTest::newRow("other openers untouched") << "<font color=red>y<b>" << "<font size=" << "<font color=red>y<b>";
    QTest::newRow("no bracket after it") << "<font size=2 y" << "<font size=" << "<font size=2 y";
}

void TestFormatting::closeTagBracket()
{
    QFETCH(QString, text);
    QFETCH(QString, opener);
    QFETCH(QString, expected);
    Fixture f;
    QCOMPARE(CloseTagBracket(*f.run, text, opener), expected);
}

void TestFormatting::pairing()
{
    QVector<FontTagPair> pairs;
    // 0         1         2         3
    // 0123456789012345678901234567890123456
    // <font a><font b>x</font></font>
    QVERIFY(PairFontTags(QStringLiteral("<font a><font b>x</font></font>"), pairs));
    QCOMPARE(pairs.size(), 2);
    QCOMPARE(pairs.at(0).open, 0);
    QCOMPARE(pairs.at(0).close, 24);
    QCOMPARE(pairs.at(1).open, 8);
    QCOMPARE(pairs.at(1).close, 17);

    QVERIFY(PairFontTags(QStringLiteral("</font><font a>x</font><font b>"), pairs));
    QCOMPARE(pairs.size(), 2);
    QCOMPARE(pairs.at(0).close, 16);
    QCOMPARE(pairs.at(1).close, -1);

    QVERIFY(!PairFontTags(QStringLiteral("<font a>x"), pairs));
    QVERIFY(!PairFontTags(QStringLiteral("x</font>"), pairs));
}

// The literal replacements give what the thirteen passes give one after the other, also
// where a pass forms a copy that an earlier text did not hold: a removed "</font>" that
// joins two halves, "[color=" followed by "ff0000]", letters in any case and characters
// outside ASCII that fold to ASCII (the long s, the Kelvin sign).
void TestFormatting::literalsAsPassesInOrder()
{
    static const char16_t *const passes[][2] = {
        {u"<b>", u"[b]"}, {u"<center>", u"[center]"}, {u"<font face=", u"[font="}, {u"<font size=", u"[size="},
        {u"<font color=", u"[color="}, {u"color=ff0000]", u"color=red]"}, {u"color=000000]", u"color=black]"},
        {u"</b>", u"[/b]"}, {u"</font>", u""}, {u"</color>", u"[/color]"}, {u"</size>", u"[/size]"},
        {u"</center>", u"[/center]"}, {u"[/colo]", u"[/color]"},
    };
    const char16_t *const pieces[] = {u"<b>", u"</b>", u"<", u"</", u"</font>", u"<font ", u"face=", u"size=", u"color=",
                                      u"COLOR=", u"ff0000]", u"000000]", u"]", u"[/colo", u"[/", u"col", u"or>", u"o]",
                                      u"<center>", u"</cen", u"ter>", u"</size>", u"</color>", u"<B", u">", u"c", u"x ",
                                      u"\u017Fize=", u"\u212A", u"font", u"/colo]", u"/size>", u"/color>", u"/center>", u"["};
    QRandomGenerator random(20261208);
    for (int round = 0; round < 20000; ++round) {
        QString text;
        const int count = 1 + int(random.bounded(12));
        for (int i = 0; i < count; ++i)
            text += QString::fromUtf16(pieces[random.bounded(int(std::size(pieces)))]);
        QString expected = text;
        for (const auto &pass : passes)
            ReplaceText(expected, pass[0], pass[1]);
        QString actual = text;
        ReplaceFormattingLiterals(actual);
        if (actual != expected)
            QFAIL(qPrintable(QStringLiteral("%1 gave %2 instead of %3").arg(text, actual, expected)));
    }
}

QTEST_GUILESS_MAIN(TestFormatting)
#include "tst_formatting.moc"
