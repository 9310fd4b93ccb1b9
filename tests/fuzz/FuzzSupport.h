#pragma once
// What the fuzz targets share: a controller over a temporary Discus installation and
// output folder made once per process, a fresh run per input, and the import-row parse
// with MariaDB's rule for the row checks.
#include "run/ConversionRun.h"
#include "members/modMembers.h"
#include "output/ImportRows.h"
#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace qbfuzz {

// A view that shows nothing: messages and progress are dropped.
class QuietView : public MapView {
public:
    void messageBox(const QString &) override {}
    QString browseFolder(const QString &) override { return QString(); }
    void openDocument(const QString &) override {}
    void progressAppend(const QString &) override {}
    void progressSet(const QString &) override {}
};

struct Env {
    QTemporaryDir dir;
    QuietView view;
    std::unique_ptr<ConvertController> ctl;
    QString messages, admin, out;

    Env()
    {
        messages = dir.path() + QStringLiteral("/discus/messages/");
        admin = dir.path() + QStringLiteral("/discus_admin_1/");
        out = dir.path() + QStringLiteral("/out/");
        QDir().mkpath(messages);
        QDir().mkpath(admin + QStringLiteral("secure"));
        QDir().mkpath(out);
        ctl = std::make_unique<ConvertController>(view, dir.filePath(QStringLiteral("s.ini")), dir.path() + QLatin1Char('/'));
        ctl->DiscusRootFolder = dir.path() + QLatin1Char('/');
        ctl->DiscusMessageFolder = messages;
        ctl->DiscusSecureMessageFolder = admin + QStringLiteral("secure/");
        ctl->DiscusMainFolder = admin;
        ctl->phpBB3OutputFolder = out;
        ctl->UserFile = admin + QStringLiteral("User.txt");
        ctl->UsersFile = admin + QStringLiteral("Users.txt");
        ctl->ImportScriptFile = out + QStringLiteral("Discus Conversion Import SQL.sql");
        ctl->DiscusCharset = QStringLiteral("utf-8");
        ctl->CreateHiddenTopics = true;
        ctl->FindDiscusSpecialCharacters = false;
        ctl->CreateRedirectionFiles = false;
        ctl->CreateAttachments = false;
        ctl->ShowProgress = false;
        ctl->LogProgress = false;
        ctl->phpBB3DefaultAdmin = QStringLiteral("Admin");
        ctl->phpBB3DefaultUsers = 47;
        ctl->phpBB3DefaultGroups = 7;
        ctl->DiscusWebsite = QStringLiteral("http://old.example.org");
        ctl->phpBB3ForumAddr = QStringLiteral("http://new.example.org/forum");
    }

    // A run that starts from nothing, the administrator registered (id 2) unless the
    // member file reader is to do it.
    std::unique_ptr<ConversionRun> newRun(bool withAdministrator = true)
    {
        ctl->StopConversion = false;
        auto run = std::make_unique<ConversionRun>(*ctl);
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
