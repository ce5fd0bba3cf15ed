// app-screenshot OUT.png [ABOUT.png]: draws the main window with the demo map loaded, a
// weapon's chunk tree expanded and a chunk selected, and optionally the About window.
// Runs without a display (QT_QPA_PLATFORM=offscreen).

#include "app/About.h"
#include "support/WindowHarness.h"

#include <QApplication>

#include <cstdio>

using pelmar::apptest::WindowHarness;

static bool Save(QWidget* widget, const char* path) {
    QTest::qWait(50);
    if (!widget->grab().save(QString::fromLocal8Bit(path), "PNG")) {
        std::fprintf(stderr, "app-screenshot: cannot write %s\n", path);
        return false;
    }
    return true;
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: app-screenshot OUT.png [ABOUT.png]\n");
        return 2;
    }
    WindowHarness h;
    QTreeWidgetItem* root = h.OpenTag("weap", "weapons\\pistol\\pistol");
    WindowHarness::TopRow(h.window().LbMapTags, "bipd")->setExpanded(true);
    WindowHarness::Walk(root, {"triggers"});
    QTreeWidgetItem* packs =
        WindowHarness::Walk(root, {"magazines", "magazines : 1", "ammo packs"});
    h.SelectChunk(packs->child(1));
    if (!Save(&h.window(), argv[1])) {
        return 1;
    }
    if (argc == 3) {
        h.window().MenuBar->AboutMenu->trigger();
        if (!Save(h.window().AboutWindow().data(), argv[2])) {
            return 1;
        }
    }
    return 0;
}
