#include "app/MainWindow.h"

#include "app/About.h"
#include "app/AboutPicture.h"
#include "app/AppFonts.h"
#include "app/ChunkTreeModel.h"
#include "app/MainWindowGuard.h"
#include "app/TagListModel.h"

#include <QHBoxLayout>
#include <QStatusBar>
#include <QVBoxLayout>

namespace pelmar::app {

namespace {

// The designed places of the controls in the content: margins around them, the gap between
// the two lists, and the width of the right-hand pane.
constexpr QMargins kMargins{20, 14, 20, 20};
constexpr int kPaneGap = 22;
constexpr int kRightPaneWidth = 157;
constexpr int kTagListWidth = 213;
constexpr int kButtonGap = 20;
constexpr int kButtonHeight = 22;

QTreeView* MakeList(const char* name) {
    auto* list = new QTreeView;
    list->setObjectName(name);
    list->setHeaderHidden(true);
    list->setFont(ControlFont());
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setUniformRowHeights(true);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
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
    button->setFixedHeight(kButtonHeight);
    button->setEnabled(false);
    return button;
}

} // namespace

MainWindow::MainWindow(std::filesystem::path pluginFolder, std::shared_ptr<UserDialogs> dialogs,
                       QWidget* parent)
    : QMainWindow(parent), MenuBar(new MenuBar1(this)), LbMapTags(MakeList("LbMapTags")),
      LbTagChunks(MakeList("LbTagChunks")), BtnDup(MakeDuplicateButton()),
      Panes(new QSplitter(Qt::Horizontal)), dialogs_(std::move(dialogs)),
      plugins_(std::make_shared<PluginCatalog>(std::move(pluginFolder))), session_(plugins_),
      tagModel_(new TagListModel(this)), chunkModel_(new ChunkTreeModel(this)) {
    setObjectName("MainWindow");
    setWindowTitle(tr("Pelmar"));
    setMenuBar(MenuBar);
    setCentralWidget(MakeContent());
    statusBar()->setSizeGripEnabled(false);
    LbMapTags->setToolTip(tr("Map Tags"));
    LbMapTags->setModel(tagModel_);
    LbTagChunks->setModel(chunkModel_);
    WireEvents();
    SetInitialSize();
}

MainWindow::~MainWindow() = default;

// The tag list takes every change of the window's width; the chunk tree and the button keep
// theirs at the right edge. Both lists take changes of the height; the button stays at the
// bottom. The splitter lets the user move the border between the lists.
QWidget* MainWindow::MakeContent() {
    auto* right = new QWidget;
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->setSpacing(kButtonGap);
    rightLayout->addWidget(LbTagChunks, 1);
    rightLayout->addWidget(BtnDup);

    Panes->setObjectName("Panes");
    Panes->setChildrenCollapsible(false);
    Panes->setHandleWidth(kPaneGap);
    Panes->addWidget(LbMapTags);
    Panes->addWidget(right);
    Panes->setStretchFactor(0, 1);
    Panes->setStretchFactor(1, 0);
    Panes->setSizes({kTagListWidth, kRightPaneWidth});

    auto* content = new QWidget;
    content->setObjectName("Controls");
    content->setMinimumSize(kMinimumSize);
    auto* layout = new QHBoxLayout(content);
    layout->setContentsMargins(kMargins);
    layout->addWidget(Panes);
    return content;
}

void MainWindow::WireEvents() {
    connect(LbMapTags, &QTreeView::expanded, this, &MainWindow::LbMapTags_ExpandRow);
    connect(LbMapTags->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MainWindow::LbMapTags_Change);
    connect(LbMapTags, &QTreeView::collapsed, this, &MainWindow::LbMapTags_CollapseRow);
    connect(LbTagChunks, &QTreeView::expanded, this, &MainWindow::LbTagChunks_ExpandRow);
    connect(LbTagChunks->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MainWindow::LbTagChunks_Change);
    connect(LbTagChunks, &QTreeView::collapsed, this, &MainWindow::LbTagChunks_CollapseRow);
    connect(BtnDup, &QPushButton::clicked, this, &MainWindow::BtnDup_Action);
    connect(MenuBar->FileLoadmap, &QAction::triggered, this, &MainWindow::_FileLoadmap_Action);
    connect(MenuBar->FileImporttag, &QAction::triggered, this, &MainWindow::_FileImporttag_Action);
    connect(MenuBar->AboutMenu, &QAction::triggered, this, &MainWindow::_AboutMenu_Action);
}

void MainWindow::SetInitialSize() {
    // The designed size is that of the content; the menu bar (when drawn inside the window)
    // and the status bar add to it.
    const int barHeight = MenuBar->isNativeMenuBar() ? 0 : MenuBar->sizeHint().height();
    resize(kDesignSize.width(),
           kDesignSize.height() + barHeight + statusBar()->sizeHint().height());
}

void MainWindow::Message(const QString& text) {
    dialogs_->ShowMessage(this, text);
}

void MainWindow::ShowError(const PelmarError& error) {
    const QString text = QString::fromStdString(Describe(error));
    if (error.kind() != ErrorKind::Stale || !session_.IsOpen()) {
        Message(text);
        return;
    }
    if (dialogs_->Ask(this, text + "\n\n" + tr("Load the map again now?"))) {
        const std::filesystem::path path = session_.path();
        OpenMap(path);
    }
}

QModelIndex MainWindow::SelectedIndex(const QTreeView* list) const {
    const QModelIndexList selected = list->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? QModelIndex() : selected.front();
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
