// Selecting a tag and expanding its chunk tree: rows, hidden tags, the Duplicate button's
// state, and expanding with no tag selected.

#include "support/WindowHarness.h"

#include <QTest>

#include <fstream>

using pelmar::apptest::WindowHarness;
namespace test = pelmar::test;

class ChunkTreeTest : public QObject {
    Q_OBJECT
private slots:
    void SelectingATagShowsItsRootRow();
    void ExpandingTheRootListsStructsWithElements();
    void ExpandingAStructListsItsChunks();
    void ChunksWithNestedStructsAreFolders();
    void AStructWithNoElementsInThisTagGetsNoRow();
    void CollapsingAndExpandingAgainGivesTheSameRows();
    void ButtonFollowsTheSelectedRowKind();
    void CollapsingSelectsTheRowAndLeavesTheButton();
    void SelectingAnotherTagRebuildsTheTree();
    void ExpandingWithNoTagSelectedSaysWhyAndAddsNothing();
    void APluginWithoutStructsSaysSo();
    void AChunkTreeIsReadFromTheFileAtEachExpansion();
    void AHostileCountListsWhatLiesInsideTheFile();
    void APluginRemovedSinceTheScanSaysWhy();
    void FindBaseOffsetAndStructsCheckAnswerFromTheRegistry();
};

void ChunkTreeTest::SelectingATagShowsItsRootRow() {
    WindowHarness h;
    QTreeWidgetItem* root = h.OpenTag("weap", "weapons\\pistol\\pistol");
    QVERIFY(root != nullptr);
    QCOMPARE(WindowHarness::Texts(h.window().LbTagChunks), QStringList({"Main"}));
    QCOMPARE(WindowHarness::Tag(root), std::string("weap"));
    QCOMPARE(root->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    QVERIFY(!root->isExpanded());
    QCOMPARE(h.window().TagClass(), std::string("weap"));
    QVERIFY(!h.window().BtnDup->isEnabled());
    QCOMPARE(h.dialogs().messages, QStringList());
}

void ChunkTreeTest::ExpandingTheRootListsStructsWithElements() {
    WindowHarness h;
    QTreeWidgetItem* root = h.OpenTag("weap", "weapons\\pistol\\pistol");
    h.Expand(root);
    QCOMPARE(WindowHarness::Texts(root), QStringList({"magazines", "triggers"}));
    QCOMPARE(WindowHarness::Tags(root),
             std::vector<std::string>({"weap|magazines", "weap|triggers"}));
    QCOMPARE(root->child(0)->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    QVERIFY(h.window().Solid);
}

void ChunkTreeTest::ExpandingAStructListsItsChunks() {
    WindowHarness h;
    QTreeWidgetItem* root = h.OpenTag("weap", "weapons\\pistol\\pistol");
    h.Expand(root);
    QTreeWidgetItem* triggers = WindowHarness::Child(root, "triggers");
    h.Expand(triggers);
    QCOMPARE(WindowHarness::Texts(triggers),
             QStringList({"triggers : 1", "triggers : 2", "triggers : 3"}));
    QCOMPARE(WindowHarness::Tags(triggers),
             std::vector<std::string>({"weap>triggers;1", "weap>triggers;2", "weap>triggers;3"}));
    // Chunks of a struct with no nested structs are plain rows.
    for (int i = 0; i < triggers->childCount(); ++i) {
        QCOMPARE(triggers->child(i)->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);
    }
}

void ChunkTreeTest::ChunksWithNestedStructsAreFolders() {
    WindowHarness h;
    QTreeWidgetItem* root = h.OpenTag("weap", "weapons\\pistol\\pistol");
    h.Expand(root);
    QTreeWidgetItem* magazines = WindowHarness::Child(root, "magazines");
    h.Expand(magazines);
    QCOMPARE(WindowHarness::Texts(magazines), QStringList({"magazines : 1", "magazines : 2"}));
    QTreeWidgetItem* first = magazines->child(0);
    QCOMPARE(first->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    h.Expand(first);
    QCOMPARE(WindowHarness::Texts(first), QStringList({"ammo packs"}));
    QCOMPARE(WindowHarness::Tags(first), std::vector<std::string>({"weap>magazines;1|ammo packs"}));
    QTreeWidgetItem* packs = first->child(0);
    h.Expand(packs);
    QCOMPARE(WindowHarness::Tags(packs),
             std::vector<std::string>(
                 {"weap>magazines;1>ammo packs;1", "weap>magazines;1>ammo packs;2"}));
    h.Expand(packs->child(1));
    QTreeWidgetItem* effects = WindowHarness::Child(packs->child(1), "effects");
    QVERIFY(effects != nullptr);
    h.Expand(effects);
    QVERIFY(effects->childCount() >= 1);
    QCOMPARE(WindowHarness::Tag(effects->child(0)),
             std::string("weap>magazines;1>ammo packs;2>effects;1"));
}

void ChunkTreeTest::AStructWithNoElementsInThisTagGetsNoRow() {
    WindowHarness h;
    // The cyborg has no camera tracks; its contact points are declared in capitals.
    QTreeWidgetItem* root = h.OpenTag("bipd", "characters\\cyborg\\cyborg");
    h.Expand(root);
    QCOMPARE(WindowHarness::Texts(root), QStringList({"contact points"}));
    QTreeWidgetItem* other = nullptr;
    {
        QTreeWidgetItem* bipd = WindowHarness::TopRow(h.window().LbMapTags, "bipd");
        other = WindowHarness::Child(bipd, pelmar::apptest::Shown("characters\\elite\\elite"));
    }
    h.Select(h.window().LbMapTags, other);
    root = h.window().LbTagChunks->topLevelItem(0);
    h.Expand(root);
    QCOMPARE(WindowHarness::Texts(root), QStringList({"contact points", "camera tracks"}));
}

void ChunkTreeTest::CollapsingAndExpandingAgainGivesTheSameRows() {
    WindowHarness h;
    QTreeWidgetItem* root = h.OpenTag("vehi", "vehicles\\warthog\\warthog");
    h.Expand(root);
    QTreeWidgetItem* seats = WindowHarness::Child(root, "seats");
    h.Expand(seats);
    const QStringList texts = WindowHarness::Texts(seats);
    const std::vector<std::string> tags = WindowHarness::Tags(seats);
    QVERIFY(texts.size() >= 2);
    h.Collapse(root);
    QCOMPARE(root->childCount(), 0);
    h.Expand(root);
    seats = WindowHarness::Child(root, "seats");
    h.Expand(seats);
    QCOMPARE(WindowHarness::Texts(seats), texts);
    QCOMPARE(WindowHarness::Tags(seats), tags);
}

void ChunkTreeTest::ButtonFollowsTheSelectedRowKind() {
    WindowHarness h;
    QTreeWidgetItem* root = h.OpenTag("weap", "weapons\\pistol\\pistol");
    auto* chunks = h.window().LbTagChunks;
    h.Select(chunks, root);
    QVERIFY(h.window().BtnDup->isEnabled());
    h.Expand(root);
    QTreeWidgetItem* triggers = WindowHarness::Child(root, "triggers");
    h.Select(chunks, triggers);
    QVERIFY(!h.window().BtnDup->isEnabled());
    h.Expand(triggers);
    h.Select(chunks, triggers->child(1));
    QVERIFY(h.window().BtnDup->isEnabled());
    h.Select(chunks, nullptr);
    QVERIFY(!h.window().BtnDup->isEnabled());
}

void ChunkTreeTest::CollapsingSelectsTheRowAndLeavesTheButton() {
    WindowHarness h;
    QTreeWidgetItem* root = h.OpenTag("weap", "weapons\\pistol\\pistol");
    auto* chunks = h.window().LbTagChunks;
    h.Expand(root);
    QTreeWidgetItem* triggers = WindowHarness::Child(root, "triggers");
    h.Expand(triggers);
    h.Select(chunks, triggers->child(0));
    QVERIFY(h.window().BtnDup->isEnabled());
    h.Collapse(triggers);
    QCOMPARE(chunks->selectedItems(), QList<QTreeWidgetItem*>({triggers}));
    QCOMPARE(triggers->childCount(), 0);
    QVERIFY(h.window().BtnDup->isEnabled()); // a collapse leaves the button as it was
    QVERIFY(h.window().Solid);

    // And the other way round: a struct row selected, its parent collapsed.
    h.Select(chunks, root);
    h.Select(chunks, triggers);
    QVERIFY(!h.window().BtnDup->isEnabled());
    h.Collapse(root);
    QCOMPARE(chunks->selectedItems(), QList<QTreeWidgetItem*>({root}));
    QVERIFY(!h.window().BtnDup->isEnabled());
}

void ChunkTreeTest::SelectingAnotherTagRebuildsTheTree() {
    WindowHarness h;
    QTreeWidgetItem* root = h.OpenTag("weap", "weapons\\pistol\\pistol");
    h.Expand(root);
    h.Select(h.window().LbTagChunks, root);
    QVERIFY(h.window().BtnDup->isEnabled());
    QTreeWidgetItem* proj = WindowHarness::TopRow(h.window().LbMapTags, "proj");
    h.Expand(proj);
    h.Select(h.window().LbMapTags, proj->child(0));
    QCOMPARE(WindowHarness::Texts(h.window().LbTagChunks), QStringList({"Main"}));
    QCOMPARE(WindowHarness::Tag(h.window().LbTagChunks->topLevelItem(0)), std::string("proj"));
    QCOMPARE(h.window().TagClass(), std::string("proj"));
    QVERIFY(h.window().LbTagChunks->selectedItems().isEmpty());
    h.Expand(h.window().LbTagChunks->topLevelItem(0));
    QCOMPARE(WindowHarness::Texts(h.window().LbTagChunks->topLevelItem(0)),
             QStringList({"material responses"}));
}

void ChunkTreeTest::ExpandingWithNoTagSelectedSaysWhyAndAddsNothing() {
    WindowHarness h;
    QTreeWidgetItem* root = h.OpenTag("weap", "weapons\\pistol\\pistol");
    h.Select(h.window().LbMapTags, WindowHarness::TopRow(h.window().LbMapTags, "weap"));
    h.Expand(root);
    QCOMPARE(h.dialogs().messages.size(), 1);
    QVERIFY(h.dialogs().messages[0].contains("Select a tag"));
    QCOMPARE(root->childCount(), 0);
    QVERIFY(!root->isExpanded());
    QVERIFY(h.window().Solid);

    h.Select(h.window().LbMapTags, nullptr);
    h.Expand(root);
    QCOMPARE(h.dialogs().messages.size(), 2);
    QCOMPARE(root->childCount(), 0);
}

void ChunkTreeTest::APluginWithoutStructsSaysSo() {
    test::TempDir plugins;
    std::ofstream(plugins / "weap.ent") << "<plugin class=\"weap\"><!-- nothing --><float/>"
                                           "</plugin>";
    WindowHarness h(plugins.path());
    QTreeWidgetItem* root = h.OpenTag("weap", "weapons\\pistol\\pistol");
    QVERIFY(root == nullptr);
    QCOMPARE(h.dialogs().messages, QStringList({"No internal nodes found."}));
    QCOMPARE(h.window().LbTagChunks->topLevelItemCount(), 0);
}

void ChunkTreeTest::AChunkTreeIsReadFromTheFileAtEachExpansion() {
    WindowHarness h;
    QTreeWidgetItem* root = h.OpenTag("weap", "weapons\\pistol\\pistol");
    // Zero the triggers count of the pistol in the file behind the window's back.
    const auto& map = h.window().Map();
    const auto& pistol =
        map.TagCache[static_cast<size_t>(*map.FindTagByName("weap:weapons\\pistol\\pistol"))];
    std::vector<uint8_t> bytes = test::ReadFileBytes(map.f);
    test::SetWord(bytes, pistol.Offset + 52, 0);
    test::WriteFileBytes(map.f, bytes);
    h.Expand(root);
    QCOMPARE(WindowHarness::Texts(root), QStringList({"magazines"}));
}

void ChunkTreeTest::AHostileCountListsWhatLiesInsideTheFile() {
    WindowHarness h;
    QTreeWidgetItem* root = h.OpenTag("weap", "weapons\\pistol\\pistol");
    const auto& map = h.window().Map();
    const auto& pistol =
        map.TagCache[static_cast<size_t>(*map.FindTagByName("weap:weapons\\pistol\\pistol"))];
    std::vector<uint8_t> bytes = test::ReadFileBytes(map.f);
    test::SetWord(bytes, pistol.Offset + 52, 0x7FFFFFFF);
    test::WriteFileBytes(map.f, bytes);
    h.Expand(root);
    QTreeWidgetItem* triggers = WindowHarness::Child(root, "triggers");
    h.Expand(triggers);
    // Every chunk that lies inside the file, then one row counting the rest.
    QVERIFY(triggers->childCount() > 3);
    QVERIFY(static_cast<size_t>(triggers->childCount()) < bytes.size() / 24 + 2);
    QTreeWidgetItem* last = triggers->child(triggers->childCount() - 1);
    QVERIFY2(last->text(0).contains("left out"), qPrintable(last->text(0)));
    QCOMPARE(last->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);
    h.Select(h.window().LbTagChunks, triggers->child(0));
    QVERIFY(h.window().BtnDup->isEnabled());
    h.Select(h.window().LbTagChunks, last);
    QVERIFY(!h.window().BtnDup->isEnabled());
}

void ChunkTreeTest::APluginRemovedSinceTheScanSaysWhy() {
    test::TempDir plugins;
    std::filesystem::copy_file(test::SourcePluginsDir() / "weap.ent", plugins / "weap.ent");
    std::filesystem::copy_file(test::SourcePluginsDir() / "vehi.ent", plugins / "vehi.ent");
    WindowHarness h(plugins.path());
    QTreeWidgetItem* root = h.OpenTag("vehi", "vehicles\\ghost\\ghost");
    QVERIFY(root != nullptr);
    std::filesystem::remove(plugins / "weap.ent");
    QTreeWidgetItem* weap = WindowHarness::TopRow(h.window().LbMapTags, "weap");
    h.Expand(weap);
    h.Select(h.window().LbMapTags, weap->child(0));
    QCOMPARE(h.dialogs().messages.size(), 1);
    QVERIFY2(h.dialogs().messages[0].contains("weap.ent"), qPrintable(h.dialogs().messages[0]));
    QCOMPARE(h.window().LbTagChunks->topLevelItemCount(), 0);
}

void ChunkTreeTest::FindBaseOffsetAndStructsCheckAnswerFromTheRegistry() {
    WindowHarness h;
    QTreeWidgetItem* root = h.OpenTag("weap", "weapons\\pistol\\pistol");
    auto& w = h.window();
    const int32_t data =
        w.Map()
            .TagCache[static_cast<size_t>(*w.Map().FindTagByName("weap:weapons\\pistol\\pistol"))]
            .Offset;
    QCOMPARE(w.FindBaseOffset("weap", data), data);
    QCOMPARE(w.FindBaseOffset("weap", 12345), 12345);
    h.Expand(root);
    h.Expand(WindowHarness::Child(root, "magazines"));
    h.Expand(WindowHarness::Child(root, "triggers"));
    const int32_t first = w.FindBaseOffset("weap>magazines;1", data);
    QVERIFY(first > data);
    QCOMPARE(w.FindBaseOffset("weap>magazines;2", data), first + 32);
    QVERIFY(w.StructsCheck("weap"));
    QVERIFY(w.StructsCheck("weap>magazines"));
    QVERIFY(!w.StructsCheck("weap>triggers"));
}

QTEST_MAIN(ChunkTreeTest)
#include "tst_ChunkTree.moc"
