// Attachments: the file a post links in its attachment marker becomes an attachments row
// and a copy in the attachments folder. Images: an image of the Discus site becomes an
// [img] tag.
#include "messages/modAttachments.h"

#include "members/modMD5Hash.h"
#include "messages/modLinks.h"
#include "output/ImportRows.h"
#include "output/TextCleaning.h"
#include "run/ConversionRun.h"
#include "run/IdLimits.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QRegularExpression>
#include <QUrl>

#include <limits>

namespace {

const QString CrLf = QStringLiteral("\r\n");
const QString AttachmentOpen = QStringLiteral("<!--attachment:");
const QString AttachmentClose = QStringLiteral("<!--/attachment-->");
const QString HrefQuote = QStringLiteral("href=\"");
const QString ImageOpen = QStringLiteral("<img src=");

// An error line: shown, logged and written to the error log whatever the options say.
void report(ConversionRun &run, const QString &text)
{
    run.DisplayInfo(text + CrLf, true, true, true);
}

// True when path, after its "." and ".." are resolved, lies inside folder.
bool liesInside(const QString &path, const QString &folder)
{
    const QString root = QDir::cleanPath(folder);
    const QString clean = QDir::cleanPath(path);
    return !root.isEmpty() && clean.startsWith(root + QLatin1Char('/'));
}

// A candidate source: the Discus folder, the folder piece (none when empty) and the file.
QString candidate(const QString &discusFolder, const QString &folderPiece, const QString &file)
{
    QString path = discusFolder;
    if (!path.isEmpty() && !path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    if (!folderPiece.isEmpty())
        path += folderPiece + QLatin1Char('/');
    return path + file;
}

// The attachments row of the post being converted for source, and the file's copy in
// the attachments folder. Returns the file's own name.
QString addAttachment(ConversionRun &run, const QString &source, qint32 posterId)
{
    // The row belongs to the page the posts reader is reading.
    if (!run.pageAttachmentRows)
        throw QbError(QbErrNo::InternalError, QStringLiteral("Internal error - an attachment outside a page's posts - ")
                                                  + QDir::toNativeSeparators(source));

    const QFileInfo info(source);
    const QString digest = MD5HashFile(source);
    const qint32 attachId = NextId(run.AttachIdCounter, MaxRowId, "attachment ids");
    const QString physical = QString::number(attachId) + QLatin1Char('_') + digest;

    // The copy first: a row never points at a file that is not there.
    QString folder = run.settings.phpBB3AttachmentsFolder;
    if (folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    const QString copy = folder + QLatin1Char('/') + physical;
    QDir().mkpath(folder);
    if (QFileInfo::exists(copy))
        QFile::remove(copy);
    if (!QFile::copy(source, copy))
        throw QbError(QbErrNo::PathFileAccess, QStringLiteral("Path/File access error - cannot copy ")
                                                   + QDir::toNativeSeparators(source) + QStringLiteral(" to ")
                                                   + QDir::toNativeSeparators(copy));

    // phpBB keeps extensions in lower case and checks them against its allowed list.
    const QString name = info.fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? QString() : name.mid(dot + 1).toLower();

    const int level = qBound(0, run.CurrentLevel, run.dataIndex.upperBound());
    clsTblAttachments row;
    row.attach_id = attachId;
    row.post_msg_id = run.PostIdCounter;
    row.topic_id = run.dataIndex.at(level).topicId;
    row.poster_id = posterId;
    row.physical_filename = physical;
    row.real_filename = EncodeSpecialCharacters(name);
    row.extention = EncodeSpecialCharacters(extension);
    // phpBB sends it as the download's content type.
    row.mimetype = QMimeDatabase().mimeTypeForFile(source, QMimeDatabase::MatchExtension).name();
    row.filesize = qint32(qMin<qint64>(info.size(), std::numeric_limits<qint32>::max()));
    run.pageAttachmentRows->append(row.BuildString());
    run.CurrentPostHasAttachment = true;
    // The script's finishing section allows the attachment types the board needs.
    run.AttachmentExtensions[extension].append(name);

    return name;
}

} // namespace

QString ProcessAttachments(ConversionRun &run, QString &text, qint32 posterId)
{
    QString status = QStringLiteral("xx");
    if (!run.settings.CreateAttachments)
        return status;
    run.Trap(QStringLiteral("ProcessAttachments()"), [&] {
        const QString marker = GetTextBetween(text, AttachmentOpen, AttachmentClose);
        if (marker.isEmpty())
            return;

        // The anchor's address, its pieces split at "\" as the old site's paths were.
        QString address = GetTextBetween(marker, HrefQuote, QStringLiteral("\" target="));
        address.replace(QLatin1Char('/'), QLatin1Char('\\'));
        RemoveText(address, HrefQuote);
        const qsizetype target = IndexOfText(address, u"target=");
        if (target >= 0)
            address.truncate(target);
        address.remove(QLatin1Char('"'));
        address = address.trimmed();

        for (const char *page : {"show.cgi", "showpage.html", ".html?", ".php"}) {
            if (address.contains(QLatin1String(page), Qt::CaseInsensitive)) {
                report(run, QStringLiteral("Attachment is not a valid type - ") + address);
                return;
            }
        }
        if (address.isEmpty()) {
            report(run, QStringLiteral("Attachment is not a valid file - ") + address);
            return;
        }

        // Only files on the old site's own host: piece 2 of an absolute address.
        const QStringList pieces = address.split(QLatin1Char('\\'));
        const QStringList site = run.settings.DiscusWebsite.split(QLatin1Char('/'));
        if (pieces.size() < 3 || site.size() < 3 || pieces.at(2).isEmpty()
            || pieces.at(2).compare(site.at(2), Qt::CaseInsensitive) != 0)
            return;

        const QString file = pieces.last();
        QString folderPiece = pieces.at(pieces.size() - 2);
        // The address must not climb out of the Discus message folders.
        if (file.isEmpty() || file == QLatin1String("..") || folderPiece == QLatin1String("..")) {
            report(run, QStringLiteral("Attachment is not a valid file - ") + address);
            return;
        }
        if (folderPiece.compare(QLatin1String("secure"), Qt::CaseInsensitive) == 0
            || folderPiece.compare(QLatin1String("messages"), Qt::CaseInsensitive) == 0)
            folderPiece.clear(); // the file lies directly in the messages folder

        const QString &messages = run.settings.DiscusMessageFolder;
        const QString &secure = run.settings.DiscusSecureMessageFolder;
        const QString first = candidate(messages, folderPiece, file);
        const QString second = candidate(secure, folderPiece, file);
        if ((!messages.isEmpty() && !liesInside(first, messages)) || (!secure.isEmpty() && !liesInside(second, secure))) {
            report(run, QStringLiteral("Attachment is not a valid file - ") + address);
            return;
        }
        const auto isFile = [&](const QString &path, const QString &folder) {
            return !folder.isEmpty() && run.gen().FileExists(path) && QFileInfo(path).isFile();
        };
        QString source;
        if (isFile(first, messages))
            source = first;
        else if (isFile(second, secure))
            source = second;
        else {
            report(run, QStringLiteral("Attachment File Does Not Exist (phpBB3 #Rec ") + QString::number(run.PostIdCounter)
                            + QStringLiteral(") - ") + QDir::toNativeSeparators(first) + CrLf + QStringLiteral("   nor does ")
                            + QDir::toNativeSeparators(second) + QStringLiteral(" - Original - ") + address);
            return;
        }

        addAttachment(run, source, posterId);

        RemoveText(text, marker);
        status = QStringLiteral("clip");
    });
    return status;
}

namespace {

// The images of a post with "Create Attachments" off: the first image of the Discus site
// becomes an [img] link to its old address.
QString imagesAsLinks(ConversionRun &run, const QString &text)
{
    int start = int(IndexOfText(text, ImageOpen));
    if (start < 0)
        return text;
    int end = 0;
    const QString tag = GetTextBetween(text, ImageOpen, QStringLiteral(">"), start, end);
    // The address part runs to " alt=" inside the tag; an image without one stays.
    const qsizetype alt = IndexOfText(tag, u" alt=");
    if (alt < 0)
        return text;
    QString source = tag.left(alt);
    if (!ContainsText(source, u"/discus/messages/") && !ContainsText(source, u"/secure/"))
        return text;
    // Only a double-quoted address is taken.
    const QString openQuote = ImageOpen + QLatin1Char('"');
    if (!source.startsWith(openQuote, Qt::CaseInsensitive))
        return text;
    source.remove(0, openQuote.size());
    const qsizetype quote = source.indexOf(QLatin1Char('"'));
    if (quote < 0)
        return text;
    QString address = source.left(quote).trimmed();
    if (address.isEmpty())
        return text;
    // The image keeps its place on the old site: an address without a host gets the
    // site's scheme and host (phpBB shows only images with a full address).
    if (address.startsWith(QStringLiteral("//"))) {
        const QString origin = siteOrigin(run.settings.DiscusWebsite);
        if (!origin.isEmpty())
            address = origin.left(origin.indexOf(QLatin1Char('/'))) + address;
    } else if (address.startsWith(QLatin1Char('/'))) {
        address = siteOrigin(run.settings.DiscusWebsite) + address;
    }
    QString result = text;
    ReplaceText(result, tag, QStringLiteral("[img]") + address + QStringLiteral("[/img]"));
    return result;
}

// The file an image address names under the Discus folders ("" when it names none): the
// address resolved against the page, on the old site's host (or without one), with the
// messages path of the folder fields (or "/secure/") in front of the file's path.
QString imageFile(ConversionRun &run, const QString &address)
{
    const QUrl url(address);
    const QUrl site(run.settings.DiscusWebsite.trimmed());
    if (!url.host().isEmpty() && url.host().compare(site.host(), Qt::CaseInsensitive) != 0)
        return QString();
    const QString path = url.path(QUrl::FullyDecoded);
    QString folder, relative;
    const QString messagesPath = QLatin1Char('/') + DiscusMessagesWebPath(run);
    for (const auto &[marker, discusFolder] :
         {std::pair{messagesPath, run.settings.DiscusMessageFolder}, std::pair{QStringLiteral("/discus/messages/"), run.settings.DiscusMessageFolder},
          std::pair{QStringLiteral("/secure/"), run.settings.DiscusSecureMessageFolder}}) {
        const qsizetype at = IndexOfText(path, marker);
        if (at >= 0 && !discusFolder.isEmpty()) {
            folder = discusFolder;
            relative = path.mid(at + marker.size());
            break;
        }
    }
    if (relative.isEmpty() || relative.endsWith(QLatin1Char('/')))
        return QString();
    // The address must not climb out of the Discus message folders.
    if (relative.split(QLatin1Char('/')).contains(QStringLiteral(".."))) {
        report(run, QStringLiteral("Attachment is not a valid file - ") + address);
        return QString();
    }
    const QString file = candidate(folder, QString(), relative);
    if (!liesInside(file, folder) || !run.gen().FileExists(file) || !QFileInfo(file).isFile())
        return QString();
    return file;
}

// The images of a post with "Create Attachments" on: an image whose file lies under the
// Discus folders becomes an attachment of the post shown where the image stood
// ("[attachment=" index "]" name "[/attachment]", the index counting from the post's
// newest attachment as phpBB does); every other image becomes an [img] link to its
// address, resolved against the page's address on the old site.
QString imagesAsAttachments(ConversionRun &run, const QString &text)
{
    static const QRegularExpression image(
        QStringLiteral("<img\\b[^>]*?\\bsrc\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s>]+))[^>]*>"),
        QRegularExpression::CaseInsensitiveOption);
    struct Found {
        qsizetype from, to;
        QString address, file;
    };
    QVector<Found> found;
    int inline_ = 0;
    for (auto it = image.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        QString address = (m.capturedLength(1) ? m.captured(1) : m.capturedLength(2) ? m.captured(2) : m.captured(3)).trimmed();
        if (address.isEmpty())
            continue;
        address = DiscusResolvedAddress(run, address);
        // Only a post's own page has rows to add to (announcements keep their images as links).
        const QString file = run.pageAttachmentRows ? imageFile(run, address) : QString();
        if (!file.isEmpty())
            ++inline_;
        found.append(Found{m.capturedStart(), m.capturedEnd(), address, file});
    }
    if (found.isEmpty())
        return text;
    QString out;
    out.reserve(text.size());
    qsizetype copied = 0;
    for (const Found &f : std::as_const(found)) {
        out.append(QStringView(text).mid(copied, f.from - copied));
        copied = f.to;
        if (f.file.isEmpty()) {
            out += QStringLiteral("[img]") + f.address + QStringLiteral("[/img]");
            continue;
        }
        const QString name = addAttachment(run, f.file, run.CurrentPosterId);
        // The images get consecutive ids in text order; phpBB counts inline indexes from
        // the post's newest attachment, so the last image is 0.
        const qint32 index = --inline_;
        const QString encoded = EncodeSpecialCharacters(name);
        run.CurrentPostInline.append(phpBBInlineAttachment{index, encoded});
        out += QStringLiteral("[attachment=") + QString::number(index) + QLatin1Char(']') + name + QStringLiteral("[/attachment]");
    }
    out.append(QStringView(text).mid(copied));
    return out;
}

} // namespace

QString ProcessImages(ConversionRun &run, const QString &text)
{
    if (!run.settings.CreateAttachments)
        return imagesAsLinks(run, text);
    QString out = text;
    run.Trap(QStringLiteral("ProcessImages()"), [&] { out = imagesAsAttachments(run, text); });
    return out;
}
