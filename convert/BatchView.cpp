#include "convert/BatchView.h"

#include "convert/ConvertController.h"

#include <atomic>
#include <csignal>
#include <cstdio>

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

BatchView::BatchView() : m_out(stdout), m_err(stderr) {}

void BatchView::progressAppend(const QString &text)
{
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
