// The SQL for phpMyAdmin against the LOAD DATA script: the sample and a generated board of
// about 5,000 posts, converted with a small part size, are loaded both ways into fresh
// phpBB 3.3 and 3.2 boards (the files one by one with a plain client, no local-infile,
// also under NO_BACKSLASH_ESCAPES and ANSI_QUOTES); every table ends identical, without a
// warning, every file within its size; a file run out of order stops and changes nothing.
#include "boardgen/BoardGenerator.h"
#include "convert/ConvertController.h"
#include "output/phpMyAdminScript.h"
#include "tests/support/MariaDb.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

using qbtest::MariaDb;
using qbtest::SqlResult;

namespace {

const QString Modes = QStringLiteral("--init-command=SET SESSION sql_mode = CONCAT(@@SESSION.sql_mode, ',NO_BACKSLASH_ESCAPES,ANSI_QUOTES')");

// Converts the board under root into out; "" when the run completed.
QString convert(const QString &root, const QString &out, int users, const QString &version, double partMB)
{
    qbtest::RecorderView view;
    ConvertController ctl(view, out + QStringLiteral(".ini"), qbtest::sourceDir() + QLatin1Char('/'));
    ctl.DocsFolder = qbtest::sourceDir() + QStringLiteral("/Docs/");
    ctl.saveSetting(QStringLiteral("ImportPartMBSize"), QString::number(partMB));
    ctl.FormLoad();
    const QString admin = root + QStringLiteral("/discus_admin_1234567890/");
    view.setText(QStringLiteral("txtDiscusRootFolder"), root + QLatin1Char('/'));
    view.setText(QStringLiteral("txtDiscusMessageFolder"), root + QStringLiteral("/discus/messages/"));
    view.setText(QStringLiteral("txtDiscusSecureMessageFolder"), admin + QStringLiteral("secure/"));
    view.setText(QStringLiteral("txtDiscusMainFolder"), admin);
    view.setText(QStringLiteral("txtphpBB3OutputFolder"), out + QLatin1Char('/'));
    view.setText(QStringLiteral("txtphpBB3AttachmentsFolder"), out + QStringLiteral("/Attachments/"));
    view.setText(QStringLiteral("txtDiscusWebsite"), QStringLiteral("http://www.kestrel-valley-birders.example"));
    view.setText(QStringLiteral("txtphpBB3ForumAddr"), QStringLiteral("http://forum.kestrel-valley-birders.example/"));
    view.setText(QStringLiteral("txtSplitMBSize"), QStringLiteral("1"));
    view.setText(QStringLiteral("txtDefaultAdmin"), QStringLiteral("admin"));
    view.setText(QStringLiteral("cboCharset"), QStringLiteral("utf-8"));
    ctl.phpBB3DefaultUsers = users;
    ctl.phpBB3Version = version;
    ctl.cmdConvert_Click();
    return ctl.LastRunResult == ConvertController::RunResult::Completed ? QString() : view.messages.join(QLatin1Char('\n'));
}

// The tables the script writes, as the guard lists them.
const QString Tables = QStringLiteral("phpBB3_forums, phpBB3_topics, phpBB3_posts, phpBB3_users, phpBB3_groups, "
                                      "phpBB3_attachments, phpBB3_user_group, phpBB3_acl_groups, phpBB3_acl_roles, "
                                      "phpBB3_config, phpBB3_topics_posted, phpBB3_search_wordlist, "
                                      "phpBB3_search_wordmatch, phpBB3_search_results");

} // namespace

class TestPhpMyAdmin : public QObject {
    Q_OBJECT
    MariaDb db;
    QTemporaryDir tmp;
    QString generated;

    QString checksums(const QString &database)
    {
        QStringList out;
        for (const QStringList &row : db.rows(database, QStringLiteral("CHECKSUM TABLE ") + Tables))
            out << row.value(0).section(QLatin1Char('.'), 1) + QLatin1Char('=') + row.value(1);
        return out.join(QLatin1Char('\n'));
    }
    bool fresh(const QString &name, const QString &release)
    {
        return db.createDatabase(name, QStringLiteral("utf8"), QStringLiteral("utf8_bin"))
            && db.runFile(name, qbtest::sharedDir() + QStringLiteral("/phpbb/phpbb") + release + QStringLiteral("-fresh.sql")).ok();
    }
    static QStringList parts(const QString &out)
    {
        QDir dir(out + QStringLiteral("/SQL for phpMyAdmin"));
        QStringList files;
        for (const QString &f : dir.entryList({QStringLiteral("Import *.sql")}, QDir::Files, QDir::Name))
            files << dir.filePath(f);
        return files;
    }

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIntValue("QB_SKIP_MARIADB"))
            QSKIP("QB_SKIP_MARIADB is set");
        QString why;
        QVERIFY2(MariaDb::available(&why), qPrintable(why));
        QVERIFY(tmp.isValid() && db.start());
        qbgen::Options o;
        o.categories = 2;
        o.boardsPerCategory = 3;
        o.depth = 2;
        o.fanout = 4;
        o.postsPerPage = 52; // 2 x 3 x 16 pages of posts: 4,992 posts
        o.members = 300;
        o.unknownEvery = 7;
        o.attachmentEvery = 40;
        o.linkEvery = 11;
        qbgen::Manifest m;
        generated = tmp.filePath(QStringLiteral("board"));
        QString error;
        QVERIFY2(qbgen::generateBoard(o, generated, m, &error), qPrintable(error));
    }

    void loadsLikeTheScript_data()
    {
        QTest::addColumn<bool>("sample");
        QTest::addColumn<QString>("release");
        QTest::addColumn<bool>("modes");
        QTest::newRow("sample, 3.3") << true << "33" << false;
        QTest::newRow("sample, 3.2, NO_BACKSLASH_ESCAPES and ANSI_QUOTES") << true << "32" << true;
        QTest::newRow("generated, 3.3, NO_BACKSLASH_ESCAPES and ANSI_QUOTES") << false << "33" << true;
        QTest::newRow("generated, 3.2") << false << "32" << false;
    }
    void loadsLikeTheScript()
    {
        QFETCH(bool, sample);
        QFETCH(QString, release);
        QFETCH(bool, modes);
        const double partMB = sample ? 0.03 : 0.25;
        const QString tag = QStringLiteral("%1%2%3").arg(sample ? "s" : "g", release, modes ? "m" : "");
        const QString out = tmp.filePath(tag);
        const int users = release == QLatin1String("33") ? 57 : 47;
        const QString failure = convert(sample ? qbtest::sourceDir() + QStringLiteral("/samples/discus") : generated, out, users,
                                        release == QLatin1String("33") ? QStringLiteral("3.3") : QStringLiteral("3.2"), partMB);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        const QStringList files = parts(out);
        QVERIFY2(files.size() >= 2, "the small part size gave one file");

        QVERIFY(fresh(tag + QStringLiteral("_load"), release) && fresh(tag + QStringLiteral("_insert"), release));
        QElapsedTimer t;
        t.start();
        const SqlResult load = db.runScript(tag + QStringLiteral("_load"), out + QStringLiteral("/Discus Conversion Import SQL.sql"));
        const qint64 loadMs = t.restart();
        QVERIFY2(load.ok() && load.warnings.isEmpty(), qPrintable(load.describe()));
        qint64 bytes = 0;
        for (const QString &f : files) {
            QVERIFY2(QFileInfo(f).size() <= qint64(partMB * 1048576), qPrintable(f));
            bytes += QFileInfo(f).size();
            const SqlResult r = db.runFile(tag + QStringLiteral("_insert"), f, modes ? QStringList{Modes} : QStringList{});
            QVERIFY2(r.ok() && r.warnings.isEmpty(), qPrintable(f + QLatin1Char('\n') + r.describe()));
        }
        qInfo("%s: %lld files, %lld bytes; LOAD DATA %lld ms, files %lld ms", qPrintable(tag), qint64(files.size()), bytes,
              loadMs, t.elapsed());
        QCOMPARE(checksums(tag + QStringLiteral("_insert")), checksums(tag + QStringLiteral("_load")));
        QVERIFY(db.scalar(tag + QStringLiteral("_insert"), QStringLiteral("SELECT COUNT(*) FROM phpBB3_posts")).toInt() > 0);
    }

    void outOfOrderStopsAndChangesNothing_data()
    {
        QTest::addColumn<bool>("force");
        QTest::newRow("plain") << false;
        QTest::newRow("--force") << true;
    }
    void outOfOrderStopsAndChangesNothing()
    {
        QFETCH(bool, force);
        const QString out = tmp.filePath(QStringLiteral("g32")); // written by loadsLikeTheScript
        const QStringList files = parts(out);
        QVERIFY2(files.size() >= 3, "fewer than three files");
        const QString name = force ? QStringLiteral("order_force") : QStringLiteral("order");
        QVERIFY(fresh(name, QStringLiteral("32")));
        QVERIFY(db.runFile(name, files.at(0)).ok());
        const QString before = checksums(name);
        const SqlResult r = db.runFile(name, files.at(2), force ? QStringList{QStringLiteral("--force")} : QStringList{});
        const QString message = QStringLiteral("Import 003.sql must run right after Import 002.sql");
        QVERIFY2(!r.ok() && r.output.contains(message), qPrintable(r.describe() + r.output));
        QVERIFY2(r.errors.first().contains(QStringLiteral("ERROR 1231")) && r.errors.first().contains(message), qPrintable(r.describe()));
        QCOMPARE(checksums(name), before);
        // In order, the rest still loads.
        for (int i = 1; i < files.size(); ++i)
            QVERIFY2(db.runFile(name, files.at(i)).ok(), qPrintable(files.at(i)));
    }
};

QTEST_GUILESS_MAIN(TestPhpMyAdmin)
#include "tst_phpmyadmin.moc"
