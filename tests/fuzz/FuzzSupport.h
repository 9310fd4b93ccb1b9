#pragma once
// What the fuzz targets share: a quiet run host and the settings of a temporary Discus
// installation and output folder made once per process, a fresh run per input, and the
// import-row parse with MariaDB's rule for the row checks.
#include "members/modMembers.h"
#include "output/ImportRows.h"
#include "run/ConversionRun.h"
#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace qbfuzz {

// A host that shows and logs nothing; a trapped error only stops the run.
class QuietHost : public RunHost {
public:
    void DisplayInfo(const QString &, bool, bool, bool) override {}
    void openLogs() override {}
    void reportError(int, const QString &, const QString &) override { StopConversion = true; }
    void CvDoEvents() override {}
    void messageBox(const QString &) override {}
    void AddProcessedFolder(const QString &) override {}
    void showPostCount(qint32) override {}
    void showProgressBar(qint64, qint64, qint64) override {}
};

struct Env {
    QTemporaryDir dir;
    QuietHost host;
    RunSettings settings;
    QString messages, admin, out;

    Env()
    {
        messages = dir.path() + QStringLiteral("/discus/messages/");
        admin = dir.path() + QStringLiteral("/discus_admin_1/");
        out = dir.path() + QStringLiteral("/out/");
        QDir().mkpath(messages);
        QDir().mkpath(admin + QStringLiteral("secure"));
        QDir().mkpath(out);
        settings.DiscusRootFolder = dir.path() + QLatin1Char('/');
        settings.DiscusMessageFolder = messages;
        settings.DiscusSecureMessageFolder = admin + QStringLiteral("secure/");
        settings.DiscusMainFolder = admin;
        settings.phpBB3OutputFolder = out;
        settings.UserFile = admin + QStringLiteral("User.txt");
        settings.UsersFile = admin + QStringLiteral("Users.txt");
        settings.ImportScriptFile = out + QStringLiteral("Discus Conversion Import SQL.sql");
        settings.DiscusCharset = QStringLiteral("utf-8");
        settings.CreateHiddenTopics = true;
        settings.FindDiscusSpecialCharacters = false;
        settings.CreateRedirectionFiles = false;
        settings.CreateAttachments = false;
        settings.phpBB3DefaultAdmin = QStringLiteral("Admin");
        settings.phpBB3DefaultUsers = 47;
        settings.phpBB3DefaultGroups = 7;
        settings.DiscusWebsite = QStringLiteral("http://old.example.org");
        settings.phpBB3ForumAddr = QStringLiteral("http://new.example.org/forum");
    }

    // A run that starts from nothing, the administrator registered (id 2) unless the
    // member file reader is to do it.
    std::unique_ptr<ConversionRun> newRun(bool withAdministrator = true)
    {
        host.StopConversion = false;
        auto run = std::make_unique<ConversionRun>(host, settings);
        run->nameOutputFiles();
        if (withAdministrator)
            DiscusAddMember(*run, (QStringLiteral("Admin,,") + AdministratorEmail + QStringLiteral(",Admin,,,,0,,,")).split(QLatin1Char(',')),
                        true);
        return run;
    }
};

// One process-wide environment; Qt needs its application object for the text codecs.
inline Env &env()
{
    static int argc = 1;
    static char name[] = "qb-fuzz";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static Env e;
    return e;
}

// Aborts (a finding) when the condition fails.
inline void require(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "fuzz check failed: %s\n", what);
        std::abort();
    }
}

} // namespace qbfuzz
