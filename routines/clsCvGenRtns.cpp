// kestrelkit's general routines. The settings-file parser lives in kkIniFile.cpp, the
// modal dialogs in kkDialogs.cpp.
#include "routines/clsCvGenRtns.h"

#include "routines/kkDialogs.h"
#include "routines/kkIniFile.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QWidget>

#include <chrono>
#include <limits>
#include <time.h>

namespace {

// The text form of StartTime/StopTime, read back exactly by GetElapsedTime.
const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

// Pending events are looked for at most this often; CvDoEvents runs after every row.
constexpr qint64 kEventIntervalMs = 5;

struct ErrorLog {
    bool on = false;
    QString fileName;
};
thread_local ErrorLog t_errorLog;

// Whether HourGlassOn put up the screen-wide busy pointer (window thread only).
bool g_busyOverride = false;

// Milliseconds of a monotonic clock. A coarse clock is plenty for throttling and, where
// the system has one, several times cheaper to read than the precise clock.
qint64 coarseMsecs()
{
#if defined(CLOCK_MONOTONIC_COARSE)
    timespec ts;
    if (clock_gettime(CLOCK_MONOTONIC_COARSE, &ts) == 0)
        return qint64(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
#endif
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool haveGui()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr;
}

QDateTime readDateTime(const QString &text)
{
    const QString t = text.trimmed();
    QDateTime dt = QDateTime::fromString(t, kTimeFormat);
    if (!dt.isValid())
        dt = QDateTime::fromString(t, Qt::ISODate);
    return dt;
}

// A file-name pattern with the wildcards "*" and "?" (no other special characters).
QRegularExpression wildcardPattern(const QString &pattern)
{
    QString rx;
    QString literal;
    for (const QChar c : pattern) {
        if (c == QLatin1Char('*') || c == QLatin1Char('?')) {
            rx += QRegularExpression::escape(literal) + (c == QLatin1Char('*') ? QLatin1String(".*") : QLatin1String("."));
            literal.clear();
        } else {
            literal += c;
        }
    }
    rx += QRegularExpression::escape(literal);
#if defined(Q_OS_WIN) || defined(Q_OS_MACOS)
    const auto options = QRegularExpression::CaseInsensitiveOption;
#else
    const auto options = QRegularExpression::NoPatternOption;
#endif
    return QRegularExpression(QRegularExpression::anchoredPattern(rx), options);
}

} // namespace

QString clsCvGenRtns::StartTime() const
{
    return QDateTime::currentDateTime().toString(kTimeFormat);
}

QString clsCvGenRtns::StopTime() const
{
    return StartTime();
}

QString clsCvGenRtns::GetElapsedTime(const QString &startText, const QString &stopText) const
{
    const QDateTime start = readDateTime(startText);
    const QDateTime stop = readDateTime(stopText);
    if (!start.isValid() || !stop.isValid())
        return QStringLiteral("00:00:00");
    qint64 seconds = start.secsTo(stop);
    const bool negative = seconds < 0; // the clock was set back during the run
    if (negative)
        seconds = -seconds;
    const qint64 hours = seconds / 3600;
    const qint64 minutes = seconds % 3600 / 60;
    return (negative ? QStringLiteral("-") : QString())
        + QString::asprintf("%02lld:%02lld:%02lld", hours, minutes, seconds % 60);
}

QString clsCvGenRtns::FixPath(const QString &path) const
{
    const QString p = path.trimmed();
    if (p.isEmpty() || p.endsWith(QLatin1Char('/')))
        return p;
    return p + QLatin1Char('/');
}

bool clsCvGenRtns::WriteIniString(const QString &section, const QString &key, const QString &value,
                                  const QString &fileName)
{
    return kkIniFile::writeString(section, key, value, fileName);
}

QString clsCvGenRtns::GetIniString(const QString &section, const QString &key, const QString &defaultValue,
                                   const QString &fileName)
{
    return kkIniFile::getString(section, key, defaultValue, fileName);
}

bool clsCvGenRtns::FileExists(const QString &path)
{
    // Answers as a directory search would: "folder/" searches "folder/*"; wildcards in the
    // last component are patterns; "." and ".." never count as entries.
    bool found = false;
    if (!path.isEmpty()) {
        const int slash = path.lastIndexOf(QLatin1Char('/'));
        const QString folder = slash < 0 ? QStringLiteral(".") : path.left(slash + 1);
        QString name = path.mid(slash + 1);
        if (name.isEmpty())
            name = QStringLiteral("*");
        if (name == QLatin1String(".") || name == QLatin1String("..")) {
            found = false;
        } else if (!name.contains(QLatin1Char('*')) && !name.contains(QLatin1Char('?'))) {
            const QFileInfo info(path);
            found = info.exists() || info.isSymLink();
        } else {
            const bool all = name == QLatin1String("*") || name == QLatin1String("*.*");
            const QRegularExpression rx = all ? QRegularExpression() : wildcardPattern(name);
            QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
            while (!found && it.hasNext()) {
                it.next();
                found = all || rx.match(it.fileName()).hasMatch();
            }
        }
    }
    CvDoEvents();
    return found;
}

void clsCvGenRtns::InitErrorLog(const QString &fileName)
{
    t_errorLog.fileName = fileName.trimmed();
    t_errorLog.on = !t_errorLog.fileName.isEmpty();
}

void clsCvGenRtns::WriteErrorLog(const QString &text)
{
    if (!t_errorLog.on)
        return;
    const int slash = t_errorLog.fileName.lastIndexOf(QLatin1Char('/'));
    if (slash > 0)
        CreateFolders(t_errorLog.fileName.left(slash));
    QFile file(t_errorLog.fileName);
    if (file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        file.write((StartTime() + QLatin1String(" - ") + text + QLatin1String("\r\n")).toUtf8());
        file.close();
    }
    CvDoEvents();
}

void clsCvGenRtns::CenterObject(QWidget *window)
{
    if (!window)
        return;
    QWidget *top = window->window();
    QScreen *screen = top->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    const QRect frame = top->frameGeometry();
    top->move(area.x() + (area.width() - frame.width()) / 2, area.y() + (area.height() - frame.height()) / 2);
    CvDoEvents();
}

void clsCvGenRtns::ShellAndWait(const QString &commandLine, int windowStyle)
{
    QStringList arguments = QProcess::splitCommand(commandLine);
    const QString program = arguments.isEmpty() ? QString() : arguments.takeFirst();
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    if (windowStyle == 0) { // hidden: nobody sees the command's output
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
    } else {
        process.setProcessChannelMode(QProcess::ForwardedChannels);
    }
    process.start(program, arguments);
    if (!process.waitForStarted(-1)) {
        kkDialogs::message(nullptr,
                           QLatin1String("Error starting task ") + commandLine + QLatin1String("\r\n")
                               + process.errorString(),
                           QStringLiteral("Error"), kkDialogs::Warning);
        return;
    }
    process.waitForFinished(-1);
}

void clsCvGenRtns::HourGlassOff(QWidget *window)
{
    if (!haveGui())
        return;
    if (window) {
        window->unsetCursor();
    } else if (g_busyOverride) {
        QGuiApplication::restoreOverrideCursor();
        g_busyOverride = false;
    }
    CvDoEvents();
}

void clsCvGenRtns::HourGlassOn(QWidget *window)
{
    if (!haveGui())
        return;
    if (window) {
        window->setCursor(Qt::WaitCursor);
    } else if (!g_busyOverride) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        g_busyOverride = true;
    }
    CvDoEvents();
}

QString clsCvGenRtns::CreateFolders(const QString &path)
{
    // Each folder along the path is created in turn; a folder that exists or cannot be
    // made is passed over. Existing folders keep their permissions (the attributes of the
    // original platform have no counterpart worth forcing here). A path beginning with
    // "//" keeps that prefix.
    QString running;
    QString rest = path;
    if (path.startsWith(QLatin1String("//"))) {
        running = QStringLiteral("//");
        rest = path.mid(2);
    } else if (path.startsWith(QLatin1Char('/'))) {
        running = QStringLiteral("/");
        rest = path.mid(1);
    }
    const QDir here;
    for (const QString &part : rest.split(QLatin1Char('/'))) {
        if (!part.trimmed().isEmpty()) {
            running += part + QLatin1Char('/');
            here.mkdir(running);
        }
        CvDoEvents();
    }
    return QString();
}

QString clsCvGenRtns::BrowseFolder(const QString &initialFolder, QWidget *owner)
{
    return kkDialogs::getExistingDirectory(owner, initialFolder);
}

void clsCvGenRtns::CvDoEvents()
{
    // Qt has no cheap "anything pending?" query, so the event loop is entered at most
    // every few milliseconds; in between a call costs one clock read.
    thread_local qint64 lastProcessed = std::numeric_limits<qint64>::min() / 2;
    if (coarseMsecs() - lastProcessed < kEventIntervalMs)
        return;
    if (!QCoreApplication::instance())
        return;
    QCoreApplication::processEvents();
    lastProcessed = coarseMsecs();
}
