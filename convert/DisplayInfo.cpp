// The controller as the run's host: progress display and the two logs, the error
// trap's report, message boxes, the counters shown, and yielding to events.
#include "convert/ConvertController.h"

#include "output/TextCleaning.h"

#include <QStringEncoder>

namespace {
const QString CrLf = QStringLiteral("\r\n");

// Appends text + CR LF to a UTF-16LE file (with byte-order mark when it is new).
QByteArray utf16Line(const QString &text)
{
    const QString line = text + CrLf;
    return QByteArray(reinterpret_cast<const char *>(line.utf16()), line.size() * 2);
}

bool appendUtf16(QFile &file, const QString &text)
{
    return file.write(utf16Line(text)) >= 0;
}

bool openUtf16ForAppend(QFile &file)
{
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    if (file.size() == 0)
        file.write("\xFF\xFE", 2);
    return true;
}
} // namespace

void ConvertController::DisplayInfo(const QString &raw, bool forceDisplay, bool forceLog, bool alsoErrorLog)
{
    Trap(QStringLiteral("DisplayInfo()"), [&] {
        // Names in progress lines carry the row tokens of the import files; people read
        // the characters.
        const QString text = raw.contains(QLatin1Char('(')) ? DecodeSpecialCharacters(raw, CrLf) : raw;
        if (forceDisplay || ShowProgress) {
            const int noted = view.progressLength();
            // The area starts over with the new text when it would pass its bound.
            if (qint64(noted) + text.size() > ProgressAreaCapacity)
                view.progressSet(text);
            else
                view.progressAppend(text);
            m_lastProgressLength = noted;
        }
        if ((forceLog || LogProgress) && m_log && m_log->isOpen()) {
            if (!appendUtf16(*m_log, text))
                throw QbError(QbErrNo::FileIO, m_log->errorString());
            if (++m_logLines >= 1000) {
                // Closing and reopening puts the lines on disk while the run goes on.
                m_log->close();
                m_logLines = 0;
                if (!openUtf16ForAppend(*m_log))
                    throw QbError(QbErrNo::PathFileAccess, m_log->errorString());
            }
        }
        if (alsoErrorLog && m_errorLogReady) {
            QFile err(ErrorLogFile);
            if (!openUtf16ForAppend(err))
                throw QbError(QbErrNo::PathFileAccess, err.errorString());
            appendUtf16(err, text);
            err.close();
        }
    });
    CvDoEvents();
}

void ConvertController::openLogs()
{
    closeLogs();
    QFile::remove(LogFile);
    QFile::remove(ErrorLogFile);
    m_log = std::make_unique<QFile>(LogFile);
    if (!openUtf16ForAppend(*m_log))
        throw QbError(QbErrNo::PathFileAccess, LogFile + QStringLiteral(" - ") + m_log->errorString());
    m_logLines = 0;
    QFile err(ErrorLogFile);
    if (!openUtf16ForAppend(err))
        throw QbError(QbErrNo::PathFileAccess, ErrorLogFile + QStringLiteral(" - ") + err.errorString());
    appendUtf16(err, CrLf);
    err.close();
    m_errorLogReady = true;
}

void ConvertController::closeLogs()
{
    if (m_log) {
        m_log->close();
        m_log.reset();
    }
    m_logLines = 0;
    m_errorLogReady = false;
}

void ConvertController::AddProcessedFolder(const QString &name)
{
    view.addProcessedFolder(name);
}

void ConvertController::showPostCount(qint32 count)
{
    view.setText(QStringLiteral("txtMsgCount"), QString::number(count));
}

void ConvertController::showProgressBar(qint64 done, qint64 total, qint64 secondsLeft)
{
    view.progressBar(done, total, secondsLeft);
}

void ConvertController::messageBox(const QString &text)
{
    view.messageBox(text);
}

void ConvertController::CvDoEvents()
{
    view.processEvents();
}

void ConvertController::reportError(int number, const QString &label, const QString &description)
{
    const QString text = QString::number(number) + QStringLiteral(" - ") + label + CrLf + CrLf + description;
    m_gen.WriteErrorLog(text);
    // The run's own logs keep the error too, so the report is not lost with the message box.
    if (m_errorLogReady && !m_inReport) {
        m_inReport = true;
        DisplayInfo(CrLf + text + CrLf, true, true, true);
        m_inReport = false;
    }
    view.errorBox(text);
    if (Running)
        m_errorStopped = true;
    StopConversion = true;
}
