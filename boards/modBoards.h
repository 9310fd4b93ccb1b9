#pragma once
#include <QString>
class ConversionRun;
bool DiscusProcessDiscusMainBoardFile(ConversionRun &run);
void phpBB3WriteForumsFile(ConversionRun &run, const QString &name, qint32 &forumIdCounter, qint32 &leftIdCounter,
                           qint32 parentId, const QString &description);

// The forum name as phpBB3WriteForumsFile writes it and keys it in ForumIdsByName: tags
// removed, special characters encoded. Lookups by name go through it too.
QString ForumNameKey(const QString &name);

// Appends to the SQL script the statements that give every written forum the left_id and
// right_id of ForumNestedSet(run.ForumParents); phpBB finds sub-forums and breadcrumbs
// through them. Called once at the end of a run, after the last load statement.
void phpBB3AppendForumTreeSql(ConversionRun &run);
