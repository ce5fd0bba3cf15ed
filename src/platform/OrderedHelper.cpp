#include "platform/OrderedHelper.h"

#include <utility>

namespace pelmar {

OrderedHelper::OrderedHelper() : thread_([this] { Loop(); }) {}

OrderedHelper::~OrderedHelper() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void OrderedHelper::Run(std::function<void()> job) {
    Wait();
    {
        std::lock_guard lock(mutex_);
        job_ = std::move(job);
        busy_ = true;
    }
    changed_.notify_all();
}

void OrderedHelper::Wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    if (error_) {
        std::rethrow_exception(std::exchange(error_, nullptr));
    }
}

void OrderedHelper::Loop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return busy_ || stopping_; });
        if (!busy_) {
            return; // stopping, and nothing left to run
        }
        std::function<void()> job = std::move(job_);
        lock.unlock();
        std::exception_ptr error;
        try {
            job();
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        error_ = error;
        busy_ = false;
        changed_.notify_all();
    }
}

} // namespace pelmar
