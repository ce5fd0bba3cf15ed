#include "app/MainWindow.h"

#include "app/About.h"
#include "app/AboutPicture.h"
#include "app/AppFonts.h"
#include "app/EdgeLocks.h"
#include "app/MainWindowGuard.h"
#include "app/TreeRows.h"

namespace pelmar::app {

namespace {

QTreeWidget* MakeList(const char* name) {
    auto* list = new QTreeWidget;
    list->setObjectName(name);
    list->setColumnCount(1);
    list->setHeaderHidden(true);
    list->setFont(ControlFont());
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setDragEnabled(false);
    list->setDragDropMode(QAbstractItemView::NoDragDrop);
    // The lists are narrow and their rows deep: a small indent and eliding in the middle keep
    // both the start of a name and its end (a chunk's number) in view.
    list->setIndentation(12);
    list->setTextElideMode(Qt::ElideMiddle);
    list->setEnabled(false);
    return list;
}

QPushButton* MakeDuplicateButton() {
    auto* button = new QPushButton(QObject::tr("Duplicate"));
    button->setObjectName("BtnDup");
    button->setToolTip(QObject::tr("Duplicates the selected tag"));
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoDefault(false);
    button->setEnabled(false);
    return button;
}

} // namespace

MainWindow::MainWindow(std::filesystem::path pluginFolder, std::shared_ptr<UserDialogs> dialogs,
                       QWidget* parent)
    : QMainWindow(parent), MenuBar(new MenuBar1(this)), Controls(new LockedArea(kDesignSize, this)),
      LbMapTags(MakeList("LbMapTags")), LbTagChunks(MakeList("LbTagChunks")),
      BtnDup(MakeDuplicateButton()), pluginFolder_(std::move(pluginFolder)),
      dialogs_(std::move(dialogs)), chunkTree_(pluginFolder_) {
    setObjectName("MainWindow");
    setWindowTitle(tr("Pelmar"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::CustomizeWindowHint);
    setMenuBar(MenuBar);
    setCentralWidget(Controls);
    Controls->setMinimumSize(kMinimumSize);
    Controls->setMaximumSize(32000, 32000);

    LbMapTags->setToolTip(tr("Map Tags"));
    Controls->Place(LbMapTags, QRect(20, 14, 213, 316),
                    LockLeft | LockTop | LockRight | LockBottom);
    Controls->Place(LbTagChunks, QRect(255, 14, 157, 274), LockTop | LockRight | LockBottom);
    Controls->Place(BtnDup, QRect(255, 308, 157, 22), LockRight | LockBottom);

    WireEvents();
    SetInitialSize();
}

MainWindow::~MainWindow() = default;

void MainWindow::WireEvents() {
    connect(LbMapTags, &QTreeWidget::itemExpanded, this, &MainWindow::LbMapTags_ExpandRow);
    connect(LbMapTags, &QTreeWidget::itemSelectionChanged, this, &MainWindow::LbMapTags_Change);
    connect(LbMapTags, &QTreeWidget::itemCollapsed, this, &MainWindow::LbMapTags_CollapseRow);
    connect(LbTagChunks, &QTreeWidget::itemExpanded, this, &MainWindow::LbTagChunks_ExpandRow);
    connect(LbTagChunks, &QTreeWidget::itemSelectionChanged, this, &MainWindow::LbTagChunks_Change);
    connect(LbTagChunks, &QTreeWidget::itemCollapsed, this, &MainWindow::LbTagChunks_CollapseRow);
    connect(BtnDup, &QPushButton::clicked, this, &MainWindow::BtnDup_Action);
    connect(MenuBar->FileLoadmap, &QAction::triggered, this, &MainWindow::_FileLoadmap_Action);
    connect(MenuBar->FileImporttag, &QAction::triggered, this, &MainWindow::_FileImporttag_Action);
    connect(MenuBar->AboutMenu, &QAction::triggered, this, &MainWindow::_AboutMenu_Action);
}

void MainWindow::SetInitialSize() {
    // The designed size is that of the content; a menu bar drawn inside the window adds to it.
    const int barHeight = MenuBar->isNativeMenuBar() ? 0 : MenuBar->sizeHint().height();
    resize(kDesignSize.width(), kDesignSize.height() + barHeight);
}

void MainWindow::Message(const QString& text) {
    dialogs_->ShowMessage(this, text);
}

bool MainWindow::_AboutMenu_Action() {
    if (about_ == nullptr) {
        about_ = new About(AboutPicture(), this);
    }
    about_->show();
    about_->raise();
    about_->activateWindow();
    return false;
}

} // namespace pelmar::app
