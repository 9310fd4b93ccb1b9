#pragma once
// Everything the SQL script does beyond its load statements: the guard at its start and
// the finishing section after the last load statement. The import files keep their row
// format; what phpBB needs beyond the rows (the row tokens turned back into characters,
// the forum tree, permissions, counters, the board totals) is done here, in the
// database, by plain SQL that an administrator can read before running it.
#include "run/PostRecords.h"

#include <QPair>
#include <QString>
#include <QVector>

class ConversionRun;

// "3.2" for phpBB 3.2, else "3.3" (the current release, also for an empty or unknown value).
QString phpBBTargetVersion(const QString &setting);

// The start of the script. It sets the client to utf8mb4, takes NO_BACKSLASH_ESCAPES
// out of the session's sql_mode (the statements' '\r\n' and '\\' need backslash escapes),
// and stops the script before anything is loaded when the database
//   - lacks one of the phpBB3_ tables the script writes to,
//   - is not of the target release (version "3.3" or "3.2"),
//   - already holds a user id above defaultUsers or a group id above defaultGroups (the
//     ids the conversion gives its members and groups; also the case when the script has
//     run on this database before).
// Each failed check shows a row with its message, makes the session read only (so that
// under `mariadb --force` every later write fails too) and ends with an error whose
// text is the message.
// howToRun replaces the title's line on how to run the script.
QString phpBBGuardSql(qint32 defaultUsers, qint32 defaultGroups, const QString &version,
                      const QString &howToRun = QString());

// The session settings the guard starts with (client character set, sql_mode), for
// script files that run in a session of their own.
QString phpBBSessionSql();
// One check in the guard's manner: failsWhen is a query giving 1 when the check fails
// (a query that cannot run fails too); then a row shows the message, the session
// becomes read only and the script stops with the message. The message holds no
// comma and no quote.
QString phpBBGuardCheckSql(const QString &comment, const QString &failsWhen, const QString &message);

// A valid nested set for the forum tree: parents[i] is the parent id of forum i + 1 (0 for
// a top-level forum). Returns (left_id, right_id) for every forum, in the same order.
// Siblings keep the order of their ids. A parent id that is not an earlier forum (it is
// 0, out of range, or not below the forum's own id) makes the forum top-level, so no
// input can form a cycle.
QVector<QPair<qint32, qint32>> ForumNestedSet(const QVector<qint32> &parents);

// What the conversion wrote, for the finishing section.
struct phpBBConverted {
    QVector<qint32> forumParents; // parent id of forum id i + 1 (0: top level); forums 1..size()
    qint32 topics = 0;            // topic ids 1..topics
    qint32 posts = 0;             // post ids 1..posts
    qint32 defaultUsers = 47;     // converted members have ids above it
    qint32 defaultGroups = 7;     // converted groups have ids above it

    // Private areas and attachment types.
    QVector<qint32> privateForums;       // forum ids only "Private Discus Areas" and the staff may see
    QStringList attachmentExtensions;    // lower-case extensions of converted attachments phpBB may allow
    QStringList refusedExtensions;       // extensions of converted attachments that stay refused
    QVector<phpBBLinkUpdate> linkUpdates; // forward links to point at their topics
};

// Extensions a browser or web server may run or render as a page: their attachments stay
// refused ("php" and its variants included).
bool phpBBRefusedExtension(const QString &extension);

// The finishing section, run after the last load statement: the row tokens turned back
// into their characters, the forum tree and categories, permissions, counters and board
// totals, the search index and the text re-parser. Every statement is commented and
// safe to run once on the database the loads filled.
QString phpBBFinishingSql(const phpBBConverted &converted);

// The run's script: phpBBWriteScriptStart creates it with the guard (before any load
// statement; the old script was removed by phpBB3OpenOutputFiles), and
// phpBBAppendFinishingSql appends the finishing section at the end of the run.
void phpBBWriteScriptStart(ConversionRun &run);
void phpBBAppendFinishingSql(ConversionRun &run);
