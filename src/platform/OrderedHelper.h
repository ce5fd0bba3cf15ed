#pragma once

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace pelmar {

// A second thread that runs the jobs handed to it one at a time, in the order given. Handing a
// job over first waits for the one before; what a job throws is thrown again by the next Run or
// Wait. Going away waits for the job under way.
class OrderedHelper {
public:
    OrderedHelper();
    ~OrderedHelper();
    OrderedHelper(const OrderedHelper&) = delete;
    OrderedHelper& operator=(const OrderedHelper&) = delete;

    void Run(std::function<void()> job);
    // Waits until the job handed over last has run.
    void Wait();

private:
    void Loop();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void()> job_;
    bool busy_ = false;
    bool stopping_ = false;
    std::exception_ptr error_;
    std::thread thread_;
};

} // namespace pelmar
