#pragma once

#include <QFutureWatcher>
#include <QObject>

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>

namespace pelmar::app {

// Runs the window's long session calls (loading, duplicating, importing, undo and redo) on
// another thread, one at a time, so that the window keeps repainting and answering its Cancel
// button meanwhile. Its progress reaches the window through a queued connection.
class JobRunner : public QObject {
    Q_OBJECT
public:
    explicit JobRunner(QObject* parent = nullptr);
    ~JobRunner() override;

    // Runs `work` on another thread, then `done` on this one with what `work` threw (null when
    // it returned). Refused (false) while another job runs.
    bool Run(std::function<void()> work, std::function<void(std::exception_ptr)> done);
    bool Busy() const { return done_ != nullptr; }

    // Asks the running job to stop: Report answers false from now on.
    void Cancel() { cancelled_ = true; }
    // Whether the job running, or the one that finished last, was asked to stop.
    bool Cancelled() const { return cancelled_; }
    // Asks the job to stop and waits for its thread; its `done` is not called.
    void Abandon();

    // The progress callback of the sessions: called on the job's thread with how far the job
    // has come; false once the job was asked to stop.
    bool Report(uint64_t done, uint64_t total);

signals:
    // Whether a job runs; true is told before its work starts.
    void BusyChanged(bool busy);
    // How far the running job has come, in thousandths; emitted on the job's thread.
    void Progressed(int permille);

private:
    void Finish();

    QFutureWatcher<void> watcher_;
    std::function<void(std::exception_ptr)> done_;
    std::exception_ptr error_; // written by the job's thread before it ends
    std::atomic<bool> cancelled_ = false;
    std::atomic<int> permille_ = -1;
};

} // namespace pelmar::app
