// The main window's logic without widgets: settings, field handlers, folder layout and
// preparation, charset detection.
#include "convert/ConvertController.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

using qbtest::readText;
using qbtest::RecorderView;
using qbtest::writeBytes;

namespace {
// One settings value as stored in the file ("" when the key is missing).
QString stored(const QString &settingsFile, const QString &key)
{
    const QStringList lines = readText(settingsFile).split(QRegularExpression(QStringLiteral("\r?\n")));
    for (const QString &line : lines) {
        if (line.startsWith(key + QLatin1Char('='), Qt::CaseInsensitive))
            return line.mid(key.size() + 1).trimmed();
    }
    return QString();
}

bool hasKey(const QString &settingsFile, const QString &key)
{
    const QStringList lines = readText(settingsFile).split(QRegularExpression(QStringLiteral("\r?\n")));
    for (const QString &line : lines) {
        if (line.startsWith(key + QLatin1Char('='), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

// A Discus installation: root/discus/messages and root/discus_admin_<number>/secure.
QString makeDiscus(const QString &root, const QString &adminNumber = QStringLiteral("1234567890"))
{
    QDir().mkpath(root + QStringLiteral("/discus/messages"));
    QDir().mkpath(root + QStringLiteral("/discus_admin_") + adminNumber + QStringLiteral("/secure"));
    return root + QLatin1Char('/');
}
} // namespace

class TestConvertController : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> tmp;
    std::unique_ptr<RecorderView> view;
    std::unique_ptr<ConvertController> ctl;
    QString settings;
    QString home;

    // A controller on a fresh settings file (optionally pre-filled), loaded like the window.
    void start(const QByteArray &settingsText = QByteArray(), bool load = true)
    {
        ctl.reset();
        view = std::make_unique<RecorderView>();
        settings = tmp->filePath(QStringLiteral("settings/quillbridge.ini"));
        if (!settingsText.isEmpty())
            writeBytes(settings, settingsText);
        ctl = std::make_unique<ConvertController>(*view, settings, tmp->filePath(QStringLiteral("program")) + QLatin1Char('/'));
        if (load)
            ctl->FormLoad();
    }

private slots:
    void initTestCase()
    {
        // Default folders live under the home folder: keep them inside the test.
        static QTemporaryDir homeDir;
        home = homeDir.path();
        qputenv("HOME", home.toLocal8Bit());
    }

    void init()
    {
        tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(tmp->isValid());
    }

    void cleanup()
    {
        ctl.reset();
        view.reset();
        tmp.reset();
    }

    void firstStartShowsAndStoresDefaults()
    {
        start();
        const QString base = home + QStringLiteral("/Discusware/");
        QCOMPARE(ConvertController::defaultDiscusBase(), base);
        QCOMPARE(view->title(), QStringLiteral("Quillbridge - Version %1.%2.%3").arg(QB_VERSION_MAJOR).arg(QB_VERSION_MINOR).arg(QB_VERSION_PATCH));
        QCOMPARE(view->text(QStringLiteral("txtDiscusRootFolder")), base);
        QCOMPARE(view->text(QStringLiteral("txtDiscusMessageFolder")), base + QStringLiteral("discus/messages/"));
        QCOMPARE(view->text(QStringLiteral("txtDiscusMainFolder")), base + QStringLiteral("discus_admin_nnnnnnnnnn/"));
        QCOMPARE(view->text(QStringLiteral("txtDiscusSecureMessageFolder")), base + QStringLiteral("discus_admin_nnnnnnnnnn/secure/"));
        QCOMPARE(view->text(QStringLiteral("txtphpBB3OutputFolder")), base + QStringLiteral("phpBB3/Output/"));
        QCOMPARE(view->text(QStringLiteral("txtphpBB3AttachmentsFolder")), base + QStringLiteral("phpBB3/Output/Attachments/"));
        QCOMPARE(view->text(QStringLiteral("txtDefaultUsers")), QStringLiteral("57"));
        QCOMPARE(view->text(QStringLiteral("txtDefaultGroups")), QStringLiteral("7"));
        QCOMPARE(view->text(QStringLiteral("txtSplitMBSize")), QStringLiteral("50"));
        QCOMPARE(view->text(QStringLiteral("cboCharset")), QStringLiteral("utf-8"));
        QCOMPARE(view->text(QStringLiteral("txtDiscusWebsite")), QString());
        QCOMPARE(ctl->phpBB3DefaultUsers, 57);
        QCOMPARE(ctl->phpBB3DefaultGroups, 7);
        QCOMPARE(ctl->SplitSize, qint64(50) * 1048576);
        QCOMPARE(ctl->RedirectFolder, base + QStringLiteral("phpBB3/Output/redirect/discus/messages/"));
        for (const char *box : {"chkShowProgress", "chkLogProgress", "chkCreateAttachments", "chkCreateHiddenTopics",
                                "chkCreateRedirectionFiles", "chkFindDiscusSpecialCharacters"})
            QVERIFY2(view->isChecked(QLatin1String(box)), box);
        QVERIFY(ctl->ShowProgress && ctl->LogProgress && ctl->CreateAttachments && ctl->CreateHiddenTopics
                && ctl->CreateRedirectionFiles && ctl->FindDiscusSpecialCharacters);
        QVERIFY(view->messages.isEmpty());

        // Every key with a default is written back.
        QCOMPARE(stored(settings, QStringLiteral("Charset")), QStringLiteral("utf-8"));
        QCOMPARE(stored(settings, QStringLiteral("phpBB3_Users")), QStringLiteral("57"));
        QCOMPARE(stored(settings, QStringLiteral("phpBB3_Groups")), QStringLiteral("7"));
        QCOMPARE(stored(settings, QStringLiteral("SplitMBSize")), QStringLiteral("50"));
        QCOMPARE(stored(settings, QStringLiteral("FindDiscusSpecialCharacters")), QStringLiteral("1"));
        QCOMPARE(stored(settings, QStringLiteral("Display")), QStringLiteral("1"));
        QCOMPARE(stored(settings, QStringLiteral("DiscusRootFolder")), base);
        QCOMPARE(stored(settings, QStringLiteral("DiscusSecureMessageFolder")), base + QStringLiteral("discus_admin_nnnnnnnnnn/secure/"));
        QCOMPARE(stored(settings, QStringLiteral("phpBB3_AttachmentsFolder")), base + QStringLiteral("phpBB3/Output/Attachments/"));
    }

    void storedSettingsAreUsedAsTheyStand()
    {
        start("[Settings]\r\nDiscusRootFolder=/srv/board\r\nDiscusMainFolder=/srv/board/discus_admin_42/\r\n"
              "DiscusSecureMessageFolder=/srv/board/discus_admin_42/secure/\r\nDiscusWebsite=http://old.example/\r\n"
              "phpBB3_Users=51\r\nphpBB3_Groups=9\r\nSplitMBSize=3000\r\nCharset=ISO-8859-2\r\nDisplay=0\r\n"
              "CreateHiddenTopics=0\r\n");
        QCOMPARE(view->text(QStringLiteral("txtDiscusRootFolder")), QStringLiteral("/srv/board/"));
        QCOMPARE(ctl->DiscusRootFolder, QStringLiteral("/srv/board/"));
        QCOMPARE(view->text(QStringLiteral("txtDiscusMainFolder")), QStringLiteral("/srv/board/discus_admin_42/"));
        QCOMPARE(ctl->DiscusSecureMessageFolder, QStringLiteral("/srv/board/discus_admin_42/secure/"));
        QCOMPARE(view->text(QStringLiteral("txtDiscusWebsite")), QStringLiteral("http://old.example"));
        QCOMPARE(view->text(QStringLiteral("cboCharset")), QStringLiteral("ISO-8859-2"));
        QCOMPARE(ctl->phpBB3DefaultUsers, 51);
        QCOMPARE(ctl->phpBB3DefaultGroups, 9);
        QVERIFY(!view->isChecked(QStringLiteral("chkShowProgress")));
        QVERIFY(!ctl->ShowProgress);
        QVERIFY(!ctl->CreateHiddenTopics);
        QVERIFY(ctl->CreateAttachments);
        // 3000 MB in characters does not fit 32 bits and must not wrap.
        QCOMPARE(ctl->SplitSize, qint64(3000) * 1048576);
        QVERIFY(ctl->SplitSize > 0);
    }

    void countFields_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("saved"); // "" = refused as empty, "!" as too large
        const QString users = QStringLiteral("txtDefaultUsers");
        const QString groups = QStringLiteral("txtDefaultGroups");
        QTest::newRow("users digits") << users << "52" << "52";
        QTest::newRow("users digits then letters") << users << "12abc" << "12";
        QTest::newRow("users blanks around") << users << " 60 " << "60";
        QTest::newRow("users letters") << users << "abc" << "";
        QTest::newRow("users empty") << users << "" << "";
        QTest::newRow("users zero") << users << "0" << "";
        QTest::newRow("users negative") << users << "-5" << "";
        QTest::newRow("users largest") << users << "8388607" << "8388607";
        QTest::newRow("users too large") << users << "8388608" << "!";
        QTest::newRow("users beyond 32 bits") << users << "99999999999999" << "!";
        QTest::newRow("groups too large") << groups << "2147483600" << "!";
        QTest::newRow("groups digits") << groups << "8" << "8";
        QTest::newRow("groups digits then letters") << groups << "10x" << "10";
        QTest::newRow("groups letters") << groups << "seven" << "";
    }
    void countFields()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, saved);
        start();
        const bool users = field == QLatin1String("txtDefaultUsers");
        const QString key = users ? QStringLiteral("phpBB3_Users") : QStringLiteral("phpBB3_Groups");
        const QString before = stored(settings, key);
        view->setText(field, typed);
        if (users)
            ctl->txtDefaultUsers_LostFocus();
        else
            ctl->txtDefaultGroups_LostFocus();
        const qint32 value = users ? ctl->phpBB3DefaultUsers : ctl->phpBB3DefaultGroups;
        if (saved == QLatin1String("!")) {
            QCOMPARE(view->messages, QStringList{QStringLiteral("Total Default %1 of your phpBB3 database cannot be more than 8388607")
                                                     .arg(users ? QStringLiteral("Users") : QStringLiteral("Groups"))});
            QCOMPARE(view->focus(), field);
            QCOMPARE(stored(settings, key), before);
        } else if (saved.isEmpty()) {
            QCOMPARE(view->messages, QStringList{users ? QStringLiteral("Total Default Users of your phpBB3 database must be filled in")
                                                       : QStringLiteral("Total Default Groups of your phpBB3 database must be filled in")});
            QCOMPARE(view->focus(), field);
            QCOMPARE(value, 0);
            QCOMPARE(stored(settings, key), before);
        } else {
            QVERIFY(view->messages.isEmpty());
            QCOMPARE(QString::number(value), saved);
            QCOMPARE(stored(settings, key), saved);
        }
    }

    void adminField_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("admin"); // "" = refused
        QTest::newRow("empty") << "" << "";
        QTest::newRow("blanks") << "   " << "";
        QTest::newRow("name") << "Admin" << "Admin";
        QTest::newRow("trimmed") << "  Site Admin " << "Site Admin";
        QTest::newRow("comma encoded") << "Smith, John" << "Smith([) John";
    }
    void adminField()
    {
        QFETCH(QString, typed);
        QFETCH(QString, admin);
        start();
        view->setText(QStringLiteral("txtDefaultAdmin"), typed);
        ctl->txtDefaultAdmin_LostFocus();
        QCOMPARE(ctl->phpBB3DefaultAdmin, admin);
        if (admin.isEmpty()) {
            QCOMPARE(view->messages, QStringList{QStringLiteral("Default Admin of your phpBB3 database must be filled in")});
            QCOMPARE(view->focus(), QStringLiteral("txtDefaultAdmin"));
            QVERIFY(!hasKey(settings, QStringLiteral("phpBB3_Admin")));
        } else {
            QVERIFY(view->messages.isEmpty());
            QCOMPARE(stored(settings, QStringLiteral("phpBB3_Admin")), typed.trimmed());
        }
    }

    void rootFieldDerivesFolders_data()
    {
        QTest::addColumn<bool>("trailingSlash");
        QTest::newRow("without separator") << false;
        QTest::newRow("with separator") << true;
    }
    void rootFieldDerivesFolders()
    {
        QFETCH(bool, trailingSlash);
        start();
        const QString root = tmp->filePath(QStringLiteral("board"));
        QDir().mkpath(root);
        view->setText(QStringLiteral("txtDiscusRootFolder"), trailingSlash ? root + QLatin1Char('/') : root);
        ctl->txtDiscusRootFolder_LostFocus();
        QVERIFY(view->messages.isEmpty());
        QCOMPARE(view->text(QStringLiteral("txtDiscusMessageFolder")), root + QStringLiteral("/discus/messages/"));
        QCOMPARE(view->text(QStringLiteral("txtDiscusMainFolder")), root + QStringLiteral("/discus_admin_nnnnnnnnnn/"));
        QCOMPARE(view->text(QStringLiteral("txtDiscusSecureMessageFolder")), root + QStringLiteral("/discus_admin_nnnnnnnnnn/secure/"));
        QCOMPARE(ctl->DiscusRootFolder, root + QLatin1Char('/'));
        QCOMPARE(ctl->DiscusMessageFolder, root + QStringLiteral("/discus/messages/"));
        QCOMPARE(stored(settings, QStringLiteral("DiscusMessageFolder")), root + QStringLiteral("/discus/messages/"));
        QCOMPARE(stored(settings, QStringLiteral("DiscusSecureMessageFolder")), root + QStringLiteral("/discus_admin_nnnnnnnnnn/secure/"));
        QCOMPARE(ctl->gen().FixPath(stored(settings, QStringLiteral("DiscusRootFolder"))), root + QLatin1Char('/'));
    }

    void rootFieldRefusals()
    {
        start();
        const QString before = readText(settings);
        view->setText(QStringLiteral("txtDiscusRootFolder"), QString());
        ctl->txtDiscusRootFolder_LostFocus();
        view->setText(QStringLiteral("txtDiscusRootFolder"), tmp->filePath(QStringLiteral("missing")));
        ctl->txtDiscusRootFolder_LostFocus();
        QCOMPARE(view->messages, (QStringList{QStringLiteral("Discus Root Folder Must Be Filled In"), QStringLiteral("Discus Root Folder Must Exist!")}));
        QCOMPARE(readText(settings), before);
        QCOMPARE(view->text(QStringLiteral("txtDiscusMessageFolder")), home + QStringLiteral("/Discusware/discus/messages/"));
    }

    void adminFolderDetection_data()
    {
        QTest::addColumn<QStringList>("folders");
        QTest::addColumn<QString>("main"); // the folder name expected in the main field
        QTest::newRow("one real admin folder") << QStringList{"discus_admin_1234567890", "discus"} << "discus_admin_1234567890";
        QTest::newRow("none") << QStringList{"discus"} << "discus_admin_nnnnnnnnnn";
        QTest::newRow("two") << QStringList{"discus_admin_1", "discus_admin_2"} << "discus_admin_nnnnnnnnnn";
        QTest::newRow("not digits") << QStringList{"discus_admin_12x", "discus_admin_"} << "discus_admin_nnnnnnnnnn";
        QTest::newRow("a file is no folder") << QStringList{} << "discus_admin_nnnnnnnnnn";
    }
    void adminFolderDetection()
    {
        QFETCH(QStringList, folders);
        QFETCH(QString, main);
        start();
        const QString root = tmp->filePath(QStringLiteral("board"));
        QDir().mkpath(root);
        for (const QString &f : folders)
            QDir().mkpath(root + QLatin1Char('/') + f);
        writeBytes(root + QStringLiteral("/discus_admin_55"), "a file");
        const QString mainBefore = stored(settings, QStringLiteral("DiscusMainFolder"));
        view->setText(QStringLiteral("txtDiscusRootFolder"), root);
        ctl->txtDiscusRootFolder_LostFocus();
        const QString mainFolder = root + QLatin1Char('/') + main + QLatin1Char('/');
        QCOMPARE(view->text(QStringLiteral("txtDiscusMainFolder")), mainFolder);
        QCOMPARE(view->text(QStringLiteral("txtDiscusSecureMessageFolder")), mainFolder + QStringLiteral("secure/"));
        QCOMPARE(stored(settings, QStringLiteral("DiscusSecureMessageFolder")), mainFolder + QStringLiteral("secure/"));
        // A real admin folder is saved for main as well; the placeholder form is not.
        QCOMPARE(stored(settings, QStringLiteral("DiscusMainFolder")), main.endsWith(QLatin1String("nnnn")) ? mainBefore : mainFolder);
    }

    void outputFieldDerivesAttachments()
    {
        start();
        view->setText(QStringLiteral("txtphpBB3OutputFolder"), QStringLiteral("/data/out"));
        ctl->txtphpBB3OutputFolder_LostFocus();
        QCOMPARE(view->text(QStringLiteral("txtphpBB3AttachmentsFolder")), QStringLiteral("/data/out/Attachments/"));
        QCOMPARE(ctl->phpBB3OutputFolder, QStringLiteral("/data/out/"));
        QCOMPARE(stored(settings, QStringLiteral("phpBB3_OutputFolder")), QStringLiteral("/data/out"));
        QCOMPARE(stored(settings, QStringLiteral("phpBB3_AttachmentsFolder")), QStringLiteral("/data/out/Attachments/"));

        view->setText(QStringLiteral("txtphpBB3OutputFolder"), QStringLiteral("  "));
        ctl->txtphpBB3OutputFolder_LostFocus();
        QCOMPARE(view->messages, QStringList{QStringLiteral("phpBB3 Output Folder Must Be Filled In")});
        QCOMPARE(stored(settings, QStringLiteral("phpBB3_OutputFolder")), QStringLiteral("/data/out"));
    }

    void addressesAndSplitSize()
    {
        start();
        view->setText(QStringLiteral("txtDiscusWebsite"), QStringLiteral("http://old.example/discus/"));
        ctl->txtDiscusWebsite_LostFocus();
        view->setText(QStringLiteral("txtphpBB3ForumAddr"), QStringLiteral("http://new.example/forum/"));
        ctl->txtphpBB3ForumAddr_LostFocus();
        view->setText(QStringLiteral("txtSplitMBSize"), QStringLiteral("abc"));
        ctl->txtSplitMBSize_LostFocus();
        QCOMPARE(view->text(QStringLiteral("txtDiscusWebsite")), QStringLiteral("http://old.example/discus"));
        QCOMPARE(view->text(QStringLiteral("txtphpBB3ForumAddr")), QStringLiteral("http://new.example/forum"));
        QCOMPARE(stored(settings, QStringLiteral("DiscusWebsite")), QStringLiteral("http://old.example/discus"));
        QCOMPARE(stored(settings, QStringLiteral("phpBB3ForumAddr")), QStringLiteral("http://new.example/forum"));
        QCOMPARE(stored(settings, QStringLiteral("SplitMBSize")), QStringLiteral("abc"));
        QVERIFY(view->messages.isEmpty());
    }

    void checkBoxesSaveOnClick_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("key");
        QTest::newRow("show progress") << "chkShowProgress" << "Display";
        QTest::newRow("log progress") << "chkLogProgress" << "Log";
        QTest::newRow("attachments") << "chkCreateAttachments" << "CreateAttachments";
        QTest::newRow("hidden topics") << "chkCreateHiddenTopics" << "CreateHiddenTopics";
        QTest::newRow("redirection") << "chkCreateRedirectionFiles" << "CreateRedirectionFiles";
        QTest::newRow("special characters") << "chkFindDiscusSpecialCharacters" << "FindDiscusSpecialCharacters";
    }
    void checkBoxesSaveOnClick()
    {
        QFETCH(QString, box);
        QFETCH(QString, key);
        start();
        const auto flags = [&] {
            return QList<bool>{ctl->ShowProgress, ctl->LogProgress, ctl->CreateAttachments, ctl->CreateHiddenTopics,
                               ctl->CreateRedirectionFiles, ctl->FindDiscusSpecialCharacters};
        };
        const QStringList boxes{"chkShowProgress", "chkLogProgress", "chkCreateAttachments", "chkCreateHiddenTopics",
                                "chkCreateRedirectionFiles", "chkFindDiscusSpecialCharacters"};
        QList<bool> expected(6, true);
        expected[boxes.indexOf(box)] = false;
        view->setChecked(box, false);
        ctl->checkBox_Click(box);
        QCOMPARE(stored(settings, key), QStringLiteral("0"));
        QCOMPARE(flags(), expected);
        view->setChecked(box, true);
        ctl->checkBox_Click(box);
        QCOMPARE(stored(settings, key), QStringLiteral("1"));
        QCOMPARE(flags(), QList<bool>(6, true));
    }

    void helpOpensGuideOnlyWhenPresent()
    {
        start();
        QCOMPARE(ctl->userGuidePath(), tmp->filePath(QStringLiteral("program/Docs/Discusware 4 to phpBB3 Conversion.pdf")));
        ctl->cmdHelp_Click();
        QVERIFY(view->openedDocuments.isEmpty());
        // Without the guide a box says where it belongs.
        QCOMPARE(view->messages.size(), 1);
        QVERIFY(view->messages.first().endsWith(ctl->userGuidePath()));
        writeBytes(ctl->userGuidePath(), "%PDF-1.4");
        ctl->cmdHelp_Click();
        QCOMPARE(view->openedDocuments, QStringList{ctl->userGuidePath()});
    }

    void removeTrailingSeparators_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("withoutSlash");
        QTest::addColumn<QString>("withoutBackslash");
        QTest::newRow("empty") << "" << "" << "";
        QTest::newRow("slash") << "http://a/" << "http://a" << "http://a/";
        QTest::newRow("only one slash") << "a//" << "a/" << "a//";
        QTest::newRow("backslash") << "C:\\a\\" << "C:\\a\\" << "C:\\a";
        QTest::newRow("neither") << "abc" << "abc" << "abc";
    }
    void removeTrailingSeparators()
    {
        QFETCH(QString, text);
        QFETCH(QString, withoutSlash);
        QFETCH(QString, withoutBackslash);
        QCOMPARE(ConvertController::RemoveTrailingSlash(text), withoutSlash);
        QCOMPARE(ConvertController::RemoveTrailingBackslash(text), withoutBackslash);
    }

    void findTheFile()
    {
        const QString start = tmp->filePath(QStringLiteral("messages"));
        writeBytes(start + QStringLiteral("/board-topics.html"), "top");    // directly in the start folder: not considered
        writeBytes(start + QStringLiteral("/a/notes.txt"), "x");
        writeBytes(start + QStringLiteral("/a/deep/sub/1.html"), "x");       // three levels down
        writeBytes(start + QStringLiteral("/b/2.html"), "x");
        writeBytes(start + QStringLiteral("/c/3.HTML"), "x");
        QCOMPARE(ConvertController::FindTheFile(start, QStringLiteral(".html")), start + QStringLiteral("/a/deep/sub/1.html"));
        QCOMPARE(ConvertController::FindTheFile(start, QStringLiteral(".HTML")), start + QStringLiteral("/c/3.HTML"));
        QCOMPARE(ConvertController::FindTheFile(start, QStringLiteral(".htm")), start + QStringLiteral("/a/deep/sub/1.html"));
        QCOMPARE(ConvertController::FindTheFile(start, QStringLiteral(".pdf")), QString());
        QCOMPARE(ConvertController::FindTheFile(start + QStringLiteral("/b"), QStringLiteral(".html")), QString());
        QCOMPARE(ConvertController::FindTheFile(tmp->filePath(QStringLiteral("nowhere")), QStringLiteral(".html")), QString());
        // A sub-folder's own files come before its sub-folders.
        writeBytes(start + QStringLiteral("/a/0.html"), "x");
        QCOMPARE(ConvertController::FindTheFile(start, QStringLiteral(".html")), start + QStringLiteral("/a/0.html"));
    }

    void detectCharset_data()
    {
        QTest::addColumn<QString>("page");      // relative to the messages folder; "" = no page
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("charset");
        const QByteArray head = "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=";
        QTest::newRow("capitals") << "7/7.html" << head + "ISO-8859-1\"></head></html>" << "iso-8859-1";
        QTest::newRow("two levels down") << "7/8/9.html" << head + "windows-1252\">" << "windows-1252";
        QTest::newRow("no closing quote, blank") << "7/7.html" << head + "koi8-r >" << "koi8-r";
        QTest::newRow("no closing quote, tag end") << "7/7.html" << head + "big5>" << "big5";
        QTest::newRow("no closing quote, semicolon") << "7/7.html" << head + "shift_jis;x" << "shift_jis";
        QTest::newRow("no closing quote, end of page") << "7/7.html" << head + "EUC-KR" << "euc-kr";
        QTest::newRow("empty name") << "7/7.html" << head + "\">" << "utf-8";
        QTest::newRow("no declaration") << "7/7.html" << QByteArray("<html><body>hi</body></html>") << "utf-8";
        QTest::newRow("marker is case-sensitive") << "7/7.html" << QByteArray("content=\"TEXT/HTML; CHARSET=big5\"") << "utf-8";
        QTest::newRow("no page keeps the choice") << "" << QByteArray() << "gb2312";
    }
    void detectCharset()
    {
        QFETCH(QString, page);
        QFETCH(QByteArray, content);
        QFETCH(QString, charset);
        start();
        const QString messages = tmp->filePath(QStringLiteral("board/discus/messages/"));
        QDir().mkpath(messages);
        writeBytes(messages + QStringLiteral("board-topics.html"), "<meta content=\"text/html; charset=big5\">");
        if (!page.isEmpty())
            writeBytes(messages + page, content);
        view->setText(QStringLiteral("txtDiscusMessageFolder"), messages);
        view->setText(QStringLiteral("cboCharset"), QStringLiteral("gb2312"));
        QCOMPARE(ctl->DetectDiscusCharset(), charset);
        QCOMPARE(view->text(QStringLiteral("cboCharset")), charset);
        QCOMPARE(stored(settings, QStringLiteral("Charset")), charset);
        QVERIFY(view->messages.isEmpty());
    }

    void setupPreparesOutputFolder()
    {
        start("[Settings]\r\nDiscusWebsite=http://old.example\r\nphpBB3ForumAddr=http://new.example\r\n");
        const QString root = makeDiscus(tmp->filePath(QStringLiteral("board")));
        view->setText(QStringLiteral("txtDiscusRootFolder"), root);
        ctl->txtDiscusRootFolder_LostFocus();
        const QString out = tmp->filePath(QStringLiteral("out"));
        // An earlier conversion's output, with a read-only file and a read-only folder.
        for (const char *f : {"phpBB3_posts1.txt", "phpBB3_users2.txt", "InternalLinks1.txt", "InternalLinksUpdate1.txt",
                              "Discus Conversion Import SQL.sql", "Log.txt", "LogError.txt", "Discus Special Characters.txt",
                              "attachments/1_2.jpg", "Attachments/3_4.gif", "redirect/discus/messages/5/6.html"})
            writeBytes(out + QLatin1Char('/') + QLatin1String(f), "old");
        QFile::setPermissions(out + QStringLiteral("/Log.txt"), QFile::ReadOwner);
        QFile::setPermissions(out + QStringLiteral("/redirect/discus/messages/5"), QFile::ReadOwner | QFile::ExeOwner);
        view->setText(QStringLiteral("txtphpBB3OutputFolder"), out);

        ctl->SetupFolderLocations();
        QVERIFY2(view->messages.isEmpty(), qPrintable(view->messages.join(QLatin1Char('|'))));
        QVERIFY(!ctl->StopConversion);
        QCOMPARE(QDir(out).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 (QStringList{QStringLiteral("Attachments"), QStringLiteral("redirect")}));
        QVERIFY(QDir(out + QStringLiteral("/Attachments")).isEmpty());
        QVERIFY(QDir(out + QStringLiteral("/redirect/discus/messages")).exists());
        QVERIFY(QDir(out + QStringLiteral("/redirect/discus/messages")).isEmpty());
        QCOMPARE(ctl->phpBB3OutputFolder, out + QLatin1Char('/'));
        QCOMPARE(ctl->phpBB3AttachmentsFolder, out + QStringLiteral("/Attachments/"));
        QCOMPARE(ctl->RedirectFolder, out + QStringLiteral("/redirect/discus/messages/"));
        QCOMPARE(view->text(QStringLiteral("txtphpBB3AttachmentsFolder")), out + QStringLiteral("/Attachments/"));
        QVERIFY(view->progress().contains(QStringLiteral("Deleting Output Folders & Files - ") + out + QStringLiteral("/\r\nPlease Wait...\r\n\r\n")));
        QVERIFY(view->progress().contains(QStringLiteral("Deleting Redirection Folders & Files - ") + out + QStringLiteral("/redirect/discus/messages/\r\nPlease Wait...\r\n\r\n")));
        QCOMPARE(stored(settings, QStringLiteral("phpBB3_OutputFolder")), out + QLatin1Char('/'));
        QCOMPARE(stored(settings, QStringLiteral("DiscusMainFolder")), root + QStringLiteral("discus_admin_1234567890/"));
        // Before any run the addresses are not known to the controller: the stored ones stay.
        QCOMPARE(stored(settings, QStringLiteral("DiscusWebsite")), QStringLiteral("http://old.example"));
        QCOMPARE(stored(settings, QStringLiteral("phpBB3ForumAddr")), QStringLiteral("http://new.example"));

        // During a run the addresses come from the fields and are written as well.
        ctl->DiscusWebsite = QStringLiteral("http://other.example");
        ctl->phpBB3ForumAddr = QStringLiteral("http://forum.example");
        ctl->SetupFolderLocations();
        QVERIFY(!ctl->StopConversion);
        QCOMPARE(stored(settings, QStringLiteral("DiscusWebsite")), QStringLiteral("http://other.example"));
        QCOMPARE(stored(settings, QStringLiteral("phpBB3_ForumAddr")), QStringLiteral("http://forum.example"));
    }

    void setupCreatesMissingOutputFolder()
    {
        start();
        const QString root = makeDiscus(tmp->filePath(QStringLiteral("board")));
        view->setText(QStringLiteral("txtDiscusRootFolder"), root);
        ctl->txtDiscusRootFolder_LostFocus();
        const QString out = tmp->filePath(QStringLiteral("new/deep/out/"));
        view->setText(QStringLiteral("txtphpBB3OutputFolder"), out);
        ctl->SetupFolderLocations();
        QVERIFY(!ctl->StopConversion);
        QVERIFY(QFileInfo(out + QStringLiteral("Attachments")).isDir());
        QVERIFY(QFileInfo(out + QStringLiteral("redirect/discus/messages")).isDir());
        QVERIFY(!view->progress().contains(QStringLiteral("Deleting Output Folders")));
    }

    void guardRefusesForeignFolder_data()
    {
        QTest::addColumn<QString>("foreign");
        QTest::newRow("a document") << "thesis.odt";
        QTest::newRow("a hidden file") << ".bashrc";
        QTest::newRow("a folder") << "Photos/cat.jpg";
        QTest::newRow("almost our name") << "phpBB3_posts1.txt.bak";
        QTest::newRow("log in other case") << "log.txt";
    }
    void guardRefusesForeignFolder()
    {
        QFETCH(QString, foreign);
        start();
        const QString root = makeDiscus(tmp->filePath(QStringLiteral("board")));
        view->setText(QStringLiteral("txtDiscusRootFolder"), root);
        ctl->txtDiscusRootFolder_LostFocus();
        const QString out = tmp->filePath(QStringLiteral("home-like"));
        writeBytes(out + QStringLiteral("/phpBB3_posts1.txt"), "ours");
        writeBytes(out + QLatin1Char('/') + foreign, "precious");
        view->setText(QStringLiteral("txtphpBB3OutputFolder"), out);
        ctl->SetupFolderLocations();
        QVERIFY(ctl->StopConversion);
        QCOMPARE(view->messages.size(), 1);
        QVERIFY2(view->messages.first().contains(out + QLatin1Char('/')), qPrintable(view->messages.first()));
        QVERIFY(view->messages.first().contains(QStringLiteral("holds other files")));
        QVERIFY(view->messages.first().contains(foreign.section(QLatin1Char('/'), 0, 0)));
        QCOMPARE(qbtest::readBytes(out + QLatin1Char('/') + foreign), QByteArray("precious"));
        QCOMPARE(qbtest::readBytes(out + QStringLiteral("/phpBB3_posts1.txt")), QByteArray("ours"));
        QVERIFY(!QFileInfo::exists(out + QStringLiteral("/Attachments")));
        QVERIFY(!view->progress().contains(QStringLiteral("Deleting")));
    }

    void setupFolderChecks_data()
    {
        QTest::addColumn<QString>("missing"); // which Discus folder is absent or empty
        QTest::addColumn<bool>("empty");
        QTest::addColumn<QString>("message");
        QTest::newRow("root empty") << "root" << true << "Source of your Discus Root Folder must be filled in";
        QTest::newRow("messages empty") << "messages" << true << "Source of your Discus mMssage Folder must be filled in";
        QTest::newRow("secure empty") << "secure" << true << "Source of your Discus Secure Message Folder must be filled in";
        QTest::newRow("root missing") << "root" << false << "%1 - Discus Root Folder Must Exist\r\n";
        QTest::newRow("messages missing") << "messages" << false << "%1 - Discus Message Folder Must Exist\r\n";
        QTest::newRow("secure missing") << "secure" << false << "%1 - Discus Secure Message Folder Must Exist\r\n";
        QTest::newRow("output empty") << "output" << true << "phpBB3 Output Folder Must Be Filled In";
    }
    void setupFolderChecks()
    {
        QFETCH(QString, missing);
        QFETCH(bool, empty);
        QFETCH(QString, message);
        start();
        const QString root = makeDiscus(tmp->filePath(QStringLiteral("board")));
        view->setText(QStringLiteral("txtDiscusRootFolder"), root);
        ctl->txtDiscusRootFolder_LostFocus();
        const QString out = tmp->filePath(QStringLiteral("out/"));
        view->setText(QStringLiteral("txtphpBB3OutputFolder"), empty && missing == QLatin1String("output") ? QString() : out);
        const QString gone = tmp->filePath(QStringLiteral("gone/"));
        QString *folder = missing == QLatin1String("root") ? &ctl->DiscusRootFolder
            : missing == QLatin1String("messages")         ? &ctl->DiscusMessageFolder
            : missing == QLatin1String("secure")           ? &ctl->DiscusSecureMessageFolder
                                                           : nullptr;
        if (folder)
            *folder = empty ? QString() : gone;
        ctl->SetupFolderLocations();
        QVERIFY(ctl->StopConversion);
        QCOMPARE(view->messages, QStringList{message.contains(QLatin1String("%1")) ? message.arg(gone) : message});
        QVERIFY(!QFileInfo::exists(out));
    }

    void lockedOutputFolder()
    {
        start();
        const QString root = makeDiscus(tmp->filePath(QStringLiteral("board")));
        view->setText(QStringLiteral("txtDiscusRootFolder"), root);
        ctl->txtDiscusRootFolder_LostFocus();
        const QString out = tmp->filePath(QStringLiteral("out"));
        const QString locked = out + QStringLiteral("/phpBB3_posts1.txt");
        writeBytes(locked, "in use");
        // A file that cannot be removed stands in for a file held open elsewhere.
        if (QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), locked}) != 0)
            QSKIP("cannot make an undeletable file here");
        view->setText(QStringLiteral("txtphpBB3OutputFolder"), out);
        ctl->SetupFolderLocations();
        QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), locked});
        const QString text = QStringLiteral("Files are open in ") + out + QStringLiteral("/ - Please close them then restart the conversion");
        QVERIFY(ctl->StopConversion);
        QCOMPARE(view->messages, QStringList{text});
        QVERIFY(view->progress().endsWith(text));
    }

    void browseButtons()
    {
        start();
        const QString root = makeDiscus(tmp->filePath(QStringLiteral("board")), QStringLiteral("77"));
        view->nextFolder = QString(); // cancelled: nothing changes
        const QString before = readText(settings);
        ctl->cmdBrowseRoot_Click();
        ctl->cmdBrowseOutput_Click();
        QCOMPARE(readText(settings), before);
        QVERIFY(view->messages.isEmpty());

        view->nextFolder = root;
        ctl->cmdBrowseRoot_Click();
        QCOMPARE(view->text(QStringLiteral("txtDiscusMainFolder")), root + QStringLiteral("discus_admin_77/"));
        QCOMPARE(stored(settings, QStringLiteral("DiscusMainFolder")), root + QStringLiteral("discus_admin_77/"));

        const QString out = tmp->filePath(QStringLiteral("out"));
        writeBytes(out + QStringLiteral("/phpBB3_topics1.txt"), "old");
        view->nextFolder = out;
        ctl->cmdBrowseOutput_Click();
        QVERIFY(view->messages.isEmpty());
        QVERIFY(!ctl->StopConversion);
        QVERIFY(!QFileInfo::exists(out + QStringLiteral("/phpBB3_topics1.txt")));
        QVERIFY(QFileInfo(out + QStringLiteral("/Attachments")).isDir());
        QVERIFY(QFileInfo(out + QStringLiteral("/redirect/discus/messages")).isDir());
        QCOMPARE(view->text(QStringLiteral("txtphpBB3OutputFolder")), out);
    }
};

QTEST_GUILESS_MAIN(TestConvertController)
#include "tst_convertcontroller.moc"
