#pragma once
// Links between Discus pages: anchors in a post body become BBCode links, pointing at the
// phpBB3 topic when the target page is converted already, otherwise recorded in the
// internal links file and resolved by the update pass after all pages.
#include <QString>

class ConversionRun;

// The text with every anchor to a Discus page rewritten as "[url=" address "]" text
// "[/url]". A target in TopicIdsByNumber gets its "viewtopic.php?f=..&t=.." address at
// once; an unknown target keeps its old address and is recorded in run.internalLinks as
// "converted link^^forum id^page counter^post id^page number^target board^target page".
// Anchors to other sites become "[url=...]" (http, https, ftp) or "[email=...]" (mailto)
// links, an address without a host read against the page's own address on the old site; anchors with any
// other scheme, to show.cgi / showpage.html, with an empty address and to files (handed
// to ProcessAttachments) stay unchanged. Returns "" when the run is
// stopped. Trap "DiscusProcessLinks()".
QString DiscusProcessLinks(ConversionRun &run, const QString &text, qint32 pageCounter, qint32 forumId);

// linkText ("[url=" address "]" text "[/url]") with every copy of its address replaced by
// run.settings.phpBB3ForumAddr + "viewtopic.php?f=" forum id "&t=" topic id, from mapItem
// "forum id,topic id". Trap "BuildphpBB3Link()" (a map item without "," fails there).
QString BuildphpBB3Link(ConversionRun &run, const QString &linkText, const QString &mapItem);

// Reads the internal links file back and writes the updated copy (run.internalLinksUpdate)
// in which field 1 of each record holds the phpBB3 link where the target is now known.
// Trap "UpdateInternalLinks()".
void UpdateInternalLinks(ConversionRun &run);

// The path of the messages folder on the old site, from the folder fields: the Discus
// messages folder relative to the Discus root folder ("discus/messages/",
// "forum/messages/"), "discus/messages/" when it does not lie under the root.
QString DiscusMessagesWebPath(const ConversionRun &run);
// The address on the old site of the page being converted ("" when unknown).
QString DiscusPageAddress(const ConversionRun &run);
// An address without scheme or host resolved against the page's address on the old site
// ("../12/120.html", "/discus/messages/12/120.html"); other addresses unchanged.
QString DiscusResolvedAddress(const ConversionRun &run, const QString &address);
// "scheme://host" of the old site's address, "" when it has no host.
QString siteOrigin(const QString &website);
// The address of a link to a page of the old board (absolute and "/..." addresses as
// written, relative ones resolved), or "" when the address does not point at the board: it holds
// "/discus/messages/", "/secure/" or the folder fields' messages path, and a relative one
// also names a page ("<digits>.html", with any "?<digits>" or "#..." after it).
QString DiscusBoardLinkAddress(const ConversionRun &run, const QString &address);
