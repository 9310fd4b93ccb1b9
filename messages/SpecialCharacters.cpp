#include "messages/SpecialCharacters.h"

// The table and the scan are built with the post-bodies work.
void DiscusGetReplaceableCharacterArray(ConversionRun &, const QString &) {}
void DiscusFindSpecialCharacterSequences(ConversionRun &, QString &) {}
