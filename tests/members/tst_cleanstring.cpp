#include "members/phpBBCleanString.h"
#include "tests/support/TestSupport.h"

#include <QFile>
#include <QRegularExpression>
#include <QtTest>

namespace {

QString cleanStringDir() { return qbtest::sharedDir() + QStringLiteral("/phpbb/clean-string"); }

// A vectors.tsv field with its escapes (\\ \t \n \r \u{HEX}) resolved; sets *error on
// anything else.
QString unescape(const QString &field, QString *error)
{
    QString out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] != QLatin1Char('\\')) {
            out += field[i];
            continue;
        }
        const QChar next = i + 1 < field.size() ? field[i + 1] : QChar();
        i += 1;
        if (next == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        else if (next == QLatin1Char('t'))
            out += QLatin1Char('\t');
        else if (next == QLatin1Char('n'))
            out += QLatin1Char('\n');
        else if (next == QLatin1Char('r'))
            out += QLatin1Char('\r');
        else if (next == QLatin1Char('u') && field.mid(i + 1, 1) == QLatin1String("{")) {
            const qsizetype close = field.indexOf(QLatin1Char('}'), i);
            bool ok = false;
            const char32_t cp = close < 0 ? 0 : field.mid(i + 2, close - i - 2).toUInt(&ok, 16);
            if (!ok) {
                *error = QStringLiteral("bad \\u escape in: ") + field;
                return out;
            }
            out += QString::fromUcs4(&cp, 1);
            i = close;
        } else {
            *error = QStringLiteral("unknown escape in: ") + field;
            return out;
        }
    }
    return out;
}

// The data lines of vectors.tsv; empty when the file cannot be read.
QStringList vectorLines(bool *found)
{
    QFile file(cleanStringDir() + QStringLiteral("/vectors.tsv"));
    *found = file.open(QIODevice::ReadOnly);
    QStringList lines;
    if (!*found)
        return lines;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (!line.isEmpty() && !line.startsWith(QLatin1Char('#')))
            lines << line;
    }
    return lines;
}

// The user names (first column) of one of the shared bots-*.tsv files.
QStringList sharedBotNames(const QString &version)
{
    QStringList names;
    const QString text = qbtest::readText(qbtest::sharedDir() + QStringLiteral("/phpbb/bots-%1.tsv").arg(version));
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        if (!line.isEmpty() && !line.startsWith(QLatin1Char('#')))
            names << line.section(QLatin1Char('\t'), 0, 0);
    }
    return names;
}

QString u(const char *utf8) { return QString::fromUtf8(utf8); }

} // namespace

class TestCleanString : public QObject {
    Q_OBJECT
private slots:
    void vectorsFile();
    void vectors_data();
    void vectors();
    void storedNames_data();
    void storedNames();
    void escaping_data();
    void escaping();
    void reservedNames_data();
    void reservedNames();
    void freshBoards_data();
    void freshBoards();
    void reservedCleanNames();
};

void TestCleanString::vectorsFile()
{
    bool found = false;
    const QStringList lines = vectorLines(&found);
    QVERIFY2(found, qPrintable(cleanStringDir() + "/vectors.tsv cannot be read"));
    QCOMPARE(lines.size(), 627);
}

void TestCleanString::vectors_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("error");
    bool found = false;
    const QStringList lines = vectorLines(&found);
    if (!found || lines.isEmpty()) {
        QTest::newRow("vectors.tsv") << QString() << QString()
                                     << cleanStringDir() + QStringLiteral("/vectors.tsv cannot be read");
        return;
    }
    for (int n = 0; n < lines.size(); ++n) {
        const QStringList fields = lines[n].split(QLatin1Char('\t'));
        QString error = fields.size() == 2 ? QString() : QStringLiteral("not two fields: ") + lines[n];
        const QString input = unescape(fields.value(0), &error);
        const QString expected = unescape(fields.value(1), &error);
        QTest::addRow("%d: %s", n + 1, qPrintable(fields.value(0))) << input << expected << error;
    }
}

void TestCleanString::vectors()
{
    QFETCH(QString, input);
    QFETCH(QString, expected);
    QFETCH(QString, error);
    if (!error.isEmpty())
        QFAIL(qPrintable(error));
    const QString cleaned = phpBBCleanString(input);
    QCOMPARE(cleaned.toUtf8(), expected.toUtf8());
}

void TestCleanString::storedNames_data()
{
    QTest::addColumn<QString>("raw");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("clean");
    QTest::newRow("apostrophe") << "O'Brien" << "O'Brien" << u("o\u02B9brien");
    QTest::newRow("ampersand") << "Tom & Jerry" << "Tom &amp; Jerry" << "tom &amp; jerry";
    QTest::newRow("double quotes") << "Say \"Hi\"" << "Say &quot;Hi&quot;" << "say &quot;hi&quot;";
    QTest::newRow("markup") << "<b>Bob</b>" << "&lt;b&gt;Bob&lt;/b&gt;" << "&lt;b&gt;bob&lt;/b&gt;";
    QTest::newRow("entity escaped again") << "&amp;" << "&amp;amp;" << "&amp;amp;";
    QTest::newRow("decomposed accent composed") << u("Zoe\u0308 O'Brien") << u("Zo\u00EB O'Brien")
                                                << u("zo\u00EB o\u02B9brien");
    QTest::newRow("ohm sign") << u("\u2126mega") << u("\u03A9mega") << u("\u03C9mega");
    QTest::newRow("hangul jamo") << u("\u1100\u1161") << u("\uAC00") << u("\uAC00");
    QTest::newRow("escaped before composing") << u("a<\u0338b") << u("a&lt;\u0338b") << u("a&lt;\u0338b");
    QTest::newRow("german") << u("Fritz \u201EFred\u201C Wei\u00DF") << u("Fritz \u201EFred\u201C Wei\u00DF")
                            << u("fritz \u201Efred\u201C weiss");
    QTest::newRow("blanks") << "  Jane   Doe " << "  Jane   Doe " << "jane doe";
    QTest::newRow("emoji") << u("Ann \U0001F600") << u("Ann \U0001F600") << u("ann \U0001F600");
    QTest::newRow("empty") << "" << "" << "";
}

void TestCleanString::storedNames()
{
    QFETCH(QString, raw);
    QFETCH(QString, stored);
    QFETCH(QString, clean);
    QCOMPARE(phpBBStoredUserName(raw), stored);
    QCOMPARE(phpBBCleanString(phpBBStoredUserName(raw)), clean);
}

void TestCleanString::escaping_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("escaped");
    QTest::newRow("plain") << "Board news" << "Board news";
    QTest::newRow("all four") << "a&b<c>d\"e" << "a&amp;b&lt;c&gt;d&quot;e";
    QTest::newRow("apostrophe stays") << "it's" << "it's";
    QTest::newRow("entities escaped once more") << "&lt;&quot;" << "&amp;lt;&amp;quot;";
    QTest::newRow("no normalization") << u("e\u0301") << u("e\u0301");
}

void TestCleanString::escaping()
{
    QFETCH(QString, text);
    QFETCH(QString, escaped);
    QCOMPARE(phpBBEscapeName(text), escaped);
}

void TestCleanString::reservedNames_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("botFile");
    QTest::addColumn<int>("bots");
    QTest::newRow("3.3") << "3.3" << "3.3" << 55;
    QTest::newRow("3.2") << "3.2" << "3.2" << 45;
    QTest::newRow("other value means 3.3") << "" << "3.3" << 55;
}

void TestCleanString::reservedNames()
{
    QFETCH(QString, version);
    QFETCH(QString, botFile);
    QFETCH(int, bots);
    const QStringList shared = sharedBotNames(botFile);
    QCOMPARE(shared.size(), bots);
    const QStringList names = phpBBReservedUserNames(version, QStringLiteral("Board Admin"));
    QCOMPARE(names.size(), bots + 2);
    QCOMPARE(names.at(0), QStringLiteral("Anonymous"));
    QCOMPARE(names.at(1), QStringLiteral("Board Admin"));
    QCOMPARE(names.mid(2), shared);
}

void TestCleanString::freshBoards_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("file");
    QTest::newRow("3.3") << "3.3" << "phpbb33-fresh.sql";
    QTest::newRow("3.2") << "3.2" << "phpbb32-fresh.sql";
}

// The users of phpBB's own fresh databases: the reserved names in user id order, and
// phpBB's username_clean for each equal to this cleaning.
void TestCleanString::freshBoards()
{
    QFETCH(QString, version);
    QFETCH(QString, file);
    const QString sql = qbtest::readText(qbtest::sharedDir() + QStringLiteral("/phpbb/") + file);
    QVERIFY2(!sql.isEmpty(), qPrintable(file + " cannot be read"));
    static const QRegularExpression row(QStringLiteral(
        "INSERT INTO `phpBB3_users` \\([^)]*\\) VALUES \\((\\d+),\\d+,\\d+,'[^']*',\\d+,'[^']*',\\d+,'([^'\\\\]*)','([^'\\\\]*)'"));
    QStringList userNames;
    auto it = row.globalMatch(sql);
    while (it.hasNext()) {
        const auto m = it.next();
        QCOMPARE(m.captured(1).toInt(), int(userNames.size()) + 1);
        userNames << m.captured(2);
        QCOMPARE(phpBBCleanString(m.captured(2)), m.captured(3));
    }
    QCOMPARE(userNames, phpBBReservedUserNames(version, QStringLiteral("admin")));
}

void TestCleanString::reservedCleanNames()
{
    const QSet<QString> names = phpBBReservedCleanNames(QStringLiteral("3.3"), QStringLiteral("Big \"Boss\""));
    QCOMPARE(names.size(), 57);
    QVERIFY(names.contains(QStringLiteral("anonymous")));
    QVERIFY(names.contains(QStringLiteral("big &quot;boss&quot;")));
    QVERIFY(names.contains(QStringLiteral("adsbot [google]")));
    QVERIFY(names.contains(QStringLiteral("ahrefs [bot]")));
    QVERIFY(!phpBBReservedCleanNames(QStringLiteral("3.2"), QStringLiteral("admin")).contains(QStringLiteral("ahrefs [bot]")));
}

QTEST_GUILESS_MAIN(TestCleanString)
#include "tst_cleanstring.moc"
