#pragma once
// The main window's logic without any widget: the settings file, the run-wide values
// of the window (a RunSettings that the driver copies into each run), every field
// handler, the folder preparation, the progress display and logs, and the conversion
// run. It is the run's host: the phases report to it through RunHost. frmConvert and
// the batch mode both drive it through a ConvertView.
#include "convert/ConvertView.h"
#include "routines/clsCvGenRtns.h"
#include "run/RunHost.h"
#include "run/RunSettings.h"

#include <QFile>
#include <QString>
#include <memory>

class ConvertController : public RunHost, public RunSettings {
public:
    ConvertController(ConvertView &view, QString settingsFile, QString programFolder);
    ~ConvertController() override;

    ConvertView &view;
    clsCvGenRtns &gen() { return m_gen; }

    // Settings file and the program's folder (ending with "/"); the Docs folder and the
    // other run-wide values of the window are the RunSettings fields.
    QString SettingsFile;
    QString ProgramFolder;

    // Progress check boxes, the run state, and the two logs.
    bool ShowProgress = true, LogProgress = true;
    bool Running = false;
    QString LogFile, ErrorLogFile;

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

    // Progress display and logs (RunHost).
    void DisplayInfo(const QString &text, bool forceDisplay = false, bool forceLog = false, bool alsoErrorLog = false) override;
    void AddProcessedFolder(const QString &name) override;
    void openLogs() override; // creates Log.txt (kept open) and LogError.txt (one empty line)
    void closeLogs();
    void showPostCount(qint32 count) override;
    void showProgressBar(qint64 done, qint64 total, qint64 secondsLeft) override;
    void messageBox(const QString &text) override;
    static constexpr int ProgressAreaCapacity = 16 * 1024 * 1024;

    // Yields to pending window events (the library's CvDoEvents through the view).
    void CvDoEvents() override;

    // The error trap's report (RunHost::Trap): shows and logs
    // number + " - " + label + CR LF CR LF + description and sets StopConversion.
    void reportError(int number, const QString &label, const QString &description) override;

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
