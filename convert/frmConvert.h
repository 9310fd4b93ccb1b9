#pragma once
// The main window: the settings fields, the progress area and the buttons. Its logic lives
// in ConvertController; the window is the controller's view and finds every control by
// its system name (objectName), in the window and in the options dialog.
#include "convert/ConvertController.h"
#include "convert/ConvertView.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <memory>

namespace Ui {
class frmConvert;
}
class frmOptions;

class frmConvert : public QMainWindow, public ConvertView {
    Q_OBJECT
public:
    // Builds the window and the hidden options dialog and runs the start-up (settings,
    // centring, folders). settingsFile is the settings file's full path; programFolder
    // the folder of the executable (its Docs folder holds the user guide).
    frmConvert(const QString &settingsFile, const QString &programFolder, QWidget *parent = nullptr);
    ~frmConvert() override;

    ConvertController &controller() { return *m_controller; }
    // The options dialog; null once the main window has closed.
    frmOptions *options() const { return m_options; }

    // ConvertView.
    QString text(const QString &control) const override;
    void setText(const QString &control, const QString &value) override;
    bool isChecked(const QString &control) const override;
    void setChecked(const QString &control, bool checked) override;
    void setEnabled(const QString &control, bool enabled) override;
    void setFocus(const QString &control) override;
    void setTitle(const QString &title) override;
    int progressLength() const override { return m_progressLength; }
    void progressAppend(const QString &text) override;
    void progressSet(const QString &text) override;
    void addProcessedFolder(const QString &name) override;
    void messageBox(const QString &text) override;
    void errorBox(const QString &text) override;
    void finishBox(const QString &text, const QString &reportFile) override;
    void progressBar(qint64 done, qint64 total, qint64 secondsLeft) override;
    QString browseFolder(const QString &initial) override;
    void openDocument(const QString &path) override;
    void setBusy(bool busy) override;
    void processEvents() override;
    void centre() override;
    void showOptions() override;
    void closeWindow() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void showAbout();
    QWidget *control(const QString &name) const;
    void onFocusChanged(QWidget *old, QWidget *now);
    void caretToEnd();

    std::unique_ptr<Ui::frmConvert> ui;
    QPointer<frmOptions> m_options;
    QPointer<QWidget> m_pendingFocus; // focus asked for while the field was locked
    std::unique_ptr<ConvertController> m_controller;
    QHash<QWidget *, void (ConvertController::*)()> m_lostFocus;
    bool m_inHandler = false;
    int m_progressLength = 0;
};
