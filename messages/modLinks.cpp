// Links between Discus pages: anchors to converted pages become links to their phpBB3
// topics; links to pages not converted yet are recorded and resolved after all pages.
#include "messages/modLinks.h"

#include "messages/modAttachments.h"
#include "output/ImportFile.h"
#include "output/TextCleaning.h"
#include "output/TextFiles.h"
#include "run/ConversionRun.h"

#include <QDir>
#include <QRegularExpression>
#include <QSet>
#include <QUrl>
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
    QString forum = run.settings.phpBB3ForumAddr;
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

// ---- Links to the old board's pages: relative addresses and the messages path ----------

// An address with a scheme ("http:", "mailto:") or a host ("//host/...").
bool hasSchemeOrHost(const QString &address)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:"));
    return address.startsWith(QLatin1String("//")) || scheme.match(address).hasMatch();
}

// True when the address names a page of the board: ".../<digits>.html", whatever follows.
bool namesBoardPage(const QString &address)
{
    const QString last = address.section(QLatin1Char('/'), -1);
    const qsizetype html = IndexOfText(last, u".html");
    return html > 0 && !GetLeadingDigits(last.left(html)).isEmpty();
}

bool holdsMessagesPath(const ConversionRun &run, const QString &address)
{
    return ContainsText(address, u"/discus/messages/") || ContainsText(address, u"/secure/")
        || ContainsText(address, QString(QLatin1Char('/') + DiscusMessagesWebPath(run)));
}

// A quick look at the anchor before its address is taken: the folder fields' messages
// path, or an address without scheme that names a page.
bool mayBeBoardLink(const ConversionRun &run, const QString &anchor)
{
    if (ContainsText(anchor, QString(QLatin1Char('/') + DiscusMessagesWebPath(run))))
        return true;
    return ContainsText(anchor, u".html");
}

// The value of the href attribute of an anchor's opening tag, with "&amp;" read as "&".
QString hrefOf(const QString &anchor)
{
    const qsizetype gt = anchor.indexOf(u'>');
    qsizetype i = IndexOfText(anchor, u"href");
    if (i < 0 || (gt >= 0 && i > gt))
        return QString();
    i += 4;
    while (i < anchor.size() && anchor.at(i).isSpace())
        ++i;
    if (i >= anchor.size() || anchor.at(i) != u'=')
        return QString();
    ++i;
    while (i < anchor.size() && anchor.at(i).isSpace())
        ++i;
    qsizetype end = i;
    if (i < anchor.size() && (anchor.at(i) == u'"' || anchor.at(i) == u'\'')) {
        const QChar quote = anchor.at(i++);
        end = anchor.indexOf(quote, i);
        if (end < 0)
            return QString();
    } else {
        while (end < anchor.size() && !anchor.at(end).isSpace() && anchor.at(end) != u'>')
            ++end;
    }
    return anchor.mid(i, end - i).trimmed().replace(QLatin1String("&amp;"), QLatin1String("&"));
}

// An anchor to another site as "[url=" address "]" text "[/url]" (http, https, ftp) or
// "[email=" address "]" text "[/email]" (mailto). An address without a scheme is read
// relative to the page's own address on the Discus website. False for any other scheme,
// or when the address cannot be resolved: the anchor's tags then go with the other tags,
// leaving its text. The link text keeps its HTML, which the later steps convert.
bool convertOtherSiteAnchor(ConversionRun &run, const QString &anchor, QString &replacement)
{
    const QString href = hrefOf(anchor);
    if (href.isEmpty())
        return false;
    QUrl url(href, QUrl::TolerantMode);
    QString address = href;
    if (url.scheme().isEmpty()) {
        address = DiscusResolvedAddress(run, href);
        url = QUrl(address, QUrl::TolerantMode);
        if (url.scheme().isEmpty())
            return false;
    }
    const QString scheme = url.scheme().toLower();
    const qsizetype gt = anchor.indexOf(u'>');
    QString inner = gt < 0 ? QString() : anchor.mid(gt + 1, anchor.size() - AnchorClose.size() - gt - 1);
    const bool noText = RemoveTagInformation(inner).trimmed().isEmpty() && !ContainsText(inner, u"<img");

    if (scheme == u"mailto") {
        QString mail = address.mid(address.indexOf(u':') + 1);
        const qsizetype query = mail.indexOf(u'?');
        if (query >= 0)
            mail.truncate(query);
        mail = QUrl::fromPercentEncoding(mail.toUtf8()).trimmed();
        for (const QChar c : mail)
            if (c.isSpace() || c == u'[' || c == u']' || c == u'<' || c == u'>' || c == u'"')
                return false;
        const qsizetype at = mail.indexOf(u'@');
        if (at < 1 || mail.indexOf(u'.', at) < 0)
            return false; // no address phpBB could link
        replacement = QStringLiteral("[email=") + mail + QLatin1Char(']') + (noText ? mail : inner) + QStringLiteral("[/email]");
        return true;
    }
    if (scheme != u"http" && scheme != u"https" && scheme != u"ftp")
        return false;
    // Brackets and blanks would end the BBCode tag early.
    address.replace(QLatin1Char('['), QLatin1String("%5B")).replace(QLatin1Char(']'), QLatin1String("%5D")).replace(QLatin1Char(' '), QLatin1String("%20"));
    address.remove(QLatin1Char('"'));
    replacement = QStringLiteral("[url=") + address + QLatin1Char(']') + (noText ? address : inner) + UrlClose;
    return true;
}

// The replacement of one anchor, or false when the anchor stays as it is in the text.
bool convertAnchor(ConversionRun &run, const QString &anchor, qint32 pageCounter, qint32 forumId, QString &replacement)
{
    // Discus's own scripts are not pages of the board.
    if (ContainsText(anchor, u"show.cgi") || ContainsText(anchor, u"showpage.html"))
        return false;
    // Anchors to other sites.
    if (!ContainsText(anchor, u"/discus/messages/") && !ContainsText(anchor, u"/secure/") && !mayBeBoardLink(run, anchor))
        return convertOtherSiteAnchor(run, anchor, replacement);

    // The address: everything between "<a href=" and the tag's ">" without quotes (further
    // attributes stay part of it).
    const QString tag = GetTextBetween(QString(anchor).remove(QLatin1Char('"')), AnchorOpen, QStringLiteral(">"));
    const QString written = tag.mid(AnchorOpen.size(), tag.size() - AnchorOpen.size() - 1).trimmed();
    if (written.isEmpty())
        return false;
    // Relative links and the folder fields' messages path count as links to the board.
    const QString address = DiscusBoardLinkAddress(run, written);
    if (address.isEmpty())
        return convertOtherSiteAnchor(run, anchor, replacement);

    QString linkText = RemoveTagInformation(anchor);
    // A link that shows its own address shows it as resolved, so it follows the link.
    if (address != written && linkText.trimmed() == written)
        linkText = address;
    QString converted = QStringLiteral("[url=") + address + QLatin1Char(']') + linkText + UrlClose;
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
        QString marker = QStringLiteral("<!--attachment: <a href=\"") + written + QStringLiteral("\" target= <!--/attachment-->");
        ProcessAttachments(run, marker, run.CurrentPosterId);
        return false;
    }

    const QString *mapItem = run.TopicIdsByNumber.find(page);

    const QString messageFile = targetFile(run.settings.DiscusMessageFolder, board, page);
    const QString secureFile = targetFile(run.settings.DiscusSecureMessageFolder, board, page);
    if (!run.gen().FileExists(messageFile) && !run.gen().FileExists(secureFile)) {
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
        if (links.fileName.isEmpty() || !run.gen().FileExists(links.fileName))
            return;
        // The import files are written in UTF-8, so the records are read back in it.
        QString data;
        if (!GetFileDataCharset(run, links.fileName, data, QStringLiteral("utf-8")) || data.isEmpty())
            return;

        // Forward links: each old address once, with the posts that hold it, for the
        // script's finishing section; a target never converted is reported once.
        QHash<QString, int> updateOf;
        QSet<QString> reported;
        const auto noteForwardLink = [&](const QStringList &fields, const QString *mapItem) {
            const QString span = GetTextBetween(fields.at(0), QStringLiteral("[url="), QStringLiteral("]"));
            const QString oldAddress = span.mid(5, span.size() - 6);
            if (oldAddress.isEmpty())
                return;
            if (!mapItem) {
                if (!reported.contains(oldAddress)) {
                    reported.insert(oldAddress);
                    run.DisplayInfo(QStringLiteral("Internal link target was not converted - the link keeps its old address - ")
                                        + oldAddress + CrLf,
                                    true, true, true);
                }
                return;
            }
            auto it = updateOf.find(oldAddress);
            if (it == updateOf.end()) {
                it = updateOf.insert(oldAddress, int(run.LinkUpdates.size()));
                run.LinkUpdates.append(phpBBLinkUpdate{oldAddress, topicAddress(run, *mapItem), {}});
            }
            bool ok = false;
            const qint32 postId = fields.at(4).trimmed().toInt(&ok);
            QVector<qint32> &ids = run.LinkUpdates[*it].postIds;
            if (ok && postId > 0 && (ids.isEmpty() || ids.last() != postId))
                ids.append(postId);
        };

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
            if (fields.size() > 7)
                noteForwardLink(fields, mapItem);
            WriteFileLine(run, fields.join(QLatin1Char('^')), updated, QString());
            run.CvDoEvents();
        }
        CloseImportFile(run, updated);
    });
}

// ---- Links to the old board's pages: relative addresses and the messages path ----------

QString DiscusMessagesWebPath(const ConversionRun &run)
{
    QString root = QDir::fromNativeSeparators(run.settings.DiscusRootFolder);
    QString messages = QDir::fromNativeSeparators(run.settings.DiscusMessageFolder);
    if (!root.endsWith(QLatin1Char('/')))
        root += QLatin1Char('/');
    if (!messages.endsWith(QLatin1Char('/')))
        messages += QLatin1Char('/');
    if (root.size() > 1 && messages.size() > root.size() && messages.startsWith(root, Qt::CaseInsensitive))
        return messages.mid(root.size());
    return QStringLiteral("discus/messages/");
}

QString DiscusPageAddress(const ConversionRun &run)
{
    const int level = run.CurrentLevel;
    if (level < 0 || level > run.dataIndex.upperBound())
        return QString();
    const QString path = QDir::fromNativeSeparators(run.dataIndex.at(level).pagePath);
    QString relative;
    for (const QString &folder : {run.settings.DiscusMessageFolder, run.settings.DiscusSecureMessageFolder}) {
        const QString f = QDir::fromNativeSeparators(folder);
        if (!f.isEmpty() && path.startsWith(f, Qt::CaseInsensitive)) {
            relative = path.mid(f.size());
            break;
        }
    }
    if (relative.startsWith(QLatin1Char('/')))
        relative.remove(0, 1);
    if (relative.isEmpty())
        return QString();
    return siteOrigin(run.settings.DiscusWebsite) + QLatin1Char('/') + DiscusMessagesWebPath(run) + relative;
}

QString siteOrigin(const QString &website)
{
    const QStringList pieces = website.trimmed().split(QLatin1Char('/'));
    if (pieces.size() < 3 || pieces.at(2).isEmpty())
        return QString();
    return pieces.at(0) + QStringLiteral("//") + pieces.at(2);
}

QString DiscusResolvedAddress(const ConversionRun &run, const QString &address)
{
    if (address.isEmpty() || hasSchemeOrHost(address))
        return address;
    // Attributes written after the address stay after it.
    const qsizetype blank = address.indexOf(QLatin1Char(' '));
    const QString first = blank < 0 ? address : address.left(blank);
    const QString rest = blank < 0 ? QString() : address.mid(blank);
    QString base = DiscusPageAddress(run);
    if (base.isEmpty())
        base = siteOrigin(run.settings.DiscusWebsite) + QLatin1Char('/');
    if (base == QLatin1String("/") && !first.startsWith(QLatin1Char('/')))
        return address;
    const QUrl resolved = QUrl(base).resolved(QUrl(first));
    if (!resolved.isValid())
        return address;
    return resolved.toString(QUrl::FullyEncoded) + rest;
}

QString DiscusBoardLinkAddress(const ConversionRun &run, const QString &address)
{
    // Absolute addresses stay as written; site-relative ones ("/discus/...") get the old
    // site's host, so that a link whose target is not converted still works as a link.
    if (hasSchemeOrHost(address))
        return holdsMessagesPath(run, address) ? address : QString();
    const QString resolved = DiscusResolvedAddress(run, address);
    if (address.startsWith(QLatin1Char('/')))
        return holdsMessagesPath(run, resolved) ? resolved : QString();
    return holdsMessagesPath(run, resolved) && namesBoardPage(resolved) ? resolved : QString();
}
