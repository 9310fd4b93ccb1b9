#pragma once
#include <QString>
class ConversionRun;
// Loads the run's special-character table Docs/<charset>.txt (UTF-8, lines of three
// TAB-separated fields: a sequence, its replacement, a second sequence). A missing or
// empty table is reported and the run goes on without one. Trap
// "DiscusGetReplaceableCharacterArray()".
void DiscusGetReplaceableCharacterArray(ConversionRun &run, const QString &charset);
// When the option FindDiscusSpecialCharacters is on: replaces the known character
// references ("&...;", 4 to 10 characters, no blank) in text, NUL padded so positions
// stay (the reader removes the NULs), and reports each unknown one once per run to
// "Discus Special Characters.txt" in the output folder, leaving it in the text. Named
// references that differ only by letter case are told apart. Trap
// "DiscusFindSpecialCharacterSequences()".
void DiscusFindSpecialCharacterSequences(ConversionRun &run, QString &text);
