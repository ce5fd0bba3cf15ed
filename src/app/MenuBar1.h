#pragma once

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

namespace pelmar::app {

// The menu bar of the main window: File (Load map, Import tag..., Recent maps, Quit), Edit
// (Undo, Redo, Relocation) and About...
class MenuBar1 : public QMenuBar {
    Q_OBJECT
public:
    explicit MenuBar1(QWidget* parent = nullptr);

    QMenu* const FileMenu;
    QAction* const FileLoadmap;
    QAction* const FileImporttag;
    // Filled by the window with the maps opened last.
    QMenu* const RecentMenu;
    QAction* const UntitledSeparator;
    QAction* const FileQuit;

    QMenu* const EditMenu;
    QAction* const EditUndo;
    QAction* const EditRedo;
    // How edits relocate addresses: one of Auto, Precise and Scan is checked.
    QMenu* const RelocationMenu;
    QActionGroup* const Relocation;
    QAction* const RelocationAuto;
    QAction* const RelocationPrecise;
    QAction* const RelocationScan;

    // On the bar itself, after Edit. On macOS, whose menu bar cannot run an item that has no
    // menu, it sits in the application menu, the platform's place for About.
    QAction* const AboutMenu;

    // The platform's quit shortcut (Ctrl+Q; Cmd+Q on macOS), also where the platform names none.
    static QKeySequence QuitShortcut();

private:
    void FillFileMenu();
    void FillEditMenu();
};

} // namespace pelmar::app
