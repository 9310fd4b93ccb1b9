#include "convert/ConversionReport.h"

#include "output/TextCleaning.h"
#include "run/ConversionRun.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>

namespace {
const QString CrLf = QStringLiteral("\r\n");

QString shown(const QString &text)
{
    return DecodeSpecialCharacters(text, QStringLiteral(" "));
}

qint64 filesUnder(const QString &folder)
{
    qint64 n = 0;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        ++n;
    }
    return n;
}

QList<ConversionReport::Item> items(const QList<RunTally::Item> &from)
{
    QList<ConversionReport::Item> out;
    out.reserve(from.size());
    for (const RunTally::Item &i : from)
        out.append({shown(i.what), i.page});
    return out;
}
} // namespace

void ConversionReport::collect(const ConversionRun *run)
{
    counts.clear();
    lists.clear();
    if (!run)
        return;
    const RunTally &t = run->tally;
    counts = {
        {QStringLiteral("Categories"), t.categories},
        {QStringLiteral("Forums"), run->forums.rows - t.categories},
        {QStringLiteral("Topics"), run->topics.rows},
        {QStringLiteral("Posts"), run->posts.rows},
        {QStringLiteral("Members"), run->users.rows},
        {QStringLiteral("Member lines skipped"), t.skippedMemberLines.size()},
        {QStringLiteral("Members added for unknown posters"), t.unknownPosters.size()},
        {QStringLiteral("Groups"), run->groups.rows},
        {QStringLiteral("Attachments copied"), attachmentsFolder.isEmpty() ? 0 : filesUnder(attachmentsFolder)},
        // A page written again counts once.
        {QStringLiteral("Redirection pages"), run->RedirectOldPaths.size()},
        {QStringLiteral("Pages skipped"), t.skippedPages.size()},
        {QStringLiteral("Unknown character sequences"), t.unknownSequences.size()},
        {QStringLiteral("Links whose target was not found"), t.missingLinks.size()},
    };
    lists = {
        {QStringLiteral("Pages skipped"), QStringLiteral("Why"), items(t.skippedPages)},
        {QStringLiteral("Member lines skipped"), QStringLiteral("Line"), items(t.skippedMemberLines)},
        {QStringLiteral("Members added for unknown posters"), QStringLiteral("Poster"), items(t.unknownPosters)},
        {QStringLiteral("Unknown character sequences"), QStringLiteral("Sequence"), items(t.unknownSequences)},
        {QStringLiteral("Links whose target was not found"), QStringLiteral("Target"), items(t.missingLinks)},
    };
}

QStringList ConversionReport::nextSteps() const
{
    return {
        QStringLiteral("Load it into the fresh phpBB database: mariadb --local-infile=1 -u USER -p DATABASE < \"")
            + QDir::toNativeSeparators(scriptFile)
            + QStringLiteral("\" (where LOCAL INFILE is not allowed, as with phpMyAdmin, run the files of the folder "
                             "\"SQL for phpMyAdmin\" instead, in the order of their numbers)."),
        QStringLiteral("Copy the files of the attachments folder into phpBB's files/ folder."),
        QStringLiteral("In phpBB's administration control panel, purge the cache and build the search index."),
        QStringLiteral("Add the members who may read the old board's private areas to the group \"Private Discus Areas\"."),
        QStringLiteral("Let the old site answer with the new addresses: the redirect folder's .htaccess (Apache) or "
                       "nginx-redirects.conf (nginx), or its pages copied over the old ones."),
    };
}

QString ConversionReport::headline() const
{
    switch (end) {
    case End::Cancelled: return QStringLiteral("Conversion Cancelled");
    case End::Error: return QStringLiteral("Conversion Stopped by an Error");
    default: return QStringLiteral("Conversion Complete");
    }
}

QString ConversionReport::text() const
{
    QString t = headline() + CrLf + CrLf;
    t += QStringLiteral("Conversion Start: ") + startText + CrLf + QStringLiteral("Conversion Stop: ") + stopText + CrLf + CrLf
         + QStringLiteral("Elapsed Time: ") + elapsedText + CrLf;
    if (!counts.isEmpty()) {
        t += CrLf;
        for (const auto &c : counts) {
            t += c.first + QStringLiteral(": ") + QString::number(c.second);
            // Why pages were skipped, reason by reason.
            if (c.first == QLatin1String("Pages skipped") && c.second > 0) {
                QMap<QString, int> why;
                for (const Item &i : lists.first().items)
                    ++why[i.what];
                QStringList parts;
                for (auto it = why.cbegin(); it != why.cend(); ++it)
                    parts << QStringLiteral("%1 %2").arg(it.value()).arg(it.key());
                t += QStringLiteral(" (") + parts.join(QStringLiteral("; ")) + QLatin1Char(')');
            }
            t += CrLf;
        }
    }
    if (!outputFolder.isEmpty()) {
        t += CrLf + QStringLiteral("Output folder: ") + QDir::toNativeSeparators(outputFolder) + CrLf;
        if (end == End::Complete) {
            t += CrLf + QStringLiteral("Next steps:") + CrLf;
            const QStringList steps = nextSteps();
            for (int n = 0; n < steps.size(); ++n)
                t += QString::number(n + 1) + QStringLiteral(". ") + steps.at(n) + CrLf;
        }
    }
    return t;
}

QString ConversionReport::html() const
{
    const auto esc = [](const QString &s) { return s.toHtmlEscaped(); };
    QString h = QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>")
                + esc(headline()) + QStringLiteral(" - Quillbridge</title>\n<style>\n"
                                                   "body{font-family:sans-serif;margin:2em;max-width:60em}"
                                                   "table{border-collapse:collapse;margin-bottom:1.5em}"
                                                   "th,td{border:1px solid #bbb;padding:.3em .7em;text-align:left}"
                                                   "td.n{text-align:right}th{background:#eee}code{background:#f4f4f4}\n"
                                                   "</style>\n</head>\n<body>\n<h1>")
                + esc(headline()) + QStringLiteral("</h1>\n<table>\n");
    const QList<QPair<QString, QString>> times = {{QStringLiteral("Conversion Start"), startText},
                                                  {QStringLiteral("Conversion Stop"), stopText},
                                                  {QStringLiteral("Elapsed Time"), elapsedText}};
    for (const auto &t : times)
        h += QStringLiteral("<tr><th>") + esc(t.first) + QStringLiteral("</th><td>") + esc(t.second) + QStringLiteral("</td></tr>\n");
    h += QStringLiteral("</table>\n");
    if (!counts.isEmpty()) {
        h += QStringLiteral("<h2>What was written</h2>\n<table>\n");
        for (const auto &c : counts)
            h += QStringLiteral("<tr><th>") + esc(c.first) + QStringLiteral("</th><td class=\"n\">") + QString::number(c.second)
                 + QStringLiteral("</td></tr>\n");
        h += QStringLiteral("</table>\n");
    }
    if (!outputFolder.isEmpty()) {
        h += QStringLiteral("<h2>Output folder</h2>\n<p><code>") + esc(QDir::toNativeSeparators(outputFolder))
             + QStringLiteral("</code></p>\n");
        if (end == End::Complete) {
            h += QStringLiteral("<h2>Next steps</h2>\n<ol>\n");
            for (const QString &step : nextSteps())
                h += QStringLiteral("<li>") + esc(step) + QStringLiteral("</li>\n");
            h += QStringLiteral("</ol>\n");
        }
    }
    for (const List &l : lists) {
        h += QStringLiteral("<h2>") + esc(l.title) + QStringLiteral("</h2>\n");
        if (l.items.isEmpty()) {
            h += QStringLiteral("<p>None.</p>\n");
            continue;
        }
        h += QStringLiteral("<table>\n<tr><th>") + esc(l.whatHeading) + QStringLiteral("</th><th>Page</th></tr>\n");
        for (const Item &i : l.items)
            h += QStringLiteral("<tr><td>") + esc(i.what) + QStringLiteral("</td><td>") + esc(i.page) + QStringLiteral("</td></tr>\n");
        h += QStringLiteral("</table>\n");
    }
    return h + QStringLiteral("</body>\n</html>\n");
}

QString ConversionReport::save() const
{
    if (outputFolder.isEmpty() || !QDir(outputFolder).exists())
        return QString();
    const QString path = QDir(outputFolder).filePath(fileName());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(html().toUtf8()) < 0)
        return QString();
    return path;
}
