#pragma once
#include <QPair>
#include <QString>
#include <QVector>
class ConversionRun;
bool DiscusProcessDiscusMainBoardFile(ConversionRun &run);
void phpBB3WriteForumsFile(ConversionRun &run, const QString &name, qint32 &forumIdCounter, qint32 &leftIdCounter,
                           qint32 parentId, const QString &description);

// The forum name as phpBB3WriteForumsFile writes it and keys it in ForumIdsByName: tags
// removed, special characters encoded. Lookups by name go through it too.
QString ForumNameKey(const QString &name);

// A valid nested set for the forum tree: parents[i] is the parent id of forum i + 1 (0 for
// a top-level forum). Returns (left_id, right_id) for every forum, in the same order.
// Siblings keep the order of their ids. A parent id that is not an earlier forum (it is
// 0, out of range, or not below the forum's own id) makes the forum top-level, so no
// input can form a cycle.
QVector<QPair<qint32, qint32>> ForumNestedSet(const QVector<qint32> &parents);

// Appends to the SQL script the statements that give every written forum the left_id and
// right_id of ForumNestedSet(run.ForumParents); phpBB finds sub-forums and breadcrumbs
// through them. Called once at the end of a run, after the last load statement.
void phpBB3AppendForumTreeSql(ConversionRun &run);

// A text for a phpBB3 column of at most maxChars characters (names, titles and subjects
// are varchar(255)): cut at maxChars without splitting a surrogate pair or one of the
// three-character tokens of EncodeSpecialCharacters. Shorter texts are returned as they are.
QString FitColumnText(const QString &text, int maxChars = 255);
