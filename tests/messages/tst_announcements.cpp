// Announcements converted for a forum description: tags gone, links and images converted.
#include "messages/modAnnouncements.h"
#include "tests/boards/BoardFixture.h"

#include <QRegularExpression>
#include <QtTest>

using namespace qbboards;

namespace {

struct AnnouncementFixture : Fixture {
    AnnouncementFixture()
    {
        run->settings.DiscusWebsite = QStringLiteral("http://www.example.com/discus");
        run->settings.phpBB3ForumAddr = QStringLiteral("http://forum.example.com/");
        run->settings.phpBB3AttachmentsFolder = out + QStringLiteral("attachments");
        run->settings.CreateAttachments = true;
        run->CurrentLevel = 1;
        run->dataIndex.reset(1);
        run->dataIndex.at(1).pageNumber = QStringLiteral("345");
        run->PageCounter = 6;
    }
};

} // namespace

class TestAnnouncements : public QObject {
    Q_OBJECT

private slots:
    void formattingBecomesBBCode_data();
    void formattingBecomesBBCode();
    void imageConverted();
    void linkToPageNotYetConverted();
    void linkedFileIsNoAttachment();
    void stoppedRunGivesEmptyText();
};

void TestAnnouncements::formattingBecomesBBCode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("bold") << "<b>Welcome</b> to our board" << "Welcome to our board";
    QTest::newRow("upper-case bold and centre") << "<CENTER><B>Rules</B></CENTER>" << "Rules";
    QTest::newRow("font") << "<font size=\"4\" color=\"red\">Big</font> news, friends"
                          << "Big news([) friends";
    QTest::newRow("quotes and line breaks") << "Read \"this\"\r\nit's <i>short</i>" << "Read (})this(})(:)it({)s short";
}

void TestAnnouncements::formattingBecomesBBCode()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    AnnouncementFixture f;
    const QString result = phpBB3WriteAnnouncementMsg(*f.run, text);
    // The formatting becomes BBCode as in a post (the description is stored in phpBB's
    // stored form); without it the words are the same, no HTML tag is left.
    static const QRegularExpression bbcode(QStringLiteral("\\[/?[a-z]+(=[^\\]]*)?\\]"));
    QCOMPARE(QString(result).remove(bbcode), expected);
    QVERIFY(!result.contains(QLatin1Char('<')));
    if (text.contains(QLatin1String("<b>"), Qt::CaseInsensitive))
        QVERIFY2(result.contains(QLatin1String("[b]")), qPrintable(result));
    QVERIFY(!f.host.StopConversion);
}

void TestAnnouncements::imageConverted()
{
    AnnouncementFixture f;
    QCOMPARE(phpBB3WriteAnnouncementMsg(*f.run, QStringLiteral("<b>Logo</b> <img src=\"/discus/messages/1/logo.gif\" alt=\"logo\">")),
             QStringLiteral("[b]Logo[/b] [img]http://www.example.com/discus/messages/1/logo.gif[/img]"));
}

void TestAnnouncements::linkToPageNotYetConverted()
{
    AnnouncementFixture f;
    f.write(f.messages + QStringLiteral("12/400.html"), QStringLiteral("<html></html>"));
    const QString result = phpBB3WriteAnnouncementMsg(
        *f.run, QStringLiteral("See <a href=\"http://www.example.com/discus/messages/12/400.html\">the <b>rules</b></a>"));
    QVERIFY2(result.startsWith(QStringLiteral("See [url=")), qPrintable(result));
    QVERIFY(result.endsWith(QStringLiteral("the rules[/url]")));
    // The link is recorded for the update pass with forum id 0 and the page counter.
    f.closeAll();
    const QString records = QString::fromUtf8(qbtest::readBytes(f.out + QStringLiteral("InternalLinks1.txt")));
    const QStringList fields = records.trimmed().split(QLatin1Char('^'));
    QCOMPARE(fields.size(), 8);
    QCOMPARE(fields.at(2), QStringLiteral("0"));
    QCOMPARE(fields.at(3), QStringLiteral("6"));
    QCOMPARE(fields.at(7), QStringLiteral("400"));
}

void TestAnnouncements::linkedFileIsNoAttachment()
{
    AnnouncementFixture f;
    f.write(f.messages + QStringLiteral("12/rules.pdf"), QStringLiteral("%PDF"));
    // No page is being read: an announcement's file has no post to be attached to.
    QVERIFY(f.run->pageAttachmentRows == nullptr);
    const QString result = phpBB3WriteAnnouncementMsg(
        *f.run, QStringLiteral("<a href=\"http://www.example.com/discus/messages/12/rules.pdf\" target=\"_blank\">Rules</a>"));
    QCOMPARE(result, QStringLiteral("Rules"));
    QVERIFY(!f.host.StopConversion);
    QVERIFY(f.host.messages.isEmpty());
    QCOMPARE(f.run->AttachIdCounter, 0);
    QVERIFY(!QFileInfo::exists(f.run->settings.phpBB3AttachmentsFolder) || QDir(f.run->settings.phpBB3AttachmentsFolder).isEmpty());
    // The option is back as it was.
    QVERIFY(f.run->settings.CreateAttachments);
}

void TestAnnouncements::stoppedRunGivesEmptyText()
{
    AnnouncementFixture f;
    f.host.StopConversion = true;
    QCOMPARE(phpBB3WriteAnnouncementMsg(*f.run, QStringLiteral("<b>Welcome</b>")), QString());
}

QTEST_GUILESS_MAIN(TestAnnouncements)
#include "tst_announcements.moc"
