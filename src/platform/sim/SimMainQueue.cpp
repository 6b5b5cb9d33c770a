#include "platform/sim/SimMainQueue.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace halvora::platform::sim {
namespace {

std::int64_t toMicros(double seconds) {
    return std::max<std::int64_t>(0, std::llround(seconds * 1'000'000.0));
}

}  // namespace

void SimMainQueue::async(Task task) {
    schedule(nowMicros_.load(), std::move(task));
}

void SimMainQueue::asyncAfter(double delaySeconds, Task task) {
    schedule(nowMicros_.load() + toMicros(delaySeconds), std::move(task));
}

Registration SimMainQueue::scheduleRepeating(double intervalSeconds, Task task) {
    const std::int64_t interval = std::max<std::int64_t>(1, toMicros(intervalSeconds));
    auto cancelled = std::make_shared<bool>(false);
    auto shared = std::make_shared<Task>(std::move(task));
    // Each firing schedules the next one before running the task, as a
    // repeating timer keeps its own rhythm whatever the task does.
    auto fire = std::make_shared<std::function<void(std::int64_t)>>();
    *fire = [this, cancelled, shared, interval, weakFire = std::weak_ptr(fire)](std::int64_t due) {
        if (*cancelled) {
            return;
        }
        if (auto next = weakFire.lock()) {
            schedule(due + interval, [next, due, interval] { (*next)(due + interval); });
        }
        (*shared)();
    };
    const std::int64_t first = nowMicros_.load() + interval;
    schedule(first, [fire, first] { (*fire)(first); });
    return Registration([cancelled] { *cancelled = true; });
}

double SimMainQueue::now() const {
    return static_cast<double>(nowMicros_.load()) / 1'000'000.0;
}

void SimMainQueue::advance(double seconds) {
    const std::int64_t target = nowMicros_.load() + toMicros(seconds);
    for (;;) {
        Task task;
        {
            std::lock_guard lock(mutex_);
            auto first = tasks_.begin();
            if (first == tasks_.end() || first->first.first > target) {
                break;
            }
            nowMicros_.store(std::max(nowMicros_.load(), first->first.first));
            task = std::move(first->second);
            tasks_.erase(first);
        }
        if (beforeTask_) {
            beforeTask_();
        }
        task();
        if (afterTask_) {
            afterTask_();
        }
    }
    nowMicros_.store(target);
}

std::size_t SimMainQueue::pendingCount() const {
    std::lock_guard lock(mutex_);
    return tasks_.size();
}

void SimMainQueue::setTaskHooks(std::function<void()> before, std::function<void()> after) {
    beforeTask_ = std::move(before);
    afterTask_ = std::move(after);
}

void SimMainQueue::schedule(std::int64_t dueMicros, Task task) {
    std::lock_guard lock(mutex_);
    tasks_.emplace(Key{dueMicros, nextSequence_++}, std::move(task));
}

}  // namespace halvora::platform::sim
