// app-screenshot OUT.png [ABOUT.png]: draws the main window with the demo map loaded, a
// weapon's chunk tree expanded and a chunk selected, and optionally the About window.
// Runs without a display (QT_QPA_PLATFORM=offscreen).

#include "app/About.h"
#include "support/WindowHarness.h"

#include <QApplication>
#include <QTest>

#include <cstdio>

namespace {

using pelmar::apptest::Shown;
using pelmar::apptest::WindowHarness;

void ExpandDemo(WindowHarness& h) {
    auto& w = h.window();
    QTreeWidgetItem* root = h.OpenTag("weap", "weapons\\pistol\\pistol");
    h.Expand(WindowHarness::TopRow(w.LbMapTags, "bipd"));
    h.Expand(root);
    QTreeWidgetItem* magazines = WindowHarness::Child(root, "magazines");
    h.Expand(magazines);
    h.Expand(magazines->child(0));
    QTreeWidgetItem* packs = WindowHarness::Child(magazines->child(0), "ammo packs");
    h.Expand(packs);
    QTreeWidgetItem* triggers = WindowHarness::Child(root, "triggers");
    h.Expand(triggers);
    h.Select(w.LbTagChunks, packs->child(1));
}

bool Save(QWidget* widget, const char* path) {
    QTest::qWait(50);
    if (!widget->grab().save(QString::fromLocal8Bit(path), "PNG")) {
        std::fprintf(stderr, "app-screenshot: cannot write %s\n", path);
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: app-screenshot OUT.png [ABOUT.png]\n");
        return 2;
    }
    WindowHarness h;
    ExpandDemo(h);
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
