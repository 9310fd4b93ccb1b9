// Post texts in phpBB's stored form: converted BBCode (with row tokens) -> the XML phpBB keeps.
#include "output/phpBBStoredText.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// What the import script does in the database: every row token back to its character.
QString reverseTokens(const QString &s)
{
    static const QHash<QChar, QChar> chars = {
        {u'[', u','}, {u'\\', QChar(0x201E)}, {u'}', u'"'},   {u']', QChar(0x201D)},
        {u'|', QChar(0x201C)}, {u'{', u'\''}, {u':', u'\n'}, {u'<', u'`'},
    };
    QString out;
    for (qsizetype i = 0; i < s.size();) {
        if (i + 2 < s.size() && s[i] == u'(' && s[i + 2] == u')' && chars.contains(s[i + 1])) {
            out += chars.value(s[i + 1]);
            i += 3;
        } else {
            out += s[i++];
        }
    }
    return out;
}

// Parses a stored text after token reversal; returns the error ("" when well-formed)
// and, through text, all its character data (what phpBB shows when the post is edited).
QString parseStored(const QString &stored, QString *text = nullptr)
{
    QXmlStreamReader xml(reverseTokens(stored));
    QString chars;
    bool first = true;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && first) {
            first = false;
            if (xml.name() != u"t" && xml.name() != u"r")
                return QStringLiteral("root element ") + xml.name().toString();
        }
        if (xml.isCharacters())
            chars += xml.text();
    }
    if (xml.hasError())
        return xml.errorString() + QStringLiteral(" at ") + QString::number(xml.characterOffset());
    if (text)
        *text = chars;
    return QString();
}

} // namespace

class TestStoredText : public QObject {
    Q_OBJECT
private slots:
    void storedForm_data();
    void storedForm();
    void randomBBCodeStaysWellFormed();
    void bbcodeUid();
};

void TestStoredText::storedForm_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char *name, const QString &in, const QString &out) { QTest::newRow(name) << in << out; };

    // Plain text
    row("plain", u"Hello world"_s, u"<t>Hello world</t>"_s);
    row("empty", QString(), u"<t></t>"_s);
    row("escaped once", u"a & b < c > d"_s, u"<t>a &amp; b &lt; c &gt; d</t>"_s);
    row("entity text is literal", u"&amp; &lt;b&gt;"_s, u"<t>&amp;amp; &amp;lt;b&amp;gt;</t>"_s);
    row("line breaks", u"one(:)two(:)(:)three"_s, u"<t>one<br/>(:)two<br/>(:)<br/>(:)three</t>"_s);
    row("tokens stay", u"Tom({)s (})car(})([) red (\\)x(]) (|)y(|) a(<)b"_s,
        u"<t>Tom({)s (})car(})([) red (\\)x(]) (|)y(|) a(<)b</t>"_s);
    row("lone CR is a line break", u"a\rb"_s, u"<t>a<br/>(:)b</t>"_s);
    row("control characters go", u"a\u0001b\tc\u001F"_s, u"<t>ab\tc</t>"_s);
    row("emoji", u"smile \U0001F600!"_s, u"<t>smile &#128512;!</t>"_s);
    row("BMP characters stay", u"caf\u00E9 \u20AC"_s, u"<t>caf\u00E9 \u20AC</t>"_s);
    row("half a surrogate pair", u"a"_s + QChar(0xD800) + u"b"_s, u"<t>a\uFFFDb</t>"_s);
    row("bracket in a token", u"([)b]x([)/b]"_s, u"<t>([)b]x([)/b]</t>"_s);

    // Default BBCodes
    row("bold", u"[b]bold[/b]"_s, u"<r><B><s>[b]</s>bold<e>[/b]</e></B></r>"_s);
    row("bold upper case", u"[B]x[/B] y"_s, u"<r><B><s>[B]</s>x<e>[/B]</e></B> y</r>"_s);
    row("italic underline", u"[i]a[/i]([) [u]b[/u]"_s,
        u"<r><I><s>[i]</s>a<e>[/i]</e></I>([) <U><s>[u]</s>b<e>[/u]</e></U></r>"_s);
    row("size", u"[size=150]big[/size]"_s, u"<r><SIZE size=\"150\"><s>[size=150]</s>big<e>[/size]</e></SIZE></r>"_s);
    row("size above maximum", u"[size=300]x[/size]"_s,
        u"<r><SIZE size=\"200\"><s>[size=300]</s>x<e>[/size]</e></SIZE></r>"_s);
    row("size zero", u"[size=0]x[/size]"_s, u"<t>[size=0]x[/size]</t>"_s);
    row("size not a number", u"[size=big]x[/size]"_s, u"<t>[size=big]x[/size]</t>"_s);
    row("color name", u"[color=red]r[/color]"_s, u"<r><COLOR color=\"red\"><s>[color=red]</s>r<e>[/color]</e></COLOR></r>"_s);
    row("color hex", u"[color=#FF0000]r[/color]"_s,
        u"<r><COLOR color=\"#FF0000\"><s>[color=#FF0000]</s>r<e>[/color]</e></COLOR></r>"_s);
    row("color hex without #", u"[color=00ff00]g[/color]"_s,
        u"<r><COLOR color=\"#00ff00\"><s>[color=00ff00]</s>g<e>[/color]</e></COLOR></r>"_s);
    row("color with font attributes", u"[color=#ff0000 size=2]x[/color]"_s,
        u"<r><COLOR color=\"#ff0000\"><s>[color=#ff0000 size=2]</s>x<e>[/color]</e></COLOR></r>"_s);
    row("color invalid", u"[color=#ggg]x[/color]"_s, u"<t>[color=#ggg]x[/color]</t>"_s);
    row("color injection", u"[color=red(})onclick=x]x[/color]"_s, u"<t>[color=red(})onclick=x]x[/color]</t>"_s);
    row("nesting", u"[size=150][color=red]x[/color][/size]"_s,
        u"<r><SIZE size=\"150\"><s>[size=150]</s><COLOR color=\"red\"><s>[color=red]</s>x<e>[/color]</e></COLOR>"
        "<e>[/size]</e></SIZE></r>"_s);
    row("same tag nested", u"[b]a[b]b[/b]c[/b]"_s,
        u"<r><B><s>[b]</s>a<B><s>[b]</s>b<e>[/b]</e></B>c<e>[/b]</e></B></r>"_s);
    row("escaping inside elements", u"[b]a<b & c>[/b]"_s, u"<r><B><s>[b]</s>a&lt;b &amp; c&gt;<e>[/b]</e></B></r>"_s);
    row("line break inside element", u"[b]a(:)b[/b]"_s, u"<r><B><s>[b]</s>a<br/>(:)b<e>[/b]</e></B></r>"_s);

    // Links and images
    row("link", u"[url=http://x/]text[/url]"_s,
        u"<r><URL url=\"http://x/\"><s>[url=http://x/]</s>text<e>[/url]</e></URL></r>"_s);
    row("link with query", u"[url=http://x/viewtopic.php?f=1&t=2]a([)b[/url]"_s,
        u"<r><URL url=\"http://x/viewtopic.php?f=1&amp;t=2\"><s>[url=http://x/viewtopic.php?f=1&amp;t=2]</s>"
        "a([)b<e>[/url]</e></URL></r>"_s);
    row("comma in address", u"[url=https://x/a([)b]l[/url]"_s,
        u"<r><URL url=\"https://x/a([)b\"><s>[url=https://x/a([)b]</s>l<e>[/url]</e></URL></r>"_s);
    row("quote in address", u"[url=http://x/a(})b]l[/url]"_s,
        u"<r><URL url=\"http://x/a%22b\"><s>[url=http://x/a(})b]</s>l<e>[/url]</e></URL></r>"_s);
    row("right quote token in address", u"[url=http://x/(])]l[/url]"_s,
        u"<r><URL url=\"http://x/%E2%80%9D\"><s>[url=http://x/(])]</s>l<e>[/url]</e></URL></r>"_s);
    row("address encoding", u"[url=http://x/\u00E4 b%20c%zz<>]l[/url]"_s,
        u"<r><URL url=\"http://x/%C3%A4\"><s>[url=http://x/\u00E4 b%20c%zz&lt;&gt;]</s>l<e>[/url]</e></URL></r>"_s);
    row("address percent escapes", u"[url=http://x/a%20b%zz]l[/url]"_s,
        u"<r><URL url=\"http://x/a%20b%25zz\"><s>[url=http://x/a%20b%zz]</s>l<e>[/url]</e></URL></r>"_s);
    row("anchor attributes after address", u"[url=http://x/1/2.html target=_blank]t[/url]"_s,
        u"<r><URL url=\"http://x/1/2.html\"><s>[url=http://x/1/2.html target=_blank]</s>t<e>[/url]</e></URL></r>"_s);
    row("link by content", u"[url]https://x/[/url]"_s,
        u"<r><URL url=\"https://x/\"><s>[url]</s>https://x/<e>[/url]</e></URL></r>"_s);
    row("mailto", u"[url=mailto:a@b.c]mail[/url]"_s,
        u"<r><URL url=\"mailto:a@b.c\"><s>[url=mailto:a@b.c]</s>mail<e>[/url]</e></URL></r>"_s);
    row("bold inside link", u"[url=http://x/]a [b]b[/b][/url]"_s,
        u"<r><URL url=\"http://x/\"><s>[url=http://x/]</s>a <B><s>[b]</s>b<e>[/b]</e></B><e>[/url]</e></URL></r>"_s);
    row("image", u"[img]http://x/a.png[/img]"_s,
        u"<r><IMG src=\"http://x/a.png\"><s>[img]</s><URL url=\"http://x/a.png\">http://x/a.png</URL>"
        "<e>[/img]</e></IMG></r>"_s);
    row("image ftp upper case", u"[IMG] ftp://x/a([)b.png [/IMG]"_s,
        u"<r><IMG src=\"ftp://x/a([)b.png\"><s>[IMG]</s> <URL url=\"ftp://x/a([)b.png\">ftp://x/a([)b.png</URL>"
        " <e>[/IMG]</e></IMG></r>"_s);
    row("image in link", u"[url=http://x/][img]http://x/a.png[/img][/url]"_s,
        u"<r><URL url=\"http://x/\"><s>[url=http://x/]</s><IMG src=\"http://x/a.png\"><s>[img]</s>"
        "<URL url=\"http://x/a.png\">http://x/a.png</URL><e>[/img]</e></IMG><e>[/url]</e></URL></r>"_s);
    row("link in link", u"[url=http://a/]x [url=http://b/]y[/url] z[/url]"_s,
        u"<r><URL url=\"http://a/\"><s>[url=http://a/]</s>x [url=http://b/]y<e>[/url]</e></URL> z[/url]</r>"_s);
    row("bare address not linked", u"see http://x/ now"_s, u"<t>see http://x/ now</t>"_s);

    // Addresses that must not become links or images
    row("javascript link", u"[url=javascript:alert(1)]x[/url]"_s, u"<t>[url=javascript:alert(1)]x[/url]</t>"_s);
    row("javascript mixed case", u"[url=JavaScript:alert(1)]x[/url]"_s, u"<t>[url=JavaScript:alert(1)]x[/url]</t>"_s);
    row("javascript by content", u"[url]javascript:x[/url]"_s, u"<t>[url]javascript:x[/url]</t>"_s);
    row("javascript image", u"[img]javascript:alert(1)[/img]"_s, u"<t>[img]javascript:alert(1)[/img]</t>"_s);
    row("data image", u"[img]data:image/png;base64([)AAAA[/img]"_s, u"<t>[img]data:image/png;base64([)AAAA[/img]</t>"_s);
    row("mailto image", u"[img]mailto:a@b.c[/img]"_s, u"<t>[img]mailto:a@b.c[/img]</t>"_s);
    row("relative link", u"[url=/discus/messages/1/2.html]x[/url]"_s, u"<t>[url=/discus/messages/1/2.html]x[/url]</t>"_s);
    row("no host", u"[url=http:evil]x[/url]"_s, u"<t>[url=http:evil]x[/url]</t>"_s);
    row("spaced scheme", u"[url=java script:x]x[/url]"_s, u"<t>[url=java script:x]x[/url]</t>"_s);
    row("image with blanks inside", u"[img]http://x/a b.png[/img]"_s, u"<t>[img]http://x/a b.png[/img]</t>"_s);
    row("image across lines", u"[img]http://x/(:)a.png[/img]"_s, u"<t>[img]http://x/<br/>(:)a.png[/img]</t>"_s);
    row("link tag across lines", u"[url=http://x/(:)]y[/url]"_s, u"<t>[url=http://x/<br/>(:)]y[/url]</t>"_s);

    // BBCodes phpBB lacks are dropped, keeping their text
    row("center and font", u"[center][font=Arial]hi[/font][/center]"_s, u"<t>hi</t>"_s);
    row("font around bold", u"[font=Times New Roman][b]x[/b][/font]"_s,
        u"<r><B><s>[b]</s>x<e>[/b]</e></B></r>"_s);
    row("font list with comma", u"[font=Arial([) Helvetica]x[/font]"_s, u"<t>x</t>"_s);
    row("unpaired font close", u"x[/font]y[CENTER]"_s, u"<t>xy</t>"_s);
    row("font without face", u"[font]x"_s, u"<t>[font]x</t>"_s);

    // Malformed BBCode stays text
    row("unclosed", u"[b]x"_s, u"<t>[b]x</t>"_s);
    row("stray close", u"x[/b]"_s, u"<t>x[/b]</t>"_s);
    row("mis-nested", u"[b][i]x[/b][/i]"_s, u"<r><B><s>[b]</s>[i]x<e>[/b]</e></B>[/i]</r>"_s);
    row("unknown", u"[quote]x[/quote] [br]"_s, u"<t>[quote]x[/quote] [br]</t>"_s);
    row("bold with value", u"[b=1]x[/b]"_s, u"<t>[b=1]x[/b]</t>"_s);
    row("unterminated tag", u"[size=150 x[/size]"_s, u"<t>[size=150 x[/size]</t>"_s);
    row("unclosed image", u"[img]http://x/a.png"_s, u"<t>[img]http://x/a.png</t>"_s);
    row("color left open around bold", u"[color=red][b]x[/b]"_s,
        u"<r>[color=red]<B><s>[b]</s>x<e>[/b]</e></B></r>"_s);
}

void TestStoredText::storedForm()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    const QString stored = phpBBStoredText(input);
    QCOMPARE(stored, expected);
    QCOMPARE(parseStored(stored), QString());
}

// Random mixes of tags, tokens and special characters: every result is well-formed once
// the tokens are back, and its character data is exactly the input's text (nothing lost,
// nothing doubled, every "&" escaped once).
void TestStoredText::randomBBCodeStaysWellFormed()
{
    const QStringList pieces = {
        u"[b]"_s, u"[/b]"_s, u"[B]"_s, u"[i]"_s, u"[/i]"_s, u"[u]"_s, u"[/U]"_s, u"[size=150]"_s,
        u"[size=0]"_s, u"[/size]"_s, u"[color=red]"_s, u"[color=#12345]"_s, u"[color=a(})b]"_s, u"[/color]"_s,
        u"[url=http://x/?a=1&b=2]"_s, u"[url=javascript:alert(1)]"_s, u"[url=http://x/(})(])(<)]"_s,
        u"[url]"_s, u"[/url]"_s, u"[img]"_s, u"[/img]"_s, u"http://h/p([)q.png"_s, u"javascript:x"_s,
        u"a"_s, u" "_s, u"&"_s, u"<"_s, u">"_s, u"&amp;"_s, u"(:)"_s, u"([)"_s, u"(})"_s, u"(<)"_s,
        u"(])"_s, u"(\\)"_s, u"(|)"_s, u"({)"_s, u"["_s, u"]"_s, u"("_s, u")"_s, u"="_s, u"/"_s,
        u"\U0001F600"_s, u"\u00E9"_s, u"\""_s, u"'"_s,
    };
    QRandomGenerator random(20240508);
    int rich = 0;
    for (int n = 0; n < 3000; ++n) {
        QString input;
        const int count = 1 + random.bounded(30);
        for (int k = 0; k < count; ++k)
            input += pieces.at(random.bounded(int(pieces.size())));
        const QString stored = phpBBStoredText(input);
        QString text;
        const QString error = parseStored(stored, &text);
        if (!error.isEmpty())
            QFAIL(qPrintable(input + u" -> "_s + stored + u": "_s + error));
        if (text != reverseTokens(input))
            QFAIL(qPrintable(input + u" -> "_s + stored + u": text changed"_s));
        rich += stored.startsWith(u"<r>");
    }
    QVERIFY(rich > 300); // the mixes did make elements
}

void TestStoredText::bbcodeUid()
{
    const QString uid = phpBBBbcodeUid();
    QVERIFY(QRegularExpression(u"^[a-z0-9]{8}$"_s).match(uid).hasMatch());
    QCOMPARE(phpBBBbcodeUid(), uid);
}

QTEST_GUILESS_MAIN(TestStoredText)
#include "tst_storedtext.moc"
