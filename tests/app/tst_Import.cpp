// File > Import tag...: choosing the source map and the tag, the import itself, the refreshed
// tag list, and every way of backing out.

#include "map/HaloPcMap.h"
#include "mapbuilder/DemoMap.h"
#include "support/WindowHarness.h"

#include <QTest>

#include <algorithm>

using pelmar::apptest::Shown;
using pelmar::apptest::WindowHarness;
namespace builder = pelmar::builder;
namespace test = pelmar::test;

namespace {

// The demo map without its effects: importing one brings a new class into the tag list.
builder::MapSpec DemoWithoutEffects() {
    builder::MapSpec blueprint = builder::DemoMapSpec();
    std::erase_if(blueprint.tags, [](const builder::TagSpec& t) { return t.class1 == "effe"; });
    return blueprint;
}

const QString kMetal = Shown("effe:effects\\impacts\\metal");

} // namespace

class ImportTest : public QObject {
    Q_OBJECT
private slots:
    void ImportingATagAddsItsClassAndSaysDone();
    void TheTagChoicesAreEveryTagOfTheSourceSorted();
    void CancellingTheMapChoiceChangesNothing();
    void CancellingTheTagChoiceChangesNothing();
    void ABrokenSourceMapSaysWhy();
    void ImportingWithNoMapLoadedSaysWhy();
};

void ImportTest::ImportingATagAddsItsClassAndSaysDone() {
    WindowHarness h;
    const std::filesystem::path target = h.WriteMap("target.map", DemoWithoutEffects());
    const std::filesystem::path source = h.WriteDemoMap("source.map");
    h.LoadMap(target);
    QCOMPARE(WindowHarness::Texts(h.window().LbMapTags),
             QStringList({"bipd", "proj", "scnr", "vehi", "weap"}));
    const int32_t tagsBefore = h.window().Map().TagCount;

    h.dialogs().files.push_back(source);
    h.dialogs().PickFromList(kMetal);
    h.window().MenuBar->FileImporttag->trigger();

    QCOMPARE(h.dialogs().messages, QStringList({"Done"}));
    QCOMPARE(h.window().Map().TagCount, tagsBefore + 1);
    QCOMPARE(WindowHarness::Texts(h.window().LbMapTags),
             QStringList({"bipd", "effe", "proj", "scnr", "vehi", "weap"}));
    QCOMPARE(h.window().windowTitle(), QString("Pelmar : target.map"));

    // The imported tag can be opened like any other, its structs read from its new place.
    QTreeWidgetItem* effe = WindowHarness::TopRow(h.window().LbMapTags, "effe");
    h.Expand(effe);
    QCOMPARE(WindowHarness::Texts(effe), QStringList({Shown("effects\\impacts\\metal")}));
    h.Select(h.window().LbMapTags, effe->child(0));
    QTreeWidgetItem* root = h.window().LbTagChunks->topLevelItem(0);
    h.Expand(root);
    QTreeWidgetItem* events = WindowHarness::Child(root, "events");
    QVERIFY(events != nullptr);
    h.Expand(events);
    QCOMPARE(events->childCount(), 2);

    // And the file says the same when loaded afresh.
    pelmar::HaloPcMap reloaded;
    reloaded.LoadMap(target);
    QCOMPARE(reloaded.TagCount, tagsBefore + 1);
    QCOMPARE(reloaded.TagCache.back().Class1, std::string("effe"));
}

void ImportTest::TheTagChoicesAreEveryTagOfTheSourceSorted() {
    WindowHarness h;
    h.LoadMap(h.WriteMap("target.map", DemoWithoutEffects()));
    h.dialogs().files.push_back(h.WriteDemoMap("source.map"));
    h.window().MenuBar->FileImporttag->trigger();
    QCOMPARE(h.dialogs().offeredLists.size(), 1);
    const QStringList offered = h.dialogs().offeredLists[0];
    QCOMPARE(offered.size(), 21);
    QVERIFY(std::is_sorted(offered.begin(), offered.end(), [](const QString& a, const QString& b) {
        return a.toLatin1() < b.toLatin1();
    }));
    QVERIFY(offered.contains(kMetal));
    QVERIFY(offered.contains(Shown("snd!:sound\\ambient\\wind")));
    QCOMPARE(h.dialogs().messages, QStringList()); // cancelled: no message
}

void ImportTest::CancellingTheMapChoiceChangesNothing() {
    WindowHarness h;
    const std::filesystem::path target = h.WriteMap("target.map", DemoWithoutEffects());
    h.LoadMap(target);
    const std::vector<uint8_t> before = test::ReadFileBytes(target);
    h.dialogs().files.push_back(std::nullopt);
    h.window().MenuBar->FileImporttag->trigger();
    QCOMPARE(h.dialogs().offeredLists.size(), 0);
    QCOMPARE(h.dialogs().messages, QStringList());
    QVERIFY(test::ReadFileBytes(target) == before);
}

void ImportTest::CancellingTheTagChoiceChangesNothing() {
    WindowHarness h;
    const std::filesystem::path target = h.WriteMap("target.map", DemoWithoutEffects());
    h.LoadMap(target);
    QTreeWidgetItem* weap = WindowHarness::TopRow(h.window().LbMapTags, "weap");
    h.Expand(weap);
    h.Select(h.window().LbMapTags, weap->child(0));
    const std::vector<uint8_t> before = test::ReadFileBytes(target);
    h.dialogs().files.push_back(h.WriteDemoMap("source.map"));
    h.window().MenuBar->FileImporttag->trigger(); // no list answer: cancelled
    QCOMPARE(h.dialogs().messages, QStringList());
    QVERIFY(test::ReadFileBytes(target) == before);
    QCOMPARE(WindowHarness::Texts(h.window().LbTagChunks), QStringList({"Main"}));
    QCOMPARE(weap->childCount(), 4);
}

void ImportTest::ABrokenSourceMapSaysWhy() {
    WindowHarness h;
    const std::filesystem::path target = h.WriteMap("target.map", DemoWithoutEffects());
    h.LoadMap(target);
    const std::vector<uint8_t> before = test::ReadFileBytes(target);
    const std::filesystem::path broken = h.dir() / "broken.map";
    test::WriteFileBytes(broken, {1, 2, 3, 4, 5});
    h.dialogs().files.push_back(broken);
    h.window().MenuBar->FileImporttag->trigger();
    QCOMPARE(h.dialogs().messages.size(), 1);
    QVERIFY(h.dialogs().messages[0].contains("broken.map"));
    QCOMPARE(h.dialogs().offeredLists.size(), 0);
    QVERIFY(test::ReadFileBytes(target) == before);
}

void ImportTest::ImportingWithNoMapLoadedSaysWhy() {
    WindowHarness h;
    h.dialogs().files.push_back(h.WriteDemoMap("source.map"));
    h.window().MenuBar->FileImporttag->trigger();
    QCOMPARE(h.dialogs().messages.size(), 1);
    QVERIFY(h.dialogs().messages[0].contains("Load a map first"));
    QCOMPARE(h.dialogs().fileCaptions.size(), 0);
}

QTEST_MAIN(ImportTest)
#include "tst_Import.moc"
