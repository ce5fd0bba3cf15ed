#include "app/MainWindow.h"

#include "app/About.h"
#include "app/AboutPicture.h"
#include "app/AppFonts.h"
#include "app/ChunkTreeModel.h"
#include "app/FieldValueModel.h"
#include "app/MainWindowGuard.h"
#include "app/TagListModel.h"

#include <QHBoxLayout>
#include <QStatusBar>
#include <QVBoxLayout>

namespace pelmar::app {

namespace {

// The designed places of the controls in the content: margins around them, the gap between
// the panes, the widths of the panes at start, and the Duplicate buttons under the chunk tree.
constexpr QMargins kMargins{20, 14, 20, 20};
constexpr int kPaneGap = 14;
constexpr int kTagListWidth = 220;
constexpr int kChunkPaneWidth = 240;
constexpr int kValuesWidth = 572;
constexpr int kButtonGap = 12;
constexpr int kButtonHeight = 22;
constexpr int kJobProgressWidth = 160;

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

QPushButton* MakeButton(const char* name, const QString& text, const QString& tip) {
    auto* button = new QPushButton(text);
    button->setObjectName(name);
    button->setToolTip(tip);
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoDefault(false);
    button->setFixedHeight(kButtonHeight);
    button->setEnabled(false);
    return button;
}

QLineEdit* MakeFilter() {
    auto* filter = new QLineEdit;
    filter->setObjectName("TagFilter");
    filter->setPlaceholderText(QObject::tr("Filter classes and tags"));
    filter->setClearButtonEnabled(true);
    filter->setFont(ControlFont());
    return filter;
}

QLabel* MakeStatusLabel(const char* name) {
    auto* label = new QLabel;
    label->setObjectName(name);
    return label;
}

QProgressBar* MakeJobProgress() {
    auto* bar = new QProgressBar;
    bar->setObjectName("JobProgress");
    bar->setMaximumWidth(kJobProgressWidth);
    bar->hide();
    return bar;
}

QPushButton* MakeJobCancel() {
    auto* button = new QPushButton(QObject::tr("Cancel"));
    button->setObjectName("JobCancel");
    button->setFocusPolicy(Qt::NoFocus);
    button->hide();
    return button;
}

} // namespace

MainWindow::MainWindow(std::filesystem::path pluginFolder, std::shared_ptr<UserDialogs> dialogs,
                       QWidget* parent)
    : QMainWindow(parent), MenuBar(new MenuBar1(this)), TagFilter(MakeFilter()),
      LbMapTags(MakeList("LbMapTags")), LbTagChunks(MakeList("LbTagChunks")),
      BtnDup(MakeButton("BtnDup", tr("Duplicate"), tr("Duplicates the selected tag"))),
      BtnDupDeep(MakeButton("BtnDupDeep", tr("Duplicate with sub-blocks"),
                            tr("Duplicates the selected chunk with its sub-blocks and data"))),
      LbValues(new QTableView), CopyValue(new QAction(tr("Copy value"), LbValues)),
      CopyOffset(new QAction(tr("Copy offset"), LbValues)), Panes(new QSplitter(Qt::Horizontal)),
      BlockInfo(MakeStatusLabel("BlockInfo")), RelocationInfo(MakeStatusLabel("RelocationInfo")),
      JobProgress(MakeJobProgress()), JobCancel(MakeJobCancel()), dialogs_(std::move(dialogs)),
      plugins_(std::make_shared<PluginCatalog>(std::move(pluginFolder))),
      jobs_(new JobRunner(this)), session_(MakeSession(RelocationMode::Auto)),
      tagModel_(new TagListModel(this)), tagFilter_(new QSortFilterProxyModel(this)),
      chunkModel_(new ChunkTreeModel(this)), valueModel_(new FieldValueModel(this)) {
    setObjectName("MainWindow");
    setWindowTitle(tr("Pelmar"));
    setAcceptDrops(true);
    setMenuBar(MenuBar);
    setCentralWidget(MakeContent());
    SetUpStatusBar();
    SetUpValues();
    LbMapTags->setToolTip(tr("Map Tags"));
    tagFilter_->setSourceModel(tagModel_);
    tagFilter_->setRecursiveFilteringEnabled(true);
    tagFilter_->setAutoAcceptChildRows(true);
    tagFilter_->setFilterCaseSensitivity(Qt::CaseInsensitive);
    LbMapTags->setModel(tagFilter_);
    LbTagChunks->setModel(chunkModel_);
    WireEvents();
    WireEditing();
    SetInitialSize();
    RestoreSettings();
}

// A job still running is stopped before the session it uses goes away.
MainWindow::~MainWindow() {
    jobs_->Abandon();
}

// The values pane takes every change of the window's width; the tag list and the chunk tree
// keep theirs. All panes take changes of the height; the buttons stay at the bottom. The
// splitter lets the user move the borders between the panes.
QWidget* MainWindow::MakeContent() {
    Panes->setObjectName("Panes");
    Panes->setChildrenCollapsible(false);
    Panes->setHandleWidth(kPaneGap);
    Panes->addWidget(MakeTagPane());
    Panes->addWidget(MakeChunkPane());
    Panes->addWidget(LbValues);
    for (const int pane : {0, 1, 2}) {
        Panes->setStretchFactor(pane, pane == 2 ? 1 : 0);
    }
    Panes->setSizes({kTagListWidth, kChunkPaneWidth, kValuesWidth});

    auto* content = new QWidget;
    content->setObjectName("Controls");
    content->setMinimumSize(kMinimumSize);
    auto* layout = new QHBoxLayout(content);
    layout->setContentsMargins(kMargins);
    layout->addWidget(Panes);
    return content;
}

QWidget* MainWindow::MakeTagPane() {
    auto* pane = new QWidget;
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(TagFilter);
    layout->addWidget(LbMapTags, 1);
    return pane;
}

QWidget* MainWindow::MakeChunkPane() {
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BtnDup);
    buttons->addWidget(BtnDupDeep);
    auto* pane = new QWidget;
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(kButtonGap);
    layout->addWidget(LbTagChunks, 1);
    layout->addLayout(buttons);
    return pane;
}

void MainWindow::SetUpStatusBar() {
    statusBar()->setSizeGripEnabled(false);
    statusBar()->addPermanentWidget(JobProgress);
    statusBar()->addPermanentWidget(JobCancel);
    statusBar()->addPermanentWidget(BlockInfo);
    statusBar()->addPermanentWidget(RelocationInfo);
}

void MainWindow::WireEvents() {
    connect(TagFilter, &QLineEdit::textChanged, this, &MainWindow::TagFilter_Change);
    connect(LbMapTags, &QTreeView::expanded, this, &MainWindow::LbMapTags_ExpandRow);
    connect(LbMapTags->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MainWindow::LbMapTags_Change);
    connect(LbMapTags, &QTreeView::collapsed, this, &MainWindow::LbMapTags_CollapseRow);
    connect(LbTagChunks, &QTreeView::expanded, this, &MainWindow::LbTagChunks_ExpandRow);
    connect(LbTagChunks->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MainWindow::LbTagChunks_Change);
    connect(LbTagChunks, &QTreeView::collapsed, this, &MainWindow::LbTagChunks_CollapseRow);
    connect(BtnDup, &QPushButton::clicked, this, &MainWindow::BtnDup_Action);
    connect(BtnDupDeep, &QPushButton::clicked, this, &MainWindow::BtnDupDeep_Action);
    connect(MenuBar->FileLoadmap, &QAction::triggered, this, &MainWindow::_FileLoadmap_Action);
    connect(MenuBar->FileImporttag, &QAction::triggered, this, &MainWindow::_FileImporttag_Action);
    connect(MenuBar->RecentMenu, &QMenu::aboutToShow, this, &MainWindow::FillRecentMenu);
    connect(MenuBar->AboutMenu, &QAction::triggered, this, &MainWindow::_AboutMenu_Action);
    connect(JobCancel, &QPushButton::clicked, this, &MainWindow::CancelJob);
    connect(jobs_, &JobRunner::BusyChanged, this, &MainWindow::SetBusy);
    connect(
        jobs_, &JobRunner::Progressed, JobProgress,
        [this](int permille) {
            JobProgress->setRange(0, 1000);
            JobProgress->setValue(permille);
        },
        Qt::QueuedConnection);
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

// A cancelled edit is what the user asked for: the status bar says it, no message box.
void MainWindow::ShowError(const PelmarError& error) {
    const QString text = QString::fromStdString(Describe(error));
    if (error.kind() == ErrorKind::Cancelled) {
        statusBar()->showMessage(text);
        return;
    }
    if (error.kind() != ErrorKind::Stale || !session_->IsOpen()) {
        Message(text);
        return;
    }
    if (dialogs_->Ask(this, text + "\n\n" + tr("Load the map again now?"))) {
        const std::filesystem::path path = session_->path();
        OpenMap(path);
    }
}

QModelIndex MainWindow::SelectedIndex(const QAbstractItemView* list) const {
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
