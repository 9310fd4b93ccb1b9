#include "convert/BatchView.h"

#include "convert/ConvertController.h"
#include "run/ProgressMeter.h"

#include <atomic>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {
std::atomic<bool> g_interrupted{false};

extern "C" void onInterrupt(int)
{
    g_interrupted.store(true);
}

// Progress texts carry CR LF line ends; a terminal wants LF.
QString forConsole(const QString &text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return t;
}
} // namespace

BatchView::BatchView() : m_out(stdout), m_err(stderr), m_terminal(isatty(fileno(stderr)) == 1) {}

void BatchView::clearStatus()
{
    if (!m_statusShown)
        return;
    m_err << "\r\x1b[K";
    m_err.flush();
    m_statusShown = false;
}

void BatchView::progressBar(qint64 done, qint64 total, qint64 secondsLeft)
{
    if (!m_terminal || total <= 0)
        return;
    m_out.flush();
    QString line = QStringLiteral("\r\x1b[KConverting: %1% (%2 of %3 pages)").arg(done * 100 / total).arg(done).arg(total);
    const QString left = ProgressMeter::timeLeftText(secondsLeft);
    if (!left.isEmpty())
        line += QStringLiteral(", ") + left.left(1).toLower() + left.mid(1);
    m_err << line;
    m_err.flush();
    m_statusShown = true;
}

void BatchView::progressAppend(const QString &text)
{
    clearStatus();
    m_out << forConsole(text);
    m_out.flush();
}

void BatchView::progressSet(const QString &text)
{
    if (!text.isEmpty())
        progressAppend(text);
}

void BatchView::messageBox(const QString &text)
{
    clearStatus();
    m_out.flush();
    m_err << forConsole(text) << '\n';
    m_err.flush();
}

void BatchView::processEvents()
{
    if (g_interrupted.exchange(false) && m_controller && m_controller->Running && !m_controller->StopConversion) {
        m_err << "Interrupted: stopping the conversion and saving what was written so far...\n";
        m_err.flush();
        m_controller->cmdCancel_Click();
    }
}

void BatchView::installInterruptHandler()
{
    std::signal(SIGINT, onInterrupt);
}
