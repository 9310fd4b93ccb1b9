#pragma once
// kestrelkit's general routines: settings files, paths and folders, run timing, the
// error log, the busy pointer, window centring, running a command, the folder picker
// and yielding to the window system. Instances carry no state: the settings-file cache
// and the error-log switch are per thread and shared by every instance.
#include "routines/kestrelkit_export.h"

#include <QString>

class QWidget;

class KESTRELKIT_EXPORT clsCvGenRtns {
public:
    // Run timing: the current local date and time as text; GetElapsedTime reads two such
    // texts back and gives the whole seconds between them as "hh:mm:ss" (hours keep
    // counting past 24).
    QString StartTime() const;
    QString StopTime() const;
    QString GetElapsedTime(const QString &startText, const QString &stopText) const;

    // Trims blanks and appends "/" to a non-empty path that does not end with one.
    QString FixPath(const QString &path) const;

    // Settings files (the library's own line parser, see kkIniFile.cpp).
    bool WriteIniString(const QString &section, const QString &key, const QString &value, const QString &fileName);
    QString GetIniString(const QString &section, const QString &key, const QString &defaultValue, const QString &fileName);

    // Directory-search existence test: a file, or a folder named without a trailing "/",
    // is true; a folder named with a trailing "/" is true only when it holds an entry.
    bool FileExists(const QString &path);

    // The error log: off until InitErrorLog names its file.
    void InitErrorLog(const QString &fileName);
    void WriteErrorLog(const QString &text);

    void CenterObject(QWidget *window);
    // Runs the command line and waits until it ends (windowStyle 0 = hidden).
    void ShellAndWait(const QString &commandLine, int windowStyle);
    void HourGlassOff(QWidget *window = nullptr);
    void HourGlassOn(QWidget *window = nullptr);
    // Creates every folder along the path; reports nothing; returns "".
    QString CreateFolders(const QString &path);
    // Folder picker "Browse for Folder"; "" when cancelled.
    QString BrowseFolder(const QString &initialFolder, QWidget *owner);
    // Processes pending window events; next to free when none are waiting.
    void CvDoEvents();
};
