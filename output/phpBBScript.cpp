// The guard and the finishing section of the SQL script: the one place where the script
// does anything beyond loading the import files. Everything here is plain SQL that runs in
// MariaDB and MySQL, written with a comment per statement so that an administrator can
// read what the script will do to the database before running it.
#include "output/phpBBScript.h"

#include "output/ImportRows.h"
#include "output/ImportSql.h"
#include "output/phpBBStoredText.h"
#include "output/phpMyAdminScript.h"
#include "run/ConversionRun.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace {

const QString CrLf = QStringLiteral("\r\n");

// Statements are built with "\n" and written with CR LF, like the load statements.
QString withCrLf(QString sql)
{
    return sql.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

QString num(qint64 value)
{
    return QString::number(value);
}

// One commented statement followed by an empty line.
QString statement(const QString &comment, const QString &sql)
{
    QString out;
    for (const QString &line : comment.split(QLatin1Char('\n')))
        out += QStringLiteral("-- ") + line + QLatin1Char('\n');
    return out + sql + QStringLiteral(";\n\n");
}

QString heading(const QString &text)
{
    return QStringLiteral("-- ") + QString(86, QLatin1Char('-')) + QStringLiteral("\n-- ") + text + QLatin1Char('\n')
        + QStringLiteral("-- ") + QString(86, QLatin1Char('-')) + QStringLiteral("\n\n");
}

// ---- The guard -----------------------------------------------------------------------

// The tables the script writes to.
const char *const ScriptTables[] = {"phpBB3_forums",       "phpBB3_topics",          "phpBB3_posts",
                                    "phpBB3_users",        "phpBB3_groups",          "phpBB3_attachments",
                                    "phpBB3_user_group",   "phpBB3_acl_groups",      "phpBB3_acl_roles",
                                    "phpBB3_config",       "phpBB3_topics_posted",   "phpBB3_search_wordlist",
                                    "phpBB3_search_wordmatch", "phpBB3_search_results",
                                    "phpBB3_extensions",  "phpBB3_extension_groups"};

// The session settings every script file starts with.
QString sessionSettings()
{
    return QStringLiteral("-- The script is UTF-8; a client left in latin1 would store the characters garbled.\n"
                          "SET NAMES utf8mb4;\n\n"
                          "-- The statements below are written for backslash escapes ('\\r\\n' and '\\\\'): take\n"
                          "-- NO_BACKSLASH_ESCAPES out of the session's sql_mode.\n"
                          "SET SESSION sql_mode = TRIM(BOTH ',' FROM REPLACE(CONCAT(',', @@SESSION.sql_mode, ','), "
                          "',NO_BACKSLASH_ESCAPES,', ','));\n\n");
}

// One check: @qb_failed is 1 unless the check runs and passes (a check that cannot run
// fails). On failure a row shows the message, the session becomes read only (every later
// write fails, also under --force) and the sql_mode assignment stops the script with an
// error that shows the message. The message holds no comma (sql_mode would split it) and
// no quote.
QString guardCheck(const QString &comment, const QString &failsWhen, const QString &message)
{
    return QStringLiteral("-- ") + comment + QLatin1Char('\n') + QStringLiteral("SET @qb_failed = 1;\n")
        + QStringLiteral("SET @qb_failed = (") + failsWhen + QStringLiteral(");\n")
        + QStringLiteral("SELECT '") + message + QStringLiteral("' AS `Conversion not loaded` FROM DUAL WHERE @qb_failed <> 0;\n")
        + QStringLiteral("SET @qb_guard = IF(@qb_failed <> 0, 'SET SESSION TRANSACTION READ ONLY', 'DO 0');\n")
        + QStringLiteral("PREPARE qb_guard FROM @qb_guard;\nEXECUTE qb_guard;\nDEALLOCATE PREPARE qb_guard;\n")
        + QStringLiteral("SET SESSION sql_mode = IF(@qb_failed <> 0, '") + message
        + QStringLiteral("', @@SESSION.sql_mode);\n\n");
}

// ---- The finishing section -----------------------------------------------------------

// The column with every row token turned back into its character. The tokens never
// overlap and no replacement character forms a new token, so the order does not matter.
// A line-break token becomes a line break in multi-line texts and a blank in names.
QString restoredText(const QString &column, bool multiLine)
{
    static const char16_t *const tokens[][2] = {
        {u"([)", u","},        {u"(\\\\)", u"\u201E"}, {u"(})", u"\""}, {u"(])", u"\u201D"},
        {u"(|)", u"\u201C"},   {u"({)", u"''"},        {u"(<)", u"`"},
    };
    QString expr = column;
    for (const auto &t : tokens)
        expr = QStringLiteral("REPLACE(") + expr + QStringLiteral(", '") + QString::fromUtf16(t[0]) + QStringLiteral("', '")
            + QString::fromUtf16(t[1]) + QStringLiteral("')");
    return QStringLiteral("REPLACE(") + expr + QStringLiteral(", '(:)', ")
        + (multiLine ? QStringLiteral("'\\n'") : QStringLiteral("' '")) + QLatin1Char(')');
}

// columns: every text column of the table; multiLines: those of them holding line breaks.
QString restoreColumns(const QString &table, const QStringList &columns, const QStringList &multiLines, const QString &where)
{
    QStringList sets;
    for (const QString &c : columns)
        if (!multiLines.contains(c))
            sets << c + QStringLiteral(" = ") + restoredText(c, false);
    for (const QString &c : multiLines)
        sets << c + QStringLiteral(" = ") + restoredText(c, true);
    return QStringLiteral("UPDATE ") + table + QStringLiteral(" SET\n    ") + sets.join(QStringLiteral(",\n    "))
        + QStringLiteral("\nWHERE ") + where;
}

// The nested set of the forum tree, 500 forums per statement.
QString forumTreeStatements(const QVector<qint32> &parents)
{
    constexpr int Chunk = 500;
    const QVector<QPair<qint32, qint32>> set = ForumNestedSet(parents);
    QString out;
    for (int first = 1; first <= set.size(); first += Chunk) {
        const int last = qMin(first + Chunk - 1, int(set.size()));
        QString lefts, rights;
        for (int id = first; id <= last; ++id) {
            const QString when = QStringLiteral("    WHEN ") + num(id) + QStringLiteral(" THEN ");
            lefts += when + num(set.at(id - 1).first) + QLatin1Char('\n');
            rights += when + num(set.at(id - 1).second) + QLatin1Char('\n');
        }
        out += statement(QStringLiteral("Forum tree: left_id and right_id of forums %1 to %2 (phpBB finds sub-forums and\n"
                                        "breadcrumbs through them).")
                             .arg(first)
                             .arg(last),
                         QStringLiteral("UPDATE phpBB3_forums SET\nleft_id = CASE forum_id\n") + lefts
                             + QStringLiteral("    ELSE left_id END,\nright_id = CASE forum_id\n") + rights
                             + QStringLiteral("    ELSE right_id END\nWHERE forum_id BETWEEN ") + num(first)
                             + QStringLiteral(" AND ") + num(last));
    }
    return out;
}

// ---- Private areas and attachment types ---------------------------------------------

// "column BETWEEN a AND b OR ..." for sorted ids; a private subtree has consecutive ids.
QString idRanges(const QString &column, const QVector<qint32> &ids)
{
    QStringList parts;
    for (int i = 0; i < ids.size();) {
        int j = i;
        while (j + 1 < ids.size() && ids.at(j + 1) == ids.at(j) + 1)
            ++j;
        parts << (i == j ? column + QStringLiteral(" = ") + num(ids.at(i))
                         : column + QStringLiteral(" BETWEEN ") + num(ids.at(i)) + QStringLiteral(" AND ") + num(ids.at(j)));
        i = j + 1;
    }
    return parts.isEmpty() ? QStringLiteral("FALSE") : QLatin1Char('(') + parts.join(QStringLiteral(" OR ")) + QLatin1Char(')');
}

QString sqlList(const QStringList &texts)
{
    QStringList quoted;
    for (const QString &t : texts)
        quoted << QLatin1Char('\'') + t + QLatin1Char('\'');
    return quoted.join(QStringLiteral(", "));
}

// The group for the private areas and its permissions there: administrators and global
// moderators keep their sample-forum roles, the group gets standard access.
QString privateAreasSql(const phpBBConverted &c)
{
    if (c.privateForums.isEmpty())
        return QString();
    QString sql = QStringLiteral("-- d2. Private areas: the forums made from hidden Discus topics and the secure folder, and\n"
                                 "--     everything below them, are open only to administrators, global moderators and the\n"
                                 "--     hidden group \"Private Discus Areas\". Add the members who had access to it.\n\n");
    sql += statement(QStringLiteral("The hidden group \"Private Discus Areas\", without members."),
                     QStringLiteral("INSERT INTO phpBB3_groups (group_type, group_founder_manage, group_skip_auth, group_name, "
                                    "group_desc, group_desc_bitfield, group_desc_options, group_desc_uid, group_display, "
                                    "group_avatar, group_avatar_type, group_avatar_width, group_avatar_height, group_rank, "
                                    "group_colour, group_sig_chars, group_receive_pm, group_message_limit, group_legend, "
                                    "group_max_recipients)\n"
                                    "VALUES (2, 0, 0, 'Private Discus Areas', 'Members who may read the private areas of the "
                                    "old Discus board.', '', 7, '', 0, '', '', 0, 0, 0, '', 0, 0, 0, 0, 5)"));
    sql += statement(QStringLiteral("Private forums: administrators full access and full moderation, global moderators polls,\n"
                                    "the private group standard access; nobody else."),
                     QStringLiteral("INSERT INTO phpBB3_acl_groups (group_id, forum_id, auth_option_id, auth_role_id, auth_setting)\n"
                                    "SELECT g.group_id, f.forum_id, 0, r.role_id, 0\n"
                                    "FROM phpBB3_forums f, phpBB3_groups g, phpBB3_acl_roles r\n"
                                    "WHERE ")
                         + idRanges(QStringLiteral("f.forum_id"), c.privateForums)
                         + QStringLiteral(" AND (\n"
                                          "    (g.group_name = 'GLOBAL_MODERATORS' AND r.role_name = 'ROLE_FORUM_POLLS')\n"
                                          "    OR (g.group_name = 'ADMINISTRATORS' AND r.role_name IN ('ROLE_MOD_FULL', 'ROLE_FORUM_FULL'))\n"
                                          "    OR (g.group_name = 'Private Discus Areas' AND g.group_type = 2 "
                                          "AND r.role_name = 'ROLE_FORUM_STANDARD'))\n"
                                          "ORDER BY f.forum_id, g.group_id, r.role_id"));
    return sql;
}

// The extension groups that hold the converted attachments' types are switched on; a type
// phpBB does not know joins "Downloadable Files". Refused types are taken out of phpBB's
// list, so their files are not served even in a group that is on.
QString attachmentTypesSql(const phpBBConverted &c)
{
    if (c.attachmentExtensions.isEmpty() && c.refusedExtensions.isEmpty())
        return QString();
    QString sql = QStringLiteral("-- g. Attachment types: the converted attachments download at once.\n\n");
    if (!c.attachmentExtensions.isEmpty()) {
        QStringList selects;
        for (const QString &e : c.attachmentExtensions)
            selects << QStringLiteral("SELECT '") + e + QStringLiteral("' AS extension");
        sql += statement(QStringLiteral("Types of converted attachments that phpBB does not know join its group\n"
                                        "\"Downloadable Files\"."),
                         QStringLiteral("INSERT INTO phpBB3_extensions (group_id, extension)\n"
                                        "SELECT g.group_id, e.extension\n"
                                        "FROM phpBB3_extension_groups g, (")
                             + selects.join(QStringLiteral(" UNION ALL "))
                             + QStringLiteral(") e\n"
                                              "WHERE g.group_name = 'DOWNLOADABLE_FILES'\n"
                                              "AND NOT EXISTS (SELECT 1 FROM phpBB3_extensions x WHERE x.extension = e.extension)"));
        sql += statement(QStringLiteral("Every extension group that holds a type of a converted attachment is allowed."),
                         QStringLiteral("UPDATE phpBB3_extension_groups SET allow_group = 1\n"
                                        "WHERE group_id IN (SELECT group_id FROM phpBB3_extensions WHERE extension IN (")
                             + sqlList(c.attachmentExtensions) + QStringLiteral("))"));
    }
    if (!c.refusedExtensions.isEmpty())
        sql += statement(QStringLiteral("Types a browser or a web server may run stay refused (their files are listed in the\n"
                                        "progress log)."),
                         QStringLiteral("DELETE FROM phpBB3_extensions WHERE extension IN (") + sqlList(c.refusedExtensions)
                             + QLatin1Char(')'));
    return sql;
}

// ---- Forward links --------------------------------------------------------------------

// A text as a single-quoted SQL string (the script runs with backslash escapes).
QString sqlString(const QString &text)
{
    QString out = text;
    out.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    out.replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QLatin1Char('\'') + out + QLatin1Char('\'');
}

// Links written while their target page was not converted yet keep the old address in
// their posts; here each becomes the address of the target's topic, in both places the
// stored form holds it (the url attribute and the [url=...] markup), in the posts that
// hold it only (found by their ids). A link that never became a link element stays.
QString linkUpdateStatements(const QVector<phpBBLinkUpdate> &updates)
{
    constexpr int Chunk = 1000;
    QString out;
    for (const phpBBLinkUpdate &u : updates) {
        const phpBBStoredLinkAddress from = phpBBStoredLinkForms(u.oldAddress);
        const phpBBStoredLinkAddress to = phpBBStoredLinkForms(u.newAddress);
        if (from.attribute.isEmpty() || to.attribute.isEmpty() || u.postIds.isEmpty())
            continue;
        for (int first = 0; first < u.postIds.size(); first += Chunk) {
            QStringList ids;
            for (int i = first; i < qMin(first + Chunk, int(u.postIds.size())); ++i)
                ids << num(u.postIds.at(i));
            out += statement(QStringLiteral("Forward link to ") + QString(u.newAddress).remove(QLatin1Char('\n')),
                             QStringLiteral("UPDATE phpBB3_posts SET post_text = REPLACE(REPLACE(post_text,\n    ")
                                 + sqlString(QStringLiteral("url=\"") + from.attribute + QLatin1Char('"')) + QStringLiteral(", ")
                                 + sqlString(QStringLiteral("url=\"") + to.attribute + QLatin1Char('"')) + QStringLiteral("),\n    ")
                                 + sqlString(QStringLiteral("[url=") + from.markup + QLatin1Char(']')) + QStringLiteral(", ")
                                 + sqlString(QStringLiteral("[url=") + to.markup + QLatin1Char(']'))
                                 + QStringLiteral(")\nWHERE post_id IN (") + ids.join(QStringLiteral(", ")) + QLatin1Char(')'));
        }
    }
    return out;
}

} // namespace

bool phpBBRefusedExtension(const QString &extension)
{
    static const QSet<QString> refused = {
        QStringLiteral("html"), QStringLiteral("htm"),  QStringLiteral("xhtml"), QStringLiteral("shtml"), QStringLiteral("svg"),
        QStringLiteral("js"),   QStringLiteral("cgi"),  QStringLiteral("pl"),    QStringLiteral("py"),    QStringLiteral("sh"),
        QStringLiteral("exe"),  QStringLiteral("bat"),  QStringLiteral("cmd"),   QStringLiteral("com"),   QStringLiteral("scr"),
        QStringLiteral("jar"),  QStringLiteral("asp"),  QStringLiteral("aspx"),  QStringLiteral("jsp"),   QStringLiteral("phtml"),
    };
    const QString e = extension.toLower();
    // php, php3 .. php8, phps, phar and the like.
    return refused.contains(e) || e.startsWith(QLatin1String("php")) || e == QLatin1String("phar");
}

QString phpBBTargetVersion(const QString &setting)
{
    return setting.trimmed() == QLatin1String("3.2") ? QStringLiteral("3.2") : QStringLiteral("3.3");
}

QString phpBBSessionSql()
{
    return withCrLf(sessionSettings());
}

QString phpBBGuardCheckSql(const QString &comment, const QString &failsWhen, const QString &message)
{
    return withCrLf(guardCheck(comment, failsWhen, message));
}

QString phpBBGuardSql(qint32 defaultUsers, qint32 defaultGroups, const QString &version, const QString &howToRun)
{
    const bool v32 = phpBBTargetVersion(version) == QLatin1String("3.2");
    QStringList tables;
    for (const char *t : ScriptTables)
        tables << QLatin1Char('\'') + QString::fromLatin1(t).toLower() + QLatin1Char('\'');
    const QString users = num(defaultUsers), groups = num(defaultGroups);
    // Counted as 1 when the users table has the column user_email_hash (3.2), 0 when not (3.3).
    const QString emailHashColumns = QStringLiteral(
        " FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = DATABASE()"
        " AND LOWER(TABLE_NAME) = 'phpbb3_users' AND LOWER(COLUMN_NAME) = 'user_email_hash'");

    QString sql = heading(QStringLiteral("Discus conversion import script for phpBB ") + phpBBTargetVersion(version)
                          + QStringLiteral(". ")
                          + (howToRun.isEmpty() ? QStringLiteral("Run it once with: mariadb --local-infile=1 <database> < <this file>")
                                                : howToRun));
    sql += QStringLiteral("-- The guard: nothing is loaded unless the database is a fresh phpBB board that this\n"
                          "-- conversion fits. A failed check shows a row with what is wrong and which setting to\n"
                          "-- change, makes the session read only (so every later statement fails, also when the\n"
                          "-- client runs with --force) and stops the script with an error showing the same text.\n\n");
    sql += sessionSettings();
    sql += guardCheck(QStringLiteral("The phpBB3_ tables the script writes to must all be there."),
                      QStringLiteral("SELECT COUNT(DISTINCT LOWER(TABLE_NAME)) < ") + num(tables.size())
                          + QStringLiteral(" FROM information_schema.TABLES WHERE TABLE_SCHEMA = DATABASE() AND LOWER(TABLE_NAME) IN (")
                          + tables.join(QStringLiteral(", ")) + QLatin1Char(')'),
                      QStringLiteral("The database has no phpBB board with the table prefix phpBB3_: "
                                     "run this script on the database of a fresh phpBB board"));
    sql += v32 ? guardCheck(QStringLiteral("The board must be phpBB 3.2 (its users table has user_email_hash)."),
                            QStringLiteral("SELECT COUNT(*) = 0") + emailHashColumns,
                            QStringLiteral("The database is not a phpBB 3.2 board: set phpBB3 Version to 3.3 and convert again"))
               : guardCheck(QStringLiteral("The board must be phpBB 3.3 (its users table has no user_email_hash)."),
                            QStringLiteral("SELECT COUNT(*) > 0") + emailHashColumns,
                            QStringLiteral("The database is a phpBB 3.2 board: set phpBB3 Version to 3.2 and convert again"));
    sql += guardCheck(QStringLiteral("Converted members get the user ids above ") + users
                          + QStringLiteral(" (phpBB3 Default Users): none may be taken."),
                      QStringLiteral("SELECT COUNT(*) > 0 FROM phpBB3_users WHERE user_id > ") + users,
                      QStringLiteral("The database already holds user ids above ") + users
                          + QStringLiteral(": set phpBB3 Default Users to its highest user_id and convert again "
                                           "(or use a fresh phpBB board if this script has run on it before)"));
    sql += guardCheck(QStringLiteral("Converted groups get the group ids above ") + groups
                          + QStringLiteral(" (Default User Groups): none may be taken."),
                      QStringLiteral("SELECT COUNT(*) > 0 FROM phpBB3_groups WHERE group_id > ") + groups,
                      QStringLiteral("The database already holds group ids above ") + groups
                          + QStringLiteral(": set Default User Groups to its highest group_id and convert again "
                                           "(or use a fresh phpBB board if this script has run on it before)"));
    sql += heading(QStringLiteral("The import files"));
    return withCrLf(sql);
}

QString phpBBFinishingSql(const phpBBConverted &c)
{
    const qint32 forums = c.forumParents.size();
    const QString forumRange = QStringLiteral("forum_id BETWEEN 1 AND ") + num(forums);
    const QString topicRange = QStringLiteral("topic_id BETWEEN 1 AND ") + num(c.topics);
    const QString postRange = QStringLiteral("post_id BETWEEN 1 AND ") + num(c.posts);
    const QString users = num(c.defaultUsers);

    QString sql = heading(QStringLiteral("Finishing: the loaded rows become a working phpBB board"));

    // a. Texts.
    sql += QStringLiteral("-- a. Texts. The import files stand for the characters that would break a row by tokens:\n"
                          "--    ([) comma  (\\) low double quote  (}) double quote  (]) right double quote\n"
                          "--    (|) left double quote  ({) apostrophe  (<) backtick  (:) line break.\n"
                          "--    Here they become the characters again; a line break is one in post texts and\n"
                          "--    forum descriptions and a blank in names and titles.\n\n");
    // Every text column of a converted row passed the row cleaning, so every one is restored.
    sql += statement(QStringLiteral("Forum names and descriptions and the forums' other texts."),
                     restoreColumns(clsTblForums::tableName(), clsTblForums::textColumnNames(),
                                    {QStringLiteral("forum_desc")}, forumRange));
    sql += statement(QStringLiteral("Topic titles, the topics' poster names and their other texts."),
                     restoreColumns(clsTblTopics::tableName(), clsTblTopics::textColumnNames(), {}, topicRange));
    sql += statement(QStringLiteral("Post texts, subjects, poster names and the posts' other texts."),
                     restoreColumns(clsTblPosts::tableName(), clsTblPosts::textColumnNames(), {QStringLiteral("post_text")},
                                    postRange));
    sql += statement(QStringLiteral("Converted members' user names and their clean forms (login looks members up by\n"
                                    "username_clean), passwords, e-mail addresses and other texts."),
                     restoreColumns(clsTblUsers::tableName(), clsTblUsers::textColumnNames(), {},
                                    QStringLiteral("user_id > ") + users));
    sql += statement(QStringLiteral("Converted group names and texts."),
                     restoreColumns(clsTblGroups::tableName(), clsTblGroups::textColumnNames(), {},
                                    QStringLiteral("group_id > ") + num(c.defaultGroups)));
    sql += statement(QStringLiteral("Attachment file names, comments and other texts."),
                     restoreColumns(clsTblAttachments::tableName(), clsTblAttachments::textColumnNames(), {},
                                    QStringLiteral("in_message = 0 AND post_msg_id BETWEEN 1 AND ") + num(c.posts)));

    // Forward links: after the texts are restored, before anything reads them.
    if (!c.linkUpdates.isEmpty()) {
        sql += QStringLiteral("-- Links to pages converted after the post that links them: they get the address of\n"
                              "-- the page's topic.\n\n");
        sql += linkUpdateStatements(c.linkUpdates);
    }

    // b. The forum tree.
    sql += QStringLiteral("-- b. The forum tree.\n\n");
    sql += forumTreeStatements(c.forumParents);
    sql += statement(QStringLiteral("Top-level forums are phpBB categories; every forum is listed on the index and\n"
                                    "phpBB rebuilds its cached parent list."),
                     QStringLiteral("UPDATE phpBB3_forums SET forum_type = IF(parent_id = 0, 0, forum_type), display_on_index = 1, "
                                    "forum_parents = ''\nWHERE ")
                         + forumRange);
    // A fresh board's sample content has ids 1 and 2; the conversion's rows took the
    // place of those it reached, the rest goes here.
    if (forums < 2)
        sql += statement(QStringLiteral("phpBB's sample forums that no converted forum replaced."),
                         QStringLiteral("DELETE FROM phpBB3_forums WHERE forum_id BETWEEN ") + num(forums + 1)
                             + QStringLiteral(" AND 2"));
    if (c.topics < 1)
        sql += statement(QStringLiteral("phpBB's sample topic (no converted topic replaced it)."),
                         QStringLiteral("DELETE FROM phpBB3_topics WHERE topic_id = 1"));
    if (c.posts < 1)
        sql += statement(QStringLiteral("phpBB's sample post (no converted post replaced it)."),
                         QStringLiteral("DELETE FROM phpBB3_posts WHERE post_id = 1"));

    // c. Memberships.
    sql += QStringLiteral("-- c. Memberships: the phpBB3_user_group files loaded above put every converted member\n"
                          "--    in the REGISTERED group and in each of their Discus groups.\n\n");

    // d. Permissions.
    const qint32 aclForums = qMax(forums, 2);
    sql += QStringLiteral("-- d. Permissions, through phpBB's own roles and groups: every converted forum gets what\n"
                          "--    phpBB gives its sample forum, every category what it gives its sample category.\n\n");
    sql += statement(QStringLiteral("The permission rows of the converted forums (and phpBB's sample forums) go first,\n"
                                    "so that none is doubled."),
                     QStringLiteral("DELETE FROM phpBB3_acl_groups WHERE forum_id BETWEEN 1 AND ") + num(aclForums));
    sql += statement(
        QStringLiteral("Categories: read only for guests, registered users, COPPA registered users and bots.\n"
                       "Forums: guests read only, registered and COPPA users standard, global moderators polls,\n"
                       "administrators full access and full moderation, bots the bot role, newly registered\n"
                       "users the new-member role."),
        QStringLiteral("INSERT INTO phpBB3_acl_groups (group_id, forum_id, auth_option_id, auth_role_id, auth_setting)\n"
                       "SELECT g.group_id, f.forum_id, 0, r.role_id, 0\n"
                       "FROM phpBB3_forums f, phpBB3_groups g, phpBB3_acl_roles r\n"
                       "WHERE f.")
            + forumRange
            + (c.privateForums.isEmpty() ? QString() : QStringLiteral(" AND NOT ") + idRanges(QStringLiteral("f.forum_id"), c.privateForums))
            + QStringLiteral(" AND (\n"
                             "    (f.forum_type = 0 AND r.role_name = 'ROLE_FORUM_READONLY'\n"
                             "        AND g.group_name IN ('GUESTS', 'REGISTERED', 'REGISTERED_COPPA', 'BOTS'))\n"
                             "    OR (f.forum_type <> 0 AND (\n"
                             "        (g.group_name = 'GUESTS' AND r.role_name = 'ROLE_FORUM_READONLY')\n"
                             "        OR (g.group_name IN ('REGISTERED', 'REGISTERED_COPPA') AND r.role_name = 'ROLE_FORUM_STANDARD')\n"
                             "        OR (g.group_name = 'GLOBAL_MODERATORS' AND r.role_name = 'ROLE_FORUM_POLLS')\n"
                             "        OR (g.group_name = 'ADMINISTRATORS' AND r.role_name IN ('ROLE_MOD_FULL', 'ROLE_FORUM_FULL'))\n"
                             "        OR (g.group_name = 'BOTS' AND r.role_name = 'ROLE_FORUM_BOT')\n"
                             "        OR (g.group_name = 'NEWLY_REGISTERED' AND r.role_name = 'ROLE_FORUM_NEW_MEMBER'))))\n"
                             "ORDER BY f.forum_id, g.group_id, r.role_id"));
    // Private areas (a separate block: only the private forums' rows).
    sql += privateAreasSql(c);
    sql += statement(QStringLiteral("Every user's permission cache is cleared; phpBB builds it again at the next visit."),
                     QStringLiteral("UPDATE phpBB3_users SET user_permissions = '', user_perm_from = 0"));

    // e. Counters.
    sql += QStringLiteral("-- e. Counters and board totals, counted the way phpBB's own resynchronisation counts.\n\n");
    sql += statement(QStringLiteral("Topics show their first and last poster under the member's name and colour (guests\n"
                                    "keep the name they posted under)."),
                     QStringLiteral("UPDATE phpBB3_topics t\n"
                                    "LEFT JOIN phpBB3_users fu ON fu.user_id = t.topic_poster AND t.topic_poster <> 1\n"
                                    "LEFT JOIN phpBB3_users lu ON lu.user_id = t.topic_last_poster_id AND t.topic_last_poster_id <> 1\n"
                                    "SET t.topic_first_poster_name = COALESCE(fu.username, t.topic_first_poster_name),\n"
                                    "    t.topic_first_poster_colour = COALESCE(fu.user_colour, ''),\n"
                                    "    t.topic_last_poster_name = COALESCE(lu.username, t.topic_last_poster_name),\n"
                                    "    t.topic_last_poster_colour = COALESCE(lu.user_colour, '')\n"
                                    "WHERE t.")
                         + topicRange);
    sql += statement(QStringLiteral("Each forum's counts of visible posts and topics."),
                     QStringLiteral("UPDATE phpBB3_forums f\n"
                                    "LEFT JOIN (SELECT forum_id, COUNT(*) AS n FROM phpBB3_posts WHERE post_visibility = 1 "
                                    "GROUP BY forum_id) p ON p.forum_id = f.forum_id\n"
                                    "LEFT JOIN (SELECT forum_id, COUNT(*) AS n FROM phpBB3_topics WHERE topic_visibility = 1 "
                                    "GROUP BY forum_id) t ON t.forum_id = f.forum_id\n"
                                    "SET f.forum_posts_approved = COALESCE(p.n, 0), f.forum_topics_approved = COALESCE(t.n, 0)\n"
                                    "WHERE f.")
                         + forumRange);
    sql += statement(QStringLiteral("Each forum's last post: its newest visible post (the higher id among posts of the same\n"
                                    "time), with the poster's name and colour from the users table."),
                     QStringLiteral("UPDATE phpBB3_forums f\n"
                                    "JOIN (SELECT forum_id, CAST(SUBSTRING(MAX(CONCAT(LPAD(post_time, 10, '0'), "
                                    "LPAD(post_id, 10, '0'))), 11) AS UNSIGNED) AS post_id\n"
                                    "      FROM phpBB3_posts WHERE post_visibility = 1 GROUP BY forum_id) l ON l.forum_id = f.forum_id\n"
                                    "JOIN phpBB3_posts p ON p.post_id = l.post_id\n"
                                    "LEFT JOIN phpBB3_users u ON u.user_id = p.poster_id AND p.poster_id <> 1\n"
                                    "SET f.forum_last_post_id = p.post_id, f.forum_last_poster_id = p.poster_id,\n"
                                    "    f.forum_last_post_subject = p.post_subject, f.forum_last_post_time = p.post_time,\n"
                                    "    f.forum_last_poster_name = COALESCE(u.username, p.post_username),\n"
                                    "    f.forum_last_poster_colour = COALESCE(u.user_colour, '')\n"
                                    "WHERE f.")
                         + forumRange);
    sql += statement(QStringLiteral("Every user's post count from the loaded posts (this also drops phpBB's sample post\n"
                                    "from the administrator's count)."),
                     QStringLiteral("UPDATE phpBB3_users u\n"
                                    "LEFT JOIN (SELECT poster_id, COUNT(*) AS n FROM phpBB3_posts WHERE post_postcount = 1 "
                                    "AND post_visibility = 1 GROUP BY poster_id) c ON c.poster_id = u.user_id\n"
                                    "SET u.user_posts = COALESCE(c.n, 0)"));
    sql += statement(QStringLiteral("Members added for posters missing from the member file are registered at their\n"
                                    "first post."),
                     QStringLiteral("UPDATE phpBB3_users u\n"
                                    "JOIN (SELECT poster_id, MIN(post_time) AS first_time FROM phpBB3_posts GROUP BY poster_id) p "
                                    "ON p.poster_id = u.user_id\n"
                                    "SET u.user_regdate = p.first_time\n"
                                    "WHERE u.user_id > ")
                         + users + QStringLiteral(" AND u.user_regdate = 0"));
    sql += statement(QStringLiteral("Everything up to the newest post counts as read for every user (otherwise every forum\n"
                                    "shows unread to everyone)."),
                     QStringLiteral("UPDATE phpBB3_users SET user_lastmark = COALESCE((SELECT MAX(post_time) FROM phpBB3_posts), "
                                    "user_lastmark)"));
    sql += statement(QStringLiteral("The \"posted in this topic\" marks of the converted topics: the old ones go..."),
                     QStringLiteral("DELETE FROM phpBB3_topics_posted WHERE ") + QStringLiteral("topic_id BETWEEN 1 AND ")
                         + num(qMax(c.topics, 1)));
    sql += statement(QStringLiteral("...and every member who posted in a topic gets one."),
                     QStringLiteral("INSERT INTO phpBB3_topics_posted (user_id, topic_id, topic_posted)\n"
                                    "SELECT DISTINCT poster_id, topic_id, 1 FROM phpBB3_posts WHERE ")
                         + topicRange + QStringLiteral(" AND poster_id <> 1"));
    sql += statement(QStringLiteral("Attachments take their post's topic and time."),
                     QStringLiteral("UPDATE phpBB3_attachments a JOIN phpBB3_posts p ON p.post_id = a.post_msg_id\n"
                                    "SET a.topic_id = p.topic_id, a.filetime = p.post_time\n"
                                    "WHERE a.in_message = 0 AND a.post_msg_id BETWEEN 1 AND ")
                         + num(c.posts));
    const auto total = [&](const QString &name, const QString &value, const QString &comment) {
        sql += statement(comment, QStringLiteral("UPDATE phpBB3_config SET config_value = (") + value
                                      + QStringLiteral(") WHERE config_name = '") + name + QLatin1Char('\''));
    };
    total(QStringLiteral("num_posts"), QStringLiteral("SELECT COUNT(*) FROM phpBB3_posts WHERE post_visibility = 1"),
          QStringLiteral("Board total: visible posts."));
    total(QStringLiteral("num_topics"), QStringLiteral("SELECT COUNT(*) FROM phpBB3_topics WHERE topic_visibility = 1"),
          QStringLiteral("Board total: visible topics."));
    total(QStringLiteral("num_users"), QStringLiteral("SELECT COUNT(*) FROM phpBB3_users WHERE user_type IN (0, 3)"),
          QStringLiteral("Board total: active users and founders (phpBB does not count guests, bots and inactive users)."));
    total(QStringLiteral("num_files"), QStringLiteral("SELECT COUNT(*) FROM phpBB3_attachments WHERE is_orphan = 0"),
          QStringLiteral("Board total: attachments."));
    total(QStringLiteral("upload_dir_size"),
          QStringLiteral("SELECT COALESCE(SUM(filesize), 0) FROM phpBB3_attachments WHERE is_orphan = 0"),
          QStringLiteral("Board total: the attachments' size in bytes."));
    sql += statement(QStringLiteral("The newest member: the highest user id among active users and founders."),
                     QStringLiteral("UPDATE phpBB3_config c\n"
                                    "JOIN (SELECT user_id, username, user_colour FROM phpBB3_users WHERE user_type IN (0, 3) "
                                    "ORDER BY user_id DESC LIMIT 1) n\n"
                                    "SET c.config_value = CASE c.config_name WHEN 'newest_user_id' THEN n.user_id\n"
                                    "    WHEN 'newest_username' THEN n.username ELSE n.user_colour END\n"
                                    "WHERE c.config_name IN ('newest_user_id', 'newest_username', 'newest_user_colour')"));
    sql += statement(QStringLiteral("The board started with its oldest post."),
                     QStringLiteral("UPDATE phpBB3_config SET config_value = COALESCE((SELECT MIN(post_time) FROM phpBB3_posts "
                                    "WHERE post_time > 0), config_value) WHERE config_name = 'board_startdate'"));

    // g. Attachment types (a separate block, after the counters).
    const QString attachmentTypes = attachmentTypesSql(c);

    // f. Search and background work.
    sql += QStringLiteral("-- f. Search and phpBB's background work. Afterwards build the search index in the\n"
                          "--    Administration Control Panel (Search index) and purge the cache.\n\n");
    sql += statement(QStringLiteral("The search index of phpBB's sample post would point its words at converted posts."),
                     QStringLiteral("DELETE FROM phpBB3_search_wordmatch"));
    sql += statement(QStringLiteral("The indexed words go with it."), QStringLiteral("DELETE FROM phpBB3_search_wordlist"));
    sql += statement(QStringLiteral("Cached search results."), QStringLiteral("DELETE FROM phpBB3_search_results"));
    sql += statement(QStringLiteral("phpBB's text re-parser would otherwise re-parse converted posts as people browse."),
                     QStringLiteral("UPDATE phpBB3_config SET config_value = '0' "
                                    "WHERE config_name = 'text_reparser.post_text_cron_interval'"));
    sql += attachmentTypes;
    return withCrLf(sql);
}


void phpBBWriteScriptStart(ConversionRun &run)
{
    if (run.stopped() || run.settings.ImportScriptFile.isEmpty())
        return;
    run.Trap(QStringLiteral("phpBBWriteScriptStart()"), [&] {
        WriteImportScript(run, phpBBGuardSql(run.settings.phpBB3DefaultUsers, run.settings.phpBB3DefaultGroups, run.settings.phpBB3Version),
                          false);
    });
    run.CvDoEvents();
}

void phpBBAppendFinishingSql(ConversionRun &run)
{
    if (run.settings.ImportScriptFile.isEmpty())
        return;
    QString finishing;
    run.Trap(QStringLiteral("phpBBAppendFinishingSql()"), [&] {
        phpBBConverted c;
        c.forumParents = run.ForumParents;
        c.topics = run.TopicIdCounter;
        c.posts = run.PostIdCounter;
        c.defaultUsers = run.settings.phpBB3DefaultUsers;
        c.defaultGroups = run.settings.phpBB3DefaultGroups;

        // Private areas and attachment types, each listed in the progress log.
        c.privateForums = QVector<qint32>(run.PrivateForumIds.cbegin(), run.PrivateForumIds.cend());
        std::sort(c.privateForums.begin(), c.privateForums.end());
        if (!c.privateForums.isEmpty())
            run.DisplayInfo(QString::number(c.privateForums.size())
                                + (c.privateForums.size() == 1 ? QStringLiteral(" private forum: add the members who may read it")
                                                               : QStringLiteral(" private forums: add the members who may read them"))
                                + QStringLiteral(" to the phpBB group Private Discus Areas") + CrLf,
                            true, true);
        static const QRegularExpression plainExtension(QStringLiteral("^[a-z0-9]{1,20}$"));
        for (auto it = run.AttachmentExtensions.cbegin(); it != run.AttachmentExtensions.cend(); ++it) {
            if (!phpBBRefusedExtension(it.key()) && plainExtension.match(it.key()).hasMatch()) {
                c.attachmentExtensions << it.key();
                continue;
            }
            if (plainExtension.match(it.key()).hasMatch())
                c.refusedExtensions << it.key();
            run.DisplayInfo(QStringLiteral("Attachment Type Refused - \"") + it.key() + QStringLiteral("\" (")
                                + QString::number(it.value().size()) + QStringLiteral(" files): ")
                                + it.value().join(QStringLiteral(", ")) + CrLf,
                            true, true);
        }
        c.linkUpdates = run.LinkUpdates;
        finishing = phpBBFinishingSql(c);
        WriteImportScript(run, finishing);
    });
    phpMyAdminScriptFinish(run, finishing);
    run.CvDoEvents();
}

QVector<QPair<qint32, qint32>> ForumNestedSet(const QVector<qint32> &parents)
{
    const int n = parents.size();
    // Children of each forum (index 0 holds the top-level forums), in id order, as one
    // flat list with a start offset per forum.
    QVector<int> parentOf(n + 1, 0), start(n + 2, 0), children(n);
    for (int id = 1; id <= n; ++id) {
        const qint32 p = parents.at(id - 1);
        parentOf[id] = (p >= 1 && p < id) ? p : 0;
        ++start[parentOf[id] + 1];
    }
    for (int i = 1; i <= n + 1; ++i)
        start[i] += start[i - 1];
    QVector<int> fill = start;
    for (int id = 1; id <= n; ++id)
        children[fill[parentOf[id]]++] = id;

    QVector<QPair<qint32, qint32>> set(n);
    // Depth first without recursion: a stack of (forum, next child index).
    QVector<QPair<int, int>> stack;
    stack.push_back({0, start[0]});
    qint32 counter = 0;
    while (!stack.isEmpty()) {
        QPair<int, int> &top = stack.last();
        const int node = top.first;
        if (top.second < start[node + 1]) {
            const int child = children[top.second++];
            set[child - 1].first = ++counter;
            stack.push_back({child, start[child]});
        } else {
            if (node != 0)
                set[node - 1].second = ++counter;
            stack.pop_back();
        }
    }
    return set;
}
