#include "app/App.h"

#include <QMessageBox>

#include <exception>

namespace pelmar::app {

App::App(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName("Pelmar");
    setApplicationVersion(PELMAR_VERSION);
}

bool App::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        QMessageBox::critical(activeWindow(), applicationName(),
                              tr("Unexpected error: %1").arg(QString::fromStdString(e.what())));
    }
    return false;
}

} // namespace pelmar::app
