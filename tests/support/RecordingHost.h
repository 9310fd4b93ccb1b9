#pragma once
// A run host for tests of one phase: it keeps what the run showed, logged and reported
// in memory, the way the controller writes its progress area and logs.
#include "run/RunHost.h"

#include <QString>
#include <QStringList>

namespace qbtest {

class RecordingHost : public RunHost {
public:
    bool ShowProgress = true, LogProgress = true;
    QStringList messages;  // message boxes, trapped errors included
    QString log, errorLog; // what went to Log.txt and LogError.txt since openLogs()
    int logsOpened = 0;
    qint32 postCount = -1; // the last message counter shown
    qint64 pagesDone = -1, pagesTotal = -1; // the last progress bar shown

    QString progress() const { return m_progress; }
    QStringList processedFolders() const { return m_folders; }

    void DisplayInfo(const QString &text, bool forceDisplay = false, bool forceLog = false, bool alsoErrorLog = false) override
    {
        if (forceDisplay || ShowProgress)
            m_progress += text;
        if (logsOpened && (forceLog || LogProgress))
            log += text;
        if (logsOpened && alsoErrorLog)
            errorLog += text;
    }
    void openLogs() override
    {
        ++logsOpened;
        log.clear();
        errorLog = QStringLiteral("\r\n");
    }
    void reportError(int number, const QString &label, const QString &description) override
    {
        const QString text = QString::number(number) + QStringLiteral(" - ") + label + QStringLiteral("\r\n\r\n") + description;
        if (logsOpened)
            DisplayInfo(QStringLiteral("\r\n") + text + QStringLiteral("\r\n"), true, true, true);
        messages << text;
        StopConversion = true;
    }
    void CvDoEvents() override {}
    void messageBox(const QString &text) override { messages << text; }
    void AddProcessedFolder(const QString &name) override { m_folders << name; }
    void showPostCount(qint32 count) override { postCount = count; }
    void showProgressBar(qint64 done, qint64 total, qint64) override
    {
        pagesDone = done;
        pagesTotal = total;
    }

private:
    QString m_progress;
    QStringList m_folders;
};

} // namespace qbtest
