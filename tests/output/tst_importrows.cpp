// The six import rows: column names and order against phpBB's own table definitions,
// the rendering of every kind of field, and reuse of a row object.
#include "output/ImportRows.h"
#include "output/TextCleaning.h"
#include "tests/support/TestSupport.h"

#include <QRegularExpression>
#include <QtTest>
#include <limits>

namespace {

// Column names of every CREATE TABLE of phpBB's schema file, in their order.
QHash<QString, QStringList> schemaColumns()
{
    QHash<QString, QStringList> tables;
    const QString sql = qbtest::readText(qbtest::sharedDir() + QStringLiteral("/phpbb/phpbb3-tables.sql"));
    const QRegularExpression create(QStringLiteral(R"(CREATE TABLE (\w+) \((.*?)\n\))"),
                                    QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpression column(QStringLiteral(R"(^\s+(\w+)\s+\w)"));
    for (auto it = create.globalMatch(sql); it.hasNext();) {
        const auto m = it.next();
        QStringList names;
        for (const QString &line : m.captured(2).split(QLatin1Char('\n'))) {
            const auto c = column.match(line);
            if (!c.hasMatch())
                continue;
            const QString name = c.captured(1);
            if (name == QLatin1String("PRIMARY") || name == QLatin1String("KEY") || name == QLatin1String("UNIQUE"))
                continue;
            names << name;
        }
        tables.insert(m.captured(1), names);
    }
    return tables;
}

// The line a new row renders: one character per column, I integer, T enclosed text,
// R raw text.
QString defaultLine(const QString &kinds)
{
    QStringList fields;
    for (QChar k : kinds)
        fields << (k == QLatin1Char('I') ? QStringLiteral("0") : k == QLatin1Char('T') ? QStringLiteral("\"\"") : QString());
    return fields.join(QLatin1Char(','));
}

} // namespace

class TestImportRows : public QObject {
    Q_OBJECT
private slots:
    void columnsFollowPhpbbTables_data();
    void columnsFollowPhpbbTables();
    void newRowRendersDefaults_data();
    void newRowRendersDefaults();
    void textCleanedAndIntegersSigned();
    void everySpecialCharacterInEveryTextColumn();
    void attachmentsRowHasBareTopicId();
    void reusedRowKeepsUnsetMembers();
    void emailHashKeepsSixtyFourBits();
};

void TestImportRows::columnsFollowPhpbbTables_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QStringList>("columns");
    QTest::addColumn<int>("count");
    QTest::newRow("forums") << "phpBB3_forums" << clsTblForums::columnNames() << 49;
    QTest::newRow("topics") << "phpBB3_topics" << clsTblTopics::columnNames() << 38;
    QTest::newRow("posts") << "phpBB3_posts" << clsTblPosts::columnNames() << 29;
    QTest::newRow("users") << "phpBB3_users" << clsTblUsers::columnNames() << 66;
    QTest::newRow("groups") << "phpBB3_groups" << clsTblGroups::columnNames() << 21;
    QTest::newRow("attachments") << "phpBB3_attachments" << clsTblAttachments::columnNames() << 15;
}

void TestImportRows::columnsFollowPhpbbTables()
{
    QFETCH(QString, table);
    QFETCH(QStringList, columns);
    QFETCH(int, count);
    static const QHash<QString, QStringList> schema = schemaColumns();
    QVERIFY2(schema.contains(table), qPrintable(table));
    QCOMPARE(columns.size(), count);
    QCOMPARE(columns, schema.value(table));
    QCOMPARE(ImportColumns(table), columns);
}

void TestImportRows::newRowRendersDefaults_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("kinds");
    // Kinds as the tables of the rows give them.
    QTest::newRow("forums") << clsTblForums().BuildString()
                            << "IIIITTTTIRRRITTTTITIIIIITITTIIIIIIIIIIIIIIIIIIIII";
    QTest::newRow("topics") << clsTblTopics().BuildString() << "IIIIITIIIIIIITTIITTTIIIIITIIIIIIITIIII";
    QTest::newRow("posts") << clsTblPosts().BuildString() << "IIIIITIIIIIITTTTITTIITIIIIITI";
    QTest::newRow("users") << clsTblUsers().BuildString()
                           << "IIITITITTTITITIIITTIIIIIIITTTIITIIIIIIITTITTIIIIIIIITTIITTTTTTTIII";
    QTest::newRow("groups") << clsTblGroups().BuildString() << "IIIITTTITITTIIITIIIII";
    QTest::newRow("attachments") << clsTblAttachments().BuildString() << "IIIIIITTITTTIII";
}

void TestImportRows::newRowRendersDefaults()
{
    QFETCH(QString, line);
    QFETCH(QString, kinds);
    QCOMPARE(line, defaultLine(kinds));
    QVERIFY(!line.contains(QLatin1Char('\n')) && !line.contains(QLatin1Char('\r')));
}

void TestImportRows::textCleanedAndIntegersSigned()
{
    clsTblForums f;
    f.forum_id = 12;
    f.parent_id = -1;
    f.forum_name = QStringLiteral("Caf\u00e9 \"x\", a\\b\r\nc");
    f.forum_link = QStringLiteral("http://x/y,z");
    f.forum_flags = std::numeric_limits<qint32>::min();
    f.forum_topics_softdeleted = std::numeric_limits<qint32>::max();
    const QStringList fields = f.BuildString().split(QLatin1Char(','));
    QCOMPARE(fields.size(), 49);
    QCOMPARE(fields.at(0), QStringLiteral("12"));
    QCOMPARE(fields.at(1), QStringLiteral("-1"));
    QCOMPARE(fields.at(5), QStringLiteral("\"Caf\u00e9 (})x(})([) a\\b(:)c\""));
    QCOMPARE(fields.at(10), QStringLiteral("http://x/y([)z"));
    QCOMPARE(fields.at(28), QStringLiteral("-2147483648"));
    QCOMPARE(fields.at(48), QStringLiteral("2147483647"));
}

// Every text column of every row holding every character that could end a field or a
// line: read with MariaDB's rule, each row keeps its columns and each text comes back
// whole through the tokens.
#define QB_TEST_SET_Int(member)
#define QB_TEST_SET_Int64(member)
#define QB_TEST_SET_Text(member) row.member = probe;
#define QB_TEST_SET_Raw(member) row.member = probe;
#define QB_TEST_SET(kind, member, column) QB_TEST_SET_##kind(member)

template <typename Row>
void checkEveryTextColumn(Row &row, const QString &probe)
{
    const QString line = row.BuildString();
    QVERIFY2(!line.contains(QLatin1String("\r\n")), qPrintable(Row::tableName()));
    const QStringList fields = qbtest::mariaDbFields(line);
    QCOMPARE(fields.size(), Row::columnCount);
    const QStringList names = Row::columnNames();
    QString restored = probe;
    restored.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    for (const QString &text : Row::textColumnNames())
        QCOMPARE(DecodeSpecialCharacters(fields.at(names.indexOf(text)), QStringLiteral("\n")), restored);
}

void TestImportRows::everySpecialCharacterInEveryTextColumn()
{
    const QString probe = QStringLiteral("\"lead,\"\"x\"\r\ny\nz\r'`\u201C\u201D\u201E,\"");
#define QB_TEST_ROW(Class, COLUMNS)                                                                   \
    {                                                                                                 \
        Class row;                                                                                    \
        COLUMNS(QB_TEST_SET)                                                                          \
        checkEveryTextColumn(row, probe);                                                             \
    }
    QB_TEST_ROW(clsTblForums, QB_FORUMS_COLUMNS)
    QB_TEST_ROW(clsTblTopics, QB_TOPICS_COLUMNS)
    QB_TEST_ROW(clsTblPosts, QB_POSTS_COLUMNS)
    QB_TEST_ROW(clsTblUsers, QB_USERS_COLUMNS)
    QB_TEST_ROW(clsTblGroups, QB_GROUPS_COLUMNS)
    QB_TEST_ROW(clsTblAttachments, QB_ATTACHMENTS_COLUMNS)
    QB_TEST_ROW(clsTblUserGroup, QB_USER_GROUP_COLUMNS)
#undef QB_TEST_ROW
}

void TestImportRows::attachmentsRowHasBareTopicId()
{
    clsTblAttachments a;
    a.attach_id = 3;
    a.post_msg_id = 1207;
    a.poster_id = 51;
    a.physical_filename = QStringLiteral("51_file.pdf");
    a.real_filename = QStringLiteral("file.pdf");
    a.extention = QStringLiteral("pdf");
    a.filesize = 40960;
    a.topic_id = 77;
    // phpBB needs the topic: an empty integer field would load as 0 with a warning.
    QCOMPARE(a.BuildString(),
             QStringLiteral("3,1207,77,0,51,0,\"51_file.pdf\",\"file.pdf\",0,\"\",\"pdf\",\"\",40960,0,0"));
    QCOMPARE(clsTblAttachments::columnNames().at(10), QStringLiteral("extension"));
}

void TestImportRows::reusedRowKeepsUnsetMembers()
{
    clsTblGroups g;
    g.group_id = 8;
    g.group_name = QStringLiteral("Moderators");
    g.group_desc_options = 7;
    g.group_max_recipients = 5;
    const QString first = g.BuildString();
    QCOMPARE(first, QStringLiteral("8,0,0,0,\"Moderators\",\"\",\"\",7,\"\",0,\"\",\"\",0,0,0,\"\",0,0,0,0,5"));
    g.group_id = 9;
    g.group_name = QStringLiteral("Members");
    QCOMPARE(g.BuildString(), QStringLiteral("9,0,0,0,\"Members\",\"\",\"\",7,\"\",0,\"\",\"\",0,0,0,\"\",0,0,0,0,5"));

    clsTblPosts p;
    p.post_id = 1;
    p.post_text = QStringLiteral("first");
    p.post_visibility = 1;
    p.BuildString();
    p.post_id = 2;
    const QStringList fields = p.BuildString().split(QLatin1Char(','));
    QCOMPARE(fields.at(0), QStringLiteral("2"));
    QCOMPARE(fields.at(14), QStringLiteral("\"first\""));
    QCOMPARE(fields.at(25), QStringLiteral("1"));
}

void TestImportRows::emailHashKeepsSixtyFourBits()
{
    clsTblUsers u;
    u.user_email_hash = 289301648212LL;
    QCOMPARE(u.BuildString().split(QLatin1Char(',')).at(12), QStringLiteral("289301648212"));
    u.user_email_hash = std::numeric_limits<qint64>::min();
    QCOMPARE(u.BuildString().split(QLatin1Char(',')).at(12), QStringLiteral("-9223372036854775808"));
    u.user_email_hash = -5;
    QCOMPARE(u.BuildString().split(QLatin1Char(',')).at(12), QStringLiteral("-5"));
}

QTEST_GUILESS_MAIN(TestImportRows)
#include "tst_importrows.moc"
