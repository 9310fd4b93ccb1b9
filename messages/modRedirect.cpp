// Redirection pages: the template filled in for one old Discus page and written under
// "redirect/" in the output folder, at the old page's folder and file name.
#include "messages/modRedirect.h"
#include "output/TextCleaning.h"

#include "output/TextFiles.h"
#include "run/ConversionRun.h"

#include <QDir>
#include <QFile>

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
                      const QString &c, const QString &target)
{
    if (!run.settings.CreateRedirectionFiles)
        return;
    run.Trap(QStringLiteral("SaveRedirectFile()"), [&] {
        const QString messages = withSlash(run.settings.DiscusMessageFolder);
        const QString secure = withSlash(run.settings.DiscusSecureMessageFolder);
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

        const QString redirectRoot = withSlash(run.settings.phpBB3OutputFolder) + QStringLiteral("redirect");
        const QString base = redirectRoot + QLatin1Char('/') + belowRoot(discusFolder, run.settings.DiscusRootFolder);
        const QString folder = QDir::cleanPath(base + QLatin1Char('/') + pieces.at(0));
        const QString file = folder + QLatin1Char('/') + pieces.at(1);
        if (!QDir::cleanPath(file).startsWith(QDir::cleanPath(redirectRoot) + QLatin1Char('/')))
            throw QbError(QbErrNo::PathFileAccess, QStringLiteral("Path/File access error - ") + QDir::toNativeSeparators(file));
        if (!run.RedirectFolders.contains(folder)) {
            run.gen().CreateFolders(folder);
            run.RedirectFolders.insert(folder);
        }

        // The old page's address below the site root, for the web-server maps; a page
        // written again keeps its place and takes the newer address.
        const QString oldPath = QDir::cleanPath(file).mid(QDir::cleanPath(redirectRoot).size() + 1);
        const QString key = oldPath.toLower();
        const auto known = run.RedirectIndexByPath.constFind(key);
        if (known != run.RedirectIndexByPath.constEnd()) {
            run.RedirectNewPaths[*known] = target;
        } else {
            run.RedirectIndexByPath.insert(key, int(run.RedirectOldPaths.size()));
            run.RedirectOldPaths.append(oldPath);
            run.RedirectNewPaths.append(target);
        }

        // The page is filled in on the second thread, which writes it.
        WriteFileDataInBackground(run, file, [page = run.RedirectTemplate, a, b, c, number, target,
                                              forumAddress = run.settings.phpBB3ForumAddr]() mutable {
            ReplaceText(page, u"AAAAA", RedirectHtmlText(a));
            ReplaceText(page, u"BBBBB", RedirectHtmlText(b));
            ReplaceText(page, u"XXXXX", QString::number(number) + QStringLiteral(".0"));
            ReplaceText(page, u"CCCCC", RedirectHtmlText(c));
            ReplaceText(page, u"YYYYY", RedirectNewAddress(forumAddress, target).toHtmlEscaped());
            ReplaceText(page, u"ZZZZZ", forumAddress);
            return asciiHtml(page);
        });
    });
}

// ---- Web-server maps -----------------------------------------------------------------

QString RedirectNewAddress(const QString &forumAddress, const QString &target)
{
    QString base = forumAddress.trimmed();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    return base + QLatin1Char('/') + target;
}

namespace {

// A path as an anchored mod_rewrite pattern: regular-expression characters escaped, and
// the whole quoted when it holds a blank.
QString rewritePattern(const QString &path)
{
    QString out = QStringLiteral("^");
    for (const QChar c : path) {
        if (QStringLiteral("\\.^$|()[]{}*+?").contains(c))
            out += QLatin1Char('\\');
        out += c;
    }
    out += QLatin1Char('$');
    return out.contains(QLatin1Char(' ')) ? QLatin1Char('"') + out + QLatin1Char('"') : out;
}

// An nginx string in double quotes. A "$" would name a variable in a map's value, so an
// address has its "$" percent-encoded (the same address to a browser).
QString nginxString(const QString &text, bool isAddress)
{
    QString out = text;
    out.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    out.replace(QLatin1Char('"'), QStringLiteral("\\\""));
    if (isAddress)
        out.replace(QLatin1Char('$'), QStringLiteral("%24"));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

// Page addresses and the forum's address hold no line breaks; one would end a directive.
QString oneLine(QString text)
{
    text.remove(QLatin1Char('\r'));
    text.remove(QLatin1Char('\n'));
    return text;
}

} // namespace

QString RedirectHtaccessText(const QStringList &oldPaths, const QStringList &newAddresses)
{
    QString out;
    out += QStringLiteral("# Redirects every page of the old Discus board to its place in the new phpBB forum with\n"
                          "# HTTP 301 (moved permanently). Put this file into the old site's root folder (the folder\n"
                          "# that holds \"discus\"); Apache needs mod_rewrite (a2enmod rewrite) and AllowOverride\n"
                          "# FileInfo (or All) for that folder. The query that Discus links carry (\"?1104537600\")\n"
                          "# is dropped: each new address brings its own.\n"
                          "RewriteEngine On\n");
    for (int i = 0; i < oldPaths.size(); ++i)
        out += QStringLiteral("RewriteRule ") + rewritePattern(oneLine(oldPaths.at(i))) + QLatin1Char(' ')
            + oneLine(newAddresses.value(i)).replace(QLatin1Char(' '), QStringLiteral("%20"))
            + QStringLiteral(" [R=301,L]\n");
    return out;
}

QString RedirectNginxText(const QStringList &oldPaths, const QStringList &newAddresses)
{
    // nginx sizes the map's hash from these; a map of thousands of pages needs more than
    // the defaults.
    int hashSize = 512;
    while (hashSize < oldPaths.size())
        hashSize *= 2;
    QString out;
    out += QStringLiteral("# Redirects every page of the old Discus board to its place in the new phpBB forum with\n"
                          "# HTTP 301 (moved permanently). Include this file in nginx's http block (on Debian: copy\n"
                          "# it to /etc/nginx/conf.d/), then add these two lines to the old site's server block:\n"
                          "#\n"
                          "#     if ($discus_redirect) {\n"
                          "#         return 301 $discus_redirect; }\n"
                          "#\n"
                          "# The map looks at the path only ($uri), so \"?1104537600\" after an old address makes\n"
                          "# no difference and is not passed on.\n"
                          "map_hash_max_size %1;\n"
                          "map_hash_bucket_size 256;\n"
                          "map $uri $discus_redirect {\n"
                          "    default \"\";\n")
               .arg(hashSize);
    for (int i = 0; i < oldPaths.size(); ++i)
        out += QStringLiteral("    ") + nginxString(QLatin1Char('/') + oneLine(oldPaths.at(i)), false) + QLatin1Char(' ')
            + nginxString(oneLine(newAddresses.value(i)), true) + QStringLiteral(";\n");
    out += QStringLiteral("}\n");
    return out;
}

void WriteRedirectMaps(ConversionRun &run)
{
    if (!run.settings.CreateRedirectionFiles || run.settings.phpBB3OutputFolder.isEmpty())
        return;
    run.Trap(QStringLiteral("WriteRedirectMaps()"), [&] {
        QStringList addresses;
        addresses.reserve(run.RedirectNewPaths.size());
        for (const QString &target : std::as_const(run.RedirectNewPaths))
            addresses << RedirectNewAddress(run.settings.phpBB3ForumAddr, target);
        const QString folder = withSlash(run.settings.phpBB3OutputFolder) + QStringLiteral("redirect");
        run.gen().CreateFolders(folder);
        const auto save = [&](const QString &name, const QString &text) {
            QFile f(folder + QLatin1Char('/') + name);
            if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(text.toUtf8()) < 0 || !f.flush())
                throw QbError(QbErrNo::PathFileAccess,
                              QStringLiteral("Path/File access error - ") + QDir::toNativeSeparators(f.fileName()));
        };
        save(QStringLiteral(".htaccess"), RedirectHtaccessText(run.RedirectOldPaths, addresses));
        save(QStringLiteral("nginx-redirects.conf"), RedirectNginxText(run.RedirectOldPaths, addresses));
        run.DisplayInfo(QStringLiteral("Redirect Maps Written - ") + QString::number(run.RedirectOldPaths.size())
                            + QStringLiteral(" old pages in redirect/.htaccess and redirect/nginx-redirects.conf") + CrLf,
                        false, true);
    });
}
