#include "cli/PicturePool.h"

#include "base/FailureText.h"
#include "cli/ProgressLine.h"
#include "picture/PictureStore.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace {

PictureOutcome runOne(
    const std::function<PictureOutcome(int, PictureStore &)> &work, int index, PictureStore &store)
{
    try {
        return work(index, store);
    } catch (const std::exception &error) {
        PictureOutcome failure;
        failure.err = (WithFinalFullStop(ErrorMessage(error)) + u'\n').toUtf8();
        failure.failed = true;
        return failure;
    }
}

} // namespace

void RunInOrder(int count, int threads,
    const std::function<PictureOutcome(int index, PictureStore &store)> &work,
    const std::function<void(const PictureOutcome &outcome)> &report, ProgressLine &progress)
{
    std::mutex mutex;
    std::condition_variable finishedOne;
    std::vector<std::optional<PictureOutcome>> outcomes(std::size_t(std::max(count, 0)));
    std::atomic<int> next {0};
    int finished = 0;

    auto worker = [&] {
        PictureStore store;
        for (int index = next++; index < count; index = next++) {
            PictureOutcome outcome = runOne(work, index, store);
            {
                const std::lock_guard lock(mutex);
                outcomes[std::size_t(index)] = std::move(outcome);
                ++finished;
            }
            finishedOne.notify_one();
        }
    };
    std::vector<std::jthread> pool;
    for (int i = 0; i < std::clamp(threads, 1, std::max(count, 1)); ++i)
        pool.emplace_back(worker);

    progress.show(0);
    int reported = 0;
    int seen = 0;
    std::unique_lock lock(mutex);
    while (reported < count) {
        finishedOne.wait(lock, [&] { return finished != seen; });
        seen = finished;
        std::vector<PictureOutcome> ready;
        for (; reported < count && outcomes[std::size_t(reported)]; ++reported) {
            ready.push_back(std::move(*outcomes[std::size_t(reported)]));
            outcomes[std::size_t(reported)].reset();
        }
        lock.unlock();
        for (const PictureOutcome &outcome : ready)
            report(outcome);
        progress.show(seen);
        lock.lock();
    }
    lock.unlock();
    progress.clear();
}
