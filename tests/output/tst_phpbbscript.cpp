// The script's guard and finishing section as text, the release's load statements and the
// phpBB3Version setting. What the SQL does in a database is tested end to end
// (tests/e2e/tst_phpbbready.cpp).
#include "convert/ConvertController.h"
#include "output/ImportRows.h"
#include "output/ImportSql.h"
#include "output/phpBBScript.h"
#include "run/ConversionRun.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TestSupport.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct Fixture {
    QTemporaryDir tmp;
    qbtest::RecordingHost host;
    ConversionRun run{host};
    Fixture() { run.settings.ImportScriptFile = tmp.path() + QStringLiteral("/Discus Conversion Import SQL.sql"); }
    QString script() const { return QString::fromUtf8(qbtest::readBytes(run.settings.ImportScriptFile)); }
};

// The statements of a script without its comment lines, one per entry.
QStringList statements(const QString &sql)
{
    QStringList out;
    for (const QString &s : QString(sql).remove(QRegularExpression(QStringLiteral("(?m)^--[^\r\n]*\r\n"))).split(QStringLiteral(";\r\n")))
        if (!s.trimmed().isEmpty())
            out << s.trimmed();
    return out;
}

} // namespace

class TestPhpbbScript : public QObject {
    Q_OBJECT
private slots:
    void targetVersion_data();
    void targetVersion();
    void guardChecksTheRangesAndStopsWithItsMessage_data();
    void guardChecksTheRangesAndStopsWithItsMessage();
    void finishingSectionIsCommentedAndComplete();
    void finishingKeepsTheNestedSetOfTheForumTree();
    void sampleRowsNotReplacedAreDeleted();
    void usersStatementFollowsTheRelease();
    void userGroupRows();
    void scriptStartsWithTheGuardAndEndsWithTheFinishing();
    void versionSettingIsReadAndSaved();
};

void TestPhpbbScript::targetVersion_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QString>("version");
    QTest::newRow("3.3") << "3.3" << "3.3";
    QTest::newRow("3.2") << "3.2" << "3.2";
    QTest::newRow("3.2 with blanks") << " 3.2 " << "3.2";
    QTest::newRow("empty") << "" << "3.3";
    QTest::newRow("unknown") << "3.4" << "3.3";
}

void TestPhpbbScript::targetVersion()
{
    QFETCH(QString, setting);
    QFETCH(QString, version);
    QCOMPARE(phpBBTargetVersion(setting), version);
}

void TestPhpbbScript::guardChecksTheRangesAndStopsWithItsMessage_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("hasEmailHash");
    QTest::newRow("3.3") << "3.3" << "SELECT COUNT(*) > 0";
    QTest::newRow("3.2") << "3.2" << "SELECT COUNT(*) = 0";
}

void TestPhpbbScript::guardChecksTheRangesAndStopsWithItsMessage()
{
    QFETCH(QString, version);
    QFETCH(QString, hasEmailHash);
    const QString sql = phpBBGuardSql(57, 9, version);
    QVERIFY(!sql.contains(QRegularExpression(QStringLiteral("[^\r]\n"))));
    const QStringList st = statements(sql);
    QCOMPARE(st.value(0), QStringLiteral("SET NAMES utf8mb4"));
    QVERIFY(st.value(1).startsWith(QStringLiteral("SET SESSION sql_mode = ")) && st.value(1).contains(QStringLiteral("NO_BACKSLASH_ESCAPES")));
    QVERIFY(sql.contains(QStringLiteral("FROM phpBB3_users WHERE user_id > 57)")));
    QVERIFY(sql.contains(QStringLiteral("FROM phpBB3_groups WHERE group_id > 9)")));
    QVERIFY(sql.contains(QStringLiteral("SET @qb_failed = (") + hasEmailHash));
    // Four checks, each: the row, the read-only session, the stop with the same message.
    static const QRegularExpression stop(QStringLiteral("SET SESSION sql_mode = IF\\(@qb_failed <> 0, '([^']*)', @@SESSION.sql_mode\\)"));
    QStringList messages;
    for (auto it = stop.globalMatch(sql); it.hasNext();)
        messages << it.next().captured(1);
    QCOMPARE(messages.size(), 4);
    QCOMPARE(sql.count(QStringLiteral("SET @qb_guard = IF(@qb_failed <> 0, 'SET SESSION TRANSACTION READ ONLY', 'DO 0')")), 4);
    QCOMPARE(sql.count(QStringLiteral("EXECUTE qb_guard")), 4);
    for (const QString &m : messages) {
        QVERIFY2(!m.contains(QLatin1Char(',')), qPrintable(m)); // sql_mode would split it
        QVERIFY(sql.contains(QStringLiteral("SELECT '") + m + QStringLiteral("' AS `Conversion not loaded` FROM DUAL WHERE @qb_failed <> 0")));
    }
    QVERIFY(messages.at(2).contains(QStringLiteral("user ids above 57: set phpBB3 Default Users")));
    QVERIFY(messages.at(3).contains(QStringLiteral("group ids above 9: set Default User Groups")));
    // The guard loads nothing and changes no table.
    for (const QString &s : st)
        QVERIFY2(!s.contains(QRegularExpression(QStringLiteral("\\b(INSERT|UPDATE|DELETE|LOAD|REPLACE INTO)\\b"))), qPrintable(s));
}

void TestPhpbbScript::finishingSectionIsCommentedAndComplete()
{
    phpBBConverted c;
    c.forumParents = {0, 1, 1, 0, 4};
    c.topics = 7;
    c.posts = 20;
    c.defaultUsers = 57;
    c.defaultGroups = 7;
    const QString sql = phpBBFinishingSql(c);
    QVERIFY(!sql.contains(QRegularExpression(QStringLiteral("[^\r]\n"))));
    // Every statement has its comment right above it.
    const QStringList parts = sql.split(QStringLiteral(";\r\n"));
    for (int i = 0; i + 1 < parts.size(); ++i) {
        const QStringList lines = parts.at(i).trimmed().split(QStringLiteral("\r\n"));
        int first = 0;
        while (first < lines.size() && lines.at(first).startsWith(QStringLiteral("--")))
            ++first;
        QVERIFY2(first > 0 && first < lines.size(), qPrintable(parts.at(i)));
    }
    // The text columns and every token.
    for (const char *column : {"forum_name", "forum_desc", "topic_title", "post_subject", "post_username", "post_text",
                               "username", "username_clean", "user_password", "user_email", "group_name", "real_filename", "attach_comment"})
        QVERIFY2(sql.contains(QLatin1String(column) + QStringLiteral(" = REPLACE(")), column);
    // Every text column of every converted row passed the row cleaning and is restored.
    const int textColumns = int(clsTblForums::textColumnNames().size() + clsTblTopics::textColumnNames().size()
                                + clsTblPosts::textColumnNames().size() + clsTblUsers::textColumnNames().size()
                                + clsTblGroups::textColumnNames().size() + clsTblAttachments::textColumnNames().size());
    for (const char *token : {"'([)', ','", "'(\\\\)', '\u201E'", "'(})', '\"'", "'(])', '\u201D'", "'(|)', '\u201C'",
                              "'({)', ''''", "'(<)', '`'"})
        QCOMPARE(sql.count(QString::fromUtf8(token)), textColumns);
    QCOMPARE(sql.count(QStringLiteral("'(:)', '\\n'")), 2); // post_text and forum_desc
    QCOMPARE(sql.count(QStringLiteral("'(:)', ' '")), textColumns - 2);
    // The ranges of the converted rows.
    QVERIFY(sql.contains(QStringLiteral("WHERE post_id BETWEEN 1 AND 20")));
    QVERIFY(sql.contains(QStringLiteral("WHERE topic_id BETWEEN 1 AND 7")));
    QVERIFY(sql.contains(QStringLiteral("WHERE user_id > 57")));
    QVERIFY(sql.contains(QStringLiteral("DELETE FROM phpBB3_acl_groups WHERE forum_id BETWEEN 1 AND 5")));
    for (const char *config : {"num_posts", "num_topics", "num_users", "num_files", "upload_dir_size", "newest_user_id",
                               "newest_username", "newest_user_colour", "board_startdate", "text_reparser.post_text_cron_interval"})
        QVERIFY2(sql.contains(QStringLiteral("'") + QLatin1String(config) + QLatin1Char('\'')), config);
    for (const char *table : {"phpBB3_search_wordlist", "phpBB3_search_wordmatch", "phpBB3_search_results"})
        QVERIFY(sql.contains(QStringLiteral("DELETE FROM ") + QLatin1String(table) + QStringLiteral(";")));
}

void TestPhpbbScript::finishingKeepsTheNestedSetOfTheForumTree()
{
    QVector<qint32> parents(1203);
    for (int i = 0; i < parents.size(); ++i)
        parents[i] = i % 10 == 0 ? 0 : i - (i % 10) + 1; // a category every ten forums
    phpBBConverted c;
    c.forumParents = parents;
    const QString sql = phpBBFinishingSql(c);
    const QVector<QPair<qint32, qint32>> set = ForumNestedSet(parents);
    QCOMPARE(sql.count(QStringLiteral("UPDATE phpBB3_forums SET\r\nleft_id = CASE forum_id")), 3);
    QVERIFY(sql.contains(QStringLiteral("WHERE forum_id BETWEEN 1001 AND 1203")));
    for (int id : {1, 2, 500, 501, 1203})
        QVERIFY(sql.contains(QStringLiteral("    WHEN %1 THEN %2\r\n").arg(id).arg(set.at(id - 1).first))
                && sql.contains(QStringLiteral("    WHEN %1 THEN %2\r\n").arg(id).arg(set.at(id - 1).second)));
    QVERIFY(sql.contains(QStringLiteral("forum_type = IF(parent_id = 0, 0, forum_type), display_on_index = 1, forum_parents = ''")));
}

void TestPhpbbScript::sampleRowsNotReplacedAreDeleted()
{
    phpBBConverted c;
    c.forumParents = {0};
    const QString none = phpBBFinishingSql(c);
    QVERIFY(none.contains(QStringLiteral("DELETE FROM phpBB3_forums WHERE forum_id BETWEEN 2 AND 2;")));
    QVERIFY(none.contains(QStringLiteral("DELETE FROM phpBB3_topics WHERE topic_id = 1;")));
    QVERIFY(none.contains(QStringLiteral("DELETE FROM phpBB3_posts WHERE post_id = 1;")));
    QVERIFY(none.contains(QStringLiteral("DELETE FROM phpBB3_acl_groups WHERE forum_id BETWEEN 1 AND 2;")));
    c.forumParents = {0, 1};
    c.topics = 1;
    c.posts = 1;
    const QString all = phpBBFinishingSql(c);
    QVERIFY(!all.contains(QStringLiteral("DELETE FROM phpBB3_forums")));
    QVERIFY(!all.contains(QStringLiteral("DELETE FROM phpBB3_topics ")));
    QVERIFY(!all.contains(QStringLiteral("DELETE FROM phpBB3_posts")));
}

void TestPhpbbScript::usersStatementFollowsTheRelease()
{
    for (const QString &version : {QStringLiteral("3.3"), QStringLiteral("3.2")}) {
        Fixture f;
        f.run.settings.phpBB3Version = version;
        CreateImportSQL(f.run, QStringLiteral("/o/phpBB3_users1.txt"), QStringLiteral("phpBB3_users"));
        CreateImportSQL(f.run, QStringLiteral("/o/phpBB3_forums1.txt"), QStringLiteral("phpBB3_forums"));
        QStringList users = clsTblUsers::columnNames();
        if (version == QLatin1String("3.3"))
            users[users.indexOf(QStringLiteral("user_email_hash"))] = QStringLiteral("@skip");
        const QString script = f.script();
        QVERIFY(script.contains(QStringLiteral("\r\n(") + users.join(QLatin1Char(',')) + QStringLiteral(");\r\n")));
        QVERIFY(script.contains(QStringLiteral("\r\n(") + clsTblForums::columnNames().join(QLatin1Char(',')) + QStringLiteral(");\r\n")));
        QCOMPARE(script.count(QStringLiteral("@skip")), version == QLatin1String("3.3") ? 1 : 0);
    }
}

void TestPhpbbScript::userGroupRows()
{
    clsTblUserGroup row;
    row.group_id = 2;
    row.user_id = 58;
    QCOMPARE(row.BuildString(), QStringLiteral("2,58,0,0"));
    QCOMPARE(clsTblUserGroup::tableName(), QStringLiteral("phpBB3_user_group"));
    Fixture f;
    CreateImportSQL(f.run, QStringLiteral("/o/phpBB3_user_group1.txt"), QStringLiteral("phpBB3_user_group"));
    QVERIFY(f.script().startsWith(QStringLiteral("LOAD DATA LOCAL INFILE '/o/phpBB3_user_group1.txt' INTO TABLE phpBB3_user_group ")));
    QVERIFY(f.script().contains(QStringLiteral("\r\n(group_id,user_id,group_leader,user_pending);\r\n")));
}

void TestPhpbbScript::scriptStartsWithTheGuardAndEndsWithTheFinishing()
{
    Fixture f;
    qbtest::writeBytes(f.run.settings.ImportScriptFile, "old script");
    f.run.settings.phpBB3DefaultUsers = 57;
    phpBBWriteScriptStart(f.run);
    CreateImportSQL(f.run, QStringLiteral("/o/phpBB3_posts1.txt"), QStringLiteral("phpBB3_posts"));
    f.run.ForumParents = {0, 1};
    f.run.PostIdCounter = 3;
    phpBBAppendFinishingSql(f.run);
    const QString script = f.script();
    QVERIFY(script.startsWith(phpBBGuardSql(57, 7, QStringLiteral("3.3"))));
    const int load = script.indexOf(QStringLiteral("LOAD DATA LOCAL INFILE '/o/phpBB3_posts1.txt'"));
    QVERIFY(load > 0);
    QVERIFY(script.endsWith(phpBBFinishingSql({{0, 1}, 0, 3, 57, 7})));
    QVERIFY(f.host.messages.isEmpty());

    // A script that cannot be written stops the run with the usual report.
    Fixture g;
    g.run.settings.ImportScriptFile = g.tmp.path() + QStringLiteral("/missing/script.sql");
    phpBBWriteScriptStart(g.run);
    QVERIFY(g.host.StopConversion);
    QVERIFY(g.host.messages.value(0).contains(QStringLiteral(" - phpBBWriteScriptStart()\r\n\r\n")));
}

void TestPhpbbScript::versionSettingIsReadAndSaved()
{
    Fixture f;
    qbtest::RecorderView window;
    ConvertController ctl(window, f.tmp.path() + QStringLiteral("/quillbridge.ini"), f.tmp.path() + QStringLiteral("/"));
    ctl.FormLoad();
    QCOMPARE(ctl.phpBB3Version, QStringLiteral("3.3"));
    QCOMPARE(window.text(QStringLiteral("cboPhpBB3Version")), QStringLiteral("3.3"));
    QCOMPARE(ctl.readSetting(QStringLiteral("phpBB3Version"), QString()), QStringLiteral("3.3"));
    window.setText(QStringLiteral("cboPhpBB3Version"), QStringLiteral("3.2"));
    ctl.cboPhpBB3Version_Click();
    QCOMPARE(ctl.phpBB3Version, QStringLiteral("3.2"));
    QCOMPARE(ctl.readSetting(QStringLiteral("phpBB3Version"), QString()), QStringLiteral("3.2"));
    // A later start shows the saved choice.
    qbtest::RecorderView view;
    ConvertController again(view, ctl.SettingsFile, f.tmp.path() + QStringLiteral("/"));
    again.FormLoad();
    QCOMPARE(again.phpBB3Version, QStringLiteral("3.2"));
    QCOMPARE(view.text(QStringLiteral("cboPhpBB3Version")), QStringLiteral("3.2"));
}

QTEST_GUILESS_MAIN(TestPhpbbScript)
#include "tst_phpbbscript.moc"
