// Links between Discus pages: anchors in a post body, the internal links records for
// targets not converted yet, and the update pass that resolves them.
#include "messages/modLinks.h"
#include "tests/boards/BoardFixture.h"

#include <QtTest>

using namespace qbboards;

namespace {

const QString Forum = QStringLiteral("http://forum.example.org/");
const QString Site = QStringLiteral("http://www.example.org");

// The walk's state for post 41 on page 77 (page counter 9) of forum 5.
struct LinkFixture : Fixture {
    LinkFixture()
    {
        run->settings.phpBB3ForumAddr = Forum;
        run->settings.DiscusWebsite = Site;
        run->settings.CreateAttachments = false;
        run->CurrentLevel = 1;
        run->dataIndex.reset(1);
        run->dataIndex.at(1).pageNumber = QStringLiteral("77");
        run->PostIdCounter = 41;
        // Converted already: page 345 of board 12, as topic 17 of forum 3.
        run->TopicIdsByNumber.add(QStringLiteral("345"), QStringLiteral("3,17"));
        boardPage(QStringLiteral("12"), QStringLiteral("345"), QStringLiteral("<html></html>"));
        boardPage(QStringLiteral("12"), QStringLiteral("346"), QStringLiteral("<html></html>"));
        securePage(QStringLiteral("14"), QStringLiteral("400"), QStringLiteral("<html></html>"));
    }
    QString links(const QString &text) { return DiscusProcessLinks(*run, text, 9, 5); }
    // The records of the internal links file (saved first).
    QStringList records()
    {
        CloseImportFile(*run, run->internalLinks);
        const QString file = out + QStringLiteral("InternalLinks1.txt");
        if (!QFile::exists(file))
            return {};
        return QString::fromUtf8(qbtest::readBytes(file)).split(CrLf, Qt::SkipEmptyParts);
    }
    QString updated() { return QString::fromUtf8(qbtest::readBytes(out + QStringLiteral("InternalLinksUpdate1.txt"))); }
};

QString topicLink(const QString &f, const QString &t, const QString &text)
{
    return QStringLiteral("[url=") + Forum + QStringLiteral("viewtopic.php?f=") + f + QStringLiteral("&t=") + t
        + QStringLiteral("]") + text + QStringLiteral("[/url]");
}

} // namespace

class TestLinks : public QObject {
    Q_OBJECT

private slots:
    void anchors_data();
    void anchors();
    void unknownTargetIsRecorded();
    void twoAnchorsFirstLong();
    void twoAnchorsToOneUnknownPage();
    void missingTargetFileIsReported();
    void fileAnchorBecomesAttachment();
    void manyAnchorsInALongPost();
    void stoppedRunGivesEmptyText();
    void buildphpBB3Link();
    void mapItemWithoutCommaStops();
    void updateFillsNewLink();
    void updateKeepsFilledAndUnknownRecords();
    void updateOfEmptyLines();
    void updateWithoutLinksFile();
};

void TestLinks::anchors_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("known target") << "See <a href=\"" + Site + "/discus/messages/12/345.html\">the <b>thread</b></a> now."
                                  << "See " + topicLink("3", "17", "the thread") + " now.";
    QTest::newRow("relative address, upper case") << "<A HREF=\"/discus/messages/12/345.html?1183200000\">x</A>"
                                                  << topicLink("3", "17", "x");
    QTest::newRow("target attribute after the address")
        << "<a href=\"/discus/messages/12/345.html\" target=\"_blank\">x</a>" << topicLink("3", "17", "x");
    QTest::newRow("address shown as the link text")
        << "<a href=\"/discus/messages/12/345.html\">/discus/messages/12/345.html</a>"
        << "[url=" + Forum + "viewtopic.php?f=3&t=17]" + Forum + "viewtopic.php?f=3&t=17[/url]";
    QTest::newRow("another site keeps its address") << "<a href=\"http://elsewhere.org/page.html\">there</a>"
                                                    << "[url=http://elsewhere.org/page.html]there[/url]";
    QTest::newRow("host-less, same folder") << "<a href=\"photo.html\">p</a>" << "[url=http://old.example.org/discus/messages/12/photo.html]p[/url]";
    QTest::newRow("host-less, other folder") << "<a href=\"/discus/clipart/a.gif\">a</a>" << "[url=http://old.example.org/discus/clipart/a.gif]a[/url]";
    QTest::newRow("mailto") << "<a href=\"mailto:a@b.org?subject=x\"><b>mail</b></a>" << "[email=a@b.org]<b>mail</b>[/email]";
    QTest::newRow("other scheme keeps its text") << "<a href=\"javascript:x()\">t</a>" << "<a href=\"javascript:x()\">t</a>";
    QTest::newRow("ftp, empty text") << "<a href='ftp://f.org/a b'></a>" << "[url=ftp://f.org/a%20b]ftp://f.org/a%20b[/url]";
    QTest::newRow("show.cgi unchanged") << "<a href=\"/discus/messages/show.cgi?12/345\">s</a>"
                                        << "<a href=\"/discus/messages/show.cgi?12/345\">s</a>";
    QTest::newRow("showpage.html unchanged") << "<a href=\"/discus/messages/12/showpage.html\">s</a>"
                                             << "<a href=\"/discus/messages/12/showpage.html\">s</a>";
    QTest::newRow("empty address unchanged") << "<a href=\"\">see /discus/messages/ here</a>"
                                             << "<a href=\"\">see /discus/messages/ here</a>";
    QTest::newRow("file unchanged") << "<a href=\"" + Site + "/discus/messages/12/photo.jpg\">photo</a>"
                                    << "<a href=\"" + Site + "/discus/messages/12/photo.jpg\">photo</a>";
    QTest::newRow("numbered file is no page") << "<a href=\"/discus/messages/12/345.jpg\">pic</a>"
                                              << "<a href=\"/discus/messages/12/345.jpg\">pic</a>";
    QTest::newRow("unchanged anchor, then a converted one")
        << "<a href=\"http://elsewhere.org/\">e</a> and <a href=\"/discus/messages/12/345.html\">x</a>!"
        << "[url=http://elsewhere.org/]e[/url] and " + topicLink("3", "17", "x") + "!";
    QTest::newRow("anchor without its end tag") << "<a href=\"/discus/messages/12/345.html\">x" << "<a href=\"/discus/messages/12/345.html\">x";
}

void TestLinks::anchors()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    LinkFixture f;
    f.run->settings.DiscusWebsite = QStringLiteral("http://old.example.org");
    f.run->dataIndex.at(f.run->CurrentLevel).pagePath = f.run->settings.DiscusMessageFolder + QStringLiteral("12/120.html");
    QCOMPARE(DiscusPageAddress(*f.run), QStringLiteral("http://old.example.org/discus/messages/12/120.html"));
    QCOMPARE(f.links(text), expected);
    QVERIFY(!f.run->stopped());
    QVERIFY(f.host.messages.isEmpty());
    QCOMPARE(f.records(), QStringList());
    QVERIFY(!f.progress().contains(QStringLiteral("Message linked file does not exist")));
}

void TestLinks::unknownTargetIsRecorded()
{
    LinkFixture f;
    const QString old = Site + QStringLiteral("/discus/messages/12/346.html");
    QCOMPARE(f.links(QStringLiteral("Also <a href=\"") + old + QStringLiteral("\">\"other\" <i>one</i></a>.")),
             QStringLiteral("Also [url=") + old + QStringLiteral("]other one[/url]."));
    const QStringList records = f.records();
    QCOMPARE(records.size(), 1);
    const QStringList fields = records.first().split(QLatin1Char('^'));
    QCOMPARE(fields, (QStringList{QStringLiteral("[url=") + old + QStringLiteral("]other one[/url]"), QString(),
                                  QStringLiteral("5"), QStringLiteral("9"), QStringLiteral("41"), QStringLiteral("77"),
                                  QStringLiteral("12"), QStringLiteral("346")}));
    // The internal links file gets no load statement.
    QVERIFY(!QFile::exists(f.run->settings.ImportScriptFile) || !f.script().contains(QStringLiteral("InternalLinks")));

    // A secure page, a link text over two lines and a target attribute.
    LinkFixture g;
    QCOMPARE(g.links(QStringLiteral("<a href=\"/discus/secure/14/400.html\" target=\"_top\">two\r\nlines</a>")),
             QStringLiteral("[url=http://www.example.org/discus/secure/14/400.html target=_top]two\r\nlines[/url]"));
    QCOMPARE(g.records(), QStringList{QStringLiteral("[url=http://www.example.org/discus/secure/14/400.html target=_top]twolines[/url]^^5^9^41^77^14^400")});
    QVERIFY(!g.progress().contains(QStringLiteral("Message linked file does not exist")));
}

void TestLinks::twoAnchorsFirstLong()
{
    // The first anchor's replacement is far shorter than the anchor: the second anchor
    // starts before the first one's old end position and must still be converted.
    LinkFixture f;
    f.run->TopicIdsByNumber.add(QStringLiteral("346"), QStringLiteral("3,18"));
    const QString first = QStringLiteral("<a href=\"") + Site
        + QStringLiteral("/discus/messages/12/345.html?1183200000\" target=\"_blank\" title=\"")
        + QString(300, QLatin1Char('t')) + QStringLiteral("\"><b><i>first</i></b></a>");
    const QString text = first + QStringLiteral(" <a href=\"/discus/messages/12/346.html\">second</a> end");
    QCOMPARE(f.links(text), topicLink("3", "17", "first") + QStringLiteral(" ") + topicLink("3", "18", "second")
                                + QStringLiteral(" end"));
}

void TestLinks::twoAnchorsToOneUnknownPage()
{
    LinkFixture f;
    const QString a = QStringLiteral("<a href=\"/discus/messages/12/346.html\">one</a>");
    const QString b = QStringLiteral("<a href=\"/discus/messages/12/346.html#end\">two</a>");
    QCOMPARE(f.links(a + QStringLiteral(", ") + b),
             QStringLiteral("[url=http://www.example.org/discus/messages/12/346.html]one[/url], [url=http://www.example.org/discus/messages/12/346.html#end]two[/url]"));
    QCOMPARE(f.records(), (QStringList{QStringLiteral("[url=http://www.example.org/discus/messages/12/346.html]one[/url]^^5^9^41^77^12^346"),
                                       QStringLiteral("[url=http://www.example.org/discus/messages/12/346.html#end]two[/url]^^5^9^41^77^12^346")}));
}

void TestLinks::missingTargetFileIsReported()
{
    LinkFixture f;
    // Known in the page map but without a file: converted, and reported.
    f.run->TopicIdsByNumber.add(QStringLiteral("999"), QStringLiteral("4,20"));
    QCOMPARE(f.links(QStringLiteral("<a href=\"/discus/messages/13/999.html\">gone</a>")), topicLink("4", "20", "gone"));
    // Unknown and without a file: recorded, and reported.
    f.run->PostIdCounter = 42;
    QCOMPARE(f.links(QStringLiteral("<a href=\"/discus/messages/13/998.html\">lost</a>")),
             QStringLiteral("[url=http://www.example.org/discus/messages/13/998.html]lost[/url]"));
    QCOMPARE(f.records().size(), 1);

    const QString line1 = QStringLiteral("Message linked file does not exist (phpBB3 Rec# 41) - ") + f.messages
        + QStringLiteral("13/999.html\r\n      nor does ") + f.secure + QStringLiteral("13/999.html\r\n");
    const QString line2 = QStringLiteral("Message linked file does not exist (phpBB3 Rec# 42) - ") + f.messages
        + QStringLiteral("13/998.html\r\n      nor does ") + f.secure + QStringLiteral("13/998.html\r\n");
    QVERIFY2(f.progress().contains(line1 + line2), qPrintable(f.progress()));
    QVERIFY(f.errorLog().contains(line1));
    QVERIFY(f.errorLog().contains(line2));
    const QString log = f.host.log;
    QVERIFY(log.contains(line1));
    QVERIFY(log.contains(line2));
    QVERIFY(f.host.messages.isEmpty());
    QVERIFY(!f.run->stopped());

    // The line is forced: it shows even with the progress display off.
    LinkFixture g;
    g.host.ShowProgress = false;
    g.links(QStringLiteral("<a href=\"/discus/messages/13/998.html\">lost</a>"));
    QVERIFY(g.progress().contains(QStringLiteral("Message linked file does not exist (phpBB3 Rec# 41)")));
}

void TestLinks::fileAnchorBecomesAttachment()
{
    // An anchor to a file of the site: the attachment row is made and the file copied,
    // the anchor itself stays in the text (its tags go later, leaving its text).
    LinkFixture f;
    f.run->settings.CreateAttachments = true;
    f.run->settings.phpBB3AttachmentsFolder = f.out + QStringLiteral("attachments");
    QStringList rows;
    f.run->pageAttachmentRows = &rows;
    f.write(f.messages + QStringLiteral("12/1234.jpg"), QStringLiteral("JPEG bytes"));
    f.run->CurrentPosterId = 48;
    const QString anchor = QStringLiteral("<a href=\"") + Site + QStringLiteral("/discus/messages/12/1234.jpg\" target=\"_blank\">photo</a>");
    QCOMPARE(f.links(QStringLiteral("Look: ") + anchor + QStringLiteral(" <a href=\"/discus/messages/12/345.html\">x</a>")),
             QStringLiteral("Look: ") + anchor + QStringLiteral(" ") + topicLink("3", "17", "x"));
    f.run->pageAttachmentRows = nullptr;
    QCOMPARE(rows.size(), 1);
    QVERIFY2(rows.first().startsWith(QStringLiteral("1,")), qPrintable(rows.first()));
    QVERIFY(rows.first().contains(QStringLiteral("\"1234.jpg\"")));
    QCOMPARE(QDir(f.out + QStringLiteral("attachments")).entryList(QDir::Files).size(), 1);
    QCOMPARE(f.records(), QStringList());
    QVERIFY(!f.run->stopped());
    QVERIFY(f.host.messages.isEmpty());
}

void TestLinks::manyAnchorsInALongPost()
{
    LinkFixture f;
    QString text, expected;
    for (int i = 0; i < 2000; ++i) {
        text += QStringLiteral("Paragraph %1 <a href=\"/discus/messages/12/345.html\">link %1</a> and "
                               "<a href=\"http://elsewhere.org/\">out %1</a><br>\n").arg(i);
        expected += QStringLiteral("Paragraph %1 ").arg(i) + topicLink("3", "17", QStringLiteral("link %1").arg(i))
            + QStringLiteral(" and [url=http://elsewhere.org/]out %1[/url]<br>\n").arg(i);
    }
    QCOMPARE(f.links(text), expected);
}

void TestLinks::stoppedRunGivesEmptyText()
{
    LinkFixture f;
    f.host.StopConversion = true;
    QCOMPARE(f.links(QStringLiteral("text <a href=\"/discus/messages/12/345.html\">x</a>")), QString());
}

void TestLinks::buildphpBB3Link()
{
    LinkFixture f;
    QCOMPARE(BuildphpBB3Link(*f.run, QStringLiteral("[url=/discus/messages/12/345.html]See /DISCUS/messages/12/345.html[/url]"),
                             QStringLiteral("3,17")),
             QStringLiteral("[url=") + Forum + QStringLiteral("viewtopic.php?f=3&t=17]See ") + Forum
                 + QStringLiteral("viewtopic.php?f=3&t=17[/url]"));
    QVERIFY(!f.run->stopped());
    // The forum address field keeps no trailing "/": the link still gets its separator.
    f.run->settings.phpBB3ForumAddr = QStringLiteral("http://forum.example.org");
    QCOMPARE(BuildphpBB3Link(*f.run, QStringLiteral("[url=/discus/messages/12/345.html]See[/url]"), QStringLiteral("3,17")),
             QStringLiteral("[url=http://forum.example.org/viewtopic.php?f=3&t=17]See[/url]"));
}

void TestLinks::mapItemWithoutCommaStops()
{
    LinkFixture f;
    f.run->TopicIdsByNumber.add(QStringLiteral("346"), QStringLiteral("broken"));
    f.links(QStringLiteral("<a href=\"/discus/messages/12/346.html\">x</a>"));
    QVERIFY(f.run->stopped());
    QCOMPARE(f.host.messages.size(), 1);
    QVERIFY2(f.host.messages.first().startsWith(QStringLiteral("9 - BuildphpBB3Link()\r\n\r\n")), qPrintable(f.host.messages.first()));
}

void TestLinks::updateFillsNewLink()
{
    LinkFixture f;
    f.links(QStringLiteral("<a href=\"/discus/messages/12/346.html\"> later </a> and <a href=\"/discus/messages/12/347.html\">never</a>"));
    // Page 346 is converted after the post that links to it.
    f.run->TopicIdsByNumber.add(QStringLiteral("346"), QStringLiteral("4,20"));
    CloseImportFile(*f.run, f.run->internalLinks);
    UpdateInternalLinks(*f.run);
    QVERIFY(f.progress().contains(QStringLiteral("Writing Updated Internal Links File - Please Wait...\r\n")));
    QVERIFY(!f.run->internalLinksUpdate.isOpen());
    QCOMPARE(f.updated(), QStringLiteral("[url=http://www.example.org/discus/messages/12/346.html] later [/url]^") + topicLink("4", "20", "later")
                              + QStringLiteral("^5^9^41^77^12^346\r\n"
                                               "[url=http://www.example.org/discus/messages/12/347.html]never[/url]^^5^9^41^77^12^347\r\n"));
    QVERIFY(f.host.messages.isEmpty());
}

void TestLinks::updateKeepsFilledAndUnknownRecords()
{
    LinkFixture f;
    f.run->TopicIdsByNumber.add(QStringLiteral("346"), QStringLiteral("4,20"));
    const QString filled = QStringLiteral("[url=/discus/messages/12/346.html]a[/url]^[url=http://x/viewtopic.php?f=1&t=1]a[/url]^5^9^41^77^12^346");
    const QString shortLine = QStringLiteral("just one field");
    const QString caret = QStringLiteral("[url=/discus/messages/12/346.html]up ^ down[/url]^^5^9^41^77^12^346");
    f.write(f.out + QStringLiteral("InternalLinks1.txt"),
            filled + CrLf + CrLf + shortLine + CrLf + caret + CrLf + QStringLiteral("[url=\"q\"]\"quoted\" text [/url]^^1^2^3^4^5^ 346 ") + CrLf);
    UpdateInternalLinks(*f.run);
    QCOMPARE(f.updated(), filled + CrLf + shortLine + CrLf
                              + QStringLiteral("[url=/discus/messages/12/346.html]up ^ down[/url]^") + topicLink("4", "20", "up ^ down")
                              + QStringLiteral("^5^9^41^77^12^346") + CrLf
                              + QStringLiteral("[url=\"q\"]\"quoted\" text [/url]^") + topicLink("4", "20", "quoted text")
                              + QStringLiteral("^1^2^3^4^5^ 346 ") + CrLf);
}

void TestLinks::updateOfEmptyLines()
{
    LinkFixture f;
    f.write(f.out + QStringLiteral("InternalLinks1.txt"), CrLf + CrLf + CrLf);
    UpdateInternalLinks(*f.run);
    QVERIFY(QFile::exists(f.out + QStringLiteral("InternalLinksUpdate1.txt")));
    QCOMPARE(f.updated(), QString());
}

void TestLinks::updateWithoutLinksFile()
{
    LinkFixture f;
    UpdateInternalLinks(*f.run);
    QVERIFY(f.progress().contains(QStringLiteral("Writing Updated Internal Links File - Please Wait...\r\n")));
    QVERIFY(!QFile::exists(f.out + QStringLiteral("InternalLinksUpdate1.txt")));
    QVERIFY(!f.run->stopped());
    QVERIFY(f.host.messages.isEmpty());
}

QTEST_GUILESS_MAIN(TestLinks)
#include "tst_links.moc"
