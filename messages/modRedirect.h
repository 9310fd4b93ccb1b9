#pragma once
// Redirection pages: for every converted Discus page a small HTML page with the old
// page's folder and file name, under "redirect/" in the output folder, that sends a
// visitor of the old address to the new forum.
#include <QString>

class ConversionRun;

// Writes the redirection page of the Discus page at pagePath (a file in the messages or
// secure messages folder): run.RedirectTemplate with "AAAAA" = a, "BBBBB" = b, "XXXXX" =
// number + ".0", "CCCCC" = c and "ZZZZZ" = the phpBB3 forum address replaced in that order
// (letter case ignored), to output folder + "redirect/" + the page's Discus folder below
// the Discus root + "/" + board folder + "/" + file name. The page is written in the
// Discus charset with every character outside ASCII as a numeric character reference,
// so it reads the same whatever charset the old site's server announces. Does nothing
// when the option CreateRedirectionFiles is off. A page outside both Discus folders gets
// an error line and no file. Trap "SaveRedirectFile()".
void SaveRedirectFile(ConversionRun &run, const QString &pagePath, qint32 number, const QString &a, const QString &b,
                      const QString &c);

// A text of the conversion (tags removed, row tokens such as "({)" in place of their
// characters) as HTML text for a redirection page: the tokens become their characters,
// and '"', "<" and ">" their character references. Other references ("&amp;") stay.
QString RedirectHtmlText(const QString &text);
