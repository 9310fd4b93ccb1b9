#pragma once
// Files attached to a post, and images of the Discus site, in a post body.
#include <QString>

class ConversionRun;

// Converts the first attachment marker ("<!--attachment:" ... "<!--/attachment-->") of the
// post text: the file it links to, found in the Discus messages or secure messages folder
// by its last two address pieces, becomes an attachments row of the current page
// (run.pageAttachmentRows) and is copied into the attachments folder as attach id + "_"
// + its MD5 digest; the marker leaves the text and run.CurrentPostHasAttachment is set.
// Only files on the old site's own host are taken; a refused or missing file is reported
// and leaves the marker in the text. Returns "clip" when a row was made, else "xx".
// Trap "ProcessAttachments()".
QString ProcessAttachments(ConversionRun &run, QString &text, qint32 posterId);

// The text with its first image tag, when that image lives on the Discus site (its
// double-quoted address holds "/discus/messages/" or "/secure/"), turned into "[img]"
// address "[/img]" wherever that tag occurs; an address without a host gets the old
// site's. Other images are left for the tag removal. No trap of its own.
QString ProcessImages(ConversionRun &run, const QString &text);
