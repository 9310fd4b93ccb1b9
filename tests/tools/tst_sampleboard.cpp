// The hand-made sample installation in samples/discus: every page the main board file
// leads to exists where the converter looks for it, the markers are complete, and the
// posters, links and files it mentions are there.
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QtTest>

namespace {

QString between(const QString &text, const QString &open, const QString &close, int from = 0)
{
    const int a = int(text.indexOf(open, from, Qt::CaseInsensitive));
    if (a < 0)
        return QString();
    const int b = int(text.indexOf(close, a + open.size(), Qt::CaseInsensitive));
    return b < 0 ? QString() : text.mid(a + open.size(), b - a - int(open.size()));
}

QString stripTags(QString s)
{
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    return s.remove(tag).trimmed();
}

// Blocks from open through close, in order.
QStringList blocks(const QString &text, const QString &open, const QString &close)
{
    QStringList out;
    int at = 0;
    for (;;) {
        const int a = int(text.indexOf(open, at, Qt::CaseInsensitive));
        if (a < 0)
            break;
        const int b = int(text.indexOf(close, a, Qt::CaseInsensitive));
        if (b < 0)
            break;
        out << text.mid(a, b + close.size() - a);
        at = b + int(close.size());
    }
    return out;
}

} // namespace

class TestSampleBoard : public QObject {
    Q_OBJECT
    QString root, messages, secure;
    QSet<QString> memberNames; // real names and user names
    QStringList pagesSeen;
    int posts = 0, pagesWithPosts = 0, hidden = 0, newestFirst = 0, unknownPosts = 0, announcements = 0;
    QSet<QString> unknownNames;
    QStringList linkTargets;

    QString readPage(const QString &path)
    {
        QStringDecoder dec(QStringDecoder::Utf8);
        const QString text = dec(qbtest::readBytes(path));
        if (dec.hasError())
            return QString();
        return text;
    }
    void walk(const QString &board, const QString &number, const QString &boardName, bool isHidden, int depth);

private slots:
    void initTestCase();
    void mainFileAndPageTree();
    void linksAndFilesExist();
};

void TestSampleBoard::initTestCase()
{
    root = qbtest::sourceDir() + QStringLiteral("/samples/discus");
    messages = root + QStringLiteral("/discus/messages");
    secure = root + QStringLiteral("/discus_admin_1234567890/secure");
    const QString users = readPage(root + QStringLiteral("/discus_admin_1234567890/User.txt"));
    QVERIFY(!users.isEmpty());
    QVERIFY(!users.contains(QLatin1Char('\r')));
    QSet<QString> groups;
    const QStringList lines = users.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 10);
    for (const QString &line : lines) {
        const QStringList f = line.split(QLatin1Char(':'));
        QCOMPARE(f.size(), 10);
        memberNames << f.at(0).toCaseFolded();
        if (!f.at(3).isEmpty())
            memberNames << f.at(3).toCaseFolded();
        QVERIFY(f.at(6).toLongLong() > 0);
        for (const QString &g : f.at(9).split(QLatin1Char('/'), Qt::SkipEmptyParts))
            groups << g;
    }
    QCOMPARE(groups.size(), 5);
}

void TestSampleBoard::walk(const QString &board, const QString &number, const QString &boardName, bool isHidden, int depth)
{
    QVERIFY(depth < 10);
    const QString path = (isHidden ? secure : messages) + QLatin1Char('/') + board + QLatin1Char('/') + number + QStringLiteral(".html");
    QVERIFY2(QFile::exists(path), qPrintable(path));
    // A hidden page lies only in the secure folder.
    QCOMPARE(QFile::exists(messages + QLatin1Char('/') + board + QLatin1Char('/') + number + QStringLiteral(".html")), !isHidden);
    const QString html = readPage(path);
    QVERIFY2(!html.isEmpty(), qPrintable(path + QStringLiteral(" is not UTF-8")));
    QVERIFY(html.contains(QStringLiteral("content=\"text/html; charset=utf-8\"")));
    pagesSeen << path;
    hidden += isHidden ? 1 : 0;
    QCOMPARE(between(html, QStringLiteral("<!--Topic: "), QStringLiteral("-->")), board + QLatin1Char('/') + boardName);
    const QString me = between(html, QStringLiteral("<!--Me: "), QStringLiteral("-->"));
    QVERIFY2(me.startsWith(number + QLatin1Char('/')), qPrintable(me));
    QVERIFY(!between(html, QStringLiteral("<title>"), QStringLiteral("</title>")).isEmpty());
    // Every page has a ".html?" link, so its topic entries are not skipped.
    const QString link = between(html, QStringLiteral(".html?"), QStringLiteral("</a>"));
    QVERIFY2(!stripTags(link.mid(link.indexOf(QLatin1Char('>')) + 1)).isEmpty(), qPrintable(path));
    announcements += int(blocks(html, QStringLiteral("<!--Announcement-->"), QStringLiteral("<!--/Announcement-->")).size());

    // Posts.
    const QStringList postBlocks = blocks(html, QStringLiteral("<!--Post: "), QStringLiteral("<!--/Post: "));
    QCOMPARE(int(postBlocks.size()), int(html.count(QStringLiteral("<!--Post: "))));
    qint64 first = 0, last = 0;
    for (int i = 0; i < postBlocks.size(); ++i) {
        const QString &p = postBlocks.at(i);
        const QString n = between(p, QStringLiteral("<!--Post: "), QStringLiteral("-->"));
        QVERIFY(html.contains(QStringLiteral("<!--/Post: ") + n + QStringLiteral("-->")));
        const QString name = stripTags(between(p, QStringLiteral("<!--name-->"), QStringLiteral("<!--/name-->")));
        QVERIFY(!name.isEmpty());
        if (!memberNames.contains(name.toCaseFolded()) && name != QLatin1String("admin")) {
            unknownNames << name;
            ++unknownPosts;
        }
        bool ok = false;
        const qint64 time = between(p, QStringLiteral("<!--Time: "), QStringLiteral("-->")).trimmed().toLongLong(&ok);
        QVERIFY(ok && time > 0);
        if (i == 0)
            first = time;
        last = time;
        QVERIFY(!between(p, QStringLiteral("<!--Text-->"), QStringLiteral("<!--/Text-->")).isEmpty());
        static const QRegularExpression href(QStringLiteral("href=\"([^\"]*/discus/messages/[^\"]*)\""));
        auto it = href.globalMatch(between(p, QStringLiteral("<!--Text-->"), QStringLiteral("<!--/Text-->")));
        while (it.hasNext())
            linkTargets << it.next().captured(1);
        static const QRegularExpression img(QStringLiteral("<img src=\"([^\"]*)\" alt="));
        auto im = img.globalMatch(p);
        while (im.hasNext())
            linkTargets << im.next().captured(1);
    }
    posts += int(postBlocks.size());
    pagesWithPosts += postBlocks.isEmpty() ? 0 : 1;
    newestFirst += (postBlocks.size() > 1 && first > last) ? 1 : 0;

    // Topic entries, walked depth first like the converter.
    for (const QString &entry : blocks(html, QStringLiteral("<!--Top: "), QStringLiteral("<!--/Top-->"))) {
        const QString target = between(entry, QStringLiteral("<a href=\""), QStringLiteral("?"));
        const QStringList parts = target.split(QLatin1Char('/'));
        QVERIFY2(target.startsWith(QLatin1String("/discus/messages/")) && parts.size() == 5, qPrintable(target));
        QCOMPARE(parts.at(3), board);
        const QString child = parts.at(4).section(QLatin1Char('.'), 0, 0);
        QCOMPARE(between(entry, QStringLiteral("<!--Top: "), QStringLiteral("-->")), child);
        walk(board, child, boardName, entry.contains(QStringLiteral("<!-- Topic Hidden -->")), depth + 1);
    }
}

void TestSampleBoard::mainFileAndPageTree()
{
    const QString main = readPage(messages + QStringLiteral("/board-topics.html"));
    QVERIFY(!main.isEmpty());
    const QStringList categories = blocks(main, QStringLiteral("<!--Category: "), QStringLiteral("<!--/Category-->"));
    QStringList names;
    for (const QString &c : categories)
        names << stripTags(between(c, QStringLiteral("<!--Text-->"), QStringLiteral("<!--/Text-->")));
    QCOMPARE(names, (QStringList{QStringLiteral("Birds and Birding"), QStringLiteral("Club Life")}));
    QStringList boards;
    for (const QString &entry : blocks(main, QStringLiteral("<!--Top: "), QStringLiteral("<!--/Top-->"))) {
        const QString number = entry.mid(9, 10).trimmed().section(QLatin1Char('-'), 0, 0);
        const QString name = stripTags(between(entry, QStringLiteral("\">"), QStringLiteral("</a>")));
        boards << number;
        walk(number, number, name, false, 0);
    }
    QCOMPARE(boards, (QStringList{QStringLiteral("3"), QStringLiteral("7"), QStringLiteral("12"), QStringLiteral("15")}));
    QCOMPARE(pagesSeen.size(), 16);
    QCOMPARE(pagesWithPosts, 12);
    QCOMPARE(posts, 31);
    QCOMPARE(hidden, 1);
    QCOMPARE(newestFirst, 1);
    QCOMPARE(announcements, 1);
    QCOMPARE(unknownNames, QSet<QString>{QStringLiteral("Old Tom Fenwick")});
    QCOMPARE(unknownPosts, 2);

    // Every page file of the installation is reached from the main board file.
    QStringList files;
    for (const QString &dir : {messages, secure})
        for (const QString &sub : QDir(dir).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
            for (const QString &f : QDir(dir + QLatin1Char('/') + sub).entryList({QStringLiteral("*.html")}))
                files << dir + QLatin1Char('/') + sub + QLatin1Char('/') + f;
    files.sort();
    pagesSeen.sort();
    QCOMPARE(pagesSeen, files);
}

void TestSampleBoard::linksAndFilesExist()
{
    QVERIFY(!linkTargets.isEmpty());
    int pageLinks = 0, files = 0;
    for (const QString &t : std::as_const(linkTargets)) {
        const QString local = t.mid(t.indexOf(QStringLiteral("/discus/messages/")) + 17);
        const QString inMessages = messages + QLatin1Char('/') + local;
        const QString inSecure = secure + QLatin1Char('/') + local;
        QVERIFY2(QFile::exists(inMessages) || QFile::exists(inSecure), qPrintable(t));
        if (t.startsWith(QLatin1String("http")))
            QVERIFY2(t.startsWith(QLatin1String("http://www.kestrel-valley-birders.example/")), qPrintable(t));
        (local.endsWith(QLatin1String(".html")) ? pageLinks : files) += 1;
    }
    QVERIFY(pageLinks >= 3);
    QCOMPARE(files, 3); // the attachment, the image and the membership form
}

QTEST_GUILESS_MAIN(TestSampleBoard)
#include "tst_sampleboard.moc"
