#include "run/BackgroundWork.h"

#include "run/ConversionRun.h"

BackgroundWork::BackgroundWork() : m_thread([this] { work(); }) {}

BackgroundWork::~BackgroundWork()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_ending = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void BackgroundWork::post(const QString &label, std::function<void()> job)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_done.wait(lock, [this] { return m_jobs.size() < MaxQueued; });
    m_jobs.push_back(Job{label, std::move(job)});
    const bool wake = m_jobs.size() >= WakeBatch;
    lock.unlock();
    if (wake)
        m_wake.notify_one();
}

void BackgroundWork::wait()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_flush = true;
    m_wake.notify_one();
    m_done.wait(lock, [this] { return m_jobs.empty() && !m_busy; });
    m_flush = false;
}

bool BackgroundWork::takeError(QString &label, std::unique_ptr<QbError> &error)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_error)
        return false;
    label = m_errorLabel;
    error = std::move(m_error);
    return true;
}

void BackgroundWork::work()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_ending || m_jobs.size() >= WakeBatch || (m_flush && !m_jobs.empty()); });
        if (m_jobs.empty())
            return; // ending, and nothing left to do
        // Once awake, every waiting job runs.
        while (!m_jobs.empty()) {
            Job job = std::move(m_jobs.front());
            m_jobs.pop_front();
            m_busy = true;
            lock.unlock();
            std::unique_ptr<QbError> failure;
            try {
                job.run();
            } catch (const QbError &e) {
                failure = std::make_unique<QbError>(e);
            } catch (const std::exception &e) {
                failure = std::make_unique<QbError>(QbErrNo::InternalError, QString::fromLocal8Bit(e.what()));
            }
            lock.lock();
            if (failure && !m_error) {
                m_errorLabel = job.label;
                m_error = std::move(failure);
            }
            m_busy = false;
            m_done.notify_all();
        }
    }
}

namespace {

void reportBackgroundError(ConversionRun &run)
{
    QString label;
    std::unique_ptr<QbError> error;
    if (run.background && run.background->takeError(label, error))
        run.Trap(label, [&] { throw *error; });
}

} // namespace

void RunInBackground(ConversionRun &run, const QString &label, std::function<void()> job)
{
    reportBackgroundError(run);
    if (!run.background)
        run.background = std::make_unique<BackgroundWork>();
    run.background->post(label, std::move(job));
}

void WaitForBackgroundWork(ConversionRun &run)
{
    if (!run.background)
        return;
    run.background->wait();
    reportBackgroundError(run);
}
