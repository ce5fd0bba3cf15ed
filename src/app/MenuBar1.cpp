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

} // namespace

QKeySequence MenuBar1::QuitShortcut() {
    const QList<QKeySequence> bindings = QKeySequence::keyBindings(QKeySequence::Quit);
    if (!bindings.isEmpty()) {
        return bindings.front();
    }
    return QKeySequence(Qt::CTRL | Qt::Key_Q);
}

MenuBar1::MenuBar1(QWidget* parent)
    : QMenuBar(parent), FileMenu(new QMenu(tr("&File"), this)),
      FileLoadmap(MakeItem(this, "FileLoadmap", tr("&Load map"))),
      FileImporttag(MakeItem(this, "FileImporttag", tr("&Import tag..."))),
      UntitledSeparator(MakeSeparator(this)), FileQuit(MakeQuit(this)),
      AboutMenu(MakeItem(this, "AboutMenu", tr("About..."))) {
    setObjectName("MenuBar1");
    FileMenu->setObjectName("FileMenu");
    FileMenu->addAction(FileLoadmap);
    FileMenu->addAction(FileImporttag);
    FileMenu->addAction(UntitledSeparator);
    FileMenu->addAction(FileQuit);
    addMenu(FileMenu);
#ifdef Q_OS_MACOS
    AboutMenu->setMenuRole(QAction::AboutRole);
    FileMenu->addAction(AboutMenu);
#else
    addAction(AboutMenu);
#endif
}

} // namespace pelmar::app
