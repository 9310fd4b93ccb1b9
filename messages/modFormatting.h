#pragma once
// The HTML formatting of a post body (bold, centring, font size, face and colour) as
// phpBB3 BBCode. Positions are 0-based.
#include <QString>
#include <QVector>

class ConversionRun;

// One "<font " tag and the "</font>" that closes it (-1: no partner found).
struct FontTagPair {
    int open = -1;
    int close = -1;
};

// Pairs every "</font>" with the last still unpaired "<font " before it (so nested tags
// pair innermost first). pairs gets one entry per "<font ", in text order; an opening tag
// that nothing closes keeps close -1. False when the text lacks opening or closing tags.
// Tags are looked for from index from on.
bool PairFontTags(const QString &text, QVector<FontTagPair> &pairs, qsizetype from = 0);

// The text in which, for every occurrence of opener (any letter case), the first ">"
// after it has become "]".
QString CloseTagBracket(ConversionRun &run, const QString &text, const QString &opener);

// The post body with its bold, centre and font tags turned into BBCode; tags it does not
// convert are left for RemoveTagInformation. Trap "DiscusProcessFormatting()" (returns "").
QString DiscusProcessFormatting(ConversionRun &run, const QString &text);
// What DiscusProcessFormatting does, without its trap and without yielding to events,
// so that it may run on any thread; convertAllFormatting is the run's setting.
QString FormattedPostText(const QString &text, bool convertAllFormatting);
// The last step of DiscusProcessFormatting: the literal replacements of the remaining HTML
// font, bold and centring tags by BBCode, each over the result of the one before.
void ReplaceFormattingLiterals(QString &text);
