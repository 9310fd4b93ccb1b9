#pragma once
// Redirection pages: for every converted Discus page a small HTML page with the old
// page's folder and file name, under "redirect/" in the output folder, that sends a
// visitor of the old address to the new forum.
#include <QString>

class ConversionRun;

// Writes the redirection page of the Discus page at pagePath (a file in the messages or
// secure messages folder): run.RedirectTemplate with "AAAAA" = a, "BBBBB" = b, "XXXXX" =
// number + ".0", "CCCCC" = c, "YYYYY" = the page's new address (the phpBB3 forum address
// joined with target, "viewtopic.php?t=5" or "viewforum.php?f=3") and "ZZZZZ" = the phpBB3
// forum address replaced in that order (letter case ignored), to output folder +
// "redirect/" + the page's Discus folder below the Discus root + "/" + board folder + "/"
// + file name. The page is written in the Discus charset with every character outside
// ASCII as a numeric character reference, so it reads the same whatever charset the old
// site's server announces. The old page's path below "redirect/" and target are recorded
// for the web-server maps (WriteRedirectMaps). Does nothing when the option
// CreateRedirectionFiles is off. A page outside both Discus folders gets an error line and
// no file. Trap "SaveRedirectFile()".
void SaveRedirectFile(ConversionRun &run, const QString &pagePath, qint32 number, const QString &a, const QString &b,
                      const QString &c, const QString &target);

// The phpBB3 forum address without a trailing "/", joined with "/" + target.
QString RedirectNewAddress(const QString &forumAddress, const QString &target);

// The two web-server maps beside the redirection tree, of every recorded old page to its
// new address with HTTP 301: "redirect/.htaccess" (Apache mod_rewrite, for the old site's
// root folder) and "redirect/nginx-redirects.conf" (an nginx map for the http block, with
// the server-block lines that use it in its comment). Old addresses match with and
// without a query ("?1104537600"); the query is not passed on. Does nothing when the
// option CreateRedirectionFiles is off. Trap "WriteRedirectMaps()".
void WriteRedirectMaps(ConversionRun &run);
// The texts of the two maps, for the lists of old paths and new addresses.
QString RedirectHtaccessText(const QStringList &oldPaths, const QStringList &newAddresses);
QString RedirectNginxText(const QStringList &oldPaths, const QStringList &newAddresses);

// A text of the conversion (tags removed, row tokens such as "({)" in place of their
// characters) as HTML text for a redirection page: the tokens become their characters,
// and '"', "<" and ">" their character references. Other references ("&amp;") stay.
QString RedirectHtmlText(const QString &text);
