#pragma once

#include <QApplication>

namespace pelmar::app {

// The application object. An error that escapes an event handler is shown to the user
// instead of ending the program.
class App : public QApplication {
    Q_OBJECT
public:
    App(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace pelmar::app
