#include "run/ParallelWork.h"

#include <QThread>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QB_CPU_RELAX() _mm_pause()
#else
#define QB_CPU_RELAX() std::this_thread::yield()
#endif

// The one spare thread. It takes the sets of items on offer in the order they were
// offered, works on each beside its caller until it is closed and all its items are
// taken, and then waits for the next set.
class SpareThread {
public:
    static SpareThread *instance()
    {
        static SpareThread *const spare = QThread::idealThreadCount() > 1 ? new SpareThread : nullptr;
        return spare;
    }

    void offer(ParallelItems *items)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_offered.push_back(items);
        m_queued.fetch_add(1);
        if (m_sleeping.load())
            m_wake.notify_one();
    }
    // True when the spare thread never took the items; else it has them or had them.
    bool withdraw(ParallelItems *items)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto at = std::find(m_offered.begin(), m_offered.end(), items);
        if (at == m_offered.end())
            return false;
        m_offered.erase(at);
        m_queued.fetch_sub(1);
        return true;
    }

    void wake()
    {
        if (m_sleeping.load()) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_wake.notify_one();
        }
    }
    // Returns once ready() holds, having waited awake a while first.
    template <typename Ready>
    void waitFor(Ready ready)
    {
        for (int round = 0; round < AwakeWaitRounds; ++round) {
            if (ready())
                return;
            std::this_thread::yield();
        }
        // Going to sleep is announced before the last look, and wake() looks at the
        // announcement after the change it wakes for: one of the two sees the other.
        std::unique_lock<std::mutex> lock(m_mutex);
        m_sleeping.store(true);
        m_wake.wait(lock, ready);
        m_sleeping.store(false);
    }

private:
    // About a millisecond of waiting awake (longer than a caller takes between items, and
    // between the pages of a board), giving the core up to any thread that needs it on each
    // round: on a machine of two cores the second thread's file creation runs there too.
    static constexpr int AwakeWaitRounds = 1000;

    SpareThread()
    {
        std::thread([this] {
            for (;;) {
                waitFor([this] { return m_queued.load() > 0; });
                ParallelItems *items = nullptr;
                {
                    std::lock_guard<std::mutex> lock(m_mutex);
                    if (!m_offered.empty()) {
                        items = m_offered.front();
                        m_offered.pop_front();
                        m_queued.fetch_sub(1);
                    }
                }
                if (items)
                    items->help();
            }
        }).detach(); // it sleeps when the program has nothing to offer, and ends with it
    }

    std::deque<ParallelItems *> m_offered; // guarded by m_mutex
    std::atomic<int> m_queued{0};          // its size, looked at without the lock
    std::atomic<bool> m_sleeping{false};
    std::mutex m_mutex;
    std::condition_variable m_wake;
};

ParallelItems::ParallelItems(std::function<void(int)> body) : m_body(std::move(body))
{
    // Offered at once, so the spare thread is at hand when the first item is ready.
    if (SpareThread *spare = SpareThread::instance()) {
        spare->offer(this);
        m_offered = true;
    }
}

ParallelItems::~ParallelItems()
{
    finish();
}

bool ParallelItems::claim(int &item)
{
    int next = m_next.load();
    while (next < m_ready.load())
        if (m_next.compare_exchange_weak(next, next + 1)) {
            item = next;
            return true;
        }
    return false;
}

void ParallelItems::add()
{
    m_ready.fetch_add(1);
    if (m_offered)
        SpareThread::instance()->wake();
}

void ParallelItems::work(int item)
{
    m_body(item);
    m_completed.fetch_add(1);
}

void ParallelItems::help()
{
    SpareThread *const spare = SpareThread::instance();
    for (;;) {
        int item;
        if (claim(item)) {
            work(item);
            continue;
        }
        if (m_closed.load() && m_next.load() >= m_ready.load())
            break;
        spare->waitFor([this] { return mayClaim(); });
    }
    m_helped.store(true);
}

void ParallelItems::close()
{
    if (m_closed.exchange(true))
        return;
    if (m_offered)
        SpareThread::instance()->wake();
}

void ParallelItems::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    close();
    SpareThread *const spare = m_offered ? SpareThread::instance() : nullptr;
    int item;
    while (claim(item))
        work(item);
    // The spare thread is at most one item away from leaving.
    if (spare && !spare->withdraw(this)) {
        for (int round = 0; !m_helped.load(); ++round) {
            if (round < 1000)
                QB_CPU_RELAX();
            else
                std::this_thread::yield();
        }
    }
}
