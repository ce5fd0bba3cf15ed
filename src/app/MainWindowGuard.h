#pragma once

#include "app/MainWindow.h"

#include <exception>
#include <new>

namespace pelmar::app {

// The one place where the window turns errors into messages: a PelmarError is described
// once by ShowError; anything else still gets a message instead of ending the program.
template <class Work> bool MainWindow::Guard(Work&& work) {
    try {
        work();
        return true;
    } catch (const PelmarError& e) {
        ShowError(e);
    } catch (const std::bad_alloc&) {
        Message(tr("There is not enough memory for this operation."));
    } catch (const std::exception& e) {
        Message(tr("Unexpected error: %1").arg(QString::fromStdString(e.what())));
    }
    return false;
}

} // namespace pelmar::app
