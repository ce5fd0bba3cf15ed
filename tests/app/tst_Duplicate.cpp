// The Duplicate button: a chunk copied into the map file, "Done", and the new chunk shown once
// its struct row is expanded again; and the cases where there is nothing to duplicate.

#include "map/HaloPcMap.h"
#include "platform/AtomicFileWriter.h"
#include "support/WindowHarness.h"

#include <QTest>

#include <fstream>

using pelmar::apptest::Shown;
using pelmar::apptest::WindowHarness;
namespace test = pelmar::test;

namespace {

// The tag list row of tag `name` of class `class1`, expanding its class row.
QTreeWidgetItem* TagRow(WindowHarness& h, const QString& class1, const std::string& name) {
    QTreeWidgetItem* classRow = WindowHarness::TopRow(h.window().LbMapTags, class1);
    if (!classRow->isExpanded()) {
        h.Expand(classRow);
    }
    return WindowHarness::Child(classRow, Shown(name));
}

} // namespace

class DuplicateTest : public QObject {
    Q_OBJECT
private slots:
    void DuplicatingAChunkSaysDoneAndAddsOneChunk();
    void DuplicatingANestedChunk();
    void DuplicatingInTheScenario();
    void OtherTagsStillReadRightAfterADuplication();
    void TheRootRowHasNothingToDuplicate();
    void AStructRowLeftSelectedByACollapseHasNothingToDuplicate();
    void NoTagSelectedSaysWhyAndLeavesTheFile();
    void NoChunkRowSelectedSaysWhyAndLeavesTheFile();
    void AFailedWriteSaysWhyAndLeavesTheFile();
    void AStructWithoutASizeHasNothingToDuplicate();
};

void DuplicateTest::DuplicatingAChunkSaysDoneAndAddsOneChunk() {
    WindowHarness h;
    QTreeWidgetItem* root = h.OpenTag("weap", "weapons\\pistol\\pistol");
    const auto lengthBefore = std::filesystem::file_size(h.window().Map().f);
    h.Expand(root);
    QTreeWidgetItem* triggers = WindowHarness::Child(root, "triggers");
    h.Expand(triggers);
    QCOMPARE(triggers->childCount(), 3);
    h.Select(h.window().LbTagChunks, triggers->child(1));
    h.ClickDuplicate();
    QCOMPARE(h.dialogs().messages, QStringList({"Done"}));
    QCOMPARE(std::filesystem::file_size(h.window().Map().f), lengthBefore + 24);
    // The tree is not refreshed until the struct row is expanded again.
    QCOMPARE(triggers->childCount(), 3);
    h.Collapse(triggers);
    h.Expand(triggers);
    QCOMPARE(WindowHarness::Texts(triggers),
             QStringList({"triggers : 1", "triggers : 2", "triggers : 3", "triggers : 4"}));

    // The file on disk agrees: a fresh load reads the raised count.
    pelmar::HaloPcMap reloaded;
    reloaded.LoadMap(h.window().Map().f);
    const auto& pistol =
        reloaded
            .TagCache[static_cast<size_t>(*reloaded.FindTagByName("weap:weapons\\pistol\\pistol"))];
    QCOMPARE(test::WordAt(test::ReadFileBytes(reloaded.f), pistol.Offset + 52), 4);
}

void DuplicateTest::DuplicatingANestedChunk() {
    WindowHarness h;
    QTreeWidgetItem* root = h.OpenTag("weap", "weapons\\pistol\\pistol");
    h.Expand(root);
    QTreeWidgetItem* magazines = WindowHarness::Child(root, "magazines");
    h.Expand(magazines);
    QTreeWidgetItem* second = magazines->child(1);
    h.Expand(second);
    QTreeWidgetItem* packs = WindowHarness::Child(second, "ammo packs");
    h.Expand(packs);
    QCOMPARE(packs->childCount(), 2);
    h.Select(h.window().LbTagChunks, packs->child(0));
    h.ClickDuplicate();
    QCOMPARE(h.dialogs().messages, QStringList({"Done"}));
    h.Collapse(packs);
    h.Expand(packs);
    QCOMPARE(WindowHarness::Texts(packs),
             QStringList({"ammo packs : 1", "ammo packs : 2", "ammo packs : 3"}));
    // The other magazine is untouched.
    QTreeWidgetItem* first = magazines->child(0);
    h.Expand(first);
    QTreeWidgetItem* firstPacks = WindowHarness::Child(first, "ammo packs");
    h.Expand(firstPacks);
    QCOMPARE(firstPacks->childCount(), 2);
}

void DuplicateTest::DuplicatingInTheScenario() {
    WindowHarness h;
    QTreeWidgetItem* root = h.OpenTag("scnr", "levels\\test\\demo\\demo");
    h.Expand(root);
    QTreeWidgetItem* skies = WindowHarness::Child(root, "skies");
    h.Expand(skies);
    QCOMPARE(skies->childCount(), 2);
    h.Select(h.window().LbTagChunks, skies->child(0));
    h.ClickDuplicate();
    QCOMPARE(h.dialogs().messages, QStringList({"Done"}));
    h.Collapse(skies);
    h.Expand(skies);
    QCOMPARE(skies->childCount(), 3);
    QTreeWidgetItem* spawns = WindowHarness::Child(root, "player spawns");
    h.Expand(spawns);
    QCOMPARE(spawns->childCount(), 3);
}

void DuplicateTest::OtherTagsStillReadRightAfterADuplication() {
    WindowHarness h;
    QTreeWidgetItem* root = h.OpenTag("weap", "weapons\\assault rifle\\assault rifle");
    h.Expand(root);
    QTreeWidgetItem* magazines = WindowHarness::Child(root, "magazines");
    h.Expand(magazines);
    h.Select(h.window().LbTagChunks, magazines->child(0));
    h.ClickDuplicate();
    QCOMPARE(h.dialogs().messages, QStringList({"Done"}));

    // A tag whose data lies after the insertion point moved; the window reads it where it is now.
    h.Select(h.window().LbMapTags, TagRow(h, "vehi", "vehicles\\banshee\\banshee"));
    root = h.window().LbTagChunks->topLevelItem(0);
    h.Expand(root);
    QCOMPARE(WindowHarness::Texts(root), QStringList({"seats", "suspensions"}));
    QTreeWidgetItem* suspensions = WindowHarness::Child(root, "suspensions");
    h.Expand(suspensions);
    QCOMPARE(suspensions->childCount(), 4);
}

void DuplicateTest::TheRootRowHasNothingToDuplicate() {
    WindowHarness h;
    QTreeWidgetItem* root = h.OpenTag("weap", "weapons\\pistol\\pistol");
    const std::vector<uint8_t> before = test::ReadFileBytes(h.window().Map().f);
    h.Select(h.window().LbTagChunks, root);
    QVERIFY(h.window().BtnDup->isEnabled());
    h.ClickDuplicate();
    QCOMPARE(h.dialogs().messages.size(), 1);
    QVERIFY2(h.dialogs().messages[0].contains("Select a chunk") &&
                 h.dialogs().messages[0].contains("Main"),
             qPrintable(h.dialogs().messages[0]));
    QVERIFY(test::ReadFileBytes(h.window().Map().f) == before);
}

void DuplicateTest::AStructRowLeftSelectedByACollapseHasNothingToDuplicate() {
    WindowHarness h;
    QTreeWidgetItem* root = h.OpenTag("weap", "weapons\\pistol\\pistol");
    h.Expand(root);
    QTreeWidgetItem* triggers = WindowHarness::Child(root, "triggers");
    h.Expand(triggers);
    h.Select(h.window().LbTagChunks, triggers->child(0));
    h.Collapse(triggers);
    QVERIFY(h.window().BtnDup->isEnabled());
    const std::vector<uint8_t> before = test::ReadFileBytes(h.window().Map().f);
    h.ClickDuplicate();
    QCOMPARE(h.dialogs().messages.size(), 1);
    QVERIFY2(h.dialogs().messages[0].contains("struct row"), qPrintable(h.dialogs().messages[0]));
    QVERIFY(test::ReadFileBytes(h.window().Map().f) == before);
}

void DuplicateTest::NoTagSelectedSaysWhyAndLeavesTheFile() {
    WindowHarness h;
    QTreeWidgetItem* root = h.OpenTag("weap", "weapons\\pistol\\pistol");
    h.Expand(root);
    QTreeWidgetItem* triggers = WindowHarness::Child(root, "triggers");
    h.Expand(triggers);
    h.Select(h.window().LbTagChunks, triggers->child(0));
    h.Select(h.window().LbMapTags, WindowHarness::TopRow(h.window().LbMapTags, "weap"));
    const std::vector<uint8_t> before = test::ReadFileBytes(h.window().Map().f);
    h.ClickDuplicate();
    QCOMPARE(h.dialogs().messages.size(), 1);
    QVERIFY(h.dialogs().messages[0].contains("Select a tag"));
    QVERIFY(test::ReadFileBytes(h.window().Map().f) == before);
}

void DuplicateTest::NoChunkRowSelectedSaysWhyAndLeavesTheFile() {
    WindowHarness h;
    QTreeWidgetItem* root = h.OpenTag("weap", "weapons\\pistol\\pistol");
    h.Select(h.window().LbTagChunks, root);
    QVERIFY(h.window().BtnDup->isEnabled());
    // Selecting another tag empties the tree without touching the button.
    h.Select(h.window().LbMapTags, TagRow(h, "weap", "weapons\\sniper rifle\\sniper rifle"));
    QVERIFY(h.window().LbTagChunks->selectedItems().isEmpty());
    QVERIFY(h.window().BtnDup->isEnabled());
    const std::vector<uint8_t> before = test::ReadFileBytes(h.window().Map().f);
    h.ClickDuplicate();
    QCOMPARE(h.dialogs().messages, QStringList({"Select a chunk row in the chunk tree first."}));
    QVERIFY(test::ReadFileBytes(h.window().Map().f) == before);
}

void DuplicateTest::AFailedWriteSaysWhyAndLeavesTheFile() {
    WindowHarness h;
    QTreeWidgetItem* root = h.OpenTag("weap", "weapons\\pistol\\pistol");
    h.Expand(root);
    QTreeWidgetItem* triggers = WindowHarness::Child(root, "triggers");
    h.Expand(triggers);
    h.Select(h.window().LbTagChunks, triggers->child(0));
    const std::filesystem::path file = h.window().Map().f;
    const std::vector<uint8_t> before = test::ReadFileBytes(file);
    pelmar::SetWriteFaultForTesting(pelmar::WriteFault{4096, pelmar::WriteFault::Action::Fail});
    h.ClickDuplicate();
    pelmar::SetWriteFaultForTesting(std::nullopt);
    QCOMPARE(h.dialogs().messages.size(), 1);
    QVERIFY2(h.dialogs().messages[0].contains("demo.map"), qPrintable(h.dialogs().messages[0]));
    QVERIFY(test::ReadFileBytes(file) == before);
    h.Collapse(triggers);
    h.Expand(triggers);
    QCOMPARE(triggers->childCount(), 3);
    // The model was left as it was too: a second try succeeds.
    h.Select(h.window().LbTagChunks, triggers->child(0));
    h.ClickDuplicate();
    QCOMPARE(h.dialogs().messages.last(), QString("Done"));
    h.Collapse(triggers);
    h.Expand(triggers);
    QCOMPARE(triggers->childCount(), 4);
}

void DuplicateTest::AStructWithoutASizeHasNothingToDuplicate() {
    test::TempDir plugins;
    std::ofstream(plugins / "weap.ent")
        << "<plugin class=\"weap\"><struct name=\"triggers\" offset=\"52\"/></plugin>";
    WindowHarness h(plugins.path());
    QTreeWidgetItem* root = h.OpenTag("weap", "weapons\\pistol\\pistol");
    h.Expand(root);
    QTreeWidgetItem* triggers = WindowHarness::Child(root, "triggers");
    h.Expand(triggers);
    QCOMPARE(triggers->childCount(), 3);
    h.Select(h.window().LbTagChunks, triggers->child(0));
    const std::vector<uint8_t> before = test::ReadFileBytes(h.window().Map().f);
    h.ClickDuplicate();
    QCOMPARE(h.dialogs().messages.size(), 1);
    QVERIFY2(h.dialogs().messages[0].contains("no size"), qPrintable(h.dialogs().messages[0]));
    QVERIFY(test::ReadFileBytes(h.window().Map().f) == before);
}

QTEST_MAIN(DuplicateTest)
#include "tst_Duplicate.moc"
