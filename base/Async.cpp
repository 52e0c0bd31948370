#include "base/Async.h"

#include <malloc.h>
#include <pthread.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace tavrik {

namespace {

// A thread kept after code that used wide vector registers (most likely
// the PNG compressor's) and did not clear their upper halves runs the next job's
// SSE code several times slower, each instruction waiting on those halves;
// a new thread starts with them clear.
void ClearUpperVectorHalves()
{
#if defined(__x86_64__)
    static const bool avx = __builtin_cpu_supports("avx");
    if (avx)
        asm volatile("vzeroupper");
#endif
}

class KeptThreads {
public:
    void Start(std::function<void()> job)
    {
        const std::lock_guard lock(mutex_);
        queue_.push_back(std::move(job));
        // Idle threads that have not woken yet for earlier jobs are still
        // counted: a job gets a new thread unless one is free for it.
        if (queue_.size() <= idle_) {
            wake_.notify_one();
            return;
        }
        try {
            std::thread([this] { Serve(); }).detach();
        } catch (...) {
            // No thread will run it: the job goes, and its result says so.
            queue_.pop_back();
            throw;
        }
    }

private:
    void Serve()
    {
        std::unique_lock lock(mutex_);
        for (;;) {
            ++idle_;
            wake_.wait(lock, [this] { return !queue_.empty(); });
            --idle_;
            std::function<void()> job = std::move(queue_.front());
            queue_.pop_front();
            lock.unlock();
            ClearUpperVectorHalves();
            // A job's exception is its result's (packaged_task): none leaves it.
            job();
            job = nullptr;
            lock.lock();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> queue_;
    std::size_t idle_ = 0;
};

// Jobs hand a frame's megabytes from thread to thread. With an arena per
// thread each kept thread (and each of the rasteriser's) would come to hold
// its own copy of the largest buffers; one arena, kept whole rather than
// trimmed and faulted in again every frame, holds them once. Set before
// main, so before any thread has made an arena of its own.
const bool oneKeptArena = [] {
    ::mallopt(M_ARENA_MAX, 1);
    ::mallopt(M_TRIM_THRESHOLD, 256 << 20);
    ::mallopt(M_MMAP_THRESHOLD, 32 << 20);
    return true;
}();

// Never destroyed: its threads wait on it until the process ends.
KeptThreads* keptThreads = nullptr;
std::once_flag forkHandler;

} // namespace

void StartKeptThreadJob(std::function<void()> job)
{
    // A forked child has the parent's pool without its threads, and maybe
    // with its lock held: it makes a pool of its own. Only the forking
    // thread exists in the child, so nothing races the new pool.
    std::call_once(forkHandler, [] {
        keptThreads = new KeptThreads;
        ::pthread_atfork(nullptr, nullptr, [] { keptThreads = new KeptThreads; });
    });
    keptThreads->Start(std::move(job));
}

} // namespace tavrik
