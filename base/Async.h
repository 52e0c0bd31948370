#pragma once

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <type_traits>
#include <utility>

namespace tavrik {

// The result of work started with RunAsync. As with std::async's future,
// destroying or replacing it waits for the work, so what the work reads may
// live exactly as long as its result.
template <typename T>
class AsyncResult {
public:
    AsyncResult() = default;
    explicit AsyncResult(std::future<T> future) : future_(std::move(future)) {}
    AsyncResult(AsyncResult&&) noexcept = default;
    AsyncResult& operator=(AsyncResult&& other) noexcept
    {
        wait();
        future_ = std::move(other.future_);
        return *this;
    }
    ~AsyncResult() { wait(); }

    bool valid() const { return future_.valid(); }
    void wait() const
    {
        if (future_.valid())
            future_.wait();
    }
    // True once the work has ended (or when there is none).
    bool done() const
    {
        return !future_.valid() || future_.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    }
    // Waits for the work and returns its result, or rethrows its exception.
    T get() { return future_.get(); }

private:
    std::future<T> future_;
};

// Runs `job` on a thread the process keeps for such jobs: an idle one, or a
// new one when all are busy, so that a job waiting for other jobs never
// waits for a thread. Threads are kept because each new one costs the page
// faults of its stack and, when it ends, the stack's release: tens of
// threads a frame made that a tenth of a frame's time. A forked process
// starts with none of them.
void StartKeptThreadJob(std::function<void()> job);

// std::async(std::launch::async, work) on a kept thread.
template <typename Work>
AsyncResult<std::invoke_result_t<Work>> RunAsync(Work&& work)
{
    using Result = std::invoke_result_t<Work>;
    auto task = std::make_shared<std::packaged_task<Result()>>(std::forward<Work>(work));
    std::future<Result> future = task->get_future();
    // Wrapped once started: a result of a job that never started must not
    // wait for it.
    StartKeptThreadJob([task] { (*task)(); });
    return AsyncResult<Result>(std::move(future));
}

} // namespace tavrik
