#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

namespace platform {

// Runs `work` on a thread of its own and waits for it `budgetMs` at most, for a call of the
// system's that has no time limit of its own (a name lookup waits as long as the resolver
// is set to). Its result, or nothing when the budget came first: the thread then runs on
// to its end, and `discard` disposes of the result nobody takes.
template<typename Result, typename Work, typename Discard>
std::optional<Result> CallWithin(std::uint32_t budgetMs, Work work, Discard discard)
{
    struct TShared {
        std::mutex lock;
        std::condition_variable done;
        std::optional<Result> result;
        bool abandoned = false;
    };
    auto shared = std::make_shared<TShared>();
    std::thread([shared, work = std::move(work), discard = std::move(discard)]() mutable {
        Result result = work();
        std::lock_guard<std::mutex> guard(shared->lock);
        if (shared->abandoned) {
            discard(result);
            return;
        }
        shared->result.emplace(std::move(result));
        shared->done.notify_all();
    }).detach();
    std::unique_lock<std::mutex> guard(shared->lock);
    if (!shared->done.wait_for(
            guard, std::chrono::milliseconds(budgetMs), [&] { return shared->result.has_value(); })) {
        shared->abandoned = true;
        return std::nullopt;
    }
    return std::move(shared->result);
}

} // namespace platform
