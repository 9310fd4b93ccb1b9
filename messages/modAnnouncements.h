#pragma once
// Announcements of a Discus page, converted for the page's forum description.
#include <QString>

class ConversionRun;

// The announcement's HTML converted the way a post body is, with a shorter chain: links
// (DiscusProcessLinks with the current page counter and forum id 0), images and the
// formatting (DiscusProcessFormatting) become BBCode, every remaining tag is removed and
// the row-breaking characters are encoded. The forum row stores the result in phpBB's
// stored form. A file linked from an announcement stays a link:
// a forum description has no attachments. Trap "phpBB3WriteAnnouncementMsg()" (returns "").
QString phpBB3WriteAnnouncementMsg(ConversionRun &run, const QString &text);
