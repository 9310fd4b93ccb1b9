// Redirection pages: the template filled in for one old Discus page and written under
// "redirect/" in the output folder, at the old page's folder and file name.
#include "messages/modRedirect.h"

#include "convert/ConversionRun.h"
#include "output/TextFiles.h"

#include <QDir>

namespace {

const QString CrLf = QStringLiteral("\r\n");

QString withSlash(const QString &folder)
{
    return folder.isEmpty() || folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

// The Discus folder's path below the Discus root ("discus/messages" in the usual
// layout). A folder outside the root keeps its whole path, still below "redirect/".
QString belowRoot(const QString &folder, const QString &root)
{
    const QString f = QDir::cleanPath(folder);
    const QString r = QDir::cleanPath(root);
    if (!r.isEmpty() && f.startsWith(r + QLatin1Char('/'), Qt::CaseInsensitive))
        return f.mid(r.size() + 1);
    QString path = f;
    path.remove(QLatin1Char(':'));
    while (path.startsWith(QLatin1Char('/')))
        path.remove(0, 1);
    return path;
}

bool isPlainName(const QString &piece)
{
    return !piece.isEmpty() && piece != QLatin1String(".") && piece != QLatin1String("..");
}

// Every character outside ASCII as a decimal character reference.
QString asciiHtml(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.unicode() < 0x80) {
            out += c;
            continue;
        }
        char32_t code = c.unicode();
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            code = QChar::surrogateToUcs4(c, text.at(++i));
        else if (c.isSurrogate())
            code = 0xFFFD;
        out += QStringLiteral("&#") + QString::number(quint32(code)) + QLatin1Char(';');
    }
    return out;
}

} // namespace

QString RedirectHtmlText(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        // The row tokens of EncodeSpecialCharacters: "(" one character ")".
        if (c == QLatin1Char('(') && i + 2 < text.size() && text.at(i + 2) == QLatin1Char(')')) {
            const char16_t middle = text.at(i + 1).unicode();
            const char *replacement = nullptr;
            switch (middle) {
            case u'[': replacement = ","; break;
            case u'\\': replacement = "\xE2\x80\x9E"; break; // U+201E
            case u'}': replacement = "&quot;"; break;
            case u']': replacement = "\xE2\x80\x9D"; break; // U+201D
            case u'|': replacement = "\xE2\x80\x9C"; break; // U+201C
            case u'{': replacement = "'"; break;
            case u':': replacement = "\r\n"; break;
            case u'<': replacement = "`"; break;
            default: break;
            }
            if (replacement) {
                out += QString::fromUtf8(replacement);
                i += 2;
                continue;
            }
        }
        switch (c.unicode()) {
        case u'"': out += QStringLiteral("&quot;"); break;
        case u'<': out += QStringLiteral("&lt;"); break;
        case u'>': out += QStringLiteral("&gt;"); break;
        default: out += c; break;
        }
    }
    return out;
}

void SaveRedirectFile(ConversionRun &run, const QString &pagePath, qint32 number, const QString &a, const QString &b,
                      const QString &c)
{
    if (!run.ctl.CreateRedirectionFiles)
        return;
    run.Trap(QStringLiteral("SaveRedirectFile()"), [&] {
        ConvertController &ctl = run.ctl;
        const QString messages = withSlash(ctl.DiscusMessageFolder);
        const QString secure = withSlash(ctl.DiscusSecureMessageFolder);
        const auto under = [&](const QString &folder) {
            return !folder.isEmpty() && pagePath.size() > folder.size() && pagePath.startsWith(folder, Qt::CaseInsensitive);
        };

        // The Discus folder the page lies in decides the tree: a hidden page's redirection
        // goes below the secure folder's path. The longer folder wins when one holds the other.
        QString discusFolder;
        if (under(secure) && (!under(messages) || secure.size() >= messages.size()))
            discusFolder = secure;
        else if (under(messages))
            discusFolder = messages;
        const QStringList pieces = pagePath.mid(discusFolder.size()).split(QLatin1Char('/'));
        if (discusFolder.isEmpty() || pieces.size() != 2 || !isPlainName(pieces.at(0)) || !isPlainName(pieces.at(1))) {
            run.DisplayInfo(QStringLiteral("Redirect file not written, the page is not in a board folder of the Discus message folders - ")
                                + QDir::toNativeSeparators(pagePath) + CrLf,
                            true, true, true);
            return;
        }

        const QString redirectRoot = withSlash(ctl.phpBB3OutputFolder) + QStringLiteral("redirect");
        const QString base = redirectRoot + QLatin1Char('/') + belowRoot(discusFolder, ctl.DiscusRootFolder);
        const QString folder = QDir::cleanPath(base + QLatin1Char('/') + pieces.at(0));
        const QString file = folder + QLatin1Char('/') + pieces.at(1);
        if (!QDir::cleanPath(file).startsWith(QDir::cleanPath(redirectRoot) + QLatin1Char('/')))
            throw QbError(QbErrNo::PathFileAccess, QStringLiteral("Path/File access error - ") + QDir::toNativeSeparators(file));
        ctl.gen().CreateFolders(folder);

        QString page = run.RedirectTemplate;
        page.replace(QStringLiteral("AAAAA"), RedirectHtmlText(a), Qt::CaseInsensitive);
        page.replace(QStringLiteral("BBBBB"), RedirectHtmlText(b), Qt::CaseInsensitive);
        page.replace(QStringLiteral("XXXXX"), QString::number(number) + QStringLiteral(".0"), Qt::CaseInsensitive);
        page.replace(QStringLiteral("CCCCC"), RedirectHtmlText(c), Qt::CaseInsensitive);
        page.replace(QStringLiteral("ZZZZZ"), ctl.phpBB3ForumAddr, Qt::CaseInsensitive);
        WriteFileData(ctl, file, asciiHtml(page));
        ++run.tally.redirectionPages;
    });
}
