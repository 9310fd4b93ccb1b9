// Links between Discus pages: anchors to converted pages become links to their phpBB3
// topics; links to pages not converted yet are recorded and resolved after all pages.
#include "messages/modLinks.h"

#include "convert/ConversionRun.h"
#include "messages/modAttachments.h"
#include "output/ImportFile.h"
#include "output/TextCleaning.h"
#include "output/TextFiles.h"

#include <QDir>
#include <QStringView>

namespace {

const QString CrLf = QStringLiteral("\r\n");
const QString AnchorOpen = QStringLiteral("<a href=");
const QString AnchorClose = QStringLiteral("</a>");
const QString UrlClose = QStringLiteral("[/url]");

// "viewtopic.php?f=" forum id "&t=" topic id under the new forum's address, from a page
// map item "forum id,topic id".
QString topicAddress(const ConversionRun &run, const QString &mapItem)
{
    const qsizetype comma = mapItem.indexOf(QLatin1Char(','));
    if (comma < 0)
        throw QbError(QbErrNo::SubscriptOutOfRange, QStringLiteral("Subscript out of range - page map item \"") + mapItem + QLatin1Char('"'));
    const qsizetype next = mapItem.indexOf(QLatin1Char(','), comma + 1);
    // The address field keeps no trailing "/", so the separator is added when missing.
    QString forum = run.ctl.phpBB3ForumAddr;
    if (!forum.isEmpty() && !forum.endsWith(QLatin1Char('/')))
        forum += QLatin1Char('/');
    return forum + QStringLiteral("viewtopic.php?f=") + mapItem.left(comma) + QStringLiteral("&t=")
        + mapItem.mid(comma + 1, next < 0 ? -1 : next - comma - 1);
}

// The page file of a link target: folder + board + "/" + page ".html".
QString targetFile(const QString &folder, const QString &board, const QString &page)
{
    return folder + (board.isEmpty() ? QString() : board + QLatin1Char('/')) + page + QStringLiteral(".html");
}

// The replacement of one anchor, or false when the anchor stays as it is in the text.
bool convertAnchor(ConversionRun &run, const QString &anchor, qint32 pageCounter, qint32 forumId, QString &replacement)
{
    // Discus's own scripts are not pages of the board.
    if (ContainsText(anchor, u"show.cgi") || ContainsText(anchor, u"showpage.html"))
        return false;
    // Anchors to other sites; their tags go later with the others, leaving their text.
    if (!ContainsText(anchor, u"/discus/messages/") && !ContainsText(anchor, u"/secure/"))
        return false;

    // The address: everything between "<a href=" and the tag's ">" without quotes (further
    // attributes stay part of it).
    const QString tag = GetTextBetween(QString(anchor).remove(QLatin1Char('"')), AnchorOpen, QStringLiteral(">"));
    const QString address = tag.mid(AnchorOpen.size(), tag.size() - AnchorOpen.size() - 1).trimmed();
    if (address.isEmpty())
        return false;

    QString converted = QStringLiteral("[url=") + address + QLatin1Char(']') + RemoveTagInformation(anchor) + UrlClose;
    converted.remove(QLatin1Char('"'));
    converted.remove(QLatin1Char('<'));

    // ".../<board>/<page>.html": only leading digits count, so a query, an anchor name or
    // an attribute after the page number does no harm. An address that names no HTML page
    // (an uploaded "1234.jpg" as much as "photo.jpg") points at a file.
    const QStringList pieces = address.split(QLatin1Char('/'));
    const QString board = pieces.size() >= 2 ? GetLeadingDigits(pieces.at(pieces.size() - 2)) : QString();
    const QString last = pieces.last();
    const QString page = last.contains(QLatin1String(".html"), Qt::CaseInsensitive)
        ? GetLeadingDigits(QString(last).remove(QLatin1String(".html"), Qt::CaseInsensitive))
        : QString();

    if (page.isEmpty()) {
        // A file: it becomes an attachment of the post; the anchor itself stays.
        QString marker = QStringLiteral("<!--attachment: <a href=\"") + address + QStringLiteral("\" target= <!--/attachment-->");
        ProcessAttachments(run, marker, run.CurrentPosterId);
        return false;
    }

    const QString *mapItem = run.TopicIdsByNumber.find(page);

    const QString messageFile = targetFile(run.ctl.DiscusMessageFolder, board, page);
    const QString secureFile = targetFile(run.ctl.DiscusSecureMessageFolder, board, page);
    if (!run.ctl.gen().FileExists(messageFile) && !run.ctl.gen().FileExists(secureFile)) {
        run.tally.missingLink(QDir::toNativeSeparators(messageFile));
        run.DisplayInfo(QStringLiteral("Message linked file does not exist (phpBB3 Rec# ") + QString::number(run.PostIdCounter)
                            + QStringLiteral(") - ") + QDir::toNativeSeparators(messageFile) + CrLf + QStringLiteral("      nor does ")
                            + QDir::toNativeSeparators(secureFile) + CrLf,
                        true, true, true);
    }

    if (mapItem) {
        replacement = BuildphpBB3Link(run, converted, *mapItem);
        return true;
    }

    const int level = run.CurrentLevel;
    const QString pageNumber = level >= 0 && level <= run.dataIndex.upperBound() ? run.dataIndex.at(level).pageNumber : QString();
    QString record = QStringList{converted,
                                 QString(),
                                 QString::number(forumId),
                                 QString::number(pageCounter),
                                 QString::number(run.PostIdCounter),
                                 pageNumber,
                                 board,
                                 page}
                         .join(QLatin1Char('^'));
    record.remove(QLatin1Char('\r'));
    record.remove(QLatin1Char('\n'));
    WriteFileLine(run, record, run.internalLinks, QString(), true);
    replacement = converted;
    return true;
}

// The eight fields of a record. A "^" inside the link text would add fields at the
// front, so the seven fields that follow the link are taken from the end.
QStringList recordFields(const QString &line)
{
    QStringList fields = line.split(QLatin1Char('^'));
    if (fields.size() > 8) {
        const int extra = int(fields.size()) - 8;
        const QString link = fields.mid(0, extra + 1).join(QLatin1Char('^'));
        fields = QStringList{link} + fields.mid(extra + 1);
    }
    return fields;
}

} // namespace

QString DiscusProcessLinks(ConversionRun &run, const QString &text, qint32 pageCounter, qint32 forumId)
{
    if (run.stopped())
        return QString();
    QString out;
    const bool ok = run.Trap(QStringLiteral("DiscusProcessLinks()"), [&] {
        // The result is built from left to right: a replaced anchor is appended in place
        // of its text and the search goes on in the original text right after the anchor,
        // which is right after the replacement in the result.
        QString built;
        bool replaced = false;
        int copied = 0;
        int search = 0;
        for (;;) {
            int start = search;
            int end = search;
            const QString anchor = GetTextBetween(text, AnchorOpen, AnchorClose, start, end);
            if (anchor.isEmpty())
                break;
            search = end;
            QString replacement;
            if (convertAnchor(run, anchor, pageCounter, forumId, replacement)) {
                if (!replaced)
                    built.reserve(text.size());
                replaced = true;
                built.append(QStringView(text).mid(copied, start - copied));
                built.append(replacement);
                copied = end;
            }
            run.CvDoEvents();
            if (run.stopped())
                break;
        }
        if (replaced) {
            built.append(QStringView(text).mid(copied));
            out = built;
        } else {
            out = text;
        }
    });
    return ok ? out : QString();
}

QString BuildphpBB3Link(ConversionRun &run, const QString &linkText, const QString &mapItem)
{
    QString out = linkText;
    run.Trap(QStringLiteral("BuildphpBB3Link()"), [&] {
        const QString newAddress = topicAddress(run, mapItem);
        const QString span = GetTextBetween(linkText, QStringLiteral("[url="), QStringLiteral("]"));
        const QString oldAddress = span.mid(5, span.size() - 6);
        if (!oldAddress.isEmpty())
            ReplaceText(out, oldAddress, newAddress);
    });
    return out;
}

void UpdateInternalLinks(ConversionRun &run)
{
    run.Trap(QStringLiteral("UpdateInternalLinks()"), [&] {
        run.DisplayInfo(QStringLiteral("Writing Updated Internal Links File - Please Wait...") + CrLf);

        // The board phase saves the records when it ends; any still in memory are saved
        // now so that none is missed.
        ImportFile &links = run.internalLinks;
        if (links.isOpen())
            CloseImportFile(run, links);
        if (links.fileName.isEmpty() || !run.ctl.gen().FileExists(links.fileName))
            return;
        // The import files are written in UTF-8, so the records are read back in it.
        QString data;
        if (!GetFileDataCharset(run.ctl, links.fileName, data, QStringLiteral("utf-8")) || data.isEmpty())
            return;

        ImportFile &updated = run.internalLinksUpdate;
        if (!updated.stream) // the updated file exists even when no record is in it
            updated.stream = std::make_unique<QByteArray>();
        for (const QString &line : data.split(CrLf)) {
            if (line.isEmpty())
                continue;
            QStringList fields = recordFields(line);
            if (fields.size() < 2 || !fields.at(1).isEmpty()) {
                WriteFileLine(run, line, updated, QString());
                continue;
            }
            const QString *mapItem = fields.size() > 7 ? run.TopicIdsByNumber.find(fields.at(7).trimmed()) : nullptr;
            if (mapItem) {
                const QString link = QString(fields.at(0)).remove(QLatin1Char('"'));
                const qsizetype bracket = link.indexOf(QLatin1Char(']'));
                const qsizetype close = bracket < 0 ? -1 : IndexOfText(link, UrlClose, bracket + 1);
                const QString linkText = bracket < 0 ? QString() : link.mid(bracket + 1, close < 0 ? -1 : close - bracket - 1).trimmed();
                QString newLink = QStringLiteral("[url=") + topicAddress(run, *mapItem) + QLatin1Char(']') + linkText + UrlClose;
                fields[1] = newLink.remove(QLatin1Char('"'));
            }
            WriteFileLine(run, fields.join(QLatin1Char('^')), updated, QString());
            run.CvDoEvents();
        }
        CloseImportFile(run, updated);
    });
}
