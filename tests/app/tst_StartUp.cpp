// The window as it opens: title, controls, geometry, fonts, help tags, menus, and how the
// controls follow the window's edges when it is resized.

#include "app/EdgeLocks.h"
#include "app/MainWindow.h"
#include "support/WindowHarness.h"

#include <QMenu>
#include <QTest>
#include <QTimer>

using pelmar::app::LockBottom;
using pelmar::app::LockLeft;
using pelmar::app::LockRight;
using pelmar::app::LockTop;
using pelmar::app::PlaceLocked;
using pelmar::apptest::WindowHarness;

class StartUpTest : public QObject {
    Q_OBJECT
private slots:
    void TitleListsAndButtonAtStart();
    void ControlsSitWhereDesigned();
    void ListsUseTheSystemFontAtSizeTen();
    void HelpTagsAndButtonFocus();
    void FileMenuHoldsLoadImportAndQuit();
    void QuitHasThePlatformShortcutAndTheOthersNone();
    void AboutSitsOnTheMenuBarAfterFile();
    void QuitEndsTheEventLoop();
    void WideningWidensOnlyTheTagList();
    void HeighteningLengthensBothListsAndKeepsTheButtonAtTheBottom();
    void WindowCannotBecomeSmallerThanItsMinimum();
    void PlaceLockedFollowsEachCombinationOfEdges();
};

void StartUpTest::TitleListsAndButtonAtStart() {
    WindowHarness h;
    auto& w = h.window();
    QCOMPARE(w.windowTitle(), QString("Pelmar"));
    QVERIFY(!w.LbMapTags->isEnabled());
    QVERIFY(!w.LbTagChunks->isEnabled());
    QVERIFY(!w.BtnDup->isEnabled());
    QCOMPARE(w.BtnDup->text(), QString("Duplicate"));
    QCOMPARE(w.LbMapTags->topLevelItemCount(), 0);
    QCOMPARE(w.LbTagChunks->topLevelItemCount(), 0);
    QVERIFY(!w.Map().IsLoaded());
    QVERIFY(w.Solid);
    QVERIFY(w.TagClass().empty());
    QCOMPARE(w.LbMapTags->columnCount(), 1);
    QVERIFY(w.LbMapTags->isHeaderHidden());
    QCOMPARE(w.LbTagChunks->selectionMode(), QAbstractItemView::SingleSelection);
    QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(w.windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(w.windowFlags() & Qt::WindowCloseButtonHint);
}

void StartUpTest::ControlsSitWhereDesigned() {
    WindowHarness h;
    auto& w = h.window();
    QCOMPARE(w.Controls->size(), QSize(432, 350));
    QCOMPARE(w.LbMapTags->geometry(), QRect(20, 14, 213, 316));
    QCOMPARE(w.LbTagChunks->geometry(), QRect(255, 14, 157, 274));
    QCOMPARE(w.BtnDup->geometry(), QRect(255, 308, 157, 22));
}

void StartUpTest::ListsUseTheSystemFontAtSizeTen() {
    WindowHarness h;
    QCOMPARE(h.window().LbMapTags->font().pointSize(), 10);
    QCOMPARE(h.window().LbTagChunks->font().pointSize(), 10);
}

void StartUpTest::HelpTagsAndButtonFocus() {
    WindowHarness h;
    auto& w = h.window();
    QCOMPARE(w.LbMapTags->toolTip(), QString("Map Tags"));
    QVERIFY(w.LbTagChunks->toolTip().isEmpty());
    QCOMPARE(w.BtnDup->toolTip(), QString("Duplicates the selected tag"));
    QCOMPARE(w.BtnDup->focusPolicy(), Qt::NoFocus);
}

void StartUpTest::FileMenuHoldsLoadImportAndQuit() {
    WindowHarness h;
    QMenu* file = h.window().MenuBar->FileMenu;
    QCOMPARE(file->title(), QString("&File"));
    const QList<QAction*> items = file->actions();
    QCOMPARE(items.size(), 4);
    QCOMPARE(items[0]->text(), QString("&Load map"));
    QCOMPARE(items[1]->text(), QString("&Import tag..."));
    QVERIFY(items[2]->isSeparator());
    QCOMPARE(items[3]->text(), QString("&Quit"));
}

void StartUpTest::QuitHasThePlatformShortcutAndTheOthersNone() {
    WindowHarness h;
    auto* bar = h.window().MenuBar;
    QCOMPARE(bar->FileQuit->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    QVERIFY(bar->FileLoadmap->shortcut().isEmpty());
    QVERIFY(bar->AboutMenu->shortcut().isEmpty());
    QVERIFY(bar->FileImporttag->shortcut().isEmpty());
}

void StartUpTest::AboutSitsOnTheMenuBarAfterFile() {
    WindowHarness h;
    auto* bar = h.window().MenuBar;
    QCOMPARE(h.window().menuBar(), static_cast<QMenuBar*>(bar));
    const QList<QAction*> top = bar->actions();
    QCOMPARE(top.size(), 2);
    QCOMPARE(top[0]->menu(), bar->FileMenu);
    QCOMPARE(top[1], bar->AboutMenu);
    QCOMPARE(top[1]->text(), QString("About..."));
    QVERIFY(top[1]->menu() == nullptr);
}

void StartUpTest::QuitEndsTheEventLoop() {
    WindowHarness h;
    QTimer::singleShot(0, h.window().MenuBar->FileQuit, &QAction::trigger);
    QTimer watchdog;
    bool timedOut = false;
    watchdog.setSingleShot(true);
    connect(&watchdog, &QTimer::timeout, [&] {
        timedOut = true;
        QCoreApplication::exit(1);
    });
    watchdog.start(5000);
    const int status = QCoreApplication::exec();
    QVERIFY(!timedOut);
    QCOMPARE(status, 0);
}

void StartUpTest::WideningWidensOnlyTheTagList() {
    WindowHarness h;
    auto& w = h.window();
    const QRect tags = w.LbMapTags->geometry();
    const QRect chunks = w.LbTagChunks->geometry();
    const QRect button = w.BtnDup->geometry();
    w.resize(w.width() + 100, w.height());
    QTRY_COMPARE(w.Controls->width(), 532);
    QCOMPARE(w.LbMapTags->geometry(), tags.adjusted(0, 0, 100, 0));
    QCOMPARE(w.LbTagChunks->geometry(), chunks.translated(100, 0));
    QCOMPARE(w.BtnDup->geometry(), button.translated(100, 0));
}

void StartUpTest::HeighteningLengthensBothListsAndKeepsTheButtonAtTheBottom() {
    WindowHarness h;
    auto& w = h.window();
    const QRect tags = w.LbMapTags->geometry();
    const QRect chunks = w.LbTagChunks->geometry();
    const QRect button = w.BtnDup->geometry();
    w.resize(w.width(), w.height() + 60);
    QTRY_COMPARE(w.Controls->height(), 410);
    QCOMPARE(w.LbMapTags->geometry(), tags.adjusted(0, 0, 0, 60));
    QCOMPARE(w.LbTagChunks->geometry(), chunks.adjusted(0, 0, 0, 60));
    QCOMPARE(w.BtnDup->geometry(), button.translated(0, 60));
}

void StartUpTest::WindowCannotBecomeSmallerThanItsMinimum() {
    WindowHarness h;
    auto& w = h.window();
    w.resize(100, 60);
    QTest::qWait(20);
    QCOMPARE(w.Controls->width(), 375);
    QCOMPARE(w.Controls->height(), 165);
    QCOMPARE(w.BtnDup->geometry(), QRect(255 - 57, 308 - 185, 157, 22));
}

void StartUpTest::PlaceLockedFollowsEachCombinationOfEdges() {
    const QSize design(100, 80);
    const QSize bigger(130, 90);
    const QRect r(10, 20, 30, 40);
    QCOMPARE(PlaceLocked(r, LockLeft | LockTop, design, bigger), r);
    QCOMPARE(PlaceLocked(r, 0, design, bigger), r);
    QCOMPARE(PlaceLocked(r, LockLeft | LockRight, design, bigger), QRect(10, 20, 60, 40));
    QCOMPARE(PlaceLocked(r, LockRight, design, bigger), QRect(40, 20, 30, 40));
    QCOMPARE(PlaceLocked(r, LockTop | LockBottom, design, bigger), QRect(10, 20, 30, 50));
    QCOMPARE(PlaceLocked(r, LockBottom, design, bigger), QRect(10, 30, 30, 40));
    QCOMPARE(PlaceLocked(r, LockRight | LockBottom, design, QSize(90, 70)), QRect(0, 10, 30, 40));
}

QTEST_MAIN(StartUpTest)
#include "tst_StartUp.moc"
