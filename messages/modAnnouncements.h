#pragma once
// Announcements of a Discus page, converted for the page's forum description.
#include <QString>

class ConversionRun;

// The announcement's HTML converted the way a post body is, with a shorter chain: links
// (DiscusProcessLinks with the current page counter and forum id 0) and images become
// BBCode, every remaining tag is removed (bold, centre and font tags included) and the
// row-breaking characters are encoded. A file linked from an announcement stays a link:
// a forum description has no attachments. Trap "phpBB3WriteAnnouncementMsg()" (returns "").
QString phpBB3WriteAnnouncementMsg(ConversionRun &run, const QString &text);
