// The special-character table: reading it, the scan of Discus texts, the report of unknown
// references, and the shipped tables Docs/<charset>.txt with the tool that makes them.
#include "output/SpecialCharacters.h"
#include "output/TextFiles.h"
#include "tests/boards/BoardFixture.h"
#include "tools/qb-chartables/CharTables.h"

#include <QtTest>

using namespace qbboards;

namespace {

const QString ReportName = QStringLiteral("Discus Special Characters.txt");

// A run whose Docs folder is the fixture's own, scanning on.
struct SpecialFixture : Fixture {
    SpecialFixture()
    {
        run->settings.DocsFolder = dir.path() + QStringLiteral("/Docs/");
        run->settings.FindDiscusSpecialCharacters = true;
    }
    void table(const QString &text, const QString &charset = QStringLiteral("utf-8"))
    {
        qbtest::writeBytes(run->settings.DocsFolder + charset + QStringLiteral(".txt"), text.toUtf8());
        DiscusGetReplaceableCharacterArray(*run, charset);
    }
    // The text after the scan, with the NULs removed as the reader does.
    QString scan(const QString &text)
    {
        QString t = text;
        const qsizetype size = t.size();
        DiscusFindSpecialCharacterSequences(*run, t);
        if (t.size() != size)
            qWarning("the scan changed the text's length");
        return t.remove(QChar(0));
    }
    QByteArray report() { return qbtest::readBytes(out + ReportName); }
};

QString u(const char *utf8) { return QString::fromUtf8(utf8); }

} // namespace

class TestSpecialChars : public QObject {
    Q_OBJECT

private slots:
    void tableLines();
    void letterCaseOfNamedReferences();
    void unknownReportedOncePerRun();
    void ignoredSequences_data();
    void ignoredSequences();
    void replacementKeepsPositions();
    void optionOff();
    void missingOrEmptyTable_data();
    void missingOrEmptyTable();
    void readerScansAndRemovesNuls();
    void longTextWithManyAmpersands();
    void shippedTables_data();
    void shippedTables();
    void shippedTableReplacements_data();
    void shippedTableReplacements();
};

void TestSpecialChars::tableLines()
{
    SpecialFixture f;
    f.table(u("Title line without a tab\r\n"
              "&rsquo;\t`'`\t&#8217;\r\n"
              "&eacute;\t\xC3\xA9\t&#233;\r\n"
              "\t\xE2\x80\xA6\t&#133;\r\n"
              "&blank;\t\t&#999;\r\n"
              " &tm; \tT``M\t\r\n"
              "&three;\txyz\t\r\n"
              "&rsquo;\tX\t\r\n"
              "&last;\tL\t&#76;"));
    QVERIFY(!f.host.StopConversion);
    // Both keys of a line; a quoted apostrophe; an empty first key; a trimmed key; backticks
    // deleted from a longer field; a three-character field stands for its middle one; a
    // key already present keeps its first replacement.
    QCOMPARE(f.scan(QStringLiteral("it&rsquo;s it&#8217;s caf&eacute; caf&#233; wait&#133; &tm; &three; &RSQUO;")),
             u("it's it's caf\xC3\xA9 caf\xC3\xA9 wait\xE2\x80\xA6 TM y '"));
    // An empty replacement skips its line; the line after the last CR LF is lost.
    QCOMPARE(f.scan(QStringLiteral("&blank; &#999; &last; &#76;")), QStringLiteral("&blank; &#999; &last; &#76;"));
    QCOMPARE(f.report(), QByteArray("&blank;\r\n&#999;\r\n&last;\r\n&#76;\r\n"));
}

void TestSpecialChars::letterCaseOfNamedReferences()
{
    SpecialFixture f;
    f.table(u("&Eacute;\t\xC3\x89\t&#201;\r\n&eacute;\t\xC3\xA9\t&#233;\r\n&amp;\t&\t&#38;\r\n"));
    // Named references that differ only by case are told apart; a spelling that is neither
    // is unknown. A reference whose case does not matter is found in any case.
    QCOMPARE(f.scan(QStringLiteral("&Eacute;t&eacute; &EACUTE; &AMP; &Amp;")), u("\xC3\x89t\xC3\xA9 &EACUTE; & &"));
    QCOMPARE(f.report(), QByteArray("&EACUTE;\r\n"));
}

void TestSpecialChars::unknownReportedOncePerRun()
{
    SpecialFixture f;
    f.table(QStringLiteral("&amp;\t&\t&#38;\r\n"));
    const QString text = QStringLiteral("a &zork; b &zork; c &ZORK; &frob; \xE7&ccedil;");
    QCOMPARE(f.scan(text), text);
    QCOMPARE(f.scan(QStringLiteral("again &zork; &frob;")), QStringLiteral("again &zork; &frob;"));
    QCOMPARE(f.scan(QStringLiteral("&new; &amp;")), QStringLiteral("&new; &"));
    // Appended per scan, one sequence a line, in the 8-bit code page.
    QCOMPARE(f.report(), QByteArray("&zork;\r\n&frob;\r\n&ccedil;\r\n&new;\r\n"));
    QVERIFY(f.host.messages.isEmpty());

    // A new run reports them again, after what the old run left.
    ConversionRun second(f.host, f.run->settings);
    QString t = QStringLiteral("&zork; &\u00e9t\u00e9;");
    DiscusFindSpecialCharacterSequences(second, t);
    QCOMPARE(f.report(), QByteArray("&zork;\r\n&frob;\r\n&ccedil;\r\n&new;\r\n&zork;\r\n&\xE9t\xE9;\r\n"));
}

void TestSpecialChars::ignoredSequences_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("three characters") << "a &b; c";
    QTest::newRow("blank") << "&a b; and &c d;";
    QTest::newRow("tab") << "&a\tb;";
    QTest::newRow("line break") << "&a\r\nb;";
    QTest::newRow("longer than ten") << "&abcdefghij;";
    QTest::newRow("no semicolon") << "Tom & Jerry &amp";
    QTest::newRow("empty") << "";
}

void TestSpecialChars::ignoredSequences()
{
    QFETCH(QString, text);
    SpecialFixture f;
    f.table(QStringLiteral("&b;\tB\t\r\n&amp;\t&\t\r\n"));
    QCOMPARE(f.scan(text), text);
    QVERIFY(!QFile::exists(f.out + ReportName));
    QVERIFY(!f.host.StopConversion);
}

void TestSpecialChars::replacementKeepsPositions()
{
    SpecialFixture f;
    f.table(u("&eacute;\t\xC3\xA9\t&#233;\r\n&amp;\t&\t&#38;\r\n&frac12;\t1 / 2\t\r\n&xy;\tlonger than it\t\r\n"
              "&pi;\t\xF0\x9D\x9C\x8Bpi!\t\r\n"));
    QString text = QStringLiteral("a&eacute;b&amp;lt;c&frac12;");
    DiscusFindSpecialCharacterSequences(*f.run, text);
    // Same length, the replacement where the sequence began, NULs after it. The "&" put
    // back for "&amp;" does not start a new sequence.
    QCOMPARE(text, u("a\xC3\xA9") + QString(7, QChar(0)) + QStringLiteral("b&") + QString(4, QChar(0))
                       + QStringLiteral("lt;c1 / 2") + QString(3, QChar(0)));
    // A replacement longer than its sequence gives its first character (a whole surrogate pair).
    QCOMPARE(f.scan(QStringLiteral("&xy; &pi;")), u("l \xF0\x9D\x9C\x8B"));
}

void TestSpecialChars::optionOff()
{
    SpecialFixture f;
    f.table(QStringLiteral("&amp;\t&\t&#38;\r\n"));
    f.run->settings.FindDiscusSpecialCharacters = false;
    QCOMPARE(f.scan(QStringLiteral("&amp; &zork;")), QStringLiteral("&amp; &zork;"));
    QVERIFY(!QFile::exists(f.out + ReportName));
}

void TestSpecialChars::missingOrEmptyTable_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << QByteArray() << "Replacable character array file not found - ";
    QTest::newRow("empty") << QByteArray("") << "Replacable character array file is empty - ";
    QTest::newRow("one line without CR LF") << QByteArray("&amp;\t&\t&#38;") << "Replacable character array file is empty - ";
}

void TestSpecialChars::missingOrEmptyTable()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    SpecialFixture f;
    const QString path = f.run->settings.DocsFolder + QStringLiteral("koi8-r.txt");
    if (!content.isNull())
        qbtest::writeBytes(path, content);
    DiscusGetReplaceableCharacterArray(*f.run, QStringLiteral("koi8-r"));
    const QString line = message + QDir::toNativeSeparators(path) + QStringLiteral("\r\nContinuing without it...\r\n");
    QVERIFY(f.progress().contains(line));
    QVERIFY(f.errorLog().contains(line));
    QVERIFY(!f.host.StopConversion);
    QVERIFY(f.host.messages.isEmpty());
    QCOMPARE(f.scan(QStringLiteral("&amp;")), QStringLiteral("&amp;"));
}

void TestSpecialChars::readerScansAndRemovesNuls()
{
    SpecialFixture f;
    f.table(u("&eacute;\t\xC3\xA9\t&#233;\r\n"), QStringLiteral("iso-8859-1"));
    // A charset typed in other letter case finds its table too.
    f.run->SpecialCharacters.clear();
    f.run->SpecialCharactersExact.clear();
    DiscusGetReplaceableCharacterArray(*f.run, QStringLiteral("ISO-8859-1"));
    QVERIFY(!f.progress().contains(QStringLiteral("not found")));

    qbtest::writeBytes(f.out + QStringLiteral("page.html"), QByteArray("caf&eacute; caf\xE9 &zork;"));
    QString text;
    QVERIFY(GetFileDataCharset(*f.run, f.out + QStringLiteral("page.html"), text, QStringLiteral("iso-8859-1"), true));
    QCOMPARE(text, u("caf\xC3\xA9 caf\xC3\xA9 &zork;"));
    QCOMPARE(f.report(), QByteArray("&zork;\r\n"));
    // Without the scan switch the text is as stored.
    QVERIFY(GetFileDataCharset(*f.run, f.out + QStringLiteral("page.html"), text, QStringLiteral("iso-8859-1"), false));
    QCOMPARE(text, u("caf&eacute; caf\xC3\xA9 &zork;"));
}

void TestSpecialChars::longTextWithManyAmpersands()
{
    SpecialFixture f;
    f.table(QStringLiteral("&amp;\t&\t&#38;\r\n"));
    // Many "&" of addresses before a single ";" at the very end, then many references.
    QString text = QStringLiteral("?a=1&b=2").repeated(20000) + QStringLiteral(";") + QStringLiteral("x&amp;").repeated(20000);
    const QString expected = QStringLiteral("?a=1&b=2").repeated(20000) + QStringLiteral(";") + QStringLiteral("x&").repeated(20000);
    QCOMPARE(f.scan(text), expected);
    // Only the last "&" before the ";" makes a sequence of a length the scan looks at.
    QCOMPARE(f.report(), QByteArray("&b=2;\r\n"));
}

void TestSpecialChars::shippedTables_data()
{
    QTest::addColumn<QString>("charset");
    for (const QString &charset : qbchartables::Charsets())
        QTest::newRow(qPrintable(charset)) << charset;
}

void TestSpecialChars::shippedTables()
{
    QFETCH(QString, charset);
    const QByteArray bytes = qbtest::readBytes(qbtest::sourceDir() + QStringLiteral("/Docs/") + charset + QStringLiteral(".txt"));
    QVERIFY(!bytes.isEmpty());
    QVERIFY(bytes.endsWith("\r\n"));
    QVERIFY(!bytes.contains("\n\n") && bytes.count('\n') == bytes.count("\r\n"));

    // The committed table is what the tool makes from its list, byte for byte.
    QString error;
    const auto references = qbchartables::ParseReferences(
        QString::fromUtf8(qbtest::readBytes(qbtest::sourceDir() + QStringLiteral("/tools/qb-chartables/entities.txt"))), &error);
    QVERIFY2(!references.isEmpty(), qPrintable(error));
    QCOMPARE(bytes, qbchartables::TableBytes(charset, references));

    // Every line of three fields; every key once.
    const QStringList lines = QString::fromUtf8(bytes).split(QStringLiteral("\r\n"));
    QSet<QString> keys;
    int named = 0;
    for (const QString &line : lines.mid(1, lines.size() - 2)) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        QCOMPARE(fields.size(), 3);
        for (const QString &key : {fields.at(0), fields.at(2)}) {
            if (key.isEmpty())
                continue;
            QVERIFY2(!keys.contains(key), qPrintable(key));
            keys.insert(key);
            named += key.startsWith(QLatin1String("&#")) ? 0 : 1;
        }
    }
    // The 252 references of HTML 4.01 and "&apos;".
    QCOMPARE(named, 253);

    SpecialFixture f;
    f.run->settings.DocsFolder = qbtest::sourceDir() + QStringLiteral("/Docs/");
    DiscusGetReplaceableCharacterArray(*f.run, charset);
    QVERIFY(!f.host.StopConversion);
    QVERIFY(f.progress().isEmpty());
    QCOMPARE(f.run->SpecialCharactersExact.value(QStringLiteral("&eacute;")), u("\xC3\xA9"));
    QCOMPARE(f.run->SpecialCharactersExact.value(QStringLiteral("&#233;")), u("\xC3\xA9"));
    QCOMPARE(f.run->SpecialCharactersExact.size(), keys.size());
}

void TestSpecialChars::shippedTableReplacements_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("accents") << "caf&eacute; &Eacute;t&eacute; na&#239;ve" << u("caf\xC3\xA9 \xC3\x89t\xC3\xA9 na\xC3\xAFve");
    QTest::newRow("typography") << "it&rsquo;s &ldquo;so&rdquo;&hellip; &ndash;&nbsp;ok"
                                << u("it\xE2\x80\x99s \xE2\x80\x9Cso\xE2\x80\x9D\xE2\x80\xA6 \xE2\x80\x93\xC2\xA0ok");
    QTest::newRow("pasted windows-1252 numbers") << "it&#146;s &#147;so&#148; &#150; &#128;5"
                                                  << u("it\xE2\x80\x99s \xE2\x80\x9Cso\xE2\x80\x9D \xE2\x80\x93 \xE2\x82\xAC" "5");
    QTest::newRow("row-breaking characters") << "&quot;a&quot;&#44; it&#39;s &apos;b&#039; &#96;"
                                             << "\"a\", it's 'b' `";
    QTest::newRow("ampersand") << "Tom &amp; Jerry &#38; &AMP;" << "Tom & Jerry & &";
    QTest::newRow("markup stays") << "&lt;b&gt; &#60;i&#62; &amp;lt;" << "&lt;b&gt; &#60;i&#62; &lt;";
    QTest::newRow("greek and maths") << "&Alpha;&alpha;&sum;&thetasym;" << u("\xCE\x91\xCE\xB1\xE2\x88\x91\xCF\x91");
    QTest::newRow("ascii numbers") << "&#106;&#111;&#32;x" << "jo x";
}

void TestSpecialChars::shippedTableReplacements()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    SpecialFixture f;
    f.run->settings.DocsFolder = qbtest::sourceDir() + QStringLiteral("/Docs/");
    DiscusGetReplaceableCharacterArray(*f.run, QStringLiteral("utf-8"));
    QCOMPARE(f.scan(text), expected);
    QVERIFY(!QFile::exists(f.out + ReportName));
}

QTEST_GUILESS_MAIN(TestSpecialChars)
#include "tst_specialchars.moc"
