#pragma once
// The special-character tables Docs/<charset>.txt, made from one list of character
// references (entities.txt beside this file).
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

namespace qbchartables {

// One reference of the list.
struct Reference {
    QString text;       // "&eacute;" or "&#146;"
    char32_t code = 0;  // the character it stands for
    bool keep = false;  // it stands for itself and stays in the text
};

// The charsets of the main window's charset list: one table each.
QStringList Charsets();

// The references of the list text. A faulty line gives an empty result and, in error,
// its line number and text.
QVector<Reference> ParseReferences(const QString &listText, QString *error = nullptr);

// The table file of one charset, UTF-8 with CR LF line ends and a final CR LF: a title
// line without TAB (so it is no table entry), then one line per reference of three
// TAB-separated fields: the reference, its replacement and a second reference. A named
// reference carries its decimal twin as the second reference; a replacement that is a
// backtick, a blank or an invisible character is written between two backticks.
QByteArray TableBytes(const QString &charset, const QVector<Reference> &references);

} // namespace qbchartables
