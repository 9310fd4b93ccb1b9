// The conversion run: Convert, Cancel, File > Exit and the close box.
#include "boards/modBoards.h"
#include "boards/modTopics.h"
#include "convert/ConversionReport.h"
#include "convert/ConvertController.h"
#include "convert/SettingsKeys.h"
#include "members/modMembers.h"
#include "messages/modLinks.h"
#include "messages/modRedirect.h"
#include "output/ImportFile.h"
#include "output/SpecialCharacters.h"
#include "output/TextFiles.h"
#include "output/phpBBScript.h"
#include "run/BackgroundWork.h"
#include "output/phpMyAdminScript.h"
#include "run/ConversionRun.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QLocale>
#include <QSet>
#include <cmath>

namespace {
const QString CrLf = QStringLiteral("\r\n");

// The page files under the board folders, counted before the walk so the progress bar
// knows its end: every ".html" file below the messages folder, and with hidden topics the
// secure folder's pages that the messages folder lacks.
qint64 countPageFiles(const QString &messages, const QString &secure, bool hidden)
{
    const auto pages = [](const QString &root, const auto &each) {
        for (const QString &board : QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QDirIterator it(root + board, {QStringLiteral("*.html")}, QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext())
                each(it.next().mid(root.size()));
        }
    };
    QSet<QString> seen;
    pages(messages, [&](const QString &relative) { seen.insert(relative.toLower()); });
    qint64 total = seen.size();
    if (hidden && secure != messages)
        pages(secure, [&](const QString &relative) { total += seen.contains(relative.toLower()) ? 0 : 1; });
    return total;
}
} // namespace

void ConvertController::cmdConvert_Click()
{
    if (Running)
        return;
    Running = true;
    LastRunResult = RunResult::NotStarted;
    m_errorStopped = false;
    auto toIdle = [this] {
        view.setEnabled(QStringLiteral("cmdCancel"), false);
        view.setEnabled(QStringLiteral("cmdConvert"), true);
        Running = false;
    };

    // 1-2. A new run state; the window goes to the running state.
    auto run = std::make_unique<ConversionRun>(*this);
    view.setText(QStringLiteral("txtMsgCount"), QString());
    view.setEnabled(QStringLiteral("cmdCancel"), true);
    view.setEnabled(QStringLiteral("cmdConvert"), false);
    view.progressSet(QString());

    // 3. The split size in characters (64-bit: sizes of 2048 MB and more must not overflow).
    const double mb = QLocale::c().toDouble(view.text(QStringLiteral("txtSplitMBSize")).trimmed());
    SplitSize = std::isfinite(mb) ? qint64(std::llround(mb * 1048576.0)) : 0;

    // The count fields must hold whole numbers within their bounds: a run with a count the
    // field could not read would write a script that phpBB's guard refuses.
    for (const CountField &field : countFields()) {
        const QString problem = checkCountField(field, view.text(QLatin1String(field.control)));
        if (!problem.isEmpty()) {
            view.progressSet(QString());
            view.messageBox(problem);
            view.setFocus(QLatin1String(field.control));
            toIdle();
            return;
        }
    }
    phpBB3DefaultUsers = qint32(view.text(QStringLiteral("txtDefaultUsers")).trimmed().toLongLong());
    phpBB3DefaultGroups = qint32(view.text(QStringLiteral("txtDefaultGroups")).trimmed().toLongLong());

    // 4-6. Inputs that must be filled in.
    txtDefaultAdmin_LostFocus();
    if (phpBB3DefaultAdmin.isEmpty()) {
        view.progressSet(QString());
        toIdle();
        return;
    }
    if (view.text(QStringLiteral("txtDiscusWebsite")).trimmed().isEmpty()) {
        view.messageBox(QStringLiteral("Discus website must be filled in"));
        toIdle();
        return;
    }
    if (view.text(QStringLiteral("txtphpBB3ForumAddr")).trimmed().isEmpty()) {
        view.messageBox(QStringLiteral("phpBB3 Forum Address must be filled in"));
        toIdle();
        return;
    }

    // 7. The fields become the run-wide values; the source files follow from them.
    DiscusRootFolder = gen().FixPath(view.text(QStringLiteral("txtDiscusRootFolder")));
    DiscusMessageFolder = gen().FixPath(view.text(QStringLiteral("txtDiscusMessageFolder")));
    DiscusSecureMessageFolder = gen().FixPath(view.text(QStringLiteral("txtDiscusSecureMessageFolder")));
    DiscusMainFolder = gen().FixPath(view.text(QStringLiteral("txtDiscusMainFolder")));
    phpBB3OutputFolder = gen().FixPath(view.text(QStringLiteral("txtphpBB3OutputFolder")));
    phpBB3AttachmentsFolder = gen().FixPath(view.text(QStringLiteral("txtphpBB3AttachmentsFolder")));
    DiscusWebsite = view.text(QStringLiteral("txtDiscusWebsite")).trimmed();
    phpBB3ForumAddr = view.text(QStringLiteral("txtphpBB3ForumAddr")).trimmed();
    BoardTopicsFile = DiscusMessageFolder + QStringLiteral("board-topics.html");
    DiscusCgiFile = DiscusMessageFolder + QStringLiteral("discus.cgi");
    TreeFile = DiscusMainFolder + QStringLiteral("tree.txt");
    UserFile = DiscusMainFolder + QStringLiteral("User.txt");
    UsersFile = DiscusMainFolder + QStringLiteral("Users.txt");

    QString startText;

    // 8-15. Preparation and the phases; any failure goes on to the closing steps. Every
    // phase traps its own errors; this trap is the last safety net of the run.
    bool prepared = false;
    Trap(QStringLiteral("cmdConvert_Click()"), [&] {
    SetupFolderLocations();
    if (StopConversion)
        return;
    prepared = true;
    {
        // 9. Output file names, the logs, the script and the attachments folder (no
        // trailing separator from here on: the attachments writer adds its own).
        LogFile = phpBB3OutputFolder + QStringLiteral("Log.txt");
        ErrorLogFile = phpBB3OutputFolder + QStringLiteral("LogError.txt");
        ImportScriptFile = phpBB3OutputFolder + QStringLiteral("Discus Conversion Import SQL.sql");
        phpBB3AttachmentsFolder = RemoveTrailingSlash(phpBB3AttachmentsFolder);
        // The run's settings are the window's run-wide values from here on.
        run->settings = *this;
        run->nameOutputFiles();

        // 10.
        phpBB3OpenOutputFiles(*run);
        phpBBWriteScriptStart(*run);
        phpMyAdminScriptStart(*run);

        // 11. The charset is detected once; later runs use what the drop-down shows.
        if (!StopConversion) {
            if (DiscusCharset.isEmpty())
                DiscusCharset = DetectDiscusCharset();
            if (view.text(QStringLiteral("cboCharset")).trimmed().isEmpty())
                view.setText(QStringLiteral("cboCharset"), QStringLiteral("utf-8"));
            DiscusCharset = view.text(QStringLiteral("cboCharset")).trimmed();
            run->settings.DiscusCharset = DiscusCharset;
        }

        // 12.
        DiscusGetReplaceableCharacterArray(*run, DiscusCharset);

        // 13. The redirection template is required.
        const QString redirectPath = DocsFolder + QStringLiteral("Redirect.html");
        if (!StopConversion) {
            GetFileDataANSI(*this, redirectPath, run->RedirectTemplate);
            if (run->RedirectTemplate.isEmpty()) {
                view.messageBox(QStringLiteral("Source Redirect file not found - ") + redirectPath);
                StopConversion = true;
            }
        }

        if (!StopConversion) {
            // 14.
            DisplayInfo(QStringLiteral("Conversion Start Time: ") + QLocale::system().toString(QDateTime::currentDateTime(), QLocale::ShortFormat) + CrLf + CrLf,
                        true, true, true);
            startText = gen().StartTime();
            run->tally.progress.start(countPageFiles(DiscusMessageFolder, DiscusSecureMessageFolder, CreateHiddenTopics));
            view.progressBar(0, run->tally.progress.total(), -1);

            // 15. The users file is written for the members read so far even after a stop.
            ResetDataIndex(*run, 0);
            DiscusReadUserFile(*run);
            phpBB3WriteGroupsFile(*run);
            DiscusProcessDiscusMainBoardFile(*run);
            phpBB3WriteMemberFile(*run);
        }

    }
    });

    // 16. Closing, on every path that passed the folder preparation: everything written
    // so far is saved with its load statement.
    if (prepared)
        Trap(QStringLiteral("cmdConvert_Click()"), [&] {
            UpdateInternalLinks(*run);
            phpBB3CloseOutputFiles(*run);
            phpBBAppendFinishingSql(*run);
            // The web-server maps of the redirection pages written.
            WriteRedirectMaps(*run);
            WaitForBackgroundWork(*run);
        });

    // A run refused before it started (a folder missing, the output folder not usable) has
    // shown its one message; there is nothing to report.
    if (!prepared) {
        StopConversion = false;
        run.reset();
        view.setBusy(false);
        toIdle();
        if (m_closePending)
            view.closeWindow();
        return;
    }

    // 17. From here on errors are ignored.
    const bool cancelled = StopConversion;
    ConversionReport report;
    report.end = !cancelled ? ConversionReport::End::Complete
                            : m_errorStopped ? ConversionReport::End::Error : ConversionReport::End::Cancelled;
    view.setBusy(false);
    view.setText(QStringLiteral("txtMsgCount"), QString::number(run->PostIdCounter));
    if (!cancelled)
        view.progressBar(run->tally.progress.total(), run->tally.progress.total(), 0);
    report.outputFolder = phpBB3OutputFolder;
    report.attachmentsFolder = phpBB3AttachmentsFolder;
    report.scriptFile = ImportScriptFile;
    report.collect(run.get());
    InitDataIndex(*run, 0);
    run.reset();

    // 18.
    report.startText = startText;
    report.stopText = gen().StopTime();
    report.elapsedText = gen().GetElapsedTime(startText, report.stopText);
    const QString reportFile = report.save();
    const QString text = report.text();

    // 19. The report is the last entry of both logs, then the end box.
    DisplayInfo(text, true, true, true);
    closeLogs();
    LastReport = text;
    LastRunResult = cancelled ? RunResult::Cancelled : RunResult::Completed;
    view.finishBox(text, reportFile);

    // 20.
    StopConversion = false;
    toIdle();
    if (m_closePending)
        view.closeWindow();
}

void ConvertController::cmdCancel_Click()
{
    StopConversion = true;
    view.setEnabled(QStringLiteral("cmdCancel"), false);
    view.setBusy(true);
}

void ConvertController::mnuExit_Click()
{
    StopConversion = true;
    view.closeWindow();
}

bool ConvertController::requestClose()
{
    if (!Running)
        return true;
    // The run winds down and saves; the window closes when it has finished.
    StopConversion = true;
    m_closePending = true;
    return false;
}
