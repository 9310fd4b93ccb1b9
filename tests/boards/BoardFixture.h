#pragma once
// A small Discus installation built by hand in a temporary folder, a run over it, and
// readers for the rows the run wrote. Shared by the board, topic and posts tests.
#include "members/modMembers.h"
#include "output/ImportFile.h"
#include "output/ImportRows.h"
#include "run/ConversionRun.h"
#include "run/ConversionRun.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace qbboards {

const QString CrLf = QStringLiteral("\r\n");

// One row of an import file, by column name (text columns without their quotes).
using Row = QHash<QString, QString>;

inline QVector<Row> parseRows(const QString &fileText, const QStringList &columns)
{
    QVector<Row> rows;
    for (const QString &line : fileText.split(CrLf, Qt::SkipEmptyParts)) {
        const QStringList fields = line.split(QLatin1Char(','));
        if (fields.size() != columns.size()) {
            qWarning("row with %d fields, %d expected: %s", int(fields.size()), int(columns.size()), qPrintable(line));
            return {};
        }
        Row row;
        for (int i = 0; i < fields.size(); ++i) {
            QString value = fields.at(i);
            if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
                value = value.mid(1, value.size() - 2);
            row.insert(columns.at(i), value);
        }
        rows.append(row);
    }
    return rows;
}

// The markup of a Discus page and its parts.
inline QString topicEntry(const QString &board, const QString &page, const QString &text, bool hidden = false)
{
    return QStringLiteral("<tr><td><!--Top: ") + page + QStringLiteral("-->") + (hidden ? QStringLiteral("<!-- Topic Hidden -->") : QString())
        + QStringLiteral("<a href=\"/discus/messages/") + board + QLatin1Char('/') + page + QStringLiteral(".html?1183200000\">")
        + text + QStringLiteral("</a><!--/Top--></td></tr>\n");
}

inline QString post(int number, const QString &name, const QString &time, const QString &text)
{
    const QString n = QString::number(number);
    return QStringLiteral("<!--Post: ") + n + QStringLiteral("--><table><tr><td><b><!--name-->") + name
        + QStringLiteral("<!--/name--></b> <!--Time: ") + time + QStringLiteral("--><small>Posted</small></td></tr>\n<tr><td><!--Text-->")
        + text + QStringLiteral("<!--/Text--></td></tr></table><!--/Post: ") + n + QStringLiteral("-->\n");
}

// A page with its "<!--Topic: " and "<!--Me: " markers, its title and a navigation link
// whose text becomes the page link text (none when linkText is null).
inline QString page(const QString &topic, const QString &me, const QString &title, const QString &body,
                    const QString &linkText = QStringLiteral("Link Text"))
{
    QString html = QStringLiteral("<html><head><title>") + title + QStringLiteral("</title></head><body>\n<!--Topic: ") + topic
        + QStringLiteral("-->\n<!--Me: ") + me + QStringLiteral("-->\n");
    if (!linkText.isNull())
        html += QStringLiteral("<p><a href=\"/discus/messages/1/1.html?1183200000\">") + linkText + QStringLiteral("</a></p>\n");
    return html + body + QStringLiteral("</body></html>\n");
}

struct Category {
    QString name;
    QStringList boards;
};

inline QString mainBoardFile(const QVector<Category> &categories)
{
    QString html = QStringLiteral("<html><head><title>Board</title></head><body>\n");
    int n = 0;
    for (const Category &c : categories) {
        html += QStringLiteral("<!--Category: ") + QString::number(++n) + QStringLiteral("--><h2><!--Text--><b>") + c.name
            + QStringLiteral("</b><!--/Text--></h2>\n");
        for (const QString &b : c.boards)
            html += QStringLiteral("<!--Top: ") + b + QStringLiteral("--><a href=\"/discus/messages/") + b + QLatin1Char('/') + b
                + QStringLiteral(".html\">Board ") + b + QStringLiteral("</a><!--/Top-->\n");
        html += QStringLiteral("<!--/Category-->\n");
    }
    return html + QStringLiteral("</body></html>\n");
}

struct Fixture {
    QTemporaryDir dir;
    qbtest::RecordingHost host;
    std::unique_ptr<ConversionRun> run;
    QString messages, secure, out;

    Fixture()
    {
        messages = dir.path() + QStringLiteral("/discus/messages/");
        secure = dir.path() + QStringLiteral("/discus_admin_1/secure/");
        out = dir.path() + QStringLiteral("/out/");
        QDir().mkpath(messages);
        QDir().mkpath(secure);
        QDir().mkpath(out);
        run = std::make_unique<ConversionRun>(host);
        RunSettings &s = run->settings;
        s.phpBB3DefaultUsers = 47; // the ids the examples were written with (a phpBB 3.2 board)
        s.DocsFolder = dir.path() + QStringLiteral("/Docs/");
        s.DiscusRootFolder = dir.path() + QLatin1Char('/');
        s.DiscusMessageFolder = messages;
        s.DiscusSecureMessageFolder = secure;
        s.phpBB3OutputFolder = out;
        s.ImportScriptFile = out + QStringLiteral("Discus Conversion Import SQL.sql");
        s.DiscusCharset = QStringLiteral("utf-8");
        s.CreateHiddenTopics = true;
        s.FindDiscusSpecialCharacters = false;
        // The unit tests of the formatting set the option themselves; the others see the
        // conversion of bold, centring and font tags alone.
        s.ConvertAllFormatting = false;
        // Redirection pages and attachments have tests of their own.
        s.CreateRedirectionFiles = false;
        s.CreateAttachments = false;
        s.phpBB3DefaultAdmin = QStringLiteral("Admin");
        host.openLogs();
        run->nameOutputFiles();
        // The administrator first (id 2), as the member file reader registers it.
        DiscusAddMember(*run, QStringLiteral("Admin,,admin@example.invalid,Admin,,,,0,,,").split(QLatin1Char(',')), true);
    }

    // A member from member-file fields "user:password:email:real name:...".
    qint32 member(const QString &user, const QString &realName)
    {
        return DiscusAddMember(*run, (user + QStringLiteral("::") + user + QStringLiteral("@example.com:") + realName
                                      + QStringLiteral(":::0:::"))
                                         .split(QLatin1Char(':')));
    }

    void write(const QString &path, const QString &text) { qbtest::writeBytes(path, text.toUtf8()); }
    void boardPage(const QString &board, const QString &name, const QString &text)
    {
        write(messages + board + QLatin1Char('/') + name + QStringLiteral(".html"), text);
    }
    void securePage(const QString &board, const QString &name, const QString &text)
    {
        write(secure + board + QLatin1Char('/') + name + QStringLiteral(".html"), text);
    }

    // Saves every open import file and reads one table's rows back.
    void closeAll()
    {
        for (ImportFile *f : {&run->forums, &run->topics, &run->posts, &run->attachments, &run->internalLinks})
            CloseImportFile(*run, *f);
    }
    template <typename RowClass>
    QVector<Row> rows(const QString &table)
    {
        closeAll();
        const QString file = out + table + QStringLiteral("1.txt");
        if (!QFile::exists(file))
            return {};
        return parseRows(QString::fromUtf8(qbtest::readBytes(file)), RowClass::columnNames());
    }
    QVector<Row> forums() { return rows<clsTblForums>(QStringLiteral("phpBB3_forums")); }
    QVector<Row> topics() { return rows<clsTblTopics>(QStringLiteral("phpBB3_topics")); }
    QVector<Row> posts() { return rows<clsTblPosts>(QStringLiteral("phpBB3_posts")); }

    QString progress() const { return host.progress(); }
    QString errorLog() const { return host.errorLog; }
    QString script() { return QString::fromUtf8(qbtest::readBytes(run->settings.ImportScriptFile)); }
};

// Column values of the rows, in row order.
inline QStringList column(const QVector<Row> &rows, const QString &name)
{
    QStringList values;
    for (const Row &r : rows)
        values << r.value(name);
    return values;
}

} // namespace qbboards
