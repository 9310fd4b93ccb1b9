#pragma once
// Output work that gives nothing back to the conversion (redirection pages, the SQL for
// phpMyAdmin) runs on one second thread, in the order it was handed over, so that
// creating files and turning import files into SQL overlap the reading of the pages.
// A job reports nothing itself: the first error a job throws is kept and reported on
// the conversion's own thread, with the job's label, at the first hand-over after the
// job ran or when the work is waited for. The second thread is woken once a few jobs
// wait (each wake costs the handing thread a system call), and handing over waits while
// the queue is full, so the pages waiting to be written stay few whatever the board's size.
#include "run/QbError.h"

#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class ConversionRun;

class BackgroundWork {
public:
    BackgroundWork();
    ~BackgroundWork(); // runs what was handed over, then ends the thread

    void post(const QString &label, std::function<void()> job);
    void wait(); // until every job handed over has run
    // The first error a job threw, with its label; taking it clears it.
    bool takeError(QString &label, std::unique_ptr<QbError> &error);

private:
    void work();

    struct Job {
        QString label;
        std::function<void()> run;
    };
    static constexpr size_t WakeBatch = 16;
    static constexpr size_t MaxQueued = 256;
    std::mutex m_mutex;
    std::condition_variable m_wake; // the second thread: jobs to run, or the end
    std::condition_variable m_done; // the handing thread: a job has run
    std::deque<Job> m_jobs;
    bool m_busy = false;
    bool m_flush = false; // someone waits for every job: run them without waiting for more
    bool m_ending = false;
    QString m_errorLabel;
    std::unique_ptr<QbError> m_error;
    std::thread m_thread;
};

// Hands a job to the run's second thread (started with the first job), after reporting
// an error of an earlier job.
void RunInBackground(ConversionRun &run, const QString &label, std::function<void()> job);
// Waits until the run's jobs have run and reports an error of one of them.
void WaitForBackgroundWork(ConversionRun &run);
