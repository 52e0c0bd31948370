#include "base/Async.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace tavrik {
namespace {

// Jobs that wait for jobs they started, more of them than there are cores:
// a pool of fixed size would wait for itself forever.
TEST(RunAsync, JobsWaitingForJobsAllFinishWithTheirResults)
{
    std::vector<AsyncResult<int>> outer;
    for (int i = 0; i < 16; ++i)
        outer.push_back(RunAsync([i] {
            AsyncResult<int> inner = RunAsync([i] { return i * i; });
            return inner.get() + 1;
        }));
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(outer[static_cast<std::size_t>(i)].get(), i * i + 1);
    AsyncResult<void> failing = RunAsync([] { throw std::runtime_error("job failed"); });
    EXPECT_THROW(failing.get(), std::runtime_error);
}

// What a job reads may end with its result: the result waits for it.
TEST(RunAsync, DroppingTheResultWaitsForTheJob)
{
    std::atomic<bool> done = false;
    {
        const AsyncResult<void> result = RunAsync([&done] {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            done = true;
        });
    }
    EXPECT_TRUE(done);
}

// A forked worker process has none of the parent's kept threads: its jobs
// must still run.
TEST(RunAsync, RunsJobsInAForkedProcess)
{
    ASSERT_EQ(RunAsync([] { return 1; }).get(), 1); // the parent's threads exist
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        alarm(10); // a job that never runs ends the child by SIGALRM
        _exit(RunAsync([] { return 7; }).get() == 7 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

} // namespace
} // namespace tavrik
