#pragma once
#include <QString>
class ConversionRun;
bool DiscusProcessDiscusMainBoardFile(ConversionRun &run);
void phpBB3WriteForumsFile(ConversionRun &run, const QString &name, qint32 &forumIdCounter, qint32 &leftIdCounter,
                           qint32 parentId, const QString &description);
