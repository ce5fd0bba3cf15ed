// A map file dropped on the window is opened.

#include "app/MainWindow.h"
#include "app/PathText.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QTimer>

namespace pelmar::app {

namespace {

// The first local file among the dropped URLs.
std::optional<std::filesystem::path> DroppedFile(const QMimeData* data) {
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            return PathFromText(url.toLocalFile());
        }
    }
    return std::nullopt;
}

} // namespace

// No map is taken while a job runs.
void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (!jobs_->Busy() && DroppedFile(event->mimeData())) {
        event->acceptProposedAction();
    }
}

// The map is opened once the drop is over, so that a message about it does not hold up the
// program the file was dragged from.
void MainWindow::dropEvent(QDropEvent* event) {
    if (const std::optional<std::filesystem::path> path = DroppedFile(event->mimeData())) {
        event->acceptProposedAction();
        QTimer::singleShot(0, this, [this, file = *path] { OpenMap(file); });
    }
}

} // namespace pelmar::app
