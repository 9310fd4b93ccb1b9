// Redirection pages: where they are written, the placeholders, the option, pages outside
// the Discus folders, and the shipped template.
#include "messages/modRedirect.h"
#include "run/BackgroundWork.h"
#include "output/TextFiles.h"
#include "tests/boards/BoardFixture.h"

#include <QDirIterator>
#include <QtTest>

using namespace qbboards;

namespace {

struct RedirectFixture : Fixture {
    QString redirect;
    RedirectFixture()
    {
        run->settings.CreateRedirectionFiles = true;
        run->settings.phpBB3ForumAddr = QStringLiteral("http://forum.example.com");
        run->RedirectTemplate = QStringLiteral("A=AAAAA|B=BBBBB|X=XXXXX|C=CCCCC|Y=YYYYY|Z=ZZZZZ|again aaaaa");
        redirect = out + QStringLiteral("redirect/");
    }
    // Every file under the output's redirect folder, relative to it (once the run's
    // second thread has written them).
    QStringList written() const
    {
        WaitForBackgroundWork(*run);
        QStringList files;
        QDirIterator it(redirect, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next().mid(redirect.size());
        files.sort();
        return files;
    }
    QByteArray page(const QString &relative) const
    {
        WaitForBackgroundWork(*run);
        return qbtest::readBytes(redirect + relative);
    }
};

} // namespace

class TestRedirect : public QObject {
    Q_OBJECT

private slots:
    void placeholdersInOrder();
    void optionOffWritesNothing();
    void sameFileNameInTwoBoards();
    void hiddenPageUnderSecureTree();
    void templateWithoutPlaceholders();
    void pagesOutsideTheFolders_data();
    void pagesOutsideTheFolders();
    void valuesAsHtml_data();
    void valuesAsHtml();
    void pageIsAsciiInAnyCharset_data();
    void pageIsAsciiInAnyCharset();
    void shippedTemplate();
    void unwritablePageStopsTheRun();
};

void TestRedirect::placeholdersInOrder()
{
    RedirectFixture f;
    // A value holding a later placeholder is replaced again; an earlier one is not.
    SaveRedirectFile(*f.run, f.messages + QStringLiteral("12/345.html"), 17, QStringLiteral("Link zzzzz"),
                     QStringLiteral("Owls AAAAA"), QStringLiteral("Title"), QStringLiteral("viewtopic.php?t=17"));
    QVERIFY(!f.host.StopConversion);
    QCOMPARE(f.written(), QStringList{QStringLiteral("discus/messages/12/345.html")});
    QCOMPARE(f.page(QStringLiteral("discus/messages/12/345.html")),
             QByteArray("A=Link http://forum.example.com|B=Owls AAAAA|X=17.0|C=Title|Y=http://forum.example.com/viewtopic.php?t=17|"
                        "Z=http://forum.example.com|again "
                        "Link http://forum.example.com"));
    QVERIFY(f.progress().isEmpty());
}

// The pages are written on the run's second thread: a page that cannot be written still
// stops the run with the writer's error, and the pages after it are not lost.
void TestRedirect::unwritablePageStopsTheRun()
{
    RedirectFixture f;
    QVERIFY(QDir().mkpath(f.redirect + QStringLiteral("discus/messages/12/345.html"))); // a folder in the way
    SaveRedirectFile(*f.run, f.messages + QStringLiteral("12/345.html"), 1, QStringLiteral("a"), QString(), QString(),
                     QStringLiteral("viewtopic.php?t=1"));
    SaveRedirectFile(*f.run, f.messages + QStringLiteral("12/346.html"), 2, QStringLiteral("b"), QString(), QString(),
                     QStringLiteral("viewtopic.php?t=2"));
    WaitForBackgroundWork(*f.run);
    QVERIFY(f.host.StopConversion);
    QVERIFY(f.errorLog().contains(QStringLiteral("WriteFileData()")));
    QVERIFY(f.errorLog().contains(QStringLiteral("12/345.html")));
    QVERIFY(f.page(QStringLiteral("discus/messages/12/346.html")).startsWith("A=b|"));
}

void TestRedirect::optionOffWritesNothing()
{
    RedirectFixture f;
    f.run->settings.CreateRedirectionFiles = false;
    SaveRedirectFile(*f.run, f.messages + QStringLiteral("12/345.html"), 1, QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("viewforum.php?f=2"));
    QVERIFY(!QFileInfo::exists(f.redirect));
    QVERIFY(f.progress().isEmpty());
}

void TestRedirect::sameFileNameInTwoBoards()
{
    RedirectFixture f;
    SaveRedirectFile(*f.run, f.messages + QStringLiteral("12/345.html"), 1, QStringLiteral("one"), QString(), QString(), QStringLiteral("viewforum.php?f=2"));
    SaveRedirectFile(*f.run, f.messages + QStringLiteral("13/345.html"), 2, QStringLiteral("two"), QString(), QString(), QStringLiteral("viewforum.php?f=2"));
    QCOMPARE(f.written(), QStringList({"discus/messages/12/345.html", "discus/messages/13/345.html"}));
    QVERIFY(f.page(QStringLiteral("discus/messages/12/345.html")).contains("A=one|"));
    QVERIFY(f.page(QStringLiteral("discus/messages/13/345.html")).contains("A=two|"));
    // A page written again (the sub page first, then its posts) replaces the file.
    SaveRedirectFile(*f.run, f.messages + QStringLiteral("12/345.html"), 3, QStringLiteral("three"), QString(), QString(), QStringLiteral("viewforum.php?f=2"));
    QVERIFY(f.page(QStringLiteral("discus/messages/12/345.html")).startsWith("A=three|"));
}

void TestRedirect::hiddenPageUnderSecureTree()
{
    RedirectFixture f;
    f.run->CurrentPageHidden = true;
    SaveRedirectFile(*f.run, f.secure + QStringLiteral("12/345.html"), 4, QStringLiteral("hidden"), QString(), QString(), QStringLiteral("viewforum.php?f=2"));
    QCOMPARE(f.written(), QStringList{QStringLiteral("discus_admin_1/secure/12/345.html")});
    // The page's folder decides, also while the walk's flag still holds a hidden sub
    // page's value.
    SaveRedirectFile(*f.run, f.messages + QStringLiteral("12/346.html"), 5, QStringLiteral("shown"), QString(), QString(), QStringLiteral("viewforum.php?f=2"));
    QVERIFY(f.written().contains(QStringLiteral("discus/messages/12/346.html")));
}

void TestRedirect::templateWithoutPlaceholders()
{
    RedirectFixture f;
    f.run->RedirectTemplate = QStringLiteral("<html><body>Moved.</body></html>\r\n");
    SaveRedirectFile(*f.run, f.messages + QStringLiteral("12/1.html"), 1, QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("viewforum.php?f=2"));
    SaveRedirectFile(*f.run, f.messages + QStringLiteral("12/2.html"), 2, QStringLiteral("d"), QStringLiteral("e"), QStringLiteral("f"), QStringLiteral("viewforum.php?f=2"));
    QCOMPARE(f.page(QStringLiteral("discus/messages/12/1.html")), QByteArray("<html><body>Moved.</body></html>\r\n"));
    QCOMPARE(f.page(QStringLiteral("discus/messages/12/2.html")), QByteArray("<html><body>Moved.</body></html>\r\n"));
}

void TestRedirect::pagesOutsideTheFolders_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("elsewhere") << "/elsewhere/12/345.html";
    QTest::newRow("climbing out") << "MESSAGES../345.html";
    QTest::newRow("no board folder") << "MESSAGES345.html";
    QTest::newRow("deeper folder") << "MESSAGES12/sub/345.html";
    QTest::newRow("folder only") << "MESSAGES12/";
    QTest::newRow("empty") << "";
}

void TestRedirect::pagesOutsideTheFolders()
{
    QFETCH(QString, path);
    RedirectFixture f;
    path.replace(QStringLiteral("MESSAGES"), f.messages);
    SaveRedirectFile(*f.run, path, 1, QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("viewforum.php?f=2"));
    QVERIFY(f.written().isEmpty());
    const QString line = QStringLiteral("Redirect file not written, the page is not in a board folder of the Discus message folders - ")
        + QDir::toNativeSeparators(path) + CrLf;
    QCOMPARE(f.progress(), line);
    QVERIFY(f.errorLog().contains(line));
    QVERIFY(!f.host.StopConversion);
    // Nothing was written anywhere in the temporary folder but the fixture's own files.
    QDirIterator it(f.dir.path(), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        QVERIFY2(file.endsWith(QLatin1String(".txt")) || file.endsWith(QLatin1String(".ini")), qPrintable(file));
    }
}

void TestRedirect::valuesAsHtml_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("html");
    QTest::newRow("row tokens") << "Tom({)s (})big(}) day([) ok" << "Tom's &quot;big&quot; day, ok";
    QTest::newRow("typographic tokens") << "(|)a(]) (\\)b" << QString::fromUtf8("\xE2\x80\x9C" "a\xE2\x80\x9D \xE2\x80\x9E" "b");
    QTest::newRow("line break and backtick") << "a(:)b(<)c" << "a\r\nb`c";
    QTest::newRow("lone angle brackets") << "x < y > z" << "x &lt; y &gt; z";
    QTest::newRow("references stay") << "&lt;b&gt; &amp; &eacute;" << "&lt;b&gt; &amp; &eacute;";
    QTest::newRow("no token") << "(a) (x)" << "(a) (x)";
}

void TestRedirect::valuesAsHtml()
{
    QFETCH(QString, value);
    QFETCH(QString, html);
    QCOMPARE(RedirectHtmlText(value), html);
}

void TestRedirect::pageIsAsciiInAnyCharset_data()
{
    QTest::addColumn<QString>("charset");
    QTest::newRow("utf-8") << "utf-8";
    QTest::newRow("iso-8859-1") << "iso-8859-1";
    QTest::newRow("koi8-r") << "koi8-r";
    QTest::newRow("shift-jis") << "shift-jis";
}

void TestRedirect::pageIsAsciiInAnyCharset()
{
    QFETCH(QString, charset);
    RedirectFixture f;
    f.run->settings.DiscusCharset = charset;
    f.run->RedirectTemplate = QStringLiteral("<title>CCCCC</title>AAAAA");
    SaveRedirectFile(*f.run, f.messages + QStringLiteral("12/345.html"), 1,
                     QString::fromUtf8("Caf\xC3\xA9 \xD0\x9C\xD0\xB8\xD1\x80 \xE6\x97\xA5 \xF0\x9F\xA6\x89"), QString(),
                     QStringLiteral("Tom({)s"), QStringLiteral("viewtopic.php?t=1"));
    QCOMPARE(f.page(QStringLiteral("discus/messages/12/345.html")),
             QByteArray("<title>Tom's</title>Caf&#233; &#1052;&#1080;&#1088; &#26085; &#129417;"));
}

void TestRedirect::shippedTemplate()
{
    RedirectFixture f;
    const QString path = qbtest::sourceDir() + QStringLiteral("/Docs/Redirect.html");
    QString text;
    QVERIFY(GetFileDataANSI(f.host, path, text));
    // ASCII only (it is read as us-ascii), all six placeholders.
    for (const char c : qbtest::readBytes(path))
        QVERIFY(uchar(c) < 0x80);
    for (const char *placeholder : {"AAAAA", "BBBBB", "XXXXX", "CCCCC", "YYYYY", "ZZZZZ"})
        QVERIFY2(text.contains(QLatin1String(placeholder)), placeholder);

    f.run->RedirectTemplate = text;
    SaveRedirectFile(*f.run, f.messages + QStringLiteral("12/345.html"), 42, QStringLiteral("Owl({)s nest"),
                     QStringLiteral("Birds"), QStringLiteral("Owls - Birds"), QStringLiteral("viewtopic.php?t=42"));
    const QString page = QString::fromLatin1(f.page(QStringLiteral("discus/messages/12/345.html")));
    QVERIFY(page.startsWith(QStringLiteral("<!DOCTYPE html>")));
    QVERIFY(page.contains(QStringLiteral("<meta http-equiv=\"refresh\" content=\"5; url=http://forum.example.com/viewtopic.php?t=42\">")));
    QVERIFY(page.contains(QStringLiteral("<a href=\"http://forum.example.com/viewtopic.php?t=42\">")));
    QVERIFY(page.contains(QStringLiteral("<title>Owls - Birds - this discussion has moved</title>")));
    QVERIFY(page.contains(QStringLiteral("<strong>Owl's nest</strong> (Birds)")));
    for (const char *placeholder : {"AAAAA", "BBBBB", "XXXXX", "CCCCC", "YYYYY", "ZZZZZ"})
        QVERIFY(!page.contains(QLatin1String(placeholder)));
    // Balanced elements: every element opened is closed (void elements aside).
    for (const char *element : {"html", "head", "title", "style", "body", "h1", "p", "a", "strong"}) {
        const QString open = QStringLiteral("<") + QLatin1String(element);
        const QString close = QStringLiteral("</") + QLatin1String(element) + QLatin1Char('>');
        int opened = 0;
        for (qsizetype i = page.indexOf(open); i >= 0; i = page.indexOf(open, i + 1)) {
            const QChar next = page.at(i + open.size());
            opened += (next == QLatin1Char('>') || next == QLatin1Char(' ')) ? 1 : 0;
        }
        QVERIFY2(opened > 0 && opened == page.count(close), element);
    }
}

QTEST_GUILESS_MAIN(TestRedirect)
#include "tst_redirect.moc"
