#pragma once
// What the conversion needs of a front-end. The window implements it with widgets,
// the batch mode with stdout/stderr and a table of field texts, tests with a recorder.
// Controls are addressed by their system names ("txtDiscusRootFolder", "chkLogProgress"...).
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

class ConvertView {
public:
    virtual ~ConvertView() = default;

    // Fields, check boxes and buttons of the main window and the options dialog.
    virtual QString text(const QString &control) const = 0;
    virtual void setText(const QString &control, const QString &value) = 0;
    virtual bool isChecked(const QString &control) const = 0;
    virtual void setChecked(const QString &control, bool checked) = 0;
    virtual void setEnabled(const QString &control, bool enabled) = 0;
    virtual void setFocus(const QString &control) = 0;
    virtual void setTitle(const QString &title) = 0;

    // The progress area txtArea and the processed folders list.
    virtual int progressLength() const = 0;
    virtual void progressAppend(const QString &text) = 0;
    virtual void progressSet(const QString &text) = 0;
    virtual void addProcessedFolder(const QString &name) = 0;

    // Modal message box with an OK button: refusals and warnings (warning icon).
    virtual void messageBox(const QString &text) = 0;
    // An error that stopped the run (critical icon).
    virtual void errorBox(const QString &text) { messageBox(text); }
    // The box at the end of a run; reportFile, when not empty, is the report a button opens.
    virtual void finishBox(const QString &text, const QString &reportFile)
    {
        (void)reportFile;
        messageBox(text);
    }
    // The progress bar: pages done of total (total 0: nothing to show); secondsLeft < 0
    // while the time left is not known yet.
    virtual void progressBar(qint64 done, qint64 total, qint64 secondsLeft)
    {
        (void)done;
        (void)total;
        (void)secondsLeft;
    }
    // Folder picker; "" when cancelled.
    virtual QString browseFolder(const QString &initial) = 0;
    // Opens a document with its default viewer.
    virtual void openDocument(const QString &path) = 0;
    // Busy pointer on or off.
    virtual void setBusy(bool busy) = 0;
    // Lets pending window events run (Cancel, repaint); must be cheap when none wait.
    virtual void processEvents() = 0;
    // Centres the window on the screen.
    virtual void centre() {}
    // Shows the options dialog modally.
    virtual void showOptions() {}
    // Closes the main window (File > Exit).
    virtual void closeWindow() {}
};

// A view that keeps the controls' state in tables: the base of the batch front-end
// and of the test recorder.
class MapView : public ConvertView {
public:
    QString text(const QString &control) const override { return m_texts.value(control); }
    void setText(const QString &control, const QString &value) override { m_texts.insert(control, value); }
    bool isChecked(const QString &control) const override { return m_checked.value(control, false); }
    void setChecked(const QString &control, bool checked) override { m_checked.insert(control, checked); }
    void setEnabled(const QString &control, bool enabled) override
    {
        if (enabled)
            m_disabled.remove(control);
        else
            m_disabled.insert(control);
    }
    bool isEnabled(const QString &control) const { return !m_disabled.contains(control); }
    void setFocus(const QString &control) override { m_focus = control; }
    QString focus() const { return m_focus; }
    void setTitle(const QString &title) override { m_title = title; }
    QString title() const { return m_title; }

    int progressLength() const override { return m_progress.size(); }
    void progressAppend(const QString &text) override
    {
        if (m_progress.size() + text.size() <= m_progressCapacity)
            m_progress += text;
    }
    void progressSet(const QString &text) override { m_progress = text.left(m_progressCapacity); }
    QString progress() const { return m_progress; }
    void setProgressCapacity(int capacity) { m_progressCapacity = capacity; }
    void addProcessedFolder(const QString &name) override { m_folders << name; }
    QStringList processedFolders() const { return m_folders; }

    QString browseFolder(const QString &) override { return QString(); }
    void openDocument(const QString &) override {}
    void setBusy(bool busy) override { m_busy = busy; }
    bool busy() const { return m_busy; }
    void processEvents() override {}

protected:
    QHash<QString, QString> m_texts;
    QHash<QString, bool> m_checked;
    QSet<QString> m_disabled;
    QString m_focus;
    QString m_title;
    QString m_progress;
    int m_progressCapacity = 64 * 1024 * 1024;
    QStringList m_folders;
    bool m_busy = false;
};
