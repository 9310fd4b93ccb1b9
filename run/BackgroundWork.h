#pragma once
// Output work that gives nothing back to the conversion (redirection pages, the SQL for
// phpMyAdmin) runs on one second thread, in the order it was handed over, so that
// creating files and turning import files into SQL overlap the reading of the pages.
// A job reports nothing itself: the first error a job throws is kept and reported on
// the conversion's own thread, with the job's label, when the next job is handed over
// or the work is waited for.
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
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Job> m_jobs;
    bool m_busy = false;
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
