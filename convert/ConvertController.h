#pragma once
// The main window's logic without any widget: the settings file, the run-wide values
// of the window, every field handler, the folder preparation, the progress display and
// logs, the error trap and the conversion run. frmConvert and the batch mode both drive
// it through a ConvertView.
#include "convert/ConvertView.h"
#include "convert/QbError.h"
#include "routines/clsCvGenRtns.h"

#include <QFile>
#include <QString>
#include <memory>

class ConversionRun;

class ConvertController {
public:
    ConvertController(ConvertView &view, QString settingsFile, QString programFolder);
    ~ConvertController();

    ConvertView &view;
    clsCvGenRtns &gen() { return m_gen; }

    // Settings file, the program's folder and its Docs folder (each folder ends with "/").
    QString SettingsFile;
    QString ProgramFolder;
    QString DocsFolder;

    // Run-wide values of the window (folders end with "/").
    QString DiscusRootFolder, DiscusMessageFolder, DiscusSecureMessageFolder, DiscusMainFolder;
    QString phpBB3OutputFolder, phpBB3AttachmentsFolder, RedirectFolder;
    QString BoardTopicsFile, DiscusCgiFile, TreeFile, UserFile, UsersFile;
    QString DiscusWebsite, phpBB3ForumAddr;
    QString DiscusCharset;            // empty until the first run detects it
    qint64 SplitSize = 0;             // characters; 0 or less: never split
    QString phpBB3DefaultAdmin;
    qint32 phpBB3DefaultUsers = 57;
    qint32 phpBB3DefaultGroups = 7;
    QString phpBB3Version = QStringLiteral("3.3"); // target phpBB release: "3.3" or "3.2"
    double ImportPartMBSize = 8;      // largest file of the SQL for phpMyAdmin; 0: one file
    bool CreateAttachments = true, CreateHiddenTopics = true, CreateRedirectionFiles = true,
         FindDiscusSpecialCharacters = true, ShowProgress = true, LogProgress = true;
    // Italics, underlining, quotes, lists, code, headings and block breaks become BBCode too.
    bool ConvertAllFormatting = true;
    bool StopConversion = false;
    bool Running = false;
    ConversionRun *currentRun = nullptr; // the run in progress, if any
    QString LogFile, ErrorLogFile, ImportScriptFile;

    // Settings file access, section "Settings".
    QString readSetting(const QString &key, const QString &def);
    void saveSetting(const QString &key, const QString &value);
    static QString defaultDiscusBase(); // home + "/Discusware/"

    // Start-up of the window and the folder fields.
    void FormLoad();
    void InitializeFolders();

    // Field handlers (lost focus); each validates and saves its own field.
    void txtDiscusRootFolder_LostFocus();
    void txtphpBB3OutputFolder_LostFocus();
    void txtDiscusWebsite_LostFocus();
    void txtphpBB3ForumAddr_LostFocus();
    void txtSplitMBSize_LostFocus();
    void txtDefaultAdmin_LostFocus();
    void txtDefaultUsers_LostFocus();
    void txtDefaultGroups_LostFocus();
    void cmdBrowseRoot_Click();
    void cmdBrowseOutput_Click();
    void cmdHelp_Click();
    // A click on one of the six check boxes (progress and options): saves and sets its flag.
    void checkBox_Click(const QString &control);
    // A choice in the options dialog's phpBB3 version drop-down: saves and sets phpBB3Version.
    void cboPhpBB3Version_Click();
    // The options dialog's part size of the SQL for phpMyAdmin: checks, saves and sets it.
    void txtImportPartMBSize_LostFocus();

    void SetupFolderLocations();
    QString DetectDiscusCharset();
    static QString FindTheFile(const QString &startFolder, const QString &fragment);
    static QString RemoveTrailingSlash(const QString &text);
    static QString RemoveTrailingBackslash(const QString &text);
    QString userGuidePath() const;

    // The run (Convert), Cancel, File > Exit, and the close box.
    void cmdConvert_Click();
    void cmdCancel_Click();
    void mnuExit_Click();
    // The close box: true when the window may close now; during a run it asks the run
    // to stop and the window closes when the run has wound down.
    bool requestClose();
    bool closePending() const { return m_closePending; }
    // How the last Convert ended: not started (an input or the folder preparation was
    // refused; nothing was written), completed, or cancelled / stopped by an error.
    enum class RunResult { NotStarted, Completed, Cancelled };
    RunResult LastRunResult = RunResult::NotStarted;
    QString LastReport; // the last run's closing report

    // Progress display and logs.
    void DisplayInfo(const QString &text, bool forceDisplay = false, bool forceLog = false, bool alsoErrorLog = false);
    void AddProcessedFolder(const QString &name);
    void openLogs();  // creates Log.txt (kept open) and LogError.txt (one empty line)
    void closeLogs();
    static constexpr int ProgressAreaCapacity = 16 * 1024 * 1024;

    // Yields to pending window events (the library's CvDoEvents through the view).
    void CvDoEvents();

    // The common error trap: runs body; on an error shows and logs
    // number + " - " + label + CR LF CR LF + description, sets StopConversion and
    // returns false. label is the procedure's name with "()" (readers add " - " + path).
    template <typename F>
    bool Trap(const QString &label, F &&body)
    {
        try {
            body();
            return true;
        } catch (const QbError &e) {
            reportError(e.number(), label, e.description());
        } catch (const std::exception &e) {
            reportError(QbErrNo::InternalError, label, QString::fromLocal8Bit(e.what()));
        }
        return false;
    }
    void reportError(int number, const QString &label, const QString &description);

private:
    bool outputFolderIsOurs(const QString &folder, QString *foreign) const;
    QString adminFolderFor(const QString &root) const;

    clsCvGenRtns m_gen;
    std::unique_ptr<QFile> m_log;
    int m_logLines = 0;
    int m_lastProgressLength = -1;
    bool m_errorLogReady = false;
    bool m_closePending = false;
    bool m_inReport = false;
    bool m_errorStopped = false; // an error trap stopped the current run
};
