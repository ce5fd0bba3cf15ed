#pragma once

#include "app/MainWindow.h"
#include "platform/PelmarError.h"

#include <exception>
#include <new>

namespace pelmar::app {

template <class Work> bool MainWindow::Guarded(Work&& work) {
    try {
        work();
        return true;
    } catch (const PelmarError& e) {
        Message(QString::fromStdString(e.what()));
    } catch (const std::bad_alloc&) {
        Message(tr("There is not enough memory for this operation."));
    } catch (const std::exception& e) {
        Message(tr("Unexpected error: %1").arg(QString::fromStdString(e.what())));
    }
    return false;
}

} // namespace pelmar::app
