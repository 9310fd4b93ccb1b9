#pragma once
#include <QString>
class ConversionRun;
// Loads the run's special-character table Docs/<charset>.txt.
void DiscusGetReplaceableCharacterArray(ConversionRun &run, const QString &charset);
// Replaces known character references in text (NUL padded, so positions stay) and
// reports unknown ones to "Discus Special Characters.txt".
void DiscusFindSpecialCharacterSequences(ConversionRun &run, QString &text);
