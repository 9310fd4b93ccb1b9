#include "output/TextCleaning.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {
// The tag removal written out step by step: the first "<", the first ">" after it, every
// copy of that tag removed (letter case ignored), again from the start.
QString removeTagsStepByStep(QString text)
{
    for (qsizetype lt = text.indexOf(u'<'); lt >= 0; lt = text.indexOf(u'<')) {
        const qsizetype gt = text.indexOf(u'>', lt);
        if (gt < 0)
            break;
        text.remove(text.mid(lt, gt - lt + 1), Qt::CaseInsensitive);
    }
    return text;
}
} // namespace

class TestTextCleaning : public QObject {
    Q_OBJECT
private slots:
    void removeTagInformation_data();
    void removeTagInformation();
    void removeTagInformationMatchesStepByStepRemoval();
    void removeTagInformationOnLargePosts();
    void encodeSpecialCharacters_data();
    void encodeSpecialCharacters();
    void stripSpecialCharacters_data();
    void stripSpecialCharacters();
    void getLeadingDigits_data();
    void getLeadingDigits();
    void getTextBetween();
    void caseInsensitiveSearchAsQtDoes_data();
    void caseInsensitiveSearchAsQtDoes();
};

void TestTextCleaning::removeTagInformation_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("simple tags") << "a<b>b</b>c" << "abc";
    QTest::newRow("less-than without tag") << "x < y" << "x < y";
    QTest::newRow("case of one tag") << "<B>bold</b> and <b>" << "bold and ";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("no tag") << "plain text" << "plain text";
    QTest::newRow("unclosed tail stays") << "<b>x</b> 3 <4 and more" << "x 3 <4 and more";
    QTest::newRow("unclosed at start") << "<no end" << "<no end";
    QTest::newRow("less-than swallowed by later tag") << "a < b <br> c" << "a  c";
    QTest::newRow("removal joins a new tag") << "<b><<b>i>" << "";
    QTest::newRow("greater-than alone") << "a > b <i>c</i>" << "a > b c";
    QTest::newRow("attributes and line breaks") << "<a href=\"x\">link</a><br>\r\nnext<BR>" << "link\r\nnext";
    QTest::newRow("non-ASCII text") << QString::fromUtf8("<p>déjà vu</p><ÉM>x</ém>") << QString::fromUtf8("déjà vux");
}

void TestTextCleaning::removeTagInformation()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const QString before = text;
    QCOMPARE(RemoveTagInformation(text), expected);
    QCOMPARE(text, before);
}

void TestTextCleaning::removeTagInformationMatchesStepByStepRemoval()
{
    // Texts full of stray and nested angle brackets, where one removal can join a new tag.
    QRandomGenerator random(20240611);
    const QString alphabet = QStringLiteral("<<>>aAbB /");
    for (int round = 0; round < 20000; ++round) {
        QString text;
        const int length = random.bounded(1, 30);
        for (int i = 0; i < length; ++i)
            text += alphabet.at(random.bounded(int(alphabet.size())));
        const QString expected = removeTagsStepByStep(text);
        if (RemoveTagInformation(text) != expected)
            QFAIL(qPrintable(QStringLiteral("text \"%1\": got \"%2\", expected \"%3\"").arg(text, RemoveTagInformation(text), expected)));
    }
}

void TestTextCleaning::removeTagInformationOnLargePosts()
{
    // A 1 MB post with 50,000 line-break tags, and posts with 20,000 different links each
    // quoted twice; a stray "<" sharing its ">" with a tag (at the start, at the end) makes
    // removing one tag able to join text into another.
    QString repeated, repeatedExpected;
    for (int i = 0; i < 50000; ++i) {
        repeated += QStringLiteral("line %1 of the post<br>").arg(i, 5, 10, QLatin1Char('0'));
        repeatedExpected += QStringLiteral("line %1 of the post").arg(i, 5, 10, QLatin1Char('0'));
    }
    QVERIFY(repeated.size() > 1000000);
    QCOMPARE(RemoveTagInformation(repeated), repeatedExpected);
    // The "<br>" copies go first, the last one too, which leaves the stray "<" unclosed.
    QCOMPARE(RemoveTagInformation(repeated + "x < y <BR>z"), repeatedExpected + "x < y z");
    QCOMPARE(RemoveTagInformation(repeated + "x < y <p>z"), repeatedExpected + "x z");

    QString links, linksExpected;
    for (int i = 0; i < 20000; ++i) {
        links += QStringLiteral("<a href=\"http://example.com/%1.html\">page %1</a> <A HREF=\"http://example.com/%1.html\">again</a>").arg(i);
        linksExpected += QStringLiteral("page %1 again").arg(i);
    }
    QCOMPARE(RemoveTagInformation(links), linksExpected);
    QCOMPARE(RemoveTagInformation("1 < 2 <i>then</i>" + links), "1 then" + linksExpected);
    QCOMPARE(RemoveTagInformation(links + "1 < 2 <i>then</i>"), linksExpected + "1 then");
}

void TestTextCleaning::encodeSpecialCharacters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("example") << "Tom's \"car\", red" << "Tom({)s (})car(})([) red";
    QTest::newRow("every token") << QString::fromUtf8(", „ \" ” “ ' `") << "([) (\\) (}) (]) (|) ({) (<)";
    QTest::newRow("line breaks") << "a\r\nb\nc\rd" << "a(:)b(:)c\rd";
    QTest::newRow("CR before CR LF") << "a\r\r\nb" << "a\r(:)b";
    // Long enough to be scanned eight characters at a time, every token at every place.
    QTest::newRow("long text") << QString::fromUtf8("xxxxxxx,„\"”“'`\r\n\r").repeated(9)
                               << QString::fromUtf8("xxxxxxx([)(\\)(})(])(|)({)(<)(:)\r").repeated(9);
    QTest::newRow("nothing to do") << "plain" << "plain";
    QTest::newRow("empty") << "" << "";
}

void TestTextCleaning::encodeSpecialCharacters()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const QString once = EncodeSpecialCharacters(text);
    QCOMPARE(once, expected);
    QCOMPARE(EncodeSpecialCharacters(once), once);
}

void TestTextCleaning::stripSpecialCharacters_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    QTest::newRow("question and dots") << "Who? Me..." << "Who Me";
    QTest::newRow("line break keeps token") << "Jane\r\nDoe" << "Jane(:)Doe";
    QTest::newRow("apostrophe and comma") << "O'Neil, Jr" << "ONeil Jr";
    QTest::newRow("quotes and backtick") << QString::fromUtf8("„a“ ”b\" `c") << "a b c";
    QTest::newRow("caret and blank dot") << "x^y ." << "xy";
    QTest::newRow("blank dot found after question mark goes") << "a ?." << "a";
    QTest::newRow("four dots leave one") << "a...." << "a.";
}

void TestTextCleaning::stripSpecialCharacters()
{
    QFETCH(QString, name);
    QFETCH(QString, expected);
    QCOMPARE(StripSpecialCharacters(EncodeSpecialCharacters(name)), expected);
}

void TestTextCleaning::getLeadingDigits_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("blanks then digits") << "  123abc" << "123";
    QTest::newRow("letters") << "abc" << "";
    QTest::newRow("blank inside") << "12 34" << "12";
    QTest::newRow("leading zeros") << "0012" << "0012";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("marker end") << " 7-->" << "7";
    QTest::newRow("sign is not a digit") << "-5" << "";
    QTest::newRow("Arabic-Indic digit is not decimal ASCII") << QString::fromUtf8("٣4") << "";
}

void TestTextCleaning::getLeadingDigits()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(GetLeadingDigits(text), expected);
}

void TestTextCleaning::getTextBetween()
{
    const QString page = QStringLiteral("<html><!--Text-->first<!--/Text--> and <!--TEXT-->second<!--/text--></html>");
    const QString start = QStringLiteral("<!--Text-->"), end = QStringLiteral("<!--/Text-->");

    int startPos = 0, endPos = -7;
    QCOMPARE(GetTextBetween(page, start, end, startPos, endPos), QStringLiteral("<!--Text-->first<!--/Text-->"));
    QCOMPARE(startPos, 6);
    QCOMPARE(endPos, 6 + 11 + 5 + 12);

    // From the end of the first block the second block matches in other letter case.
    startPos = endPos;
    QCOMPARE(GetTextBetween(page, start, end, startPos, endPos), QStringLiteral("<!--TEXT-->second<!--/text-->"));
    QCOMPARE(startPos, page.indexOf(QLatin1String("<!--TEXT-->")));
    QCOMPARE(endPos, page.indexOf(QLatin1String("</html>")));

    // Nothing after the second block.
    startPos = endPos;
    QCOMPARE(GetTextBetween(page, start, end, startPos, endPos), QString());
    QCOMPARE(startPos, -1);

    // End marker missing: "" and the start position stays at the start marker, the end
    // position unchanged.
    const QString broken = QStringLiteral("abc<!--Text-->no end here");
    startPos = -5;
    endPos = 42;
    QCOMPARE(GetTextBetween(broken, start, end, startPos, endPos), QString());
    QCOMPARE(startPos, 3);
    QCOMPARE(endPos, 42);

    // The end marker is looked for after the start marker, not inside it.
    int s = 0, e = 0;
    QCOMPARE(GetTextBetween(QStringLiteral("x<!--a--> y<!--a-->"), QStringLiteral("<!--a-->"), QStringLiteral("<!--a-->"), s, e),
             QStringLiteral("<!--a--> y<!--a-->"));
    QCOMPARE(GetTextBetween(page, start, end), QStringLiteral("<!--Text-->first<!--/Text-->"));
    QCOMPARE(GetTextBetween(QString(), start, end), QString());
}

void TestTextCleaning::caseInsensitiveSearchAsQtDoes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("needle");
    QTest::newRow("markers in any case") << QStringLiteral("a <!--POST: 1--> b <!--post: 2-->") << QStringLiteral("<!--Post: ");
    // Characters outside ASCII that fold to ASCII letters: the Kelvin sign and the long s.
    QTest::newRow("kelvin sign") << QStringLiteral("<a \u212Aey> <a key>") << QStringLiteral("<A KEY>");
    QTest::newRow("long s") << QStringLiteral("\u017Fhow.cgi show.cgi") << QStringLiteral("SHOW.CGI");
    QTest::newRow("accented letters do not fold to ASCII") << QStringLiteral("caf\u00C9 cafe CAFE") << QStringLiteral("cafe");
    QTest::newRow("needle outside ASCII") << QStringLiteral("M\u00FCritz M\u00DCRITZ") << QStringLiteral("m\u00FCritz");
    QTest::newRow("surrogate pairs") << QStringLiteral("\U0001F600<b>\U0001F600<B>") << QStringLiteral("<b>");
    QTest::newRow("overlapping copies") << QStringLiteral("aaaaa") << QStringLiteral("AA");
    QTest::newRow("needle at the very end") << QStringLiteral("xyz-->") << QStringLiteral("-->");
    QTest::newRow("needle longer than text") << QStringLiteral("<b") << QStringLiteral("<b>");
    QTest::newRow("single character") << QStringLiteral("a>b>C") << QStringLiteral("c");
    // The search starts from a character inside the needle ("!", "]"): near misses, and
    // copies of that character too close to the start or the end of the text.
    QTest::newRow("comment markers") << QStringLiteral("!<!-- <!--nAME <!-K <!--Name--><!--name-->!") << QStringLiteral("<!--name-->");
    // Texts long enough to be searched eight places at a time: near misses at every
    // place of a block, letters outside ASCII that fold to the needle's, the copy last.
    QTest::newRow("long text, block search") << (QStringLiteral("<!--Post:x<!--post;<!--Pos\u212A: ").repeated(7) + QStringLiteral("<!--POST: 9"))
                                             << QStringLiteral("<!--Post: ");
    QTest::newRow("long text, folded letters") << (QStringLiteral("\u017Fhow.cgX ").repeated(9) + QStringLiteral("\u017FHOW.CGI"))
                                               << QStringLiteral("show.cgi");
    QTest::newRow("inner character near the ends") << QStringLiteral("]0000]x color=FF0000] color=ff0000]]") << QStringLiteral("color=ff0000]");
}

void TestTextCleaning::caseInsensitiveSearchAsQtDoes()
{
    QFETCH(QString, text);
    QFETCH(QString, needle);
    for (qsizetype from = 0; from <= text.size() + 1; ++from)
        QCOMPARE(IndexOfText(text, needle, from), text.indexOf(needle, from, Qt::CaseInsensitive));
    QCOMPARE(ContainsText(text, needle), text.contains(needle, Qt::CaseInsensitive));
    QString replaced = text;
    ReplaceText(replaced, needle, u"[x]");
    QCOMPARE(replaced, QString(text).replace(needle, QStringLiteral("[x]"), Qt::CaseInsensitive));
    QString removed = text;
    RemoveText(removed, needle);
    QCOMPARE(removed, QString(text).remove(needle, Qt::CaseInsensitive));
}

QTEST_GUILESS_MAIN(TestTextCleaning)
#include "tst_textcleaning.moc"
