#pragma once
// A converted post body turned into phpBB's stored form: the XML that phpBB 3.2 and
// 3.3 keep in post_text and render without parsing the BBCode again.
#include "run/PostRecords.h"

#include <QString>
#include <QVector>

// bbcodeWithTokens is the converted BBCode text as it leaves EncodeSpecialCharacters:
// every row-breaking character stands as its three-character token ("([)", "(:)" ...).
// The result is "<t>...</t>" when no BBCode was recognised, else "<r>...</r>" with the
// elements B, I, U, SIZE, COLOR, URL, IMG and EMAIL, each keeping its original markup in
// <s>...</s> and <e>...</e>. The tokens stay where their characters were, so the result
// still fits a row; once the tokens are turned back into their characters (which the
// import script does in the database) it is well-formed XML:
// - "&", "<" and ">" of the text are escaped exactly once;
// - "<br/>" stands before every line break (a lone CR counts as a line break, as in phpBB);
// - [center], [font=...] and their closing tags are dropped, keeping their text;
// - links and images are made only of http, https and ftp addresses (links also of
//   mailto); any other address leaves its BBCode as plain text;
// - unclosed, mis-nested, unknown or invalid BBCode stays plain text;
// - bare addresses are not turned into links;
// - characters outside the Basic Multilingual Plane become "&#NNN;", control
//   characters that XML forbids are removed.
// With allFormatting, QUOTE, LIST with LI, and CODE are recognised as well (the BBCode
// that the conversion of all formatting writes); without it they stay text as before.
// EMAIL ([email=address]text[/email]) is recognised either way.
QString phpBBStoredText(const QString &bbcodeWithTokens, bool allFormatting = false);

// The bbcode_uid of every converted post: one fixed 8-character value.
QString phpBBBbcodeUid();

// ---- Forum descriptions ---------------------------------------------------------------
// What phpBB writes beside a stored text: the bitfield of the BBCodes the text uses
// (base64 of one bit per BBCode id: quote 0, b 1, i 2, url 3, img 4, size 5, color 6, u 7,
// code 8, list 9, email 10; the
// link phpBB puts inside an image does not count), "" for a text without BBCode.
QString phpBBStoredBitfield(const QString &stored);
// The options of a forum description stored with BBCode and links on (smilies off):
// phpBB's OPTION_FLAG_BBCODE + OPTION_FLAG_LINKS.
constexpr int phpBBDescriptionOptions = 1 + 4;
// The stored form with each placed inline attachment, which phpBBStoredText left as plain
// text, made phpBB's ATTACHMENT element (a "<t>" form becomes "<r>"). Only the markup the
// converter placed is taken: an "[attachment=...]" typed by a member stays text.
QString phpBBStoredInlineAttachments(const QString &stored, const QVector<phpBBInlineAttachment> &placed);

// The two places where the stored form of "[url=" address "]" keeps the address, with the
// characters as they are once the row tokens are restored: the url attribute's value and
// the markup's value. The attribute is empty when the address cannot become a link.
struct phpBBStoredLinkAddress {
    QString attribute, markup;
};
phpBBStoredLinkAddress phpBBStoredLinkForms(const QString &address);
