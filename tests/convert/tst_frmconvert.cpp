// The main window and the options dialog driven like a user: typing, moving the focus,
// clicking; then the settings file and the output folder are read back.
#include "convert/frmConvert.h"
#include "convert/frmOptions.h"
#include "routines/kkDialogs.h"
#include "tests/support/TestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <memory>

using qbtest::readBytes;
using qbtest::readText;
using qbtest::writeBytes;

namespace {
QString stored(const QString &settingsFile, const QString &key)
{
    const QStringList lines = readText(settingsFile).split(QRegularExpression(QStringLiteral("\r?\n")));
    for (const QString &line : lines) {
        if (line.startsWith(key + QLatin1Char('='), Qt::CaseInsensitive))
            return line.mid(key.size() + 1).trimmed();
    }
    return QString();
}
} // namespace

class TestFrmConvert : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> tmp;
    std::unique_ptr<frmConvert> window;
    QString settings;
    QString home;

    void open(const QByteArray &settingsText = QByteArray())
    {
        window.reset();
        settings = tmp->filePath(QStringLiteral("quillbridge.ini"));
        if (!settingsText.isEmpty())
            writeBytes(settings, settingsText);
        window = std::make_unique<frmConvert>(settings, tmp->filePath(QStringLiteral("program")));
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }

    template <typename T = QLineEdit>
    T *find(const QString &name) const
    {
        T *w = window->findChild<T *>(name);
        if (!w && window->options())
            w = window->options()->findChild<T *>(name);
        return w;
    }

    // Clicks into the field, replaces its text by typing, and leaves it with Tab.
    void typeInto(const QString &name, const QString &text)
    {
        QLineEdit *edit = find(name);
        QVERIFY2(edit, qPrintable(name));
        QTest::mouseClick(edit, Qt::LeftButton);
        QVERIFY(edit->hasFocus());
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Tab);
    }

    // Clicks a check box on its indicator, where a user clicks.
    static void clickBox(QCheckBox *box)
    {
        QVERIFY(box);
        QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(box->height() / 2, box->height() / 2));
    }

    // A Discus installation named in the settings file.
    QByteArray discusSettings(const QString &root)
    {
        QDir().mkpath(root + QStringLiteral("/discus/messages"));
        QDir().mkpath(root + QStringLiteral("/discus_admin_2468/secure"));
        return QStringLiteral("[Settings]\r\nDiscusRootFolder=%1/\r\nDiscusMessageFolder=%1/discus/messages/\r\n"
                              "DiscusMainFolder=%1/discus_admin_2468/\r\nDiscusSecureMessageFolder=%1/discus_admin_2468/secure/\r\n"
                              "DiscusWebsite=http://old.example/discus\r\nphpBB3ForumAddr=http://new.example/forum\r\n")
            .arg(root)
            .toUtf8();
    }

private slots:
    void initTestCase()
    {
        static QTemporaryDir homeDir;
        home = homeDir.path();
        qputenv("HOME", home.toLocal8Bit());
        // The default root exists, so that leaving the root field (where the focus starts)
        // raises no message of its own.
        QDir().mkpath(home + QStringLiteral("/Discusware"));
    }

    void init()
    {
        kkDialogs::clearHooks();
        kkDialogs::setDefaultAnswer(kkDialogs::Ok);
        tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(tmp->isValid());
    }

    void cleanup()
    {
        window.reset();
        tmp.reset();
        kkDialogs::clearHooks();
    }

    void firstStart()
    {
        open();
        const QString base = home + QStringLiteral("/Discusware/");
        QVERIFY(window->windowTitle().startsWith(QStringLiteral("Quillbridge - Version ")));
        QCOMPARE(find(QStringLiteral("txtDiscusRootFolder"))->text(), base);
        QCOMPARE(find(QStringLiteral("txtDiscusMessageFolder"))->text(), base + QStringLiteral("discus/messages/"));
        QCOMPARE(find(QStringLiteral("txtDiscusSecureMessageFolder"))->text(), base + QStringLiteral("discus_admin_nnnnnnnnnn/secure/"));
        QCOMPARE(find(QStringLiteral("txtDiscusMainFolder"))->text(), base + QStringLiteral("discus_admin_nnnnnnnnnn/"));
        QCOMPARE(find(QStringLiteral("txtphpBB3OutputFolder"))->text(), base + QStringLiteral("phpBB3/Output/"));
        QCOMPARE(find(QStringLiteral("txtphpBB3AttachmentsFolder"))->text(), base + QStringLiteral("phpBB3/Output/Attachments/"));
        QCOMPARE(find(QStringLiteral("txtDefaultUsers"))->text(), QStringLiteral("57"));
        QCOMPARE(find(QStringLiteral("txtDefaultGroups"))->text(), QStringLiteral("7"));
        QCOMPARE(find(QStringLiteral("txtSplitMBSize"))->text(), QStringLiteral("50"));
        QCOMPARE(find(QStringLiteral("txtDefaultAdmin"))->text(), QString());
        QCOMPARE(find(QStringLiteral("txtMsgCount"))->text(), QStringLiteral("0"));
        for (const char *derived : {"txtDiscusMessageFolder", "txtDiscusSecureMessageFolder", "txtDiscusMainFolder",
                                    "txtphpBB3AttachmentsFolder", "txtMsgCount"})
            QVERIFY2(!find(QLatin1String(derived))->isEnabled(), derived);
        for (const char *box : {"chkShowProgress", "chkLogProgress", "chkCreateAttachments", "chkCreateHiddenTopics",
                                "chkCreateRedirectionFiles", "chkFindDiscusSpecialCharacters"})
            QVERIFY2(find<QCheckBox>(QLatin1String(box))->isChecked(), box);
        QVERIFY(find<QPushButton>(QStringLiteral("cmdConvert"))->isEnabled());
        QVERIFY(!find<QPushButton>(QStringLiteral("cmdCancel"))->isEnabled());
        QVERIFY(window->options() && !window->options()->isVisible());

        auto *charset = find<QComboBox>(QStringLiteral("cboCharset"));
        QVERIFY(charset->isEditable());
        QCOMPARE(charset->currentText(), QStringLiteral("utf-8"));
        QStringList items;
        for (int i = 0; i < charset->count(); ++i)
            items << charset->itemText(i);
        QCOMPARE(items, (QStringList{"big5", "euc-jp", "euc-kr", "gb2312", "iso-2022-jp", "iso-2022-kr", "iso-8859-1",
                                     "iso-8859-2", "iso-8859-3", "iso-8859-4", "iso-8859-5", "iso-8859-6", "iso-8859-7",
                                     "iso-8859-8", "iso-8859-9", "koi8-r", "shift-jis", "us-ascii", "utf-7", "utf-8"}));
        QCOMPARE(charset->currentIndex(), items.indexOf(QStringLiteral("utf-8")));
        window->setText(QStringLiteral("cboCharset"), QStringLiteral("windows-1252"));
        QCOMPARE(window->text(QStringLiteral("cboCharset")), QStringLiteral("windows-1252"));
        QCOMPARE(charset->count(), 20);
        QVERIFY(!find<QComboBox>(QStringLiteral("cboProcessedFolders"))->isEditable());
        QVERIFY(find<QPlainTextEdit>(QStringLiteral("txtArea"))->isReadOnly());

        QStringList labels;
        for (QLabel *label : window->findChildren<QLabel *>())
            labels << label->text();
        for (const char *label : {"Local Root:", "Discus Messages:", "Discus Secure:", "Discus Main:", "phpBB3 Output:",
                                  "phpBB3 Attachments:", "Discus Website:", "phpBB3 Forum Addr:", "Max MB Size For Split Files",
                                  "phpBB3 Default Admin", "phpBB3 Default Users", "Default User Groups:", "Charset:"})
            QVERIFY2(labels.contains(QLatin1String(label)), label);

        // The defaults are in the settings file now.
        QCOMPARE(stored(settings, QStringLiteral("phpBB3_Users")), QStringLiteral("57"));
        QCOMPARE(stored(settings, QStringLiteral("Charset")), QStringLiteral("utf-8"));
        QCOMPARE(stored(settings, QStringLiteral("CreateHiddenTopics")), QStringLiteral("1"));
        QCOMPARE(stored(settings, QStringLiteral("Log")), QStringLiteral("1"));
        QCOMPARE(stored(settings, QStringLiteral("DiscusRootFolder")), base);
        QVERIFY(kkDialogs::shownMessages().isEmpty());
    }

    void nothingIsClipped()
    {
        open();
        window->options()->show();
        QVERIFY(QTest::qWaitForWindowExposed(window->options()));
        QList<QWidget *> widgets = window->findChildren<QWidget *>();
        widgets += window->options()->findChildren<QWidget *>();
        for (QWidget *w : widgets) {
            if (!w->isVisible())
                continue;
            if (auto *label = qobject_cast<QLabel *>(w); label && !label->wordWrap())
                QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->text()));
            if (auto *button = qobject_cast<QAbstractButton *>(w); button && !button->text().isEmpty())
                QVERIFY2(button->width() >= button->sizeHint().width(), qPrintable(button->text()));
        }
        window->options()->hide();
    }

    void usersFieldRefusesLetters()
    {
        open();
        typeInto(QStringLiteral("txtDefaultUsers"), QStringLiteral("abc"));
        QCOMPARE(kkDialogs::shownMessages(), QStringList{QStringLiteral("Total Default Users of your phpBB3 database must be filled in")});
        QCOMPARE(QApplication::focusWidget(), find(QStringLiteral("txtDefaultUsers")));
        QCOMPARE(stored(settings, QStringLiteral("phpBB3_Users")), QStringLiteral("57"));

        kkDialogs::clearShownMessages();
        typeInto(QStringLiteral("txtDefaultUsers"), QStringLiteral("12ab"));
        QVERIFY(kkDialogs::shownMessages().isEmpty());
        QCOMPARE(stored(settings, QStringLiteral("phpBB3_Users")), QStringLiteral("12"));
        QCOMPARE(window->controller().phpBB3DefaultUsers, 12);
        QVERIFY(QApplication::focusWidget() != find(QStringLiteral("txtDefaultUsers")));
    }

    void emptyAdminReopensField()
    {
        open();
        find(QStringLiteral("txtDefaultUsers"))->clear(); // the next field in tab order is no valid count either
        typeInto(QStringLiteral("txtDefaultAdmin"), QString());
        // One message: the focus coming back does not make the users field complain too.
        QCOMPARE(kkDialogs::shownMessages(), QStringList{QStringLiteral("Default Admin of your phpBB3 database must be filled in")});
        QCOMPARE(QApplication::focusWidget(), find(QStringLiteral("txtDefaultAdmin")));

        kkDialogs::clearShownMessages();
        QTest::keyClicks(find(QStringLiteral("txtDefaultAdmin")), QStringLiteral("Site Admin"));
        QTest::mouseClick(find(QStringLiteral("txtDiscusWebsite")), Qt::LeftButton);
        QVERIFY(kkDialogs::shownMessages().isEmpty());
        QCOMPARE(stored(settings, QStringLiteral("phpBB3_Admin")), QStringLiteral("Site Admin"));
    }

    void convertWithEmptyAdmin()
    {
        open();
        QTest::mouseClick(find<QPushButton>(QStringLiteral("cmdConvert")), Qt::LeftButton);
        QCOMPARE(kkDialogs::shownMessages(), QStringList{QStringLiteral("Default Admin of your phpBB3 database must be filled in")});
        QCOMPARE(QApplication::focusWidget(), find(QStringLiteral("txtDefaultAdmin")));
        QVERIFY(find<QPushButton>(QStringLiteral("cmdConvert"))->isEnabled());
        QVERIFY(!find<QPushButton>(QStringLiteral("cmdCancel"))->isEnabled());
        QVERIFY(find(QStringLiteral("txtDefaultAdmin"))->isEnabled());
    }

    void rootWithOrWithoutSeparator_data()
    {
        QTest::addColumn<bool>("trailingSeparator");
        QTest::newRow("without") << false;
        QTest::newRow("with") << true;
    }
    void rootWithOrWithoutSeparator()
    {
        QFETCH(bool, trailingSeparator);
        open();
        const QString root = tmp->filePath(QStringLiteral("board"));
        QDir().mkpath(root + QStringLiteral("/discus_admin_1357"));
        typeInto(QStringLiteral("txtDiscusRootFolder"), trailingSeparator ? root + QLatin1Char('/') : root);
        QVERIFY(kkDialogs::shownMessages().isEmpty());
        QCOMPARE(find(QStringLiteral("txtDiscusMessageFolder"))->text(), root + QStringLiteral("/discus/messages/"));
        QCOMPARE(find(QStringLiteral("txtDiscusMainFolder"))->text(), root + QStringLiteral("/discus_admin_1357/"));
        QCOMPARE(find(QStringLiteral("txtDiscusSecureMessageFolder"))->text(), root + QStringLiteral("/discus_admin_1357/secure/"));
        QCOMPARE(stored(settings, QStringLiteral("DiscusMessageFolder")), root + QStringLiteral("/discus/messages/"));
        QCOMPARE(stored(settings, QStringLiteral("DiscusSecureMessageFolder")), root + QStringLiteral("/discus_admin_1357/secure/"));
        QCOMPARE(stored(settings, QStringLiteral("DiscusMainFolder")), root + QStringLiteral("/discus_admin_1357/"));
    }

    void websiteLosesTrailingSlash()
    {
        open();
        typeInto(QStringLiteral("txtDiscusWebsite"), QStringLiteral("http://old.example/discus/"));
        QCOMPARE(find(QStringLiteral("txtDiscusWebsite"))->text(), QStringLiteral("http://old.example/discus"));
        QCOMPARE(stored(settings, QStringLiteral("DiscusWebsite")), QStringLiteral("http://old.example/discus"));
    }

    void outputPickerEmptiesFolder()
    {
        const QString root = tmp->filePath(QStringLiteral("board"));
        open(discusSettings(root));
        const QString out = tmp->filePath(QStringLiteral("out"));
        writeBytes(out + QStringLiteral("/phpBB3_posts1.txt"), "old rows");
        writeBytes(out + QStringLiteral("/Log.txt"), "old log");
        writeBytes(out + QStringLiteral("/attachments/1_1.jpg"), "old picture");
        writeBytes(out + QStringLiteral("/redirect/discus/messages/3/4.html"), "old page");
        kkDialogs::setNextFolder(out);
        QTest::mouseClick(find<QAbstractButton>(QStringLiteral("cmdBrowseOutput")), Qt::LeftButton);

        QVERIFY2(kkDialogs::shownMessages().isEmpty(), qPrintable(kkDialogs::shownMessages().join(QLatin1Char('|'))));
        QCOMPARE(QDir(out).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), (QStringList{"Attachments", "redirect"}));
        QVERIFY(QDir(out + QStringLiteral("/Attachments")).isEmpty());
        QVERIFY(QFileInfo(out + QStringLiteral("/redirect/discus/messages")).isDir());
        QVERIFY(QDir(out + QStringLiteral("/redirect/discus/messages")).isEmpty());
        QCOMPARE(find(QStringLiteral("txtphpBB3OutputFolder"))->text(), out);
        QCOMPARE(find(QStringLiteral("txtphpBB3AttachmentsFolder"))->text(), out + QStringLiteral("/Attachments/"));
        QCOMPARE(stored(settings, QStringLiteral("phpBB3_OutputFolder")), out + QLatin1Char('/'));
        QVERIFY(find<QPlainTextEdit>(QStringLiteral("txtArea"))->toPlainText().contains(QStringLiteral("Deleting Output Folders & Files - ")));
        // The addresses kept in the settings file survive the picker.
        QCOMPARE(stored(settings, QStringLiteral("DiscusWebsite")), QStringLiteral("http://old.example/discus"));
        QCOMPARE(stored(settings, QStringLiteral("phpBB3ForumAddr")), QStringLiteral("http://new.example/forum"));
        QVERIFY(!window->controller().StopConversion);
    }

    void outputPickerRefusesForeignFolder()
    {
        const QString root = tmp->filePath(QStringLiteral("board"));
        open(discusSettings(root));
        const QString out = tmp->filePath(QStringLiteral("Documents"));
        writeBytes(out + QStringLiteral("/taxes 2023.ods"), "precious");
        writeBytes(out + QStringLiteral("/Log.txt"), "a log");
        kkDialogs::setNextFolder(out);
        QTest::mouseClick(find<QAbstractButton>(QStringLiteral("cmdBrowseOutput")), Qt::LeftButton);

        const QStringList shown = kkDialogs::shownMessages();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown.first().contains(out) && shown.first().contains(QStringLiteral("holds other files")), qPrintable(shown.first()));
        QCOMPARE(readBytes(out + QStringLiteral("/taxes 2023.ods")), QByteArray("precious"));
        QCOMPARE(readBytes(out + QStringLiteral("/Log.txt")), QByteArray("a log"));
        QCOMPARE(QDir(out).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 2);
        QVERIFY(window->controller().StopConversion);
    }

    void progressBoxesSaveOnClick()
    {
        open();
        clickBox(find<QCheckBox>(QStringLiteral("chkShowProgress")));
        QCOMPARE(stored(settings, QStringLiteral("Display")), QStringLiteral("0"));
        QVERIFY(!window->controller().ShowProgress);
        clickBox(find<QCheckBox>(QStringLiteral("chkLogProgress")));
        QCOMPARE(stored(settings, QStringLiteral("Log")), QStringLiteral("0"));
        QVERIFY(!window->controller().LogProgress);
        clickBox(find<QCheckBox>(QStringLiteral("chkShowProgress")));
        QCOMPARE(stored(settings, QStringLiteral("Display")), QStringLiteral("1"));
        QVERIFY(window->controller().ShowProgress);
    }

    void optionsSavedOnClickAndKeptAfterCancel()
    {
        open();
        frmOptions *options = window->options();
        bool clicked = false;
        QTimer::singleShot(0, this, [&] {
            QVERIFY(options->isVisible() && options->isModal());
            clickBox(options->findChild<QCheckBox *>(QStringLiteral("chkCreateHiddenTopics")));
            QTest::mouseClick(options->findChild<QPushButton *>(QStringLiteral("cmdApply")), Qt::LeftButton);
            QVERIFY(options->isVisible());
            QTest::mouseClick(options->findChild<QPushButton *>(QStringLiteral("cmdCancel")), Qt::LeftButton);
            clicked = true;
        });
        window->findChild<QAction *>(QStringLiteral("mnuOptions"))->trigger();
        QVERIFY(clicked);
        QVERIFY(!options->isVisible());
        QVERIFY(!options->findChild<QCheckBox *>(QStringLiteral("chkCreateHiddenTopics"))->isChecked());
        QCOMPARE(stored(settings, QStringLiteral("CreateHiddenTopics")), QStringLiteral("0"));
        QVERIFY(!window->controller().CreateHiddenTopics);
        QVERIFY(window->controller().CreateAttachments);

        // OK also only hides; the next start reads the cleared box back.
        QTimer::singleShot(0, this, [&] {
            clickBox(options->findChild<QCheckBox *>(QStringLiteral("chkFindDiscusSpecialCharacters")));
            QTest::mouseClick(options->findChild<QPushButton *>(QStringLiteral("cmdOK")), Qt::LeftButton);
        });
        window->findChild<QAction *>(QStringLiteral("mnuOptions"))->trigger();
        QCOMPARE(stored(settings, QStringLiteral("FindDiscusSpecialCharacters")), QStringLiteral("0"));
        window.reset();
        window = std::make_unique<frmConvert>(settings, tmp->filePath(QStringLiteral("program")));
        QVERIFY(!find<QCheckBox>(QStringLiteral("chkCreateHiddenTopics"))->isChecked());
        QVERIFY(!find<QCheckBox>(QStringLiteral("chkFindDiscusSpecialCharacters"))->isChecked());
        QVERIFY(find<QCheckBox>(QStringLiteral("chkCreateRedirectionFiles"))->isChecked());
        QVERIFY(!window->controller().FindDiscusSpecialCharacters);
    }

    void optionsDialogLayout()
    {
        open();
        frmOptions *options = window->options();
        QCOMPARE(options->windowTitle(), QStringLiteral("Options"));
        QTabBar *tabs = options->tabs();
        QCOMPARE(tabs->objectName(), QStringLiteral("tbsOptions"));
        QCOMPARE(tabs->count(), 1);
        QCOMPARE(tabs->tabText(0), QStringLiteral("Files"));
        QCOMPARE(tabs->tabToolTip(0), QStringLiteral("Set Options File Creation"));
        QCOMPARE(options->findChild<QCheckBox *>(QStringLiteral("chkFindDiscusSpecialCharacters"))->toolTip(),
                 QStringLiteral("Search Discus HTML Files for Discus Special Character Sequences"));
        QStringList captions;
        for (QCheckBox *box : options->optionBoxes()) {
            captions << box->text();
            QVERIFY(!box->toolTip().isEmpty());
        }
        QCOMPARE(captions, (QStringList{"Create Attachment Files", "Create Hidden Topics", "Create Discus Redirection Files",
                                        "Find Discus Special Characters", "Convert All Formatting"}));
        bool note = false;
        for (QLabel *label : options->findChildren<QLabel *>())
            note |= label->text() == QLatin1String("All selection here will dramatically increase conversion time and should only be used when absolutely needed.");
        QVERIFY(note);

        // Ctrl+Tab moves to the next tab and wraps; with one tab it stays.
        options->show();
        options->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), options);
        QStackedWidget *pages = options->pages();
        QCOMPARE(pages->count(), 4);
        QTest::keyClick(options, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(tabs->currentIndex(), 0);
        QCOMPARE(pages->currentIndex(), 0);
        tabs->addTab(QStringLiteral("More"));
        QTest::keyClick(options, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(tabs->currentIndex(), 1);
        QCOMPARE(pages->currentIndex(), 1);
        QVERIFY(pages->widget(1)->isEnabled());
        QVERIFY(!pages->widget(0)->isEnabled());
        QTest::keyClick(options, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(tabs->currentIndex(), 0);
        QVERIFY(pages->widget(0)->isEnabled());
        options->hide();
    }

    void progressAreaAndCounters()
    {
        open();
        ConvertController &c = window->controller();
        auto *area = find<QPlainTextEdit>(QStringLiteral("txtArea"));
        c.DisplayInfo(QStringLiteral("first line\r\n"), true);
        c.DisplayInfo(QStringLiteral("\tsecond line\r\n"), true);
        QCOMPARE(area->toPlainText(), QStringLiteral("first line\n\tsecond line\n"));
        QVERIFY(area->textCursor().atEnd());
        QCOMPARE(window->progressLength(), 26);
        window->setText(QStringLiteral("txtArea"), QString());
        QCOMPARE(area->toPlainText(), QString());
        QCOMPARE(window->progressLength(), 0);

        window->setText(QStringLiteral("txtMsgCount"), QStringLiteral("1234"));
        QCOMPARE(find(QStringLiteral("txtMsgCount"))->text(), QStringLiteral("1234"));
        c.AddProcessedFolder(QStringLiteral("board1"));
        c.AddProcessedFolder(QStringLiteral("board2"));
        auto *folders = find<QComboBox>(QStringLiteral("cboProcessedFolders"));
        QCOMPARE(folders->count(), 2);
        QCOMPARE(folders->itemText(1), QStringLiteral("board2"));

        // Both forms have a cmdCancel: the window's own is meant.
        window->setEnabled(QStringLiteral("cmdCancel"), true);
        QVERIFY(find<QPushButton>(QStringLiteral("cmdCancel"))->isEnabled());
        window->setEnabled(QStringLiteral("cmdCancel"), false);
        QVERIFY(!find<QPushButton>(QStringLiteral("cmdCancel"))->isEnabled());
        QVERIFY(window->options()->findChild<QPushButton *>(QStringLiteral("cmdCancel"))->isEnabled());
        window->setEnabled(QStringLiteral("mnuOptions"), false);
        QVERIFY(!window->findChild<QAction *>(QStringLiteral("mnuOptions"))->isEnabled());
    }

    void settingsLockedWhileConvertIsDisabled()
    {
        open();
        // A run disables Convert: folders, counts and options must not change under it.
        QTest::mouseClick(find(QStringLiteral("txtDefaultUsers")), Qt::LeftButton);
        find(QStringLiteral("txtDefaultUsers"))->clear();
        window->setEnabled(QStringLiteral("cmdConvert"), false);
        QVERIFY(kkDialogs::shownMessages().isEmpty()); // leaving a field because it was locked is no edit
        for (const char *name : {"txtDiscusRootFolder", "txtphpBB3OutputFolder", "txtDefaultUsers", "txtDiscusWebsite"})
            QVERIFY2(!find(QLatin1String(name))->isEnabled(), name);
        QVERIFY(!find<QAbstractButton>(QStringLiteral("cmdBrowseOutput"))->isEnabled());
        QVERIFY(!find<QCheckBox>(QStringLiteral("chkCreateAttachments"))->isEnabled());
        QVERIFY(find<QCheckBox>(QStringLiteral("chkShowProgress"))->isEnabled());
        window->setFocus(QStringLiteral("txtDefaultAdmin")); // the admin check of a starting run
        window->setEnabled(QStringLiteral("cmdConvert"), true);
        QVERIFY(find(QStringLiteral("txtDefaultUsers"))->isEnabled());
        QCOMPARE(QApplication::focusWidget(), find(QStringLiteral("txtDefaultAdmin")));
        QVERIFY(find<QCheckBox>(QStringLiteral("chkCreateAttachments"))->isEnabled());
        QVERIFY(!find(QStringLiteral("txtDiscusMessageFolder"))->isEnabled());
    }

    void helpMenuAndMissingGuide()
    {
        open();
        auto *guide = window->findChild<QAction *>(QStringLiteral("mnuUserGuide"));
        QCOMPARE(guide->text().remove(QLatin1Char('&')), QStringLiteral("User Guide"));
        QCOMPARE(guide->shortcut(), QKeySequence(Qt::Key_F1));
        guide->trigger();
        QCOMPARE(kkDialogs::shown().size(), 1);
        QVERIFY2(kkDialogs::shown().first().text.endsWith(QStringLiteral("/Docs/Discusware 4 to phpBB3 Conversion.pdf")),
                 qPrintable(kkDialogs::shown().first().text));
        QCOMPARE(kkDialogs::shown().first().icon, int(kkDialogs::Warning));

        kkDialogs::clearShownMessages();
        window->findChild<QAction *>(QStringLiteral("mnuAbout"))->trigger();
        const kkDialogs::Shown about = kkDialogs::shown().value(0);
        QCOMPARE(about.title, QStringLiteral("About Quillbridge"));
        QVERIFY(about.text.contains(QStringLiteral(QB_VERSION_TEXT)));
        QVERIFY(about.text.contains(QStringLiteral("GNU General Public License, version 2")));
        QVERIFY(about.text.contains(QStringLiteral(QT_VERSION_STR)));
    }

    void countFieldsTakeDigitsOnly_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("users") << "txtDefaultUsers" << "5a7" << "57";
        QTest::newRow("groups negative") << "txtDefaultGroups" << "-8" << "8";
        QTest::newRow("split decimal") << "txtSplitMBSize" << "2.5" << "25";
        QTest::newRow("split words") << "txtSplitMBSize" << "xyz0" << "0";
    }

    void countFieldsTakeDigitsOnly()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        open();
        typeInto(field, typed);
        QCOMPARE(find(field)->text(), shown);
        QVERIFY(kkDialogs::shownMessages().isEmpty());
    }

    void convertRefusesABadCountFromTheSettingsFile()
    {
        open("[Settings]\r\nphpBB3_Users=abc\r\nphpBB3_Admin=admin\r\n");
        QCOMPARE(find(QStringLiteral("txtDefaultUsers"))->text(), QStringLiteral("abc"));
        QTest::mouseClick(find<QPushButton>(QStringLiteral("cmdConvert")), Qt::LeftButton);
        // One warning naming the field; no report box after it.
        QCOMPARE(kkDialogs::shown().size(), 1);
        QCOMPARE(kkDialogs::shown().first().text,
                 QStringLiteral("\"phpBB3 Default Users\" must be a whole number from 1 to 8388607; \"abc\" is not."));
        QCOMPARE(kkDialogs::shown().first().icon, int(kkDialogs::Warning));
        QCOMPARE(window->controller().LastRunResult, ConvertController::RunResult::NotStarted);
        QVERIFY(find<QPushButton>(QStringLiteral("cmdConvert"))->isEnabled());
        QCOMPARE(QApplication::focusWidget(), find(QStringLiteral("txtDefaultUsers")));
    }

    void defaultUsersFollowsTheRelease()
    {
        open();
        auto *release = window->options()->versionBox();
        const auto choose = [&](const QString &r) {
            release->setCurrentIndex(release->findText(r));
            emit release->activated(release->currentIndex());
        };
        QCOMPARE(find(QStringLiteral("txtDefaultUsers"))->text(), QStringLiteral("57"));
        choose(QStringLiteral("3.2"));
        QCOMPARE(find(QStringLiteral("txtDefaultUsers"))->text(), QStringLiteral("47"));
        QCOMPARE(stored(settings, QStringLiteral("phpBB3_Users")), QStringLiteral("47"));
        choose(QStringLiteral("3.3"));
        QCOMPARE(find(QStringLiteral("txtDefaultUsers"))->text(), QStringLiteral("57"));
        // A number the user typed stays.
        typeInto(QStringLiteral("txtDefaultUsers"), QStringLiteral("60"));
        choose(QStringLiteral("3.2"));
        QCOMPARE(find(QStringLiteral("txtDefaultUsers"))->text(), QStringLiteral("60"));
        QCOMPARE(window->controller().phpBB3DefaultUsers, 60);
    }

    void finishBoxAndProgressBar()
    {
        open();
        auto *bar = find<QProgressBar>(QStringLiteral("prgConversion"));
        auto *left = find<QLabel>(QStringLiteral("lblTimeLeft"));
        QCOMPARE(bar->value(), 0);
        window->progressBar(30, 120, 90);
        QCOMPARE(bar->value() * 100 / bar->maximum(), 25);
        QCOMPARE(bar->text(), QStringLiteral("25% (30 of 120 pages)"));
        QCOMPARE(left->text(), QStringLiteral("About 2 min left"));
        window->progressBar(31, 120, -1);
        QCOMPARE(left->text(), QString());
        window->progressBar(120, 120, 0);
        QCOMPARE(bar->value(), bar->maximum());
        QCOMPARE(left->text(), QStringLiteral("Done"));

        window->finishBox(QStringLiteral("Conversion Complete\r\n"), tmp->filePath(QStringLiteral("Conversion Report.html")));
        window->errorBox(QStringLiteral("13 - WriteFileLine()"));
        const QList<kkDialogs::Shown> shown = kkDialogs::shown();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0].extraButton, QStringLiteral("Open Report"));
        QCOMPARE(shown[0].icon, int(kkDialogs::Information));
        QCOMPARE(shown[1].icon, int(kkDialogs::Critical));
    }

    void closingUnloadsOptions()
    {
        open();
        QVERIFY(window->options());
        QVERIFY(window->close());
        QVERIFY(!window->options());
    }
};

QTEST_MAIN(TestFrmConvert)
#include "tst_frmconvert.moc"
