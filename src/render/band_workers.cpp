#include "render/band_workers.h"

#include <utility>

namespace kestrel::render {

BandWorkers::BandWorkers(unsigned helpers) : finishedHelpers_(helpers) {
    threads_.reserve(helpers);
    for (unsigned i = 0; i < helpers; ++i) threads_.emplace_back([this] { helperLoop(); });
}

BandWorkers::~BandWorkers() {
    help();  // with no helpers, nobody else would
    wait();
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& thread : threads_) thread.join();
}

void BandWorkers::start(std::size_t count, std::function<void(std::size_t)> work) {
    {
        const std::lock_guard lock(mutex_);
        work_ = std::move(work);
        count_ = count;
        next_ = 0;
        done_ = 0;
        finishedHelpers_ = 0;
        ++generation_;
    }
    wake_.notify_all();
}

void BandWorkers::takeBands() {
    std::size_t taken = 0;
    for (std::size_t band; (band = next_.fetch_add(1)) < count_; ++taken) work_(band);
    if (taken == 0) return;
    if (done_.fetch_add(taken) + taken == count_) {
        const std::lock_guard lock(mutex_);  // so that a waiter cannot miss the signal
        finished_.notify_all();
    }
}

void BandWorkers::help() { takeBands(); }

void BandWorkers::wait() {
    std::unique_lock lock(mutex_);
    // Every band done, and every helper through the job: none can still be about to look for
    // another band of it when the next job starts.
    finished_.wait(lock, [this] { return done_.load() >= count_ && finishedHelpers_ == threads_.size(); });
}

void BandWorkers::helperLoop() {
    unsigned long long seen = 0;
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
            if (stopping_) return;
            seen = generation_;
        }
        takeBands();
        {
            const std::lock_guard lock(mutex_);
            ++finishedHelpers_;
        }
        finished_.notify_all();
    }
}

}  // namespace kestrel::render
