// "Convert All Formatting": HTML formatting through the post conversion into phpBB's
// stored form, with the option on and off, and the stored form of the BBCode it writes
// compared with phpBB 3.3's own output.
#include "messages/modFormatting.h"
#include "output/TextCleaning.h"
#include "output/phpBBStoredText.h"
#include "tests/boards/BoardFixture.h"

#include <QtTest>

using namespace qbboards;

class TestAllFormatting : public QObject {
    Q_OBJECT

private slots:
    void post_data();
    void post();
    void phpBBOutput_data();
    void phpBBOutput();
};

namespace {

// The body after formatting, tag removal and the row tokens, as a posts row
// holds it, with the tokens read back (as the import script does in the database).
QString stored(Fixture &f, const QString &html, bool all)
{
    f.run->settings.ConvertAllFormatting = all;
    const QString text = EncodeSpecialCharacters(ResolveAngleReferences(RemoveTagInformation(DiscusProcessFormatting(*f.run, html))));
    return phpBBStoredText(text, all).replace(QLatin1String("(:)"), QLatin1String("\n"));
}

} // namespace

void TestAllFormatting::post_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("on");
    QTest::addColumn<QString>("off");

    QTest::newRow("italics alone") << "<I>Not</I> my best work"
                                   << "<r><I><s>[i]</s>Not<e>[/i]</e></I> my best work</r>" << "<t>Not my best work</t>";
    QTest::newRow("em, cite, u, ins, strong") << "<em>a</em><cite>b</cite><u>c</u><ins>d</ins><strong>e</strong>"
        << "<r><I><s>[i]</s>a<e>[/i]</e></I><I><s>[i]</s>b<e>[/i]</e></I><U><s>[u]</s>c<e>[/u]</e></U><U><s>[u]</s>d<e>[/u]</e></U><B><s>[b]</s>e<e>[/b]</e></B></r>"
        << "<t>abcde</t>";
    QTest::newRow("nested") << "<b><i>x</i></b>" << "<r><B><s>[b]</s><I><s>[i]</s>x<e>[/i]</e></I><e>[/b]</e></B></r>"
                            << "<r><B><s>[b]</s>x<e>[/b]</e></B></r>";
    QTest::newRow("mis-nested") << "<i><b>x</i></b>y" << "<r><I><s>[i]</s><B><s>[b]</s>x<e>[/b]</e></B><e>[/i]</e></I>y</r>"
                                << "<r><B><s>[b]</s>x<e>[/b]</e></B>y</r>";
    QTest::newRow("mis-nested, reopened") << "<i>a<u>b</i>c</u>"
        << "<r><I><s>[i]</s>a<U><s>[u]</s>b<e>[/u]</e></U><e>[/i]</e></I><U><s>[u]</s>c<e>[/u]</e></U></r>" << "<t>abc</t>";
    QTest::newRow("unclosed") << "<u>open" << "<r><U><s>[u]</s>open<e>[/u]</e></U></r>" << "<t>open</t>";
    QTest::newRow("stray closing tag") << "a</i>b" << "<t>ab</t>" << "<t>ab</t>";
    QTest::newRow("inside a font tag") << "<font color=\"red\"><i>x</i></font>"
        << "<r><COLOR color=\"red\"><s>[color=red]</s><I><s>[i]</s>x<e>[/i]</e></I><e>[/color]</e></COLOR></r>"
        << "<r><COLOR color=\"red\"><s>[color=red]</s>x<e>[/color]</e></COLOR></r>";
    QTest::newRow("font mis-nested") << "<font color=red><i>x</font>y</i>"
        << "<r><COLOR color=\"red\"><s>[color=red]</s><I><s>[i]</s>x<e>[/i]</e></I><e>[/color]</e></COLOR><I><s>[i]</s>y<e>[/i]</e></I></r>"
        << "<r><COLOR color=\"red\"><s>[color=red]</s>x<e>[/color]</e></COLOR>y</r>";
    QTest::newRow("quote") << "<blockquote>q</blockquote>after" << "<r><QUOTE><s>[quote]</s>q<e>[/quote]</e></QUOTE>after</r>"
                           << "<t>qafter</t>";
    QTest::newRow("quote never closed") << "<blockquote><b>q" << "<r><QUOTE><s>[quote]</s><B><s>[b]</s>q<e>[/b]</e></B><e>[/quote]</e></QUOTE></r>"
                                        << "<t>[b]q</t>";
    QTest::newRow("quotes nested four deep") << "<blockquote>1<blockquote>2<blockquote>3<blockquote>4</blockquote></blockquote></blockquote></blockquote>"
        << "<r><QUOTE><s>[quote]</s>1<QUOTE><s>[quote]</s>2<QUOTE><s>[quote]</s>34<e>[/quote]</e></QUOTE><e>[/quote]</e></QUOTE><e>[/quote]</e></QUOTE></r>"
        << "<t>1234</t>";
    QTest::newRow("list over lines") << "<ul>\n<li>item one</li>\n<li>item two</li>\n</ul>\ntext"
        << "<r><LIST><s>[list]</s>\n<LI><s>[*]</s>item one</LI>\n<LI><s>[*]</s>item two</LI>\n<e>[/list]</e></LIST>\ntext</r>"
        << "<t><br/>\nitem one<br/>\nitem two<br/>\n<br/>\ntext</t>";
    QTest::newRow("numbered list, items unclosed") << "<ol><li>one<li>two</ol>"
        << "<r><LIST type=\"decimal\"><s>[list=1]</s><LI><s>[*]</s>one</LI><LI><s>[*]</s>two</LI><e>[/list]</e></LIST></r>"
        << "<t>onetwo</t>";
    QTest::newRow("list never closed, bold item") << "<ul><li><b>x</b>"
        << "<r><LIST><s>[list]</s><LI><s>[*]</s><B><s>[b]</s>x<e>[/b]</e></B></LI><e>[/list]</e></LIST></r>"
        << "<r><B><s>[b]</s>x<e>[/b]</e></B></r>";
    QTest::newRow("code keeps its text") << "<pre><code>[b]x[/b] &lt;t&gt; :)\n  y</code></pre>"
        << "<r><CODE><s>[code]</s>[b]x[/b] &lt;t&gt; :)\n  y<e>[/code]</e></CODE></r>"
        << "<r><B><s>[b]</s>x<e>[/b]</e></B> &lt;t&gt; :)<br/>\n  y</r>";
    QTest::newRow("tt inside bold, unclosed") << "<b>a<tt>b" << "<r><B><s>[b]</s>a<e>[/b]</e></B><CODE><s>[code]</s>b<e>[/code]</e></CODE></r>"
                                              << "<t>[b]ab</t>";
    QTest::newRow("headings") << "<h1>Big</h1>\n<h4>Small</h4>next"
        << "<r><B><s>[b]</s><SIZE size=\"200\"><s>[size=200]</s>Big<e>[/size]</e></SIZE><e>[/b]</e></B><br/>\n<B><s>[b]</s>Small<e>[/b]</e></B><br/>\nnext</r>"
        << "<t>Big<br/>\nSmallnext</t>";
    QTest::newRow("breaks and cells") << "a<br>\nb<p>c</p><table><tr><td>d</td><td>e</td></tr></table>f<hr>g"
        << "<t>a<br/>\nb<br/>\nc<br/>\nd e <br/>\nf<br/>\ng</t>" << "<t>a<br/>\nbcdefg</t>";
    QTest::newRow("no BBCode for strike, sup, sub") << "<s>a</s> <strike>b</strike> x<sup>2</sup><sub>3</sub>"
        << "<t>a b x23</t>" << "<t>a b x23</t>";
    QTest::newRow("typed BBCode stays text") << "[quote]x" << "<t>[quote]x</t>" << "<t>[quote]x</t>";
}

void TestAllFormatting::post()
{
    QFETCH(QString, html);
    QFETCH(QString, on);
    QFETCH(QString, off);
    Fixture f;
    QCOMPARE(stored(f, html, true), on);
    QCOMPARE(stored(f, html, false), off);
    QVERIFY(!f.run->stopped());
}

// phpBB 3.3.15's stored form of the BBCode the conversion writes (from its parser).
void TestAllFormatting::phpBBOutput_data()
{
    QTest::addColumn<QString>("bbcode");
    QTest::addColumn<QString>("phpbb");

    QTest::newRow("i") << "[i]italic[/i]" << "<r><I><s>[i]</s>italic<e>[/i]</e></I></r>";
    QTest::newRow("quote") << "[quote]quoted[/quote]" << "<r><QUOTE><s>[quote]</s>quoted<e>[/quote]</e></QUOTE></r>";
    QTest::newRow("nested quotes") << "[quote][quote]inner[/quote]outer[/quote]"
        << "<r><QUOTE><s>[quote]</s><QUOTE><s>[quote]</s>inner<e>[/quote]</e></QUOTE>outer<e>[/quote]</e></QUOTE></r>";
    QTest::newRow("list") << "[list][*]a[*]b[/list]" << "<r><LIST><s>[list]</s><LI><s>[*]</s>a</LI><LI><s>[*]</s>b</LI><e>[/list]</e></LIST></r>";
    QTest::newRow("list over lines") << "[list]\n[*]a\n[*]b\n[/list]"
        << "<r><LIST><s>[list]</s>\n<LI><s>[*]</s>a</LI>\n<LI><s>[*]</s>b</LI>\n<e>[/list]</e></LIST></r>";
    QTest::newRow("list=1") << "[list=1][*]one[*]two[/list]"
        << "<r><LIST type=\"decimal\"><s>[list=1]</s><LI><s>[*]</s>one</LI><LI><s>[*]</s>two</LI><e>[/list]</e></LIST></r>";
    QTest::newRow("nested lists") << "[list][*]a[list][*]b1[*]b2[/list][*]c[/list]"
        << "<r><LIST><s>[list]</s><LI><s>[*]</s>a<LIST><s>[list]</s><LI><s>[*]</s>b1</LI><LI><s>[*]</s>b2</LI><e>[/list]</e></LIST></LI><LI><s>[*]</s>c</LI><e>[/list]</e></LIST></r>";
    QTest::newRow("text after list") << "[list]\n[*]a\n[/list]\ntext after"
        << "<r><LIST><s>[list]</s>\n<LI><s>[*]</s>a</LI>\n<e>[/list]</e></LIST>\ntext after</r>";
    QTest::newRow("[*] outside list") << "[*]item outside list" << "<t>[*]item outside list</t>";
    QTest::newRow("quotes with line breaks") << "[quote]\n[quote]hi[/quote]\nreply[/quote]"
        << "<r><QUOTE><s>[quote]</s>\n<QUOTE><s>[quote]</s>hi<e>[/quote]</e></QUOTE>\nreply<e>[/quote]</e></QUOTE></r>";
    QTest::newRow("code") << "[code][b]not bold[/b] <tag> & :) http://example.org[/code]"
        << "<r><CODE><s>[code]</s>[b]not bold[/b] &lt;tag&gt; &amp; :) http://example.org<e>[/code]</e></CODE></r>";
    QTest::newRow("code lines") << "[code]line1\n  indented\n\ttab[/code]" << "<r><CODE><s>[code]</s>line1\n  indented\n\ttab<e>[/code]</e></CODE></r>";
    QTest::newRow("code first line") << "[code]\nx\n[/code]" << "<r><CODE><s>[code]</s><i>\n</i>x\n<e>[/code]</e></CODE></r>";
    QTest::newRow("email") << "[email=a@b.org]mail me[/email]" << "<r><EMAIL email=\"a@b.org\"><s>[email=a@b.org]</s>mail me<e>[/email]</e></EMAIL></r>";
    QTest::newRow("url") << "[url=http://example.org]text[/url]" << "<r><URL url=\"http://example.org\"><s>[url=http://example.org]</s>text<e>[/url]</e></URL></r>";
}

void TestAllFormatting::phpBBOutput()
{
    QFETCH(QString, bbcode);
    QFETCH(QString, phpbb);
    QCOMPARE(phpBBStoredText(EncodeSpecialCharacters(bbcode), true).replace(QLatin1String("(:)"), QLatin1String("\n")), phpbb);
}

QTEST_GUILESS_MAIN(TestAllFormatting)
#include "tst_allformatting.moc"
