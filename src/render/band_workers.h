#pragma once
// Helper threads that share out numbered pieces of work, the bands of a picture: every job
// gives each band to exactly one thread, taken in order from a shared counter. The threads
// are made once and wait between jobs, so a job costs a wake-up rather than a thread start.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace kestrel::render {

class BandWorkers {
public:
    explicit BandWorkers(unsigned helpers);
    ~BandWorkers();  // waits for the job under way, then ends the threads
    BandWorkers(const BandWorkers&) = delete;
    BandWorkers& operator=(const BandWorkers&) = delete;

    unsigned helpers() const { return static_cast<unsigned>(threads_.size()); }
    // Starts work(band) for bands 0..count-1 on the helpers and returns at once (with no
    // helpers, only help() does the bands). The job before must be over (wait()).
    void start(std::size_t count, std::function<void(std::size_t)> work);
    // The calling thread takes bands of the job too, until none is left to take.
    void help();
    // Until every band of the job has been done and every helper has come through it.
    void wait();

private:
    void helperLoop();
    void takeBands();

    std::mutex mutex_;
    std::condition_variable wake_, finished_;
    std::function<void(std::size_t)> work_;
    std::size_t count_ = 0;
    std::atomic<std::size_t> next_{0};
    std::atomic<std::size_t> done_{0};
    unsigned long long generation_ = 0;
    std::size_t finishedHelpers_;  // helpers through the current job
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace kestrel::render
