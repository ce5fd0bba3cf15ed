#include "app/JobRunner.h"

#include <QtConcurrent/QtConcurrentRun>

namespace pelmar::app {

JobRunner::JobRunner(QObject* parent) : QObject(parent) {
    connect(&watcher_, &QFutureWatcher<void>::finished, this, &JobRunner::Finish);
}

JobRunner::~JobRunner() {
    Abandon();
}

bool JobRunner::Run(std::function<void()> work, std::function<void(std::exception_ptr)> done) {
    if (Busy()) {
        return false;
    }
    done_ = std::move(done);
    error_ = nullptr;
    cancelled_ = false;
    permille_ = -1;
    emit BusyChanged(true); // a Cancel pressed now already stops the work
    watcher_.setFuture(QtConcurrent::run([this, work = std::move(work)] {
        try {
            work();
        } catch (...) {
            error_ = std::current_exception();
        }
    }));
    return true;
}

void JobRunner::Abandon() {
    cancelled_ = true;
    watcher_.waitForFinished();
    done_ = nullptr;
}

// The job's thread has ended: the job is over before `done` runs, which may start the next.
void JobRunner::Finish() {
    if (!Busy()) {
        return; // abandoned
    }
    const std::function<void(std::exception_ptr)> done = std::move(done_);
    done_ = nullptr;
    emit BusyChanged(false);
    done(error_);
}

bool JobRunner::Report(uint64_t done, uint64_t total) {
    const int permille = total == 0 ? 1000 : static_cast<int>(done * 1000 / total);
    if (permille_.exchange(permille) != permille) { // a signal only when the bar would move
        emit Progressed(permille);
    }
    return !cancelled_;
}

} // namespace pelmar::app
