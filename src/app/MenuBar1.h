#pragma once

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace pelmar::app {

// The menu bar of the main window: File (Load map, Import tag..., Quit) and About...
class MenuBar1 : public QMenuBar {
    Q_OBJECT
public:
    explicit MenuBar1(QWidget* parent = nullptr);

    QMenu* const FileMenu;
    QAction* const FileLoadmap;
    QAction* const FileImporttag;
    QAction* const UntitledSeparator;
    QAction* const FileQuit;
    // On the bar itself, after File. On macOS, whose menu bar cannot run an item that has no
    // menu, it sits in the application menu, the platform's place for About.
    QAction* const AboutMenu;

    // The platform's quit shortcut (Ctrl+Q; Cmd+Q on macOS), also where the platform names none.
    static QKeySequence QuitShortcut();
};

} // namespace pelmar::app
