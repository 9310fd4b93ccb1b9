// The user guide "Discusware 4 to phpBB3 Conversion.pdf": built beside the program, long
// enough to be a guide, explaining every label of the two windows and every message the
// program can show, and opened by the Help button.
#include "convert/ConvertController.h"
#include "tests/support/TestSupport.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

const QString GuideName = QStringLiteral("Discusware 4 to phpBB3 Conversion.pdf");

QString guidePath()
{
    return qbtest::buildDir() + QStringLiteral("/Docs/") + GuideName;
}

// Blanks and line breaks collapsed: the PDF breaks a message wherever its line ends.
QString normalized(const QString &text)
{
    return text.simplified();
}

// The texts a user reads on a window: labels, check boxes and buttons of its .ui file
// (the "..." of the folder pickers has nothing to explain).
QStringList captions(const QString &uiFile)
{
    QStringList list;
    QXmlStreamReader xml(qbtest::readBytes(uiFile));
    QStringList widgetClasses;
    QString property;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == QLatin1String("widget"))
                widgetClasses.push_back(xml.attributes().value(QLatin1String("class")).toString());
            else if (xml.name() == QLatin1String("property"))
                property = xml.attributes().value(QLatin1String("name")).toString();
            else if (xml.name() == QLatin1String("string") && (property == QLatin1String("text") || property == QLatin1String("title"))
                     && !widgetClasses.isEmpty()) {
                const QString cls = widgetClasses.last();
                const QString text = xml.readElementText();
                static const QStringList shown{QStringLiteral("QLabel"), QStringLiteral("QCheckBox"),
                                               QStringLiteral("QPushButton"), QStringLiteral("QGroupBox")};
                if (shown.contains(cls) && !text.isEmpty() && property == QLatin1String(cls == QLatin1String("QGroupBox") ? "title" : "text"))
                    list << text;
            }
        } else if (xml.isEndElement()) {
            if (xml.name() == QLatin1String("widget"))
                widgetClasses.pop_back();
            else if (xml.name() == QLatin1String("property"))
                property.clear();
        }
    }
    return list;
}

} // namespace

class tst_UserGuide : public QObject {
    Q_OBJECT

    QString m_text;  // the guide's text, normalized
    int m_pages = 0;

private slots:
    void initTestCase()
    {
        QVERIFY2(QFileInfo(guidePath()).isFile(), qPrintable(guidePath() + " was not built"));
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        QVERIFY2(!pdftotext.isEmpty(), "pdftotext (poppler-utils) is not installed");
        QProcess p;
        p.start(pdftotext, {QStringLiteral("-enc"), QStringLiteral("UTF-8"), guidePath(), QStringLiteral("-")});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitCode(), 0);
        const QString raw = QString::fromUtf8(p.readAllStandardOutput());
        // pdftotext ends every page with a form feed.
        m_pages = raw.count(QLatin1Char('\f'));
        m_text = normalized(raw);
    }

    void isARealGuide()
    {
        QVERIFY2(m_pages > 10, qPrintable(QStringLiteral("%1 pages").arg(m_pages)));
        // The title page, the contents and every page numbered.
        QVERIFY(m_text.contains(QStringLiteral("Discusware 4 to phpBB3 Conversion")));
        QVERIFY(m_text.contains(QStringLiteral("Contents")));
        QVERIFY(m_text.contains(QStringLiteral("Page %1 of %1").arg(m_pages)));
        // No Markdown left over.
        QVERIFY2(!m_text.contains(QStringLiteral("](")), "an unconverted Markdown link or image");
        QVERIFY2(!QRegularExpression(QStringLiteral("(\\*\\*|__)\\w")).match(m_text).hasMatch(), "unconverted Markdown emphasis");
        QVERIFY2(!m_text.contains(QStringLiteral("\\_")), "an unconverted Markdown escape");
        QVERIFY2(!QRegularExpression(QStringLiteral("(^| )#{1,6} ")).match(m_text).hasMatch(), "an unconverted heading");
    }

    void explainsEveryLabel_data()
    {
        QTest::addColumn<QString>("label");
        for (const char *ui : {"convert/frmConvert.ui", "convert/frmOptions.ui"}) {
            const QStringList list = captions(qbtest::sourceDir() + QLatin1Char('/') + QLatin1String(ui));
            QVERIFY(list.size() > 3);
            for (const QString &label : list)
                QTest::newRow(qPrintable(QLatin1String(ui) + QStringLiteral(": ") + label)) << label;
        }
        // The window's menu.
        QTest::newRow("menu File > Exit") << QStringLiteral("File > Exit");
        QTest::newRow("menu Options") << QStringLiteral("Options");
    }

    void explainsEveryLabel()
    {
        QFETCH(QString, label);
        QVERIFY2(m_text.contains(normalized(label)), qPrintable(label));
    }

    // Every message the guide promises to explain, as the program writes it (the fixed
    // part of messages that carry a folder or a number).
    void explainsEveryMessage_data()
    {
        QTest::addColumn<QString>("message");
        const char *const messages[] = {
            // The window's fields.
            "Discus Root Folder Must Be Filled In",
            "Discus Root Folder Must Exist!",
            "phpBB3 Output Folder Must Be Filled In",
            "Default Admin of your phpBB3 database must be filled in",
            "Total Default Users of your phpBB3 database must be filled in",
            "Total Default Groups of your phpBB3 database must be filled in",
            // Convert: inputs and folder preparation.
            "Discus website must be filled in",
            "phpBB3 Forum Address must be filled in",
            "Source of your Discus Root Folder must be filled in",
            "Source of your Discus mMssage Folder must be filled in",
            "Source of your Discus Secure Message Folder must be filled in",
            "- Discus Root Folder Must Exist",
            "- Discus Message Folder Must Exist",
            "- Discus Secure Message Folder Must Exist",
            "holds other files (for example",
            "so it cannot be emptied for the conversion.",
            "Nothing has been deleted. Please choose an empty folder, or one that holds only the output of an earlier conversion.",
            "Files are open in",
            "- Please close them then restart the conversion",
            "Cannot delete",
            "Cannot create",
            "Source Redirect file not found -",
            // The run's report.
            "Conversion Cancelled",
            "Conversion Start:",
            "Conversion Stop:",
            "Elapsed Time:",
            // The logs.
            "Missing File -",
            "One file must exist",
            "File Does Not Exist - ... nor does",
            "Page Already Being Processed -",
            "Page Nesting Deeper Than 200 Levels -",
            "***** Posters User Name / Real Name Not Found - Adding ***** -",
            "Attachment is not a valid type -",
            "Attachment is not a valid file -",
            "Attachment File Does Not Exist (phpBB3 #Rec",
            "Message linked file does not exist (phpBB3 Rec#",
            "Redirect file not written, the page is not in a board folder of the Discus message folders -",
            "Replacable character array file not found -",
            "Replacable character array file is empty -",
            "Continuing without it...",
            "Encountered Hidden Topic -",
            "Encountered Topic with no Subject on -",
            "GetFileDataCharset()",
            "File not found",
            "Discus Special Characters.txt",
            // The import script's guard.
            "Conversion not loaded",
            "The database has no phpBB board with the table prefix phpBB3_: run this script on the database of a fresh phpBB board",
            "The database is not a phpBB 3.2 board: set phpBB3 Version to 3.3 and convert again",
            "The database is a phpBB 3.2 board: set phpBB3 Version to 3.2 and convert again",
            "The database already holds user ids above",
            ": set phpBB3 Default Users to its highest user_id and convert again (or use a fresh phpBB board if this script has run on it before)",
            "The database already holds group ids above",
            ": set Default User Groups to its highest group_id and convert again (or use a fresh phpBB board if this script has run on it before)",
        };
        for (const char *m : messages)
            QTest::newRow(m) << QString::fromUtf8(m);
    }

    void explainsEveryMessage()
    {
        QFETCH(QString, message);
        QVERIFY2(m_text.contains(normalized(message)), qPrintable(message));
    }

    // What loading into phpBB needs, as the output really needs it.
    void explainsTheLoad_data()
    {
        QTest::addColumn<QString>("text");
        for (const char *t : {"phpBB3_", "--local-infile=1", "Discus Conversion Import SQL.sql",
                              "SELECT MAX(user_id) FROM phpBB3_users;", "SELECT MAX(group_id) FROM phpBB3_groups;", "57", "47",
                              "\"Attachments\"", "\"files\"", "/discus/messages/", "Purge the cache", "Search index",
                              "Manage attachment extensions", "I forgot my password", "quillbridge --convert", "Log.txt",
                              "LogError.txt"})
            QTest::newRow(t) << QString::fromUtf8(t);
    }

    void explainsTheLoad()
    {
        QFETCH(QString, text);
        QVERIFY2(m_text.contains(text), qPrintable(text));
    }

    void helpButtonOpensTheGuide()
    {
        QTemporaryDir tmp;
        QVERIFY(tmp.isValid());
        qbtest::RecorderView view;
        ConvertController ctl(view, tmp.filePath(QStringLiteral("quillbridge.ini")), qbtest::buildDir());
        ctl.DocsFolder = qbtest::buildDir() + QStringLiteral("/Docs/");
        ctl.cmdHelp_Click();
        QCOMPARE(view.openedDocuments, QStringList{guidePath()});
        QVERIFY(view.messages.isEmpty());

        // Without the guide nothing is opened; a box says where it belongs.
        qbtest::RecorderView empty;
        ConvertController none(empty, tmp.filePath(QStringLiteral("other.ini")), tmp.path());
        none.DocsFolder = tmp.path() + QStringLiteral("/Docs/");
        none.cmdHelp_Click();
        QVERIFY(empty.openedDocuments.isEmpty());
        QCOMPARE(empty.messages.size(), 1);
        QVERIFY(empty.messages.first().endsWith(none.userGuidePath()));
    }
};

QTEST_GUILESS_MAIN(tst_UserGuide)
#include "tst_userguide.moc"
