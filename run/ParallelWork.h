#pragma once
// Independent items worked on by the calling thread and one spare thread at once. Items
// are handed over one by one as the caller makes them ready, so the spare thread works on
// the first while the caller still prepares the next. Sets of items are taken by the
// spare thread in the order they were made; a closed set can be left to it while its
// caller goes on with other work. Waking a sleeping thread costs system calls worth
// several items, so the spare thread, which lives as long as the program, waits a short
// while awake (yielding the core) for more items before it sleeps.
#include <atomic>
#include <functional>

class ParallelItems {
public:
    // body(i) is called once for every item i handed over, on either thread, in any
    // order and at the same time as other items: it must not touch shared state, nor throw.
    explicit ParallelItems(std::function<void(int)> body);
    ~ParallelItems(); // finish()

    // The next item (numbered from 0) is ready: the caller must not touch it any more.
    void add();
    // No more items: the spare thread may leave the set once it has taken them all.
    void close();
    // Closed, and every item handed over is done.
    bool done() const { return m_closed.load() && m_completed.load() == m_ready.load(); }
    // Closes, works on the items not taken yet, and returns once every item handed over is
    // done and the spare thread has left the set.
    void finish();

private:
    friend class SpareThread;
    bool claim(int &item);
    void work(int item); // the item's body, then counted as done
    bool mayClaim() const { return m_next.load() < m_ready.load() || m_closed.load(); }
    void help(); // on the spare thread, until the items are finished

    std::function<void(int)> m_body;
    std::atomic<int> m_ready{0};
    std::atomic<int> m_next{0};
    std::atomic<int> m_completed{0};
    std::atomic<bool> m_closed{false};
    bool m_offered = false;
    bool m_finished = false;
    std::atomic<bool> m_helped{false}; // the spare thread has left the items
};
