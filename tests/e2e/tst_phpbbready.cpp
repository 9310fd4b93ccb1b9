// The bundled sample converted and its whole script run against fresh phpBB 3.3 and 3.2
// databases: the guard stops a script that does not fit the database (and changes
// nothing, also under --force), and a script that fits loads without a warning and leaves
// a working board: texts without row tokens, categories and forums with phpBB's own
// permissions, right counters and totals, and no trace of phpBB's sample content.
#include "convert/ConvertController.h"
#include "members/phpBBCleanString.h"
#include "output/phpBBScript.h"
#include "tests/support/MariaDb.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

using qbtest::MariaDb;
using qbtest::SqlResult;

namespace {

const QString kScript = QStringLiteral("/Discus Conversion Import SQL.sql");

// Converts the bundled sample into out; returns the script's path ("" when the run failed).
QString convertSample(const QString &out, int users, const QString &version)
{
    qbtest::RecorderView view;
    ConvertController ctl(view, out + QStringLiteral(".ini"), qbtest::sourceDir() + QLatin1Char('/'));
    ctl.DocsFolder = qbtest::sourceDir() + QStringLiteral("/Docs/");
    const QString root = qbtest::sourceDir() + QStringLiteral("/samples/discus");
    const QString admin = root + QStringLiteral("/discus_admin_1234567890/");
    view.setText(QStringLiteral("txtDiscusRootFolder"), root + QLatin1Char('/'));
    view.setText(QStringLiteral("txtDiscusMessageFolder"), root + QStringLiteral("/discus/messages/"));
    view.setText(QStringLiteral("txtDiscusSecureMessageFolder"), admin + QStringLiteral("secure/"));
    view.setText(QStringLiteral("txtDiscusMainFolder"), admin);
    view.setText(QStringLiteral("txtphpBB3OutputFolder"), out + QLatin1Char('/'));
    view.setText(QStringLiteral("txtphpBB3AttachmentsFolder"), out + QStringLiteral("/Attachments/"));
    view.setText(QStringLiteral("txtDiscusWebsite"), QStringLiteral("http://www.kestrel-valley-birders.example"));
    view.setText(QStringLiteral("txtphpBB3ForumAddr"), QStringLiteral("http://forum.kestrel-valley-birders.example/"));
    view.setText(QStringLiteral("txtSplitMBSize"), QStringLiteral("50"));
    view.setText(QStringLiteral("txtDefaultAdmin"), QStringLiteral("admin"));
    view.setText(QStringLiteral("cboCharset"), QStringLiteral("utf-8"));
    view.setText(QStringLiteral("txtDefaultUsers"), QString::number(users));
    view.setText(QStringLiteral("txtDefaultGroups"), QStringLiteral("7"));
    ctl.phpBB3Version = version;
    ctl.cmdConvert_Click();
    if (ctl.LastRunResult != ConvertController::RunResult::Completed)
        return QString();
    return out + kScript;
}

// The text columns the conversion fills from Discus text, as "table.column".
const char *const TextColumns[] = {
    "phpBB3_forums.forum_name",       "phpBB3_forums.forum_desc",          "phpBB3_forums.forum_last_post_subject",
    "phpBB3_forums.forum_last_poster_name", "phpBB3_topics.topic_title", "phpBB3_topics.topic_first_poster_name",
    "phpBB3_topics.topic_last_poster_name", "phpBB3_topics.topic_last_post_subject", "phpBB3_posts.post_username",
    "phpBB3_posts.post_subject",      "phpBB3_posts.post_text",            "phpBB3_users.username",
    "phpBB3_users.username_clean",    "phpBB3_groups.group_name",          "phpBB3_attachments.real_filename",
    "phpBB3_attachments.attach_comment",
};

const char *const Tokens[] = {"([)", "(\\\\)", "(})", "(])", "(|)", "({)", "(:)", "(<)"};

} // namespace

class TestPhpbbReady : public QObject {
    Q_OBJECT
    MariaDb db;
    QTemporaryDir tmp;
    QString script33, script32, script33low, script32on33;
    QHash<QString, SqlResult> loads; // release -> the run of its script on a fresh board

    QString checksums(const QString &database)
    {
        const QStringList tables = db.tables(database);
        QStringList out;
        for (const QStringList &row : db.rows(database, QStringLiteral("CHECKSUM TABLE ") + tables.join(QStringLiteral(", "))))
            out << row.join(QLatin1Char('='));
        return out.join(QLatin1Char('\n'));
    }
    bool freshDatabase(const QString &name, const QString &release)
    {
        if (!db.createDatabase(name, QStringLiteral("utf8"), QStringLiteral("utf8_bin")))
            return false;
        return db.runFile(name, qbtest::sharedDir() + QStringLiteral("/phpbb/phpbb") + release + QStringLiteral("-fresh.sql")).ok();
    }
    // The database a check runs on: the sample loaded into a fresh board of the release.
    static QString loaded(const QString &release) { return QStringLiteral("ready") + release; }
    static int defaultUsers(const QString &release) { return release == QLatin1String("33") ? 57 : 47; }

private slots:
    void initTestCase();
    void loadsWithoutWarnings_data();
    void loadsWithoutWarnings();
    void guardStopsAndChangesNothing_data();
    void guardStopsAndChangesNothing();
    void noTokenLeftInAnyTextColumn_data();
    void noTokenLeftInAnyTextColumn();
    void tokensBecomeTheirCharacters();
    void forumTreeAndCategories_data();
    void forumTreeAndCategories();
    void permissionsLikePhpbbsSamples_data();
    void permissionsLikePhpbbsSamples();
    void membersAreRegistered_data();
    void membersAreRegistered();
    void postTextsAreStoredForm_data();
    void postTextsAreStoredForm();
    void postBodiesArriveConverted_data();
    void postBodiesArriveConverted();
    void membersCanLogIn_data();
    void membersCanLogIn();
    void countersAndTotals_data();
    void countersAndTotals();
    void sampleContentGoneAndSearchCleared_data();
    void sampleContentGoneAndSearchCleared();
};

void TestPhpbbReady::initTestCase()
{
    if (qEnvironmentVariableIntValue("QB_SKIP_MARIADB"))
        QSKIP("QB_SKIP_MARIADB is set");
    QString why;
    QVERIFY2(MariaDb::available(&why), qPrintable(why));
    QVERIFY(tmp.isValid());
    QVERIFY2(db.start(), qPrintable(db.lastError()));
    script33 = convertSample(tmp.filePath(QStringLiteral("out33")), 57, QStringLiteral("3.3"));
    script32 = convertSample(tmp.filePath(QStringLiteral("out32")), 47, QStringLiteral("3.2"));
    script33low = convertSample(tmp.filePath(QStringLiteral("out33low")), 47, QStringLiteral("3.3"));
    script32on33 = convertSample(tmp.filePath(QStringLiteral("out32on33")), 57, QStringLiteral("3.2"));
    for (const QString &s : {script33, script32, script33low, script32on33})
        QVERIFY2(!s.isEmpty() && QFileInfo::exists(s), "the sample's conversion did not complete");
    for (const QString &release : {QStringLiteral("33"), QStringLiteral("32")}) {
        QVERIFY(freshDatabase(loaded(release), release));
        QVERIFY(freshDatabase(QStringLiteral("fresh") + release, release));
        loads.insert(release, db.runScript(loaded(release), release == QLatin1String("33") ? script33 : script32));
    }
}

void TestPhpbbReady::loadsWithoutWarnings_data()
{
    QTest::addColumn<QString>("release");
    QTest::newRow("phpBB 3.3 with 57 default users") << "33";
    QTest::newRow("phpBB 3.2 with 47 default users") << "32";
}

void TestPhpbbReady::loadsWithoutWarnings()
{
    QFETCH(QString, release);
    const SqlResult r = loads.value(release);
    QVERIFY2(r.ok(), qPrintable(r.describe()));
    QCOMPARE(r.warnings, QStringList());
    // No message row (the client echoes the statements; a result row starts its own line).
    QVERIFY2(!r.output.contains(QRegularExpression(QStringLiteral("^The database"), QRegularExpression::MultilineOption)),
             qPrintable(r.output));
    QCOMPARE(db.scalar(loaded(release), QStringLiteral("SELECT COUNT(*) FROM phpBB3_posts")), QStringLiteral("31"));
    QCOMPARE(db.scalar(loaded(release), QStringLiteral("SELECT MIN(user_id) FROM phpBB3_users WHERE user_id > 2 AND user_type = 0")),
             QString::number(defaultUsers(release) + 1));
}

void TestPhpbbReady::guardStopsAndChangesNothing_data()
{
    QTest::addColumn<QString>("which");
    QTest::addColumn<QString>("release");
    QTest::addColumn<bool>("force");
    QTest::addColumn<QString>("message");
    const QString users = QStringLiteral("The database already holds user ids above 47: set phpBB3 Default Users to its highest user_id");
    QTest::newRow("3.3 board, 47 default users") << "33low" << "33" << false << users;
    QTest::newRow("3.3 board, 47 default users, --force") << "33low" << "33" << true << users;
    QTest::newRow("3.2 script on a 3.3 board") << "32on33" << "33" << false
                                               << "The database is not a phpBB 3.2 board: set phpBB3 Version to 3.3";
    QTest::newRow("3.3 script on a 3.2 board, --force") << "33" << "32" << true
                                                        << "The database is a phpBB 3.2 board: set phpBB3 Version to 3.2";
    QTest::newRow("no phpBB tables, --force") << "33" << "" << true
                                              << "The database has no phpBB board with the table prefix phpBB3_";
}

void TestPhpbbReady::guardStopsAndChangesNothing()
{
    QFETCH(QString, which);
    QFETCH(QString, release);
    QFETCH(bool, force);
    QFETCH(QString, message);
    const QString name = QStringLiteral("guard_%1").arg(QTest::currentDataTag()).replace(QRegularExpression(QStringLiteral("\\W")), QStringLiteral("_"));
    if (release.isEmpty()) {
        QVERIFY(db.createDatabase(name));
        QVERIFY(db.exec(name, QStringLiteral("CREATE TABLE phpBB3_posts (post_id INT PRIMARY KEY)")).ok());
    } else {
        QVERIFY(freshDatabase(name, release));
    }
    const QString before = checksums(name);
    QVERIFY(before.contains(QStringLiteral("phpBB3_posts=")));
    const QString script = which == QLatin1String("33low") ? script33low : which == QLatin1String("32on33") ? script32on33 : script33;
    QStringList args{QStringLiteral("--local-infile=1"), QStringLiteral("--show-warnings")};
    if (force)
        args << QStringLiteral("--force");
    const SqlResult r = db.runScript(name, script, args);
    QVERIFY2(!r.ok(), "the script ran through");
    // The message as a row and as the error that stops the script.
    QVERIFY2(r.output.contains(QRegularExpression(QLatin1Char('^') + QRegularExpression::escape(message), QRegularExpression::MultilineOption)),
             qPrintable(r.output));
    QVERIFY2(!r.errors.isEmpty() && r.errors.first().contains(QStringLiteral("ERROR 1231")) && r.errors.first().contains(message),
             qPrintable(r.describe()));
    if (force) {
        // Every later write failed on the read-only session.
        QVERIFY2(r.errors.size() > 10, qPrintable(r.describe()));
        for (int i = 1; i < r.errors.size(); ++i)
            QVERIFY2(!r.errors.at(i).contains(QStringLiteral("ERROR 1062")), qPrintable(r.errors.at(i)));
    } else {
        QCOMPARE(r.errors.size(), 1);
    }
    QCOMPARE(checksums(name), before);
}

void TestPhpbbReady::noTokenLeftInAnyTextColumn_data()
{
    loadsWithoutWarnings_data();
}

void TestPhpbbReady::noTokenLeftInAnyTextColumn()
{
    QFETCH(QString, release);
    QStringList tokenTests;
    for (const char *t : Tokens)
        tokenTests << QStringLiteral("LOCATE('%1', %2) > 0").arg(QLatin1String(t));
    for (const char *tc : TextColumns) {
        const QStringList parts = QString::fromLatin1(tc).split(QLatin1Char('.'));
        QString where = tokenTests.join(QStringLiteral(" OR "));
        where.replace(QStringLiteral("%2"), parts.at(1));
        const QString sql = QStringLiteral("SELECT COUNT(*) FROM %1 WHERE %2").arg(parts.at(0), where);
        QVERIFY2(db.scalar(loaded(release), sql) == QLatin1String("0"), tc);
    }
    // The sample's texts hold commas, quotes and line breaks: they came back.
    QVERIFY(db.scalar(loaded(release), QStringLiteral("SELECT COUNT(*) FROM phpBB3_forums WHERE forum_name LIKE '%,%'")).toInt() > 0);
    QVERIFY(db.scalar(loaded(release), QStringLiteral("SELECT COUNT(*) FROM phpBB3_posts WHERE LOCATE(',', post_text) > 0")).toInt() > 0);
    QVERIFY(db.scalar(loaded(release), QStringLiteral("SELECT COUNT(*) FROM phpBB3_posts WHERE LOCATE('\\n', post_text) > 0")).toInt() > 0);
}

// Every token in every kind of column, through the real guard and finishing section.
void TestPhpbbReady::tokensBecomeTheirCharacters()
{
    const QString name = QStringLiteral("tokens");
    QVERIFY(freshDatabase(name, QStringLiteral("33")));
    const QString all = QStringLiteral("a([)b(\\\\)c(})d(])e(|)f({)g(<)h(:)i");
    QVERIFY(db.exec(name, QStringLiteral("UPDATE phpBB3_posts SET post_text = '%1', post_subject = '%1', post_username = '%1' WHERE post_id = 1;"
                                         "UPDATE phpBB3_forums SET forum_desc = '%1', forum_name = '%1' WHERE forum_id = 2;"
                                         "INSERT INTO phpBB3_groups (group_id, group_name, group_desc) VALUES (8, '%1', '');")
                                  .arg(all))
                .ok());
    phpBBConverted c;
    c.forumParents = {0, 1};
    c.topics = 1;
    c.posts = 1;
    c.defaultUsers = 57;
    c.defaultGroups = 7;
    // The guard (the group above 7 is there on purpose: the finishing section runs alone).
    const QString path = tmp.filePath(QStringLiteral("tokens.sql"));
    const QString guard = phpBBGuardSql(57, 8, QStringLiteral("3.3"));
    qbtest::writeBytes(path, (guard + phpBBFinishingSql(c)).toUtf8());
    const SqlResult r = db.runScript(name, path);
    QVERIFY2(r.ok(), qPrintable(r.describe()));
    QCOMPARE(r.warnings, QStringList());
    const QString multi = QString::fromUtf8("a,b\u201Ec\"d\u201De\u201Cf'g`h\ni");
    const QString single = QString::fromUtf8("a,b\u201Ec\"d\u201De\u201Cf'g`h i");
    const QList<QStringList> post = db.rows(name, QStringLiteral("SELECT post_text, post_subject, post_username FROM phpBB3_posts WHERE post_id = 1"));
    QCOMPARE(post.size(), 1);
    QCOMPARE(post.first(), (QStringList{multi, single, single}));
    QCOMPARE(db.rows(name, QStringLiteral("SELECT forum_desc, forum_name FROM phpBB3_forums WHERE forum_id = 2")).value(0),
             (QStringList{multi, single}));
    QCOMPARE(db.scalar(name, QStringLiteral("SELECT group_name FROM phpBB3_groups WHERE group_id = 8")), single);
}

void TestPhpbbReady::forumTreeAndCategories_data()
{
    loadsWithoutWarnings_data();
}

void TestPhpbbReady::forumTreeAndCategories()
{
    QFETCH(QString, release);
    const QString d = loaded(release);
    QCOMPARE(db.scalar(d, QStringLiteral("SELECT COUNT(*) FROM phpBB3_forums WHERE forum_type <> IF(parent_id = 0, 0, 1) "
                                         "OR display_on_index <> 1 OR forum_parents <> ''")),
             QStringLiteral("0"));
    QCOMPARE(db.scalar(d, QStringLiteral("SELECT COUNT(*) FROM phpBB3_forums WHERE parent_id = 0")), QStringLiteral("2"));
    // A valid nested set: each child lies inside its parent.
    QCOMPARE(db.scalar(d, QStringLiteral("SELECT COUNT(*) FROM phpBB3_forums c JOIN phpBB3_forums p ON p.forum_id = c.parent_id "
                                         "WHERE NOT (p.left_id < c.left_id AND c.right_id < p.right_id)")),
             QStringLiteral("0"));
    QCOMPARE(db.scalar(d, QStringLiteral("SELECT MAX(right_id) = 2 * COUNT(*) FROM phpBB3_forums")), QStringLiteral("1"));
}

void TestPhpbbReady::permissionsLikePhpbbsSamples_data()
{
    loadsWithoutWarnings_data();
}

void TestPhpbbReady::permissionsLikePhpbbsSamples()
{
    QFETCH(QString, release);
    const QString d = loaded(release);
    const auto grants = [&](const QString &database, const QString &forum) {
        QStringList out;
        for (const QStringList &row : db.rows(database, QStringLiteral("SELECT a.group_id, r.role_name, a.auth_option_id, a.auth_setting "
                                                                       "FROM phpBB3_acl_groups a JOIN phpBB3_acl_roles r ON r.role_id = a.auth_role_id "
                                                                       "WHERE a.forum_id = %1 ORDER BY 1, 2")
                                                            .arg(forum)))
            out << row.join(QLatin1Char(' '));
        return out;
    };
    const QStringList category = grants(QStringLiteral("fresh") + release, QStringLiteral("1"));
    const QStringList forum = grants(QStringLiteral("fresh") + release, QStringLiteral("2"));
    QCOMPARE(category.size(), 4);
    QCOMPARE(forum.size(), 8);
    const QList<QStringList> forums = db.rows(d, QStringLiteral("SELECT forum_id, forum_type FROM phpBB3_forums ORDER BY forum_id"));
    QCOMPARE(forums.size(), 18);
    // Public forums get the sample forum's rows. A private forum (the demo's hidden topic)
    // keeps only the staff rows of the sample forum and gains the private group's.
    const QString privateGroup = db.scalar(d, QStringLiteral("SELECT group_id FROM phpBB3_groups WHERE group_name = 'Private Discus Areas'"));
    const QString staff = db.scalar(QStringLiteral("fresh") + release,
                                    QStringLiteral("SELECT GROUP_CONCAT(group_id) FROM phpBB3_groups "
                                                   "WHERE group_name IN ('ADMINISTRATORS', 'GLOBAL_MODERATORS')"));
    QStringList privateForum;
    for (const QString &row : forum)
        if (staff.split(QLatin1Char(',')).contains(row.section(QLatin1Char(' '), 0, 0)))
            privateForum << row;
    privateForum << privateGroup + QStringLiteral(" ROLE_FORUM_STANDARD 0 0");
    QCOMPARE(privateForum.size(), 4);
    QStringList privateIds;
    for (const QStringList &row :
         db.rows(d, QStringLiteral("SELECT DISTINCT forum_id FROM phpBB3_acl_groups WHERE group_id = %1").arg(privateGroup)))
        privateIds << row.value(0);
    QCOMPARE(privateIds, QStringList{db.scalar(d, QStringLiteral("SELECT forum_id FROM phpBB3_forums "
                                                                 "WHERE forum_name = 'Committee: Reserve Access Talks'"))});
    for (const QStringList &f : forums)
        QCOMPARE(grants(d, f.at(0)), privateIds.contains(f.at(0)) ? privateForum
                                                                 : f.at(1) == QLatin1String("0") ? category : forum);
    // No other forum has rows; the global rows are phpBB's own.
    QCOMPARE(db.scalar(d, QStringLiteral("SELECT COUNT(*) FROM phpBB3_acl_groups WHERE forum_id > 18")), QStringLiteral("0"));
    QCOMPARE(db.scalar(d, QStringLiteral("SELECT COUNT(*) FROM phpBB3_acl_groups WHERE forum_id = 0")), QStringLiteral("10"));
    QCOMPARE(db.scalar(d, QStringLiteral("SELECT COUNT(*) FROM phpBB3_users WHERE user_permissions <> '' OR user_perm_from <> 0")),
             QStringLiteral("0"));
}

void TestPhpbbReady::membersAreRegistered_data()
{
    loadsWithoutWarnings_data();
}

void TestPhpbbReady::membersAreRegistered()
{
    QFETCH(QString, release);
    const QString d = loaded(release);
    const QString users = QString::number(defaultUsers(release));
    QVERIFY(db.scalar(d, QStringLiteral("SELECT COUNT(*) FROM phpBB3_users WHERE user_id > ") + users).toInt() >= 10);
    // Every converted member is an active member of REGISTERED (from the phpBB3_user_group files).
    QCOMPARE(db.scalar(d, QStringLiteral("SELECT COUNT(*) FROM phpBB3_users u WHERE u.user_id > %1 AND NOT EXISTS "
                                         "(SELECT 1 FROM phpBB3_user_group g WHERE g.user_id = u.user_id AND g.group_id = 2 "
                                         "AND g.user_pending = 0)")
                              .arg(users)),
             QStringLiteral("0"));
}

void TestPhpbbReady::postTextsAreStoredForm_data()
{
    loadsWithoutWarnings_data();
}

// Every converted post text is phpBB's stored form: well-formed XML with a <t> or <r> root,
// so phpBB renders it without parsing the text again.
void TestPhpbbReady::postTextsAreStoredForm()
{
    QFETCH(QString, release);
    const QList<QStringList> rows =
        db.rows(loaded(release), QStringLiteral("SELECT post_id, HEX(post_text), bbcode_uid FROM phpBB3_posts ORDER BY post_id"));
    QVERIFY(rows.size() >= 30);
    int richPosts = 0;
    for (const QStringList &row : rows) {
        const QString text = QString::fromUtf8(QByteArray::fromHex(row.value(1).toLatin1()));
        QXmlStreamReader xml(text);
        while (!xml.atEnd())
            xml.readNext();
        QVERIFY2(!xml.hasError(), qPrintable(row.value(0) + QStringLiteral(": ") + xml.errorString() + QStringLiteral(" in ") + text));
        QVERIFY2(text.startsWith(QStringLiteral("<t>")) || text.startsWith(QStringLiteral("<r>")), qPrintable(text));
        QCOMPARE(row.value(2), QStringLiteral("qbconv01"));
        richPosts += text.startsWith(QStringLiteral("<r>"));
    }
    QVERIFY(richPosts > 0); // the sample has bold text, colours and links
}

void TestPhpbbReady::postBodiesArriveConverted_data()
{
    loadsWithoutWarnings_data();
}

// The sample's attachments, on-site image, bold text and character references arrive as
// phpBB shows them, and each attachment belongs to its post and topic.
void TestPhpbbReady::postBodiesArriveConverted()
{
    QFETCH(QString, release);
    const QString d = loaded(release);
    // Two attached files and the on-site image.
    QCOMPARE(db.scalar(d, QStringLiteral("SELECT COUNT(*) FROM phpBB3_attachments")), QStringLiteral("3"));
    QCOMPARE(db.scalar(d, QStringLiteral("SELECT COUNT(*) FROM phpBB3_attachments a JOIN phpBB3_posts p ON p.post_id = a.post_msg_id "
                                         "JOIN phpBB3_topics t ON t.topic_id = p.topic_id WHERE a.topic_id = p.topic_id "
                                         "AND p.post_attachment = 1 AND t.topic_attachment = 1 AND a.poster_id = p.poster_id "
                                         "AND a.is_orphan = 0 AND a.mimetype = 'text/plain'")),
             QStringLiteral("2"));
    // Only posts with an attachment say so.
    QCOMPARE(db.scalar(d, QStringLiteral("SELECT COUNT(*) FROM phpBB3_posts WHERE post_attachment = 1")),
             db.scalar(d, QStringLiteral("SELECT COUNT(DISTINCT post_msg_id) FROM phpBB3_attachments")));
    // The on-site image is an attachment shown where it stood.
    const QString image = QStringLiteral("<ATTACHMENT filename=\"nestbox.png\" index=\"0\"><s>[attachment=0]</s>nestbox.png");
    QCOMPARE(db.scalar(d, QStringLiteral("SELECT COUNT(*) FROM phpBB3_posts WHERE LOCATE('%1', post_text) > 0").arg(image)),
             QStringLiteral("1"));
    QVERIFY(db.scalar(d, QStringLiteral("SELECT COUNT(*) FROM phpBB3_posts WHERE post_text LIKE '%<B><s>[b]</s>%'")).toInt() > 0);
    // Character references became characters: none is left in a post, and é arrived.
    QCOMPARE(db.scalar(d, QStringLiteral("SELECT COUNT(*) FROM phpBB3_posts WHERE post_text REGEXP '&(eacute|rsquo|nbsp|hellip);'")),
             QStringLiteral("0"));
    QVERIFY(db.scalar(d, QStringLiteral("SELECT COUNT(*) FROM phpBB3_posts WHERE post_text LIKE '%\u00e9%'")).toInt() > 0);
    // The announcement became its board's description in stored form: its bold is markup,
    // and no description is left as plain BBCode text.
    QVERIFY(db.scalar(d, QStringLiteral("SELECT COUNT(*) FROM phpBB3_forums WHERE forum_desc <> ''")).toInt() > 0);
    QVERIFY(db.scalar(d, QStringLiteral("SELECT COUNT(*) FROM phpBB3_forums WHERE forum_desc LIKE '<r>%<B><s>[b]</s>%</r>'")).toInt() > 0);
    QCOMPARE(db.scalar(d, QStringLiteral("SELECT COUNT(*) FROM phpBB3_forums WHERE forum_desc <> '' "
                                         "AND forum_desc NOT LIKE '<t>%</t>' AND forum_desc NOT LIKE '<r>%</r>'")),
             QStringLiteral("0"));
}

void TestPhpbbReady::membersCanLogIn_data()
{
    loadsWithoutWarnings_data();
}

// phpBB finds a member at login by username_clean, which must be phpBB's cleaning of the
// stored name and unique on the board.
void TestPhpbbReady::membersCanLogIn()
{
    QFETCH(QString, release);
    const QString d = loaded(release);
    const QList<QStringList> rows =
        db.rows(d, QStringLiteral("SELECT user_id, HEX(username), HEX(username_clean) FROM phpBB3_users WHERE user_id > %1")
                       .arg(defaultUsers(release)));
    QVERIFY(rows.size() >= 10);
    for (const QStringList &row : rows) {
        const QString name = QString::fromUtf8(QByteArray::fromHex(row.value(1).toLatin1()));
        const QString clean = QString::fromUtf8(QByteArray::fromHex(row.value(2).toLatin1()));
        QCOMPARE(clean, phpBBCleanString(name));
    }
    QCOMPARE(db.scalar(d, QStringLiteral("SELECT COUNT(*) - COUNT(DISTINCT username_clean) FROM phpBB3_users")),
             QStringLiteral("0"));
}

void TestPhpbbReady::countersAndTotals_data()
{
    loadsWithoutWarnings_data();
}

void TestPhpbbReady::countersAndTotals()
{
    QFETCH(QString, release);
    const QString d = loaded(release);
    const auto zero = [&](const QString &sql) { QVERIFY2(db.scalar(d, sql) == QLatin1String("0"), qPrintable(sql)); };
    // Forums: counts and the newest post.
    zero(QStringLiteral("SELECT COUNT(*) FROM phpBB3_forums f WHERE forum_posts_approved <> (SELECT COUNT(*) FROM phpBB3_posts p "
                        "WHERE p.forum_id = f.forum_id AND p.post_visibility = 1) OR forum_topics_approved <> (SELECT COUNT(*) "
                        "FROM phpBB3_topics t WHERE t.forum_id = f.forum_id AND t.topic_visibility = 1)"));
    zero(QStringLiteral("SELECT COUNT(*) FROM phpBB3_forums f WHERE forum_posts_approved > 0 AND (forum_last_post_time <> "
                        "(SELECT MAX(post_time) FROM phpBB3_posts p WHERE p.forum_id = f.forum_id) OR forum_last_post_id NOT IN "
                        "(SELECT post_id FROM phpBB3_posts p WHERE p.forum_id = f.forum_id AND p.post_time = f.forum_last_post_time))"));
    zero(QStringLiteral("SELECT COUNT(*) FROM phpBB3_forums f JOIN phpBB3_users u ON u.user_id = f.forum_last_poster_id "
                        "WHERE f.forum_last_poster_id > 1 AND (f.forum_last_poster_name <> u.username OR f.forum_last_poster_colour <> u.user_colour)"));
    zero(QStringLiteral("SELECT COUNT(*) FROM phpBB3_topics t JOIN phpBB3_users u ON u.user_id = t.topic_poster "
                        "WHERE t.topic_poster > 1 AND (t.topic_first_poster_name <> u.username OR t.topic_first_poster_colour <> u.user_colour)"));
    QCOMPARE(db.scalar(d, QStringLiteral("SELECT SUM(forum_posts_approved) FROM phpBB3_forums")), QStringLiteral("31"));
    // Users: post counts, registration of added posters, everything read.
    zero(QStringLiteral("SELECT COUNT(*) FROM phpBB3_users u WHERE user_posts <> (SELECT COUNT(*) FROM phpBB3_posts p "
                        "WHERE p.poster_id = u.user_id AND p.post_postcount = 1 AND p.post_visibility = 1)"));
    zero(QStringLiteral("SELECT COUNT(*) FROM phpBB3_users WHERE user_regdate = 0"));
    zero(QStringLiteral("SELECT COUNT(*) FROM phpBB3_users WHERE user_lastmark <> (SELECT MAX(post_time) FROM phpBB3_posts)"));
    // "Posted in this topic" marks and attachments.
    QCOMPARE(db.scalar(d, QStringLiteral("SELECT COUNT(*) FROM phpBB3_topics_posted")),
             db.scalar(d, QStringLiteral("SELECT COUNT(DISTINCT poster_id, topic_id) FROM phpBB3_posts WHERE poster_id <> 1")));
    zero(QStringLiteral("SELECT COUNT(*) FROM phpBB3_topics_posted tp WHERE NOT EXISTS (SELECT 1 FROM phpBB3_posts p "
                        "WHERE p.poster_id = tp.user_id AND p.topic_id = tp.topic_id)"));
    zero(QStringLiteral("SELECT COUNT(*) FROM phpBB3_attachments a JOIN phpBB3_posts p ON p.post_id = a.post_msg_id "
                        "WHERE a.filetime <> p.post_time OR a.topic_id <> p.topic_id"));
    // The board totals.
    const auto config = [&](const QString &key) {
        return db.scalar(d, QStringLiteral("SELECT config_value FROM phpBB3_config WHERE config_name = '%1'").arg(key));
    };
    QCOMPARE(config(QStringLiteral("num_posts")), QStringLiteral("31"));
    QCOMPARE(config(QStringLiteral("num_topics")), db.scalar(d, QStringLiteral("SELECT COUNT(*) FROM phpBB3_topics")));
    QCOMPARE(config(QStringLiteral("num_users")), db.scalar(d, QStringLiteral("SELECT COUNT(*) FROM phpBB3_users WHERE user_type IN (0, 3)")));
    QCOMPARE(config(QStringLiteral("newest_user_id")), db.scalar(d, QStringLiteral("SELECT MAX(user_id) FROM phpBB3_users")));
    QCOMPARE(config(QStringLiteral("newest_username")),
             db.scalar(d, QStringLiteral("SELECT username FROM phpBB3_users ORDER BY user_id DESC LIMIT 1")));
    QCOMPARE(config(QStringLiteral("num_files")), db.scalar(d, QStringLiteral("SELECT COUNT(*) FROM phpBB3_attachments")));
    QVERIFY(config(QStringLiteral("num_files")).toInt() > 0);
    QCOMPARE(config(QStringLiteral("upload_dir_size")), db.scalar(d, QStringLiteral("SELECT SUM(filesize) FROM phpBB3_attachments")));
    QCOMPARE(config(QStringLiteral("board_startdate")), db.scalar(d, QStringLiteral("SELECT MIN(post_time) FROM phpBB3_posts")));
    QCOMPARE(config(QStringLiteral("text_reparser.post_text_cron_interval")), QStringLiteral("0"));
}

void TestPhpbbReady::sampleContentGoneAndSearchCleared_data()
{
    loadsWithoutWarnings_data();
}

void TestPhpbbReady::sampleContentGoneAndSearchCleared()
{
    QFETCH(QString, release);
    const QString d = loaded(release);
    QCOMPARE(db.scalar(d, QStringLiteral("SELECT COUNT(*) FROM phpBB3_forums WHERE forum_name IN ('Your first category', 'Your first forum')")),
             QStringLiteral("0"));
    QCOMPARE(db.scalar(d, QStringLiteral("SELECT COUNT(*) FROM phpBB3_topics WHERE topic_title = 'Welcome to phpBB3'")), QStringLiteral("0"));
    QCOMPARE(db.scalar(d, QStringLiteral("SELECT COUNT(*) FROM phpBB3_posts WHERE post_subject = 'Welcome to phpBB3'")), QStringLiteral("0"));
    QCOMPARE(db.scalar(d, QStringLiteral("SELECT user_posts FROM phpBB3_users WHERE user_id = 2")),
             db.scalar(d, QStringLiteral("SELECT COUNT(*) FROM phpBB3_posts WHERE poster_id = 2")));
    for (const char *t : {"phpBB3_search_wordlist", "phpBB3_search_wordmatch", "phpBB3_search_results"})
        QCOMPARE(db.scalar(d, QStringLiteral("SELECT COUNT(*) FROM ") + QLatin1String(t)), QStringLiteral("0"));
}

QTEST_GUILESS_MAIN(TestPhpbbReady)
#include "tst_phpbbready.moc"
