// app-screenshot OUT.png: draws the window on the realistic demo map with a weapon's first trigger
// selected and its fields in the values pane (QT_QPA_PLATFORM=offscreen; user folders untouched).

#include "WindowHarness.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        return 2;
    }
    pelmar::apptest::Harness h(pelmar::test::BundledPluginsDir());
    h.Load(h.Realistic());
    const QModelIndex root = h.SelectTag("weap", "weapons\\pistol\\pistol");
    h.Walk(h.w.LbTagChunks, root, {"magazines"});
    h.Select(h.Walk(h.w.LbTagChunks, root, {"triggers", "triggers : 1"}));
    h.w.LbValues->selectRow(7);
    QTest::qWait(50);
    if (!h.w.grab().save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "app-screenshot: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
