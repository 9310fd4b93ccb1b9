#pragma once
// Routines that make Discus text fit for an import row and cut marked blocks out of pages.
// Positions are 0-based.
#include <QString>
#include <QStringView>

// The text without any complete HTML tag; every copy of a tag goes in one pass.
QString RemoveTagInformation(const QString &text);
// Replaces the row-breaking characters by their three-character tokens:
// "," "([)", U+201E "(\)", '"' "(})", U+201D "(])", U+201C "(|)", "'" "({)",
// CR LF and LF "(:)", "`" "(<)".
QString EncodeSpecialCharacters(const QString &text);
// The same appended to out.
void AppendEncodedSpecialCharacters(QString &out, QStringView text);
// The character references of "<" and ">" ("&lt;", "&gt;", "&#60;", "&#62;"), which the
// special-character table keeps so that the tag removal does not take them for tags,
// turned into the characters.
QString ResolveAngleReferences(const QString &text);
// The reverse of EncodeSpecialCharacters: every token becomes its character again, the
// line-break token becomes lineBreak.
QString DecodeSpecialCharacters(const QString &text, const QString &lineBreak);
// For names, after EncodeSpecialCharacters: deletes the tokens (but "(:)") and "?", "^", " .", "...".
QString StripSpecialCharacters(const QString &text);
// The run of decimal digits at the start of the trimmed text ("0012" stays "0012").
QString GetLeadingDigits(const QString &text);

// The block from startMarker through endMarker (both included), searched without regard
// to case from startPos (a negative startPos counts as 0). On return startPos is the
// index of the start marker (-1 when it is missing) and, when the block was found,
// endPos is the index just after the end marker (otherwise endPos is unchanged).
// Returns "" when either marker is missing.
QString GetTextBetween(const QString &text, const QString &startMarker, const QString &endMarker, int &startPos, int &endPos);
// The same from the start of the text, without the positions.
QString GetTextBetween(const QString &text, const QString &startMarker, const QString &endMarker);

// Searches that ignore letter case, with the results of Qt's case-insensitive searches
// (each character folded as QChar::toCaseFolded folds it). A needle made of ASCII
// characters is matched by a forward scan that folds only where a page character is not
// ASCII; any other needle goes to Qt.
qsizetype IndexOfText(QStringView text, QStringView needle, qsizetype from = 0);
inline bool ContainsText(QStringView text, QStringView needle) { return IndexOfText(text, needle) >= 0; }
// Whether needle stands at index at of text, as IndexOfText would find it there.
bool TextAt(QStringView text, qsizetype at, QStringView needle);
// The ASCII character c matches when letter case is ignored (A-Z as a-z, and the few
// characters outside ASCII that fold to an ASCII one, as the searches fold them); 0 for
// any other character.
char16_t FoldedAscii(char16_t c);
// Whether some character outside ASCII folds to the ASCII character c (the Kelvin sign to
// "k", the long s to "s"), so that a page character other than c's two cases can match it.
bool FoldedFromOutsideAscii(char16_t c);
// Every copy of needle, left to right and not overlapping, replaced (removed); true when
// there was one.
bool ReplaceText(QString &text, QStringView needle, QStringView replacement);
inline bool RemoveText(QString &text, QStringView needle) { return ReplaceText(text, needle, QStringView()); }

// A text for a phpBB3 column of at most maxChars characters (names, titles and subjects
// are varchar(255)): cut at maxChars without splitting a surrogate pair or one of the
// three-character tokens of EncodeSpecialCharacters. Shorter texts are returned as they are.
QString FitColumnText(const QString &text, int maxChars = 255);
