// The member file, the member and group registries, and the users and groups import files.
#include "members/modCRC32Hash.h"
#include "members/modMembers.h"
#include "run/ConversionRun.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <limits>

namespace {

const QString CrLf = QStringLiteral("\r\n");

// A Discus installation's admin folder and an output folder in a temporary folder.
struct Setup {
    QTemporaryDir dir;
    qbtest::RecordingHost host;
    RunSettings settings;

    Setup()
    {
        QDir().mkpath(dir.filePath(QStringLiteral("out")));
        QDir().mkpath(dir.filePath(QStringLiteral("admin")));
        settings.phpBB3OutputFolder = dir.path() + QStringLiteral("/out/");
        settings.ImportScriptFile = settings.phpBB3OutputFolder + QStringLiteral("Discus Conversion Import SQL.sql");
        settings.UserFile = dir.path() + QStringLiteral("/admin/User.txt");
        settings.UsersFile = dir.path() + QStringLiteral("/admin/Users.txt");
        settings.phpBB3DefaultAdmin = QStringLiteral("admin");
        settings.phpBB3DefaultUsers = 47;
        settings.phpBB3DefaultGroups = 7;
    }

    void memberFile(const QStringList &lines, const QString &eol = CrLf, const QString &name = QStringLiteral("User.txt"))
    {
        qbtest::writeBytes(dir.filePath(QStringLiteral("admin/") + name), (lines.join(eol) + eol).toUtf8());
    }

    std::unique_ptr<ConversionRun> newRun()
    {
        auto run = std::make_unique<ConversionRun>(host, settings);
        run->nameOutputFiles();
        return run;
    }

    // The lines of one output file ("" when the file does not exist).
    QStringList outLines(const QString &name) const
    {
        const QString path = settings.phpBB3OutputFolder + name;
        if (!QFile::exists(path))
            return {};
        QStringList lines = QString::fromUtf8(qbtest::readBytes(path)).split(CrLf);
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }

    // The files the script loads into the table, in statement order.
    QStringList loadedFiles(const QString &table) const
    {
        const QString script = QString::fromUtf8(qbtest::readBytes(settings.ImportScriptFile));
        QStringList files;
        const QRegularExpression re(QStringLiteral("LOAD DATA LOCAL INFILE '([^']*)' INTO TABLE ") + table + QStringLiteral("\\b"));
        for (auto it = re.globalMatch(script); it.hasNext();)
            files << QFileInfo(it.next().captured(1)).fileName();
        return files;
    }
};

// A member-file line: user:password:email:real name:::registered:ip:last post:groups.
QString line(const QString &user, const QString &real = QString(), const QString &email = QString(),
             const QString &groups = QString(), const QString &registered = QStringLiteral("1100000000"))
{
    return QStringList{user, QStringLiteral("pw"), email, real, QStringLiteral("x"), QStringLiteral("y"), registered,
                       QStringLiteral("10.0.0.1"), QStringLiteral("1200000000"), groups}
        .join(QLatin1Char(':'));
}

MemberPtr byId(ConversionRun &run, int id)
{
    const MemberPtr *m = run.MembersById.find(QString::number(id));
    return m ? *m : MemberPtr();
}

// Fields of one row, commas inside double quotes not counted.
QStringList rowFields(const QString &row)
{
    QStringList fields{QString()};
    bool quoted = false;
    for (QChar c : row) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        if (c == QLatin1Char(',') && !quoted)
            fields << QString();
        else
            fields.last() += c;
    }
    return fields;
}

} // namespace

class TestMembers : public QObject {
    Q_OBJECT
private slots:
    void idsAdministratorFirstAndRepeatable();
    void realNames_data();
    void realNames();
    void groupsCaseInsensitiveFirstSpellingKept();
    void lineEnds_data();
    void lineEnds();
    void emailLowerCaseAndHashes();
    void blankUserNameAddsGroupsOnly();
    void userFileChoice();
    void missingMemberFiles();
    void shortLines();
    void badLinesAreSkipped_data();
    void badLinesAreSkipped();
    void idsNeverOverflow();
    void unknownPosterRegistration();
    void numericFields_data();
    void numericFields();
    void postCountArrayGrows_data();
    void postCountArrayGrows();
    void usersFileRows();
    void membershipsAndLoginNames();
    void usersFileSplit();
    void noGroupsNoGroupsFile();
    void manyMembers();
};

void TestMembers::idsAdministratorFirstAndRepeatable()
{
    Setup s;
    s.memberFile({line(QStringLiteral("ann")), line(QStringLiteral("bob")), line(QStringLiteral("cy"))});
    for (int pass = 0; pass < 2; ++pass) {
        auto run = s.newRun();
        DiscusReadUserFile(*run);
        QList<int> ids;
        run->MembersById.forEach([&](const QString &key, const MemberPtr &m) {
            QCOMPARE(key, QString::number(m->ID));
            ids << m->ID;
        });
        QCOMPARE(ids, (QList<int>{2, 48, 49, 50}));
        const MemberPtr admin = byId(*run, 2);
        QCOMPARE(admin->username, QStringLiteral("admin"));
        QCOMPARE(admin->RealName, QStringLiteral("admin"));
        QCOMPARE(admin->Email, QStringLiteral("admin@example.invalid"));
        QCOMPARE(admin->IPAddr, QStringLiteral("0"));
        QCOMPARE(byId(*run, 49)->username, QStringLiteral("bob"));
        QVERIFY(run->MembersByUserName.find(QStringLiteral("BOB")));
        QCOMPARE(s.settings.phpBB3DefaultUsers, 47);
        QVERIFY(!s.host.StopConversion);
    }
    QVERIFY(s.host.progress().contains(CrLf + QStringLiteral("Processing Discus Member File, Please wait...")));
}

void TestMembers::realNames_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("realNames"); // by id from 48
    QTest::newRow("case only") << QStringList{line("jd", "Jane Doe"), line("jd2", "jane doe")}
                               << QStringList{"Jane Doe", "jane doe 49"};
    QTest::newRow("blank real name") << QStringList{line("jsmith", ""), line("kim", "   ")}
                                     << QStringList{"jsmith", "kim"};
    QTest::newRow("blanks trimmed") << QStringList{line("  lee ", "  Lee Park  ")} << QStringList{"Lee Park"};
    QTest::newRow("administrator's name") << QStringList{line("admin", "")} << QStringList{"admin 48"};
    // A literal "Jane Doe 50" is already there when the second Jane Doe gets id 50:
    // every member still gets a name and an id of its own.
    QTest::newRow("made-unique name taken")
        << QStringList{line("a", "Jane Doe"), line("b", "Jane Doe 50"), line("c", "Jane Doe"), line("d", "Dee")}
        << QStringList{"Jane Doe", "Jane Doe 50", "Jane Doe 50 50", "Dee"};
    QTest::newRow("name taken by a made-unique one")
        << QStringList{line("a", "Bo"), line("b", "bo"), line("c", "Bo 49"), line("d", "Dee")}
        << QStringList{"Bo", "bo 49", "Bo 49 50", "Dee"};
}

void TestMembers::realNames()
{
    QFETCH(QStringList, lines);
    QFETCH(QStringList, realNames);
    Setup s;
    s.memberFile(lines);
    auto run = s.newRun();
    DiscusReadUserFile(*run);
    QCOMPARE(run->MembersById.count(), realNames.size() + 1);
    QCOMPARE(run->MembersByRealName.count(), realNames.size() + 1);
    for (int i = 0; i < realNames.size(); ++i) {
        const MemberPtr m = byId(*run, 48 + i);
        QVERIFY2(m, qPrintable(QString::number(48 + i)));
        QCOMPARE(m->RealName, realNames.at(i));
        QCOMPARE(run->MembersByRealName.find(m->RealName)->get(), m.get());
    }
}

void TestMembers::groupsCaseInsensitiveFirstSpellingKept()
{
    Setup s;
    s.memberFile({line("a", "", "", "Admins/Moderators"), line("b", "", "", "admins"), line("c", "", "", "MODERATORS/Admins/")});
    auto run = s.newRun();
    DiscusReadUserFile(*run);
    QCOMPARE(run->GroupsByName.count(), 2);
    QCOMPARE((*run->GroupsByName.find("admins"))->ID, 8);
    QCOMPARE((*run->GroupsByName.find("Moderators"))->ID, 9);
    QCOMPARE(byId(*run, 48)->Groups, QStringLiteral("Admins/Moderators"));

    phpBB3WriteGroupsFile(*run);
    QVERIFY(s.host.progress().contains(CrLf + QStringLiteral("Writing phpBB3 Groups Import File, Please Wait...") + CrLf));
    QCOMPARE(s.outLines("phpBB3_groups1.txt"),
             (QStringList{"8,0,0,0,\"Admins\",\"\",\"\",7,\"\",0,\"\",\"\",0,0,0,\"\",0,0,0,0,0",
                          "9,0,0,0,\"Moderators\",\"\",\"\",7,\"\",0,\"\",\"\",0,0,0,\"\",0,0,0,0,0"}));
    QCOMPARE(s.loadedFiles("phpBB3_groups"), QStringList{"phpBB3_groups1.txt"});
    QVERIFY(!run->groups.isOpen()); // closed: the closing step does not save it again
}

void TestMembers::lineEnds_data()
{
    QTest::addColumn<QString>("eol");
    QTest::addColumn<QString>("bom");
    QTest::newRow("CR LF") << CrLf << QString();
    QTest::newRow("LF") << QStringLiteral("\n") << QString();
    QTest::newRow("byte-order mark") << CrLf << QString(QChar(0xFEFF));
    // A stray LF in a CR LF file still ends its line: no member swallows the next one.
    QTest::newRow("mixed") << CrLf << QString();
}

void TestMembers::lineEnds()
{
    QFETCH(QString, eol);
    QFETCH(QString, bom);
    Setup s;
    QStringList lines{bom + line("ann", "Ann", "a@x.org", "G1"), line("bob", "Bob", "", "G2"), QString(), line("cy", "Cy", "", "G3")};
    if (QTest::currentDataTag() == QLatin1String("mixed"))
        lines[0] += QStringLiteral("\n") + lines.takeAt(1);
    s.memberFile(lines, eol);
    auto run = s.newRun();
    DiscusReadUserFile(*run);
    QCOMPARE(run->MembersById.count(), 4);
    QCOMPARE(byId(*run, 48)->username, QStringLiteral("ann"));
    QCOMPARE(byId(*run, 49)->username, QStringLiteral("bob"));
    QCOMPARE(byId(*run, 48)->Groups, QStringLiteral("G1"));
    QCOMPARE(run->GroupsByName.count(), 3);
    run->MembersById.forEach([](const QString &, const MemberPtr &m) {
        for (const QString &f : {m->username, m->RealName, m->Email, m->Password, m->Groups, m->IPAddr})
            QVERIFY2(!f.contains(QLatin1Char('\r')) && !f.contains(QLatin1Char('\n')), qPrintable(f));
    });
    QCOMPARE(byId(*run, 50)->Groups, QStringLiteral("G3"));
    QCOMPARE(byId(*run, 50)->LastPost, 1200000000);
    QVERIFY(run->GroupsByName.find("G3"));
}

void TestMembers::emailLowerCaseAndHashes()
{
    Setup s;
    s.memberFile({line("bob", "Bob", "Bob@Example.COM"), line("nomail", "No Mail", "")});
    auto run = s.newRun();
    DiscusReadUserFile(*run);
    const MemberPtr bob = byId(*run, 48);
    QCOMPARE(bob->Email, QStringLiteral("bob@example.com"));
    QCOMPARE(bob->EmailHash, -1687415803); // CRC-32 register without final inversion
    QCOMPARE(byId(*run, 49)->EmailHash, 0);

    phpBB3WriteMemberFile(*run);
    const QStringList rows = s.outLines("phpBB3_users1.txt");
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rowFields(rows.at(0)).at(11), QStringLiteral("\"bob@example.com\""));
    QCOMPARE(rowFields(rows.at(0)).at(12), QStringLiteral("168741580215")); // phpBB's own hash
    QCOMPARE(rowFields(rows.at(1)).at(12), QStringLiteral("0"));
}

void TestMembers::blankUserNameAddsGroupsOnly()
{
    Setup s;
    s.memberFile({line("", "Real", "r@x.org", "Ghosts"), line("   ", "", "", "Spirits"), line("ann")});
    auto run = s.newRun();
    DiscusReadUserFile(*run);
    QCOMPARE(run->MembersById.count(), 2);
    QCOMPARE(byId(*run, 48)->username, QStringLiteral("ann"));
    QCOMPARE((*run->GroupsByName.find("Ghosts"))->ID, 8);
    QCOMPARE((*run->GroupsByName.find("Spirits"))->ID, 9);
}

void TestMembers::userFileChoice()
{
    Setup s;
    s.memberFile({line("fromusers")}, CrLf, "Users.txt");
    {
        auto run = s.newRun();
        DiscusReadUserFile(*run);
        QCOMPARE(byId(*run, 48)->username, QStringLiteral("fromusers"));
    }
    s.memberFile({line("fromuser")}, CrLf, "User.txt");
    auto run = s.newRun();
    DiscusReadUserFile(*run);
    QCOMPARE(byId(*run, 48)->username, QStringLiteral("fromuser"));
    QCOMPARE(run->MembersById.count(), 2);
}

void TestMembers::missingMemberFiles()
{
    Setup s;
    auto run = s.newRun();
    DiscusReadUserFile(*run);
    QVERIFY(s.host.StopConversion);
    QCOMPARE(s.host.messages.size(), 1);
    QVERIFY2(s.host.messages.first().contains("Users.txt"), qPrintable(s.host.messages.first()));
    QCOMPARE(run->MembersById.count(), 1);
    QCOMPARE(byId(*run, 2)->username, QStringLiteral("admin"));

    // The stopped run writes no groups; the users file holds no row (the administrator is never written).
    phpBB3WriteGroupsFile(*run);
    phpBB3WriteMemberFile(*run);
    QVERIFY(!s.host.progress().contains("Groups Import File"));
    QVERIFY(s.host.progress().contains(CrLf + QStringLiteral("Writing phpBB3 Users Import File, Please Wait...") + CrLf));
    QVERIFY(!QFile::exists(s.settings.phpBB3OutputFolder + "phpBB3_users1.txt"));
    QVERIFY(s.loadedFiles("phpBB3_users").isEmpty());
}

void TestMembers::shortLines()
{
    // A short line with an e-mail address keeps defaults for what it lacks.
    Setup s;
    s.memberFile({QStringLiteral("ann:pw:Ann@X.org"), line("bob")});
    auto run = s.newRun();
    DiscusReadUserFile(*run);
    QVERIFY(!s.host.StopConversion);
    const MemberPtr ann = byId(*run, 48);
    QCOMPARE(ann->RealName, QStringLiteral("ann"));
    QCOMPARE(ann->Email, QStringLiteral("ann@x.org"));
    QCOMPARE(ann->RegisteredDate, 0);
    QVERIFY(ann->Groups.isEmpty());
    QCOMPARE(byId(*run, 49)->username, QStringLiteral("bob"));

}

void TestMembers::badLinesAreSkipped_data()
{
    QTest::addColumn<QByteArray>("bad");
    QTest::addColumn<QString>("reason");
    QTest::newRow("no address, too few fields") << QByteArray("bob:pw::Bob") << "Too Few Fields";
    QTest::newRow("two fields") << QByteArray("bob:pw") << "Too Few Fields";
    QTest::newRow("blank user name") << line("  ", "Real", "r@x.org", "Ghosts").toUtf8() << "Empty User Name";
    QTest::newRow("name of stripped characters") << line("???", "Real", "r@x.org").toUtf8() << "Empty User Name";
    QTest::newRow("control character") << line("bo\x01" "b", "", "b@x.org").toUtf8() << "Control Characters";
    QTest::newRow("invalid bytes") << QByteArray("bo\xff\xfe\x80" "b:pw:b@x.org:Bob:::1:::") << "Invalid Bytes";
    QTest::newRow("number beyond 32 bits") << line("bob", "", "", "", "99999999999").toUtf8() << "Number Out Of Range";
}

void TestMembers::badLinesAreSkipped()
{
    // The bad line costs only its own member; the run goes on and reports it.
    QFETCH(QByteArray, bad);
    QFETCH(QString, reason);
    Setup s;
    qbtest::writeBytes(s.dir.filePath(QStringLiteral("admin/User.txt")),
                       line("ann").toUtf8() + "\r\n" + bad + "\r\n" + line("cy").toUtf8() + "\r\n");
    auto run = s.newRun();
    DiscusReadUserFile(*run);
    QVERIFY(!s.host.StopConversion);
    QVERIFY(s.host.messages.isEmpty());
    QCOMPARE(run->MembersById.count(), 3);
    QCOMPARE(byId(*run, 49)->username, QStringLiteral("cy"));
    QCOMPARE(run->tally.skippedMemberLines.size(), 1);
    QVERIFY2(s.host.progress().contains(QStringLiteral("Member Line Skipped - 2 - ") + reason + CrLf), qPrintable(s.host.progress()));
}

void TestMembers::idsNeverOverflow()
{
    // Member and group ids past their column stop the run with a clear error.
    Setup s;
    s.settings.phpBB3DefaultUsers = std::numeric_limits<qint32>::max();
    s.settings.phpBB3DefaultGroups = 16777214;
    s.memberFile({line("ann", "", "", "One/Two")});
    auto run = s.newRun();
    DiscusReadUserFile(*run);
    QVERIFY(s.host.StopConversion);
    QCOMPARE(run->GroupsByName.count(), 1);
    QCOMPARE(run->MembersById.count(), 1);
    QCOMPARE(s.host.messages.size(), 1);
    QVERIFY2(s.host.messages.first().startsWith("6 - DiscusAddGroups()" + CrLf + CrLf + "Overflow - group ids would pass 16777215"),
             qPrintable(s.host.messages.first()));
    s.host.StopConversion = false;
    QCOMPARE(DiscusAddMember(*run, line("bob").split(QLatin1Char(':'))), 0);
    QVERIFY(s.host.messages.last().contains("Overflow - member ids would pass 2147483647"));
}

void TestMembers::unknownPosterRegistration()
{
    Setup s;
    s.memberFile({line("ann")});
    auto run = s.newRun();
    DiscusReadUserFile(*run);
    const qint32 id = DiscusAddMember(*run, QStringLiteral("Guest Poster,,,,,,,,,,").split(QLatin1Char(',')));
    QCOMPARE(id, 49);
    const MemberPtr m = byId(*run, 49);
    QCOMPARE(m->username, QStringLiteral("Guest Poster"));
    QCOMPARE(m->RealName, QStringLiteral("Guest Poster"));
    QVERIFY(m->Email.isEmpty());
    QCOMPARE(m->EmailHash, 0);
    QCOMPARE(run->MembersByUserName.find("guest poster")->get(), m.get());
    QCOMPARE(DiscusAddMember(*run, QStringLiteral("guest poster,,,,,,,,,,").split(QLatin1Char(','))), 50);
    QCOMPARE(byId(*run, 50)->RealName, QStringLiteral("guest poster 50"));
}

void TestMembers::numericFields_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("email");
    QTest::addColumn<int>("value"); // registration time read
    QTest::addColumn<bool>("error");
    QTest::newRow("plain") << "1100000000" << "" << 1100000000 << false;
    QTest::newRow("blanks") << " 42 " << "" << 42 << false;
    QTest::newRow("signed") << "-7" << "" << -7 << false;
    QTest::newRow("empty") << "" << "" << 0 << false;
    QTest::newRow("text") << "never" << "" << 0 << false;
    QTest::newRow("sign only") << "-" << "" << 0 << false;
    QTest::newRow("fraction") << "12.5" << "" << 12 << false;
    QTest::newRow("exponent") << "1.5e3" << "" << 1500 << false;
    QTest::newRow("largest") << "2147483647" << "" << 2147483647 << false;
    QTest::newRow("too large with address") << "99999999999" << "a@b.c" << 0 << false;
    QTest::newRow("too large without address") << "99999999999" << "" << 0 << true;
}

void TestMembers::numericFields()
{
    QFETCH(QString, field);
    QFETCH(QString, email);
    QFETCH(int, value);
    QFETCH(bool, error);
    Setup s;
    auto run = s.newRun();
    const QStringList fields{"ann", "pw", email, "Ann", "", "", field, "1.2.3.4", "5", ""};
    const qint32 id = DiscusAddMember(*run, fields);
    QCOMPARE(s.host.StopConversion, error);
    if (error) {
        QCOMPARE(id, 0);
        QCOMPARE(run->MembersById.count(), 0);
        QVERIFY(s.host.messages.value(0).startsWith("6 - DiscusAddMember()" + CrLf + CrLf));
        return;
    }
    QCOMPARE(id, 47);
    QCOMPARE(byId(*run, 47)->RegisteredDate, value);
    QCOMPARE(byId(*run, 47)->LastPost, 5);
}

void TestMembers::postCountArrayGrows_data()
{
    QTest::addColumn<int>("members");
    QTest::addColumn<int>("size");
    QTest::newRow("99") << 99 << 101;
    QTest::newRow("100") << 100 << 201;
    QTest::newRow("250") << 250 << 301;
}

void TestMembers::postCountArrayGrows()
{
    QFETCH(int, members);
    QFETCH(int, size);
    Setup s;
    QStringList lines;
    for (int i = 0; i < members; ++i)
        lines << line(QStringLiteral("m%1").arg(i));
    s.memberFile(lines);
    auto run = s.newRun();
    DiscusReadUserFile(*run);
    QCOMPARE(run->MemberPostCounts.size(), size);
}

void TestMembers::usersFileRows()
{
    Setup s;
    s.memberFile({QStringLiteral("bob:secret:Bob@Example.com:Bob Smith:x:y:1100000000:10.0.0.1:1200000000:Admins/Moderators"),
                  line("nogroups", "No Groups"), line("mods", "", "", "/Moderators/Admins"), line("weird", "O'Brien, \"Bob\"", ""),
                  line("jd", "Jane Doe")});
    auto run = s.newRun();
    DiscusReadUserFile(*run);
    run->MemberPostCounts[48] = 12;
    const qint32 poster = DiscusAddMember(*run, QStringLiteral("Drive By,,,,,,,,,,").split(QLatin1Char(',')));
    QCOMPARE(poster, 53);
    run->MemberPostCounts[53] = 3;
    run->MemberPostCounts.resize(52); // id 53 lies beyond the array now: 0 posts
    phpBB3WriteMemberFile(*run);

    const QStringList rows = s.outLines("phpBB3_users1.txt");
    QCOMPARE(rows.size(), 6);
    QCOMPARE(rows.at(0),
             QStringLiteral("48,0,8,\"\",0,\"10.0.0.1\",1100000000,\"bob\",\"bob\",\"secret\",0,\"bob@example.com\","
                            "168741580215,\"\",0,0,1200000000,\"\",\"\",0,0,0,0,0,0,12,\"en\",\"UTC\",\"D M d([) Y g:i a\",1,0,"
                            "\"\",0,0,0,0,-3,0,0,\"t\",\"d\",0,\"t\",\"a\",0,1,0,1,1,1,0,230271,\"\",\"\",0,0,\"\",\"\","
                            "\"\",\"\",\"\",\"\",\"\",0,0,0"));
    QList<int> ids, groups, posts;
    for (const QString &row : rows) {
        const QStringList f = rowFields(row);
        QCOMPARE(f.size(), 66);
        ids << f.at(0).toInt();
        groups << f.at(2).toInt();
        posts << f.at(25).toInt();
        QVERIFY2(f.at(8).count(QLatin1Char('"')) == 2, qPrintable(row)); // no quote inside a name
    }
    QCOMPARE(ids, (QList<int>{48, 49, 50, 51, 52, 53}));
    // A member without a Discus group is in phpBB's registered members' group.
    QCOMPARE(groups, (QList<int>{8, 2, 9, 2, 2, 2}));
    QCOMPARE(posts, (QList<int>{12, 0, 0, 0, 0, 0}));
    QCOMPARE(rowFields(rows.at(4)).at(8), QStringLiteral("\"jd\""));
    QCOMPARE(rowFields(rows.at(5)).at(7), QStringLiteral("\"Drive By\""));
    QCOMPARE(s.loadedFiles("phpBB3_users"), QStringList{"phpBB3_users1.txt"});
    QVERIFY(!run->users.isOpen());
}

void TestMembers::membershipsAndLoginNames()
{
    Setup s;
    s.memberFile({line("bob", "Bob", "", "Admins/Moderators/admins"), line("BOB", "Robert"), line("Anonymous", ""),
                  line("admin", "Other Admin"), line("Tom & Jerry", ""), line("O'Brien", "")});
    auto run = s.newRun();
    DiscusReadUserFile(*run);
    phpBB3WriteMemberFile(*run);
    const QStringList rows = s.outLines("phpBB3_users1.txt");
    QCOMPARE(rows.size(), 6);
    QStringList names, cleans;
    for (const QString &row : rows) {
        const QStringList f = rowFields(row);
        names << f.at(7);
        cleans << f.at(8);
    }
    // Clean names are phpBB's and unique: a repeat of an earlier member's, the guest's or
    // the administrator's gets a blank and the member's id.
    QCOMPARE(names, (QStringList{"\"bob\"", "\"BOB 49\"", "\"Anonymous 50\"", "\"admin 51\"",
                                 "\"Tom &amp; Jerry\"", "\"OBrien\""}));
    QCOMPARE(cleans, (QStringList{"\"bob\"", "\"bob 49\"", "\"anonymous 50\"", "\"admin 51\"",
                                  "\"tom &amp; jerry\"", "\"obrien\""}));
    QCOMPARE(run->MembersById.item(QStringLiteral("49"))->RealName, QStringLiteral("Robert 49"));
    // Every member is in the registered group, and in each of its Discus groups once.
    QCOMPARE(s.outLines("phpBB3_user_group1.txt"),
             (QStringList{"2,48,0,0", "8,48,0,0", "9,48,0,0", "2,49,0,0", "2,50,0,0", "2,51,0,0", "2,52,0,0", "2,53,0,0"}));
    QVERIFY(s.loadedFiles("phpBB3_user_group").contains(QStringLiteral("phpBB3_user_group1.txt")));
}

void TestMembers::usersFileSplit()
{
    Setup s;
    QStringList lines;
    for (int i = 0; i < 10; ++i)
        lines << line(QStringLiteral("member%1").arg(i), QString(), QStringLiteral("m%1@x.org").arg(i), "G");
    s.memberFile(lines);
    s.settings.SplitSize = 1000; // about three rows per file
    auto run = s.newRun();
    DiscusReadUserFile(*run);
    phpBB3WriteMemberFile(*run);
    const QStringList files = s.loadedFiles("phpBB3_users");
    QVERIFY2(files.size() >= 3, qPrintable(files.join(',')));
    QList<int> ids;
    for (int i = 0; i < files.size(); ++i) {
        QCOMPARE(files.at(i), QStringLiteral("phpBB3_users%1.txt").arg(i + 1));
        const QStringList rows = s.outLines(files.at(i));
        QVERIFY(!rows.isEmpty());
        for (const QString &row : rows)
            ids << rowFields(row).at(0).toInt();
    }
    QCOMPARE(ids.size(), 10);
    for (int i = 0; i < 10; ++i)
        QCOMPARE(ids.at(i), 48 + i);
    QVERIFY(!QFile::exists(s.settings.phpBB3OutputFolder + QStringLiteral("phpBB3_users%1.txt").arg(files.size() + 1)));
}

void TestMembers::noGroupsNoGroupsFile()
{
    Setup s;
    s.memberFile({line("ann"), line("bob")});
    auto run = s.newRun();
    DiscusReadUserFile(*run);
    phpBB3WriteGroupsFile(*run);
    QVERIFY(s.host.progress().contains("Writing phpBB3 Groups Import File"));
    QVERIFY(!QFile::exists(s.settings.phpBB3OutputFolder + "phpBB3_groups1.txt"));
    QVERIFY(s.loadedFiles("phpBB3_groups").isEmpty());
}

void TestMembers::manyMembers()
{
    Setup s;
    const int n = 100000;
    QStringList lines;
    lines.reserve(n);
    for (int i = 0; i < n; ++i)
        lines << line(QStringLiteral("user%1").arg(i), QStringLiteral("Same Name"), QStringLiteral("u%1@x.org").arg(i),
                      QStringLiteral("Group%1").arg(i % 50));
    s.memberFile(lines);
    auto run = s.newRun();
    DiscusReadUserFile(*run);
    QCOMPARE(run->MembersById.count(), n + 1);
    QCOMPARE(run->GroupsByName.count(), 50);
    QCOMPARE(byId(*run, 47 + n)->RealName, QStringLiteral("Same Name %1").arg(47 + n));
    QVERIFY(run->MemberPostCounts.size() > n);
    phpBB3WriteMemberFile(*run);
    const QStringList rows = s.outLines("phpBB3_users1.txt");
    QCOMPARE(rows.size(), n);
    QSet<QString> cleanNames;
    for (const QString &row : rows)
        cleanNames.insert(rowFields(row).at(8));
    QCOMPARE(cleanNames.size(), n); // phpBB's unique key on username_clean holds
}

QTEST_GUILESS_MAIN(TestMembers)
#include "tst_members.moc"
