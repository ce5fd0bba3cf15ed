// File > Load map and the tag list: class rows, tag rows, the title, and what a second, a
// cancelled and a failing load do.

#include "mapbuilder/DemoMap.h"
#include "support/WindowHarness.h"

#include <QTest>

#include <fstream>

using pelmar::apptest::Shown;
using pelmar::apptest::WindowHarness;
namespace builder = pelmar::builder;
namespace test = pelmar::test;

namespace {

// A map whose tags are of the classes `classes`, named in the given order.
builder::MapSpec MapOf(const std::vector<std::pair<std::string, std::string>>& tags) {
    builder::MapSpec blueprint;
    uint32_t ident = 0xE0000000u;
    for (const auto& [class1, name] : tags) {
        builder::TagSpec tag;
        tag.class1 = class1;
        tag.name = name;
        tag.ident = ident += 0x10001u;
        tag.data = builder::Block(64);
        blueprint.tags.push_back(std::move(tag));
    }
    return blueprint;
}

void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path) << text;
}

} // namespace

class TagListTest : public QObject {
    Q_OBJECT
private slots:
    void LoadListsOnlyClassesWithPluginsInOrder();
    void LoadOffersMapFilesAndTitlesTheWindow();
    void LoadEnablesBothListsButNotTheButton();
    void ExpandingAClassListsItsTagsSortedWithTheirKeys();
    void ANameWithASlashStaysOneRow();
    void CollapsingAndExpandingAgainGivesTheSameRows();
    void CollapsingSelectsTheClassRowAndDropsItsTags();
    void SelectingAClassRowLeavesTheChunkTree();
    void ASecondLoadReplacesEverythingShown();
    void ACancelledLoadKeepsEverything();
    void AFailingLoadShowsWhyAndKeepsTheEarlierMap();
    void NoPluginFolderLoadsTheMapWithAnEmptyList();
    void AMapGivenAtStartOpensWithoutADialog();
};

void TagListTest::LoadListsOnlyClassesWithPluginsInOrder() {
    test::TempDir plugins;
    const std::filesystem::path source = test::SourcePluginsDir();
    std::filesystem::copy_file(source / "weap.ent", plugins / "weap.ent");
    std::filesystem::copy_file(source / "bipd.ent", plugins / "bipd.ent");
    WriteText(plugins / "notes.txt", "not a plugin");
    std::filesystem::create_directory(plugins / "vehi");
    WindowHarness h(plugins.path());
    h.LoadMap(h.WriteDemoMap());
    QCOMPARE(h.dialogs().messages, QStringList());
    QCOMPARE(WindowHarness::Texts(h.window().LbMapTags), QStringList({"bipd", "weap"}));
    QCOMPARE(WindowHarness::Tag(h.window().LbMapTags->topLevelItem(0)), std::string("bipd"));
    QCOMPARE(WindowHarness::Tag(h.window().LbMapTags->topLevelItem(1)), std::string("weap"));
}

void TagListTest::LoadOffersMapFilesAndTitlesTheWindow() {
    WindowHarness h;
    h.LoadMap(h.WriteDemoMap("foo.map"));
    QCOMPARE(h.dialogs().fileFilters, QStringList({"HaloMap (*.map)"}));
    QCOMPARE(h.window().windowTitle(), QString("Pelmar : foo.map"));
    // Every demo class but snd!, which has no plugin, in ascending order.
    QCOMPARE(WindowHarness::Texts(h.window().LbMapTags),
             QStringList({"bipd", "effe", "proj", "scnr", "vehi", "weap"}));
    for (int i = 0; i < h.window().LbMapTags->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = h.window().LbMapTags->topLevelItem(i);
        QCOMPARE(row->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
        QCOMPARE(row->childCount(), 0);
        QVERIFY(!row->isExpanded());
    }
}

void TagListTest::LoadEnablesBothListsButNotTheButton() {
    WindowHarness h;
    h.LoadMap(h.WriteDemoMap());
    QVERIFY(h.window().LbMapTags->isEnabled());
    QVERIFY(h.window().LbTagChunks->isEnabled());
    QVERIFY(!h.window().BtnDup->isEnabled());
    QVERIFY(h.window().LbMapTags->selectedItems().isEmpty());
}

void TagListTest::ExpandingAClassListsItsTagsSortedWithTheirKeys() {
    WindowHarness h;
    h.LoadMap(
        h.WriteMap("zam.map", MapOf({{"weap", "z"}, {"weap", "a"}, {"vehi", "v"}, {"weap", "m"}})));
    QTreeWidgetItem* weap = WindowHarness::TopRow(h.window().LbMapTags, "weap");
    QVERIFY(weap != nullptr);
    h.Expand(weap);
    QCOMPARE(WindowHarness::Texts(weap), QStringList({"a", "m", "z"}));
    QCOMPARE(WindowHarness::Tags(weap), std::vector<std::string>({"weap:a", "weap:m", "weap:z"}));
    for (int i = 0; i < weap->childCount(); ++i) {
        QCOMPARE(weap->child(i)->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);
    }
}

void TagListTest::ANameWithASlashStaysOneRow() {
    WindowHarness h;
    h.LoadMap(h.WriteDemoMap());
    QTreeWidgetItem* effe = WindowHarness::TopRow(h.window().LbMapTags, "effe");
    h.Expand(effe);
    QCOMPARE(WindowHarness::Texts(effe),
             QStringList({"effects/explosions/small", Shown("effects\\impacts\\metal"),
                          Shown("effects\\muzzle flash")}));
    QCOMPARE(WindowHarness::Tags(effe)[0], std::string("effe:effects/explosions/small"));
    h.Select(h.window().LbMapTags, effe->child(0));
    QCOMPARE(WindowHarness::Texts(h.window().LbTagChunks), QStringList({"Main"}));
}

void TagListTest::CollapsingAndExpandingAgainGivesTheSameRows() {
    WindowHarness h;
    h.LoadMap(h.WriteDemoMap());
    QTreeWidgetItem* vehi = WindowHarness::TopRow(h.window().LbMapTags, "vehi");
    h.Expand(vehi);
    const QStringList first = WindowHarness::Texts(vehi);
    const std::vector<std::string> firstTags = WindowHarness::Tags(vehi);
    QCOMPARE(first.size(), 3);
    h.Collapse(vehi);
    h.Expand(vehi);
    QCOMPARE(WindowHarness::Texts(vehi), first);
    QCOMPARE(WindowHarness::Tags(vehi), firstTags);
}

void TagListTest::CollapsingSelectsTheClassRowAndDropsItsTags() {
    WindowHarness h;
    h.LoadMap(h.WriteDemoMap());
    QTreeWidgetItem* bipd = WindowHarness::TopRow(h.window().LbMapTags, "bipd");
    h.Expand(bipd);
    h.Select(h.window().LbMapTags, bipd->child(1));
    h.Collapse(bipd);
    QCOMPARE(bipd->childCount(), 0);
    QCOMPARE(h.window().LbMapTags->selectedItems(), QList<QTreeWidgetItem*>({bipd}));
    QCOMPARE(bipd->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
}

void TagListTest::SelectingAClassRowLeavesTheChunkTree() {
    WindowHarness h;
    QTreeWidgetItem* root = h.OpenTag("weap", "weapons\\pistol\\pistol");
    h.Expand(root);
    QCOMPARE(root->childCount(), 2);
    h.Select(h.window().LbMapTags, WindowHarness::TopRow(h.window().LbMapTags, "proj"));
    QCOMPARE(h.window().LbTagChunks->topLevelItem(0), root);
    QCOMPARE(root->childCount(), 2);
    QCOMPARE(h.window().TagClass(), std::string("weap"));
    QCOMPARE(h.dialogs().messages, QStringList());
}

void TagListTest::ASecondLoadReplacesEverythingShown() {
    WindowHarness h;
    QTreeWidgetItem* root = h.OpenTag("weap", "weapons\\pistol\\pistol");
    h.Expand(root);
    h.Select(h.window().LbTagChunks, root);
    QVERIFY(h.window().BtnDup->isEnabled());

    h.LoadMap(h.WriteMap("second.map", MapOf({{"vehi", "v"}, {"proj", "p"}})));
    QCOMPARE(h.window().windowTitle(), QString("Pelmar : second.map"));
    QCOMPARE(WindowHarness::Texts(h.window().LbMapTags), QStringList({"proj", "vehi"}));
    QCOMPARE(h.window().LbTagChunks->topLevelItemCount(), 0);
    QVERIFY(!h.window().BtnDup->isEnabled());
    QVERIFY(h.window().Solid);
    QCOMPARE(h.window().Map().TagCount, 2);
    QCOMPARE(h.dialogs().messages, QStringList());
}

void TagListTest::ACancelledLoadKeepsEverything() {
    WindowHarness h;
    QTreeWidgetItem* root = h.OpenTag("bipd", "characters\\elite\\elite");
    h.Expand(root);
    QTreeWidgetItem* contacts = WindowHarness::Child(root, "contact points");
    QVERIFY(contacts != nullptr);
    h.Expand(contacts);
    h.Select(h.window().LbTagChunks, contacts->child(0));
    const std::filesystem::path before = h.window().Map().f;

    h.LoadMap(std::nullopt);
    QCOMPARE(h.dialogs().fileCaptions.size(), 2);
    QCOMPARE(h.window().windowTitle(), QString("Pelmar : demo.map"));
    QCOMPARE(h.window().Map().f, before);
    QCOMPARE(WindowHarness::Texts(h.window().LbMapTags).size(), 6);
    QCOMPARE(h.window().LbTagChunks->selectedItems(),
             QList<QTreeWidgetItem*>({contacts->child(0)}));
    QVERIFY(h.window().BtnDup->isEnabled());
    QCOMPARE(h.dialogs().messages, QStringList());

    // The tree still works on the earlier map.
    h.Collapse(contacts);
    h.Expand(contacts);
    QCOMPARE(contacts->childCount(), 3);
}

void TagListTest::AFailingLoadShowsWhyAndKeepsTheEarlierMap() {
    WindowHarness h;
    h.LoadMap(h.WriteDemoMap());
    const std::filesystem::path broken = h.dir() / "broken.map";
    WriteText(broken, "this is not a map");
    h.LoadMap(broken);
    QCOMPARE(h.dialogs().messages.size(), 1);
    QVERIFY2(h.dialogs().messages[0].contains("broken.map"), qPrintable(h.dialogs().messages[0]));
    QCOMPARE(h.window().windowTitle(), QString("Pelmar : demo.map"));
    QCOMPARE(h.window().Map().f.filename().string(), std::string("demo.map"));
    QCOMPARE(WindowHarness::Texts(h.window().LbMapTags).size(), 6);

    h.LoadMap(h.dir() / "missing.map");
    QCOMPARE(h.dialogs().messages.size(), 2);
    QVERIFY(h.dialogs().messages[1].contains("missing.map"));
    QCOMPARE(h.window().windowTitle(), QString("Pelmar : demo.map"));
}

void TagListTest::NoPluginFolderLoadsTheMapWithAnEmptyList() {
    test::TempDir nowhere;
    WindowHarness h(nowhere / "plugins");
    h.LoadMap(h.WriteDemoMap());
    QCOMPARE(h.window().windowTitle(), QString("Pelmar : demo.map"));
    QCOMPARE(h.window().LbMapTags->topLevelItemCount(), 0);
    QVERIFY(h.window().LbMapTags->isEnabled());
    QCOMPARE(h.dialogs().messages, QStringList());
}

void TagListTest::AMapGivenAtStartOpensWithoutADialog() {
    WindowHarness h;
    h.window().OpenMap(h.WriteDemoMap("given.map"));
    QCOMPARE(h.dialogs().fileCaptions, QStringList());
    QCOMPARE(h.window().windowTitle(), QString("Pelmar : given.map"));
    QCOMPARE(WindowHarness::Texts(h.window().LbMapTags).size(), 6);
    QVERIFY(h.window().LbMapTags->isEnabled());
    QVERIFY(h.window().LbTagChunks->isEnabled());
}

QTEST_MAIN(TagListTest)
#include "tst_TagList.moc"
