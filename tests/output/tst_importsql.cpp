// The load statements of the SQL script, byte for byte.
#include "output/ImportSql.h"
#include "run/ConversionRun.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TestSupport.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

const QByteArray PostsColumns =
    "(post_id,topic_id,forum_id,poster_id,icon_id,poster_ip,post_time,post_reported,enable_bbcode,"
    "enable_smilies,enable_magic_url,enable_sig,post_username,post_subject,post_text,post_checksum,"
    "post_attachment,bbcode_bitfield,bbcode_uid,post_postcount,post_edit_time,post_edit_reason,"
    "post_edit_user,post_edit_count,post_edit_locked,post_visibility,post_delete_time,"
    "post_delete_reason,post_delete_user);";

const QByteArray GroupsColumns =
    "(group_id,group_type,group_founder_manage,group_skip_auth,group_name,group_desc,group_desc_bitfield,"
    "group_desc_options,group_desc_uid,group_display,group_avatar,group_avatar_type,group_avatar_width,"
    "group_avatar_height,group_rank,group_colour,group_sig_chars,group_receive_pm,group_message_limit,"
    "group_legend,group_max_recipients);";

struct Fixture {
    QTemporaryDir tmp;
    qbtest::RecordingHost host;
    ConversionRun run{host};
    Fixture()
    {
        run.settings.phpBB3OutputFolder = tmp.path() + QStringLiteral("/");
        run.settings.ImportScriptFile = run.settings.phpBB3OutputFolder + QStringLiteral("Discus Conversion Import SQL.sql");
    }
    QByteArray script() const { return qbtest::readBytes(run.settings.ImportScriptFile); }
};

} // namespace

class TestImportSql : public QObject {
    Q_OBJECT
private slots:
    void statementsByteForByte();
    void tableWithoutColumnsHasNoColumnList();
    void nonAsciiPathIsUtf8WithoutMark();
    void unwritableScriptStopsTheRun();
};

void TestImportSql::statementsByteForByte()
{
    Fixture f;
    CreateImportSQL(f.run, QStringLiteral("C:\\Discus'ware\\out/phpBB3_posts1.txt"), QStringLiteral("phpBB3_posts"));
    CreateImportSQL(f.run, QStringLiteral("/srv/x/phpBB3_groups1.txt"), QStringLiteral("phpBB3_groups"));
    const QByteArray expected =
        "LOAD DATA LOCAL INFILE 'C:\\\\Discus''ware\\\\out/phpBB3_posts1.txt' REPLACE INTO TABLE phpBB3_posts "
        "CHARACTER SET utf8mb4\r\n"
        "FIELDS TERMINATED BY ','\r\n"
        "ENCLOSED BY '\"' ESCAPED BY ''LINES TERMINATED BY '\\r\\n'\r\n"
        + PostsColumns + "\r\n\r\n\r\n"
        "LOAD DATA LOCAL INFILE '/srv/x/phpBB3_groups1.txt' INTO TABLE phpBB3_groups CHARACTER SET utf8mb4\r\n"
        "FIELDS TERMINATED BY ','\r\n"
        "ENCLOSED BY '\"' ESCAPED BY ''LINES TERMINATED BY '\\r\\n'\r\n"
        + GroupsColumns + "\r\n\r\n\r\n";
    QCOMPARE(f.script(), expected);
    QVERIFY(f.host.messages.isEmpty());
    QVERIFY(!f.host.StopConversion);
}

void TestImportSql::tableWithoutColumnsHasNoColumnList()
{
    Fixture f;
    CreateImportSQL(f.run, QStringLiteral("/o/phpBB3_unknown1.txt"), QStringLiteral("phpBB3_unknown"));
    QCOMPARE(f.script(),
             QByteArray("LOAD DATA LOCAL INFILE '/o/phpBB3_unknown1.txt' INTO TABLE phpBB3_unknown CHARACTER SET utf8mb4\r\n"
                        "FIELDS TERMINATED BY ','\r\n"
                        "ENCLOSED BY '\"' ESCAPED BY ''LINES TERMINATED BY '\\r\\n';\r\n\r\n\r\n"));
}

void TestImportSql::nonAsciiPathIsUtf8WithoutMark()
{
    Fixture f;
    f.run.settings.DiscusCharset = QStringLiteral("iso-8859-1");
    const QString path = QStringLiteral("/home/J\u00fcrgen/\u65e5\u672c/phpBB3_users1.txt");
    CreateImportSQL(f.run, path, QStringLiteral("phpBB3_users"));
    const QByteArray bytes = f.script();
    QVERIFY(bytes.startsWith("LOAD DATA LOCAL INFILE '"));
    QVERIFY(bytes.contains("'" + path.toUtf8() + "' INTO TABLE phpBB3_users CHARACTER SET utf8mb4\r\n"));
    QVERIFY(bytes.contains("\r\n(user_id,user_type,group_id,"));
    QVERIFY(bytes.endsWith(",user_new,user_reminded,user_reminded_time);\r\n\r\n\r\n"));
}

void TestImportSql::unwritableScriptStopsTheRun()
{
    Fixture f;
    f.run.settings.ImportScriptFile = f.tmp.path() + QStringLiteral("/missing folder/script.sql");
    CreateImportSQL(f.run, QStringLiteral("/o/phpBB3_posts1.txt"), QStringLiteral("phpBB3_posts"));
    QVERIFY(f.host.StopConversion);
    QCOMPARE(f.host.messages.size(), 1);
    QVERIFY2(f.host.messages.first().contains(QStringLiteral(" - CreateImportSQL()\r\n\r\n")),
             qPrintable(f.host.messages.first()));
}

QTEST_GUILESS_MAIN(TestImportSql)
#include "tst_importsql.moc"
