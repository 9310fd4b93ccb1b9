#pragma once
// The batch front-end's view: progress lines go to stdout, message boxes to stderr, and
// field texts live in a table. Ctrl+C asks the run to stop, like Cancel.
#include "convert/ConvertView.h"

#include <QTextStream>

class ConvertController;

class BatchView : public MapView {
public:
    BatchView();
    void setController(ConvertController *controller) { m_controller = controller; }

    void progressAppend(const QString &text) override;
    void progressSet(const QString &text) override;
    int progressLength() const override { return 0; }
    void messageBox(const QString &text) override;
    // On a terminal, one line on stderr that is rewritten in place; elsewhere nothing (the
    // plain progress lines stay as they are).
    void progressBar(qint64 done, qint64 total, qint64 secondsLeft) override;
    void processEvents() override;

    // Installs the Ctrl+C handler that requests a stop at the next yield.
    static void installInterruptHandler();

private:
    ConvertController *m_controller = nullptr;
    QTextStream m_out;
    QTextStream m_err;
    bool m_terminal = false;   // stderr is a terminal
    bool m_statusShown = false; // the progress line is on the terminal now
    void clearStatus();
};
