// The long session calls, run on another thread one at a time: the window is busy meanwhile,
// shows their progress with a Cancel button, and shows their result once they are over.

#include "app/MainWindow.h"
#include "app/MainWindowGuard.h"

#include <QStatusBar>

namespace pelmar::app {

std::shared_ptr<MapSession> MainWindow::MakeSession(RelocationMode mode) const {
    auto session = std::make_shared<MapSession>(plugins_);
    session->SetRelocationMode(mode);
    session->SetProgress(
        [jobs = jobs_](uint64_t done, uint64_t total) { return jobs->Report(done, total); });
    return session;
}

void MainWindow::RunJob(Job job) {
    if (jobs_->Busy()) {
        return; // the commands that start jobs are off meanwhile
    }
    statusBar()->showMessage(job.what);
    const auto running = std::make_shared<const Job>(std::move(job));
    jobs_->Run(running->work,
               [this, running](std::exception_ptr error) { FinishJob(*running, error); });
}

void MainWindow::FinishJob(const Job& job, const std::exception_ptr& error) {
    statusBar()->clearMessage();
    if (job.dropWhenCancelled && jobs_->Cancelled()) {
        statusBar()->showMessage(tr("Cancelled; nothing was changed."));
    } else {
        Guard([&] {
            if (error) {
                std::rethrow_exception(error);
            }
            job.then();
        });
    }
    UpdateHistoryActions();
    if (closeWhenIdle_ && !jobs_->Busy()) {
        close();
    }
}

void MainWindow::CancelJob() {
    if (jobs_->Busy()) {
        jobs_->Cancel();
        JobCancel->setEnabled(false);
        statusBar()->showMessage(tr("Cancelling..."));
    }
}

void MainWindow::SetBusy(bool busy) {
    if (busy) {
        focusBeforeJob_ = focusWidget();
    }
    centralWidget()->setEnabled(!busy);
    MenuBar->FileLoadmap->setEnabled(!busy);
    MenuBar->FileImporttag->setEnabled(!busy);
    MenuBar->Relocation->setEnabled(!busy);
    if (busy) {
        MenuBar->RecentMenu->setEnabled(false);
        centralWidget()->setCursor(Qt::BusyCursor);
    } else {
        FillRecentMenu();
        centralWidget()->unsetCursor();
    }
    JobProgress->setRange(0, 0); // moves to and fro until the job says how far it has come
    JobProgress->setVisible(busy);
    JobCancel->setEnabled(busy);
    JobCancel->setVisible(busy);
    UpdateHistoryActions();
    if (!busy && focusBeforeJob_ != nullptr) {
        focusBeforeJob_->setFocus();
    }
}

} // namespace pelmar::app
