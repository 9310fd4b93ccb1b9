#include "run/ParallelWork.h"

#include <QThreadPool>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QB_CPU_RELAX() _mm_pause()
#else
#include <thread>
#define QB_CPU_RELAX() std::this_thread::yield()
#endif

namespace {
// About 0.1 ms of waiting awake: longer than a caller takes to prepare an item.
constexpr int AwakeWaitRounds = 2000;
} // namespace

ParallelItems::ParallelItems(std::function<void(int)> body) : m_body(std::move(body)) {}

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
    if (m_helping) {
        if (m_sleeping.load()) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_more.notify_one();
        }
        return;
    }
    // The helper is asked for with the first item; without a free pool thread the caller
    // does every item itself in finish().
    QThreadPool *const pool = QThreadPool::globalInstance();
    m_helping = pool->maxThreadCount() > 1 && pool->tryStart([this] { help(); });
}

void ParallelItems::help()
{
    for (;;) {
        int item;
        if (claim(item)) {
            m_body(item);
            continue;
        }
        bool ready = false;
        for (int round = 0; round < AwakeWaitRounds && !(ready = mayClaim()); ++round)
            QB_CPU_RELAX();
        if (!ready) {
            // Going to sleep is announced before the last look, and add() looks at the
            // announcement after counting its item: one of the two sees the other.
            std::unique_lock<std::mutex> lock(m_mutex);
            m_sleeping.store(true);
            m_more.wait(lock, [this] { return mayClaim(); });
            m_sleeping.store(false);
        }
        if (m_closed.load() && m_next.load() >= m_ready.load())
            break;
    }
    m_helperDone.release();
}

void ParallelItems::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    m_closed.store(true);
    if (m_sleeping.load()) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_more.notify_all();
    }
    int item;
    while (claim(item))
        m_body(item);
    if (m_helping)
        m_helperDone.acquire();
}
