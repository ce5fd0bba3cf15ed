#include "app/MenuBar1.h"

#include <QCoreApplication>

namespace pelmar::app {

namespace {

QAction* MakeItem(QObject* owner, const char* name, const QString& text) {
    auto* item = new QAction(text, owner);
    item->setObjectName(name);
    return item;
}

QAction* MakeSeparator(QObject* owner) {
    QAction* separator = MakeItem(owner, "UntitledSeparator", QString());
    separator->setSeparator(true);
    return separator;
}

QAction* MakeQuit(QObject* owner) {
    QAction* quit = MakeItem(owner, "FileQuit", QObject::tr("&Quit"));
    quit->setShortcut(MenuBar1::QuitShortcut());
    quit->setMenuRole(QAction::QuitRole);
    QObject::connect(quit, &QAction::triggered, qApp, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    return quit;
}

QAction* MakeKeyed(QObject* owner, const char* name, const QString& text, QKeySequence keys) {
    QAction* item = MakeItem(owner, name, text);
    item->setShortcut(keys);
    item->setEnabled(false);
    return item;
}

QMenu* MakeMenu(QWidget* owner, const char* name, const QString& title) {
    auto* menu = new QMenu(title, owner);
    menu->setObjectName(name);
    return menu;
}

} // namespace

QKeySequence MenuBar1::QuitShortcut() {
    const QList<QKeySequence> bindings = QKeySequence::keyBindings(QKeySequence::Quit);
    if (!bindings.isEmpty()) {
        return bindings.front();
    }
    return QKeySequence(Qt::CTRL | Qt::Key_Q);
}

MenuBar1::MenuBar1(QWidget* parent)
    : QMenuBar(parent), FileMenu(MakeMenu(this, "FileMenu", tr("&File"))),
      FileLoadmap(MakeItem(this, "FileLoadmap", tr("&Load map"))),
      FileImporttag(MakeItem(this, "FileImporttag", tr("&Import tag..."))),
      RecentMenu(MakeMenu(this, "RecentMenu", tr("&Recent maps"))),
      UntitledSeparator(MakeSeparator(this)), FileQuit(MakeQuit(this)),
      EditMenu(MakeMenu(this, "EditMenu", tr("&Edit"))),
      EditUndo(MakeKeyed(this, "EditUndo", tr("&Undo"), QKeySequence::Undo)),
      EditRedo(MakeKeyed(this, "EditRedo", tr("&Redo"), QKeySequence::Redo)),
      RelocationMenu(MakeMenu(this, "RelocationMenu", tr("Re&location"))),
      Relocation(new QActionGroup(this)),
      RelocationAuto(MakeItem(Relocation, "RelocationAuto", tr("&Auto"))),
      RelocationPrecise(MakeItem(Relocation, "RelocationPrecise", tr("&Precise"))),
      RelocationScan(MakeItem(Relocation, "RelocationScan", tr("&Scan"))),
      AboutMenu(MakeItem(this, "AboutMenu", tr("About..."))) {
    setObjectName("MenuBar1");
    FillFileMenu();
    FillEditMenu();
#ifdef Q_OS_MACOS
    AboutMenu->setMenuRole(QAction::AboutRole);
    FileMenu->addAction(AboutMenu);
#else
    addAction(AboutMenu);
#endif
}

void MenuBar1::FillFileMenu() {
    FileMenu->addAction(FileLoadmap);
    FileMenu->addAction(FileImporttag);
    FileMenu->addMenu(RecentMenu);
    FileMenu->addAction(UntitledSeparator);
    FileMenu->addAction(FileQuit);
    addMenu(FileMenu);
}

void MenuBar1::FillEditMenu() {
    EditMenu->addAction(EditUndo);
    EditMenu->addAction(EditRedo);
    EditMenu->addSeparator();
    Relocation->setExclusive(true);
    for (QAction* mode : Relocation->actions()) {
        mode->setCheckable(true);
        RelocationMenu->addAction(mode);
    }
    RelocationAuto->setChecked(true);
    EditMenu->addMenu(RelocationMenu);
    addMenu(EditMenu);
}

} // namespace pelmar::app
