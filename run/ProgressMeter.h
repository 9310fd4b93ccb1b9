#pragma once
// How far a run has come: the page files counted before the walk, the pages done, and the
// time left estimated from the pace so far.
#include <QElapsedTimer>
#include <QString>

class ProgressMeter {
public:
    void start(qint64 totalPages)
    {
        m_total = totalPages;
        m_done = 0;
        m_timer.start();
    }
    void pageDone() { ++m_done; }
    qint64 done() const { return m_done; }
    // Pages met beyond the count (a page reached twice) never push the bar past its end.
    qint64 total() const { return qMax(m_total, m_done); }
    int percent() const { return total() > 0 ? int(m_done * 100 / total()) : 0; }
    // Seconds left at the pace so far; -1 until a few pages and a second have gone by.
    qint64 secondsLeft() const { return secondsLeft(m_timer.isValid() ? m_timer.elapsed() : 0); }
    qint64 secondsLeft(qint64 elapsedMs) const
    {
        if (m_done < 3 || elapsedMs < 1000 || total() == 0)
            return -1;
        return (elapsedMs * (total() - m_done) / m_done + 999) / 1000;
    }
    // "About 2 min left", "About 40 s left", "" while unknown.
    static QString timeLeftText(qint64 seconds)
    {
        if (seconds < 0)
            return QString();
        if (seconds < 60)
            return QStringLiteral("About %1 s left").arg(qMax<qint64>(seconds, 1));
        if (seconds < 3600)
            return QStringLiteral("About %1 min left").arg((seconds + 30) / 60);
        return QStringLiteral("About %1 h %2 min left").arg(seconds / 3600).arg((seconds % 3600) / 60);
    }

private:
    qint64 m_total = 0;
    qint64 m_done = 0;
    QElapsedTimer m_timer;
};
