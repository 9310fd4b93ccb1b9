#pragma once
// What a run needs of the outside: progress and logs, the report of a trapped error,
// yielding to events, the stop flag, message boxes, the processed-folder list and the
// counters shown.
// ConvertController implements it for the window and the batch mode; tests record.
#include "run/QbError.h"

#include <QString>
#include <exception>
#include <utility>

class RunHost {
public:
    virtual ~RunHost() = default;

    // Set by Cancel, the close box or a trapped error; the phases stop at their next test.
    bool StopConversion = false;

    // The text goes to the progress area when progress is shown (or forceDisplay), to the
    // log when progress is logged (or forceLog), and also to the error log when alsoErrorLog.
    virtual void DisplayInfo(const QString &text, bool forceDisplay = false, bool forceLog = false, bool alsoErrorLog = false) = 0;
    // Creates the run's logs: Log.txt (kept open) and LogError.txt (one empty line).
    virtual void openLogs() = 0;
    // Shows and logs number + " - " + label + CR LF CR LF + description; sets StopConversion.
    virtual void reportError(int number, const QString &label, const QString &description) = 0;
    // Lets pending window events run (Cancel, repaint).
    virtual void CvDoEvents() = 0;
    // A modal message box with an OK button.
    virtual void messageBox(const QString &text) = 0;
    // A board folder the walk has finished, for the processed-folders list.
    virtual void AddProcessedFolder(const QString &name) = 0;
    // The posts converted so far (the window's message counter).
    virtual void showPostCount(qint32 count) = 0;
    // The progress bar: pages done of total, the seconds left (-1: not known yet).
    virtual void showProgressBar(qint64 done, qint64 total, qint64 secondsLeft) = 0;

    // The common error trap: runs body; on an error reports it (reportError) and returns
    // false. label is the procedure's name with "()" (readers add " - " + path).
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
};
