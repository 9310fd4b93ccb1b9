#pragma once
// phpBB's user names: the form phpBB stores in `username`, its cleaning into
// `username_clean` (the value login looks members up by), and the names a fresh board
// already holds.
#include <QSet>
#include <QString>
#include <QStringList>

// phpBB's utf8_clean_string(): case folding and lookalike folding by phpBB's own tables,
// control characters removed, runs of spaces collapsed, spaces trimmed. The text is
// cleaned as given: pass a user name in its stored form (phpBBStoredUserName).
QString phpBBCleanString(const QString &text);

// "&", "<", ">" and the double quote as "&amp;", "&lt;", "&gt;" and "&quot;", as phpBB
// stores names and titles. Every "&" is escaped, so "&amp;" becomes "&amp;amp;".
QString phpBBEscapeName(const QString &text);

// The `username` phpBB stores for a name typed as raw: escaped (phpBBEscapeName), then
// put in Unicode normalization form C. The order is phpBB's own and matters: "<" followed
// by U+0338 stays "&lt;" + U+0338, where composing first would give U+226E.
QString phpBBStoredUserName(const QString &raw);

// A name or title column of an import row as phpBB stores it: the row text (with its
// tokens) HTML-escaped once, the double-quote token becoming "&quot;"; references of "<"
// and ">" left by the tag removal count as the characters.
QString phpBBEscapeRowText(const QString &tokenized);

// The user names a fresh phpBB board already holds: "Anonymous" (user 1), the
// administrator's (user 2) and the search-engine bots of the release ("3.3": 55,
// "3.2": 45; any other value counts as "3.3", the current release), raw as phpBB stores
// them, in user id order.
QStringList phpBBReservedUserNames(const QString &version, const QString &adminName);

// The cleaned stored forms of phpBBReservedUserNames: the `username_clean` values a
// converted member must not take.
QSet<QString> phpBBReservedCleanNames(const QString &version, const QString &adminName);
