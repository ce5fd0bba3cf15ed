// The window as it opens (title, controls, menus), how its controls follow its edges, Quit,
// and the About window.

#include "app/About.h"
#include "app/AboutPicture.h"
#include "app/EdgeLocks.h"
#include "support/WindowHarness.h"

#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QTimer>

using namespace pelmar::app;
using pelmar::apptest::WindowHarness;

class StartUpTest : public QObject {
    Q_OBJECT
private slots:
    void StateAtStart() {
        WindowHarness h;
        auto& w = h.window();
        QCOMPARE(w.windowTitle(), QString("Pelmar"));
        QVERIFY(!w.LbMapTags->isEnabled() && !w.LbTagChunks->isEnabled());
        QVERIFY(!w.BtnDup->isEnabled());
        QCOMPARE(w.BtnDup->text(), QString("Duplicate"));
        QCOMPARE(w.LbMapTags->topLevelItemCount() + w.LbTagChunks->topLevelItemCount(), 0);
        QVERIFY(!w.Map().IsLoaded() && w.Solid && w.TagClass().empty());
        QVERIFY(w.LbMapTags->isHeaderHidden());
        QCOMPARE(w.LbTagChunks->selectionMode(), QAbstractItemView::SingleSelection);
        QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(w.Controls->size(), QSize(432, 350));
        QCOMPARE(w.LbMapTags->geometry(), QRect(20, 14, 213, 316));
        QCOMPARE(w.LbTagChunks->geometry(), QRect(255, 14, 157, 274));
        QCOMPARE(w.BtnDup->geometry(), QRect(255, 308, 157, 22));
        QCOMPARE(w.LbMapTags->font().pointSize(), 10);
        QCOMPARE(w.LbTagChunks->font().pointSize(), 10);
        QCOMPARE(w.LbMapTags->toolTip(), QString("Map Tags"));
        QCOMPARE(w.BtnDup->toolTip(), QString("Duplicates the selected tag"));
        QCOMPARE(w.BtnDup->focusPolicy(), Qt::NoFocus);

        // File: Load map, Import tag..., a separator, Quit on the platform's shortcut;
        // About... on the menu bar itself.
        auto* bar = w.MenuBar;
        QStringList items;
        for (QAction* item : bar->FileMenu->actions()) {
            items << (item->isSeparator() ? "-" : item->text() + item->shortcut().toString());
        }
        QCOMPARE(items, QStringList({"&Load map", "&Import tag...", "-", "&QuitCtrl+Q"}));
        QCOMPARE(w.menuBar(), static_cast<QMenuBar*>(bar));
        QCOMPARE(bar->actions(), QList<QAction*>({bar->FileMenu->menuAction(), bar->AboutMenu}));
        QCOMPARE(bar->AboutMenu->text(), QString("About..."));
        QVERIFY(bar->AboutMenu->menu() == nullptr && bar->AboutMenu->shortcut().isEmpty());
    }

    void QuitEndsTheEventLoop() {
        WindowHarness h;
        QTimer::singleShot(0, h.window().MenuBar->FileQuit, &QAction::trigger);
        QObject watchdog;
        QTimer::singleShot(5000, &watchdog, [] { QCoreApplication::exit(1); });
        QCOMPARE(QCoreApplication::exec(), 0);
    }

    // Widening widens only the tag list; heightening lengthens both lists and keeps the button
    // at the bottom; the window cannot become smaller than its minimum.
    void ControlsFollowTheWindowsEdges() {
        const struct {
            QSize grow;
            QSize controls;
        } cases[] = {{{100, 0}, {532, 350}}, {{0, 60}, {432, 410}}, {{-300, -300}, {375, 165}}};
        for (const auto& c : cases) {
            WindowHarness h;
            auto& w = h.window();
            const QRect tags = w.LbMapTags->geometry();
            const QRect chunks = w.LbTagChunks->geometry();
            const QRect button = w.BtnDup->geometry();
            w.resize(w.size() + c.grow);
            QTRY_COMPARE(w.Controls->size(), c.controls);
            const int dx = c.controls.width() - 432;
            const int dy = c.controls.height() - 350;
            QCOMPARE(w.LbMapTags->geometry(), tags.adjusted(0, 0, dx, dy));
            QCOMPARE(w.LbTagChunks->geometry(), chunks.translated(dx, 0).adjusted(0, 0, 0, dy));
            QCOMPARE(w.BtnDup->geometry(), button.translated(dx, dy));
        }
    }

    void ChoosingAboutTwiceGivesOneWindow() {
        WindowHarness h;
        const auto aboutWindows = [] {
            int count = 0;
            for (QWidget* w : QApplication::topLevelWidgets()) {
                count += qobject_cast<About*>(w) != nullptr;
            }
            return count;
        };
        QCOMPARE(aboutWindows(), 0);
        h.window().MenuBar->AboutMenu->trigger();
        QPointer<About> first = h.window().AboutWindow();
        QVERIFY(first != nullptr && QTest::qWaitForWindowExposed(first));
        h.window().MenuBar->AboutMenu->trigger();
        QCOMPARE(h.window().AboutWindow(), first);
        QCOMPARE(aboutWindows(), 1);
        first->close();
        h.window().MenuBar->AboutMenu->trigger();
        QCOMPARE(h.window().AboutWindow(), first);
        QVERIFY(first->isVisible());
        QCOMPARE(aboutWindows(), 1);
        QCOMPARE(h.dialogs().messages, QStringList());

        // Its fixed size, and the picture kept beside the program.
        first->resize(500, 400);
        QCOMPARE(first->size(), QSize(300, 124));
        QCOMPARE(first->maximumSize(), QSize(300, 124));
        QVERIFY(!(first->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY2(!AboutPicture().isNull(), qPrintable(AboutPicturePath()));
        QCOMPARE(first->Canvas1->geometry(), QRect(0, -1, 184, 128));
        QCOMPARE(first->Canvas1->pixmap().size(), QSize(184, 128));
    }

    void WithoutThePictureTheAboutWindowStillOpens() {
        About about{QImage()};
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QVERIFY(about.Canvas1->pixmap().isNull());
        for (QLabel* text : {about.StaticText1, about.StaticText2, about.StaticText3}) {
            QVERIFY(!text->text().isEmpty());
            // Every credit line fits the width it was given.
            QVERIFY2(text->fontMetrics().horizontalAdvance(text->text()) <= text->width(),
                     qPrintable(text->text()));
        }
    }
};

QTEST_MAIN(StartUpTest)
#include "tst_StartUp.moc"
