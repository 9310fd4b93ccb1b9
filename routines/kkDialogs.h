#pragma once
// The modal dialogs of kestrelkit (message box, folder picker) behind one small wrapper.
// Tests queue answers (setNextAnswer, setNextFolder) or set a standing answer
// (setDefaultAnswer) so that nothing ever waits for a click. Without a hook the real
// dialog is shown; without a QApplication (batch runs, window-less tests) a message is
// written to stderr and the folder picker counts as cancelled.
// This header stays free of widget headers: kestrelkit links Qt Widgets privately.
#include "routines/kestrelkit_export.h"

#include <QList>
#include <QString>
#include <QStringList>

class QWidget;

class KESTRELKIT_EXPORT kkDialogs {
public:
    enum Icon { Information = 0, Warning = 1, Critical = 2, Question = 3 };
    enum Answer { Ok = 1, Extra = 2 };

    // Modal message box with an OK button. An empty title means the application's display
    // name. extraButton, when not empty, is a second button beside OK whose click returns
    // Extra. Returns the answer (Ok, Extra, or the hooked answer).
    static int message(QWidget *owner, const QString &text, const QString &title = QString(),
                       int icon = Information, const QString &extraButton = QString());
    // Folder picker titled "Browse for Folder", starting at the trimmed initial folder.
    // Returns the chosen folder, "" when cancelled.
    static QString getExistingDirectory(QWidget *owner, const QString &initial);

    // Test hooks. Each call queues one answer; the next message() / getExistingDirectory()
    // takes the oldest queued answer at once without showing anything ("" = cancelled).
    static void setNextAnswer(int answer);
    static void setNextFolder(const QString &folder);
    // A standing answer for every message() that finds no queued answer; -1 switches it off.
    static void setDefaultAnswer(int answer);
    // Drops queued answers and folders, the standing answer and the record of shown messages.
    static void clearHooks();

    // What message() was asked to show while a hook answered it, oldest first.
    struct Shown {
        QString title;
        QString text;
        int icon = Information;
        QString extraButton;
    };
    static QList<Shown> shown();
    static QStringList shownMessages(); // the texts of shown()
    static void clearShownMessages();
};
