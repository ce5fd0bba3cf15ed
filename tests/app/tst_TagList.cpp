// File > Load map and the tag list (class rows, tag rows, the title, and what a second, a
// cancelled and a failing load do), and File > Import tag...: choosing the source map and the
// tag from a filterable list, the import itself, the refreshed tag list, and backing out.

#include "app/ListChooserDialog.h"
#include "map/HaloPcMap.h"
#include "support/WindowHarness.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <algorithm>

using pelmar::app::ListChooserDialog;
using pelmar::apptest::Shown;
using pelmar::apptest::WindowHarness;
namespace builder = pelmar::builder;
namespace test = pelmar::test;

namespace {

// A window showing the demo map without its effects, so that importing one brings a new class.
std::filesystem::path LoadTarget(WindowHarness& h) {
    builder::MapSpec blueprint = builder::DemoMapSpec();
    std::erase_if(blueprint.tags, [](const builder::TagSpec& t) { return t.class1 == "effe"; });
    const std::filesystem::path target = h.WriteMap("target.map", blueprint);
    h.LoadMap(target);
    return target;
}

const QString kMetal = Shown("effe:effects\\impacts\\metal");

} // namespace

class TagListTest : public QObject {
    Q_OBJECT
private slots:
    void LoadListsOnlyClassesWithPluginsInOrder() {
        WindowHarness h;
        h.LoadMap(h.WriteMap("foo.map"));
        auto& w = h.window();
        QCOMPARE(h.dialogs().fileFilters, QStringList({"HaloMap (*.map)"}));
        QCOMPARE(w.windowTitle(), QString("Pelmar : foo.map"));
        // Every demo class but snd!, which has no plugin, in ascending order.
        const QStringList classes = {"bipd", "effe", "proj", "scnr", "vehi", "weap"};
        QCOMPARE(WindowHarness::Texts(w.LbMapTags), classes);
        for (int i = 0; i < classes.size(); ++i) {
            const QTreeWidgetItem* row = w.LbMapTags->topLevelItem(i);
            QCOMPARE(WindowHarness::Tag(row), classes[i].toStdString());
            QCOMPARE(row->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
            QCOMPARE(row->childCount(), 0);
        }
        QVERIFY(w.LbMapTags->isEnabled() && w.LbTagChunks->isEnabled());
        QVERIFY(!w.BtnDup->isEnabled());
        QVERIFY(w.LbMapTags->selectedItems().isEmpty());
        QCOMPARE(h.dialogs().messages, QStringList());
    }

    // Sorted tag rows with their hidden tags; a name with a slash stays one row; collapsing
    // selects the class row and drops its tags; expanding again gives the same rows.
    void ExpandingAClassListsItsTagsSorted() {
        const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
            {"weap",
             {"weapons\\assault rifle\\assault rifle", "weapons\\pistol\\pistol",
              "weapons\\plasma rifle\\plasma rifle", "weapons\\sniper rifle\\sniper rifle"}},
            {"effe",
             {"effects/explosions/small", "effects\\impacts\\metal", "effects\\muzzle flash"}}};
        WindowHarness h;
        h.LoadMap(h.WriteMap("demo.map"));
        auto* list = h.window().LbMapTags;
        for (const auto& [class1, names] : cases) {
            QTreeWidgetItem* classRow = WindowHarness::TopRow(list, Shown(class1));
            QStringList texts;
            std::vector<std::string> tags;
            for (const std::string& name : names) {
                texts << Shown(name);
                tags.push_back(class1 + ":" + name);
            }
            for (int round = 0; round < 2; ++round) {
                classRow->setExpanded(true);
                QCOMPARE(WindowHarness::Texts(classRow), texts);
                QCOMPARE(WindowHarness::Tags(classRow), tags);
                QCOMPARE(classRow->child(0)->childIndicatorPolicy(),
                         QTreeWidgetItem::DontShowIndicator);
                list->setCurrentItem(classRow->child(1));
                QCOMPARE(WindowHarness::Texts(h.window().LbTagChunks), QStringList({"Main"}));
                classRow->setExpanded(false);
                QCOMPARE(classRow->childCount(), 0);
                QCOMPARE(list->selectedItems(), QList<QTreeWidgetItem*>({classRow}));
            }
        }
        QCOMPARE(h.dialogs().messages, QStringList());
    }

    void ASecondLoadReplacesEverythingShown() {
        WindowHarness h;
        QTreeWidgetItem* root = h.OpenTag("weap", "weapons\\pistol\\pistol");
        root->setExpanded(true);
        h.SelectChunk(root);
        QVERIFY(h.window().BtnDup->isEnabled());

        builder::MapSpec second = builder::DemoMapSpec();
        std::erase_if(second.tags, [](const builder::TagSpec& t) {
            return t.class1 != "vehi" && t.class1 != "proj";
        });
        h.LoadMap(h.WriteMap("second.map", second));
        QCOMPARE(h.window().windowTitle(), QString("Pelmar : second.map"));
        QCOMPARE(WindowHarness::Texts(h.window().LbMapTags), QStringList({"proj", "vehi"}));
        QCOMPARE(h.window().LbTagChunks->topLevelItemCount(), 0);
        QVERIFY(!h.window().BtnDup->isEnabled());
        QVERIFY(h.window().Solid);
        QCOMPARE(h.window().Map().TagCount, static_cast<int32_t>(second.tags.size()));
        QCOMPARE(h.dialogs().messages, QStringList());
    }

    void ACancelledLoadKeepsEverything() {
        WindowHarness h;
        QTreeWidgetItem* root = h.OpenTag("bipd", "characters\\elite\\elite");
        QTreeWidgetItem* contacts = WindowHarness::Walk(root, {"contact points"});
        h.SelectChunk(contacts->child(0));
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
        contacts->setExpanded(false);
        contacts->setExpanded(true);
        QCOMPARE(contacts->childCount(), 3);
    }

    void AFailingLoadShowsWhyAndKeepsTheEarlierMap() {
        WindowHarness h;
        h.LoadMap(h.WriteMap("demo.map"));
        test::WriteFileBytes(h.dir() / "broken.map", {'n', 'o', 't', ' ', 'a', ' ', 'm', 'a', 'p'});
        for (const char* name : {"broken.map", "missing.map"}) {
            h.dialogs().messages.clear();
            h.LoadMap(h.dir() / name);
            QCOMPARE(h.dialogs().messages.size(), 1);
            QVERIFY2(h.dialogs().messages[0].contains(name), qPrintable(h.dialogs().messages[0]));
            QCOMPARE(h.window().windowTitle(), QString("Pelmar : demo.map"));
            QCOMPARE(h.window().Map().f.filename().string(), std::string("demo.map"));
            QCOMPARE(WindowHarness::Texts(h.window().LbMapTags).size(), 6);
        }
    }

    // `pelmar MAP` opens MAP without a dialog; with no plugin folder its list stays empty.
    void AMapGivenAtStartOpensWithoutADialog() {
        test::TempDir nowhere;
        for (const bool plugins : {true, false}) {
            WindowHarness h(plugins ? test::SourcePluginsDir() : nowhere / "plugins");
            h.window().OpenMap(h.WriteMap("given.map"));
            QCOMPARE(h.dialogs().fileCaptions, QStringList());
            QCOMPARE(h.dialogs().messages, QStringList());
            QCOMPARE(h.window().windowTitle(), QString("Pelmar : given.map"));
            QCOMPARE(WindowHarness::Texts(h.window().LbMapTags).size(), plugins ? 6 : 0);
            QVERIFY(h.window().LbMapTags->isEnabled() && h.window().LbTagChunks->isEnabled());
        }
    }

    void ImportingATagAddsItsClassAndSaysDone() {
        WindowHarness h;
        const std::filesystem::path target = LoadTarget(h);
        QCOMPARE(WindowHarness::Texts(h.window().LbMapTags),
                 QStringList({"bipd", "proj", "scnr", "vehi", "weap"}));
        const int32_t tagsBefore = h.window().Map().TagCount;

        h.dialogs().files.push_back(h.WriteMap("source.map"));
        h.dialogs().picks.push_back(kMetal);
        h.window().MenuBar->FileImporttag->trigger();

        // Every tag of the source was offered as class:name, sorted.
        QCOMPARE(h.dialogs().offeredLists.size(), 1);
        const QStringList offered = h.dialogs().offeredLists[0];
        QCOMPARE(offered.size(), 21);
        QVERIFY(
            std::is_sorted(offered.begin(), offered.end(), [](const QString& a, const QString& b) {
                return a.toLatin1() < b.toLatin1();
            }));
        QVERIFY(offered.contains(Shown("snd!:sound\\ambient\\wind")));

        QCOMPARE(h.dialogs().messages, QStringList({"Done"}));
        QCOMPARE(h.window().Map().TagCount, tagsBefore + 1);
        QCOMPARE(WindowHarness::Texts(h.window().LbMapTags),
                 QStringList({"bipd", "effe", "proj", "scnr", "vehi", "weap"}));
        QCOMPARE(h.window().windowTitle(), QString("Pelmar : target.map"));
        // The imported tag opens like any other, its structs read from its new place.
        QTreeWidgetItem* root = h.SelectTag("effe", "effects\\impacts\\metal");
        QCOMPARE(WindowHarness::Texts(WindowHarness::TopRow(h.window().LbMapTags, "effe")),
                 QStringList({Shown("effects\\impacts\\metal")}));
        QCOMPARE(WindowHarness::Walk(root, {"events"})->childCount(), 2);
        // And the file says the same when loaded afresh.
        pelmar::HaloPcMap reloaded;
        reloaded.LoadMap(target);
        QCOMPARE(reloaded.TagCount, tagsBefore + 1);
        QCOMPARE(reloaded.TagCache.back().Class1, std::string("effe"));
    }

    void BackingOutChangesNothing() {
        const struct {
            const char* name;
            bool loadTarget;
            const char* source; // the map chosen, or nullptr: cancelled
            int offered;
            QString said; // part of the one message, or empty: no message
        } cases[] = {
            {"map choice cancelled", true, nullptr, 0, ""},
            {"tag choice cancelled", true, "source.map", 1, ""},
            {"broken source map", true, "broken.map", 0, "broken.map"},
            {"no map loaded", false, "source.map", 0, "Load a map first"},
        };
        for (const auto& c : cases) {
            WindowHarness h;
            std::vector<uint8_t> before;
            if (c.loadTarget) {
                before = test::ReadFileBytes(LoadTarget(h));
                h.SelectTag("weap", "weapons\\pistol\\pistol");
            }
            h.WriteMap("source.map");
            test::WriteFileBytes(h.dir() / "broken.map", {1, 2, 3, 4, 5});
            h.dialogs().files.push_back(c.source ? std::optional(h.dir() / c.source)
                                                 : std::nullopt);
            h.window().MenuBar->FileImporttag->trigger();
            QVERIFY2(h.dialogs().offeredLists.size() == c.offered, c.name);
            QVERIFY2(h.dialogs().messages.size() == (c.said.isEmpty() ? 0 : 1), c.name);
            QVERIFY2(c.said.isEmpty() || h.dialogs().messages[0].contains(c.said), c.name);
            if (c.loadTarget) {
                QVERIFY2(h.MapBytes() == before, c.name);
                QCOMPARE(WindowHarness::Texts(h.window().LbTagChunks), QStringList({"Main"}));
                QCOMPARE(WindowHarness::TopRow(h.window().LbMapTags, "weap")->childCount(), 4);
            } else {
                QCOMPARE(h.dialogs().fileCaptions.size(), 0);
            }
        }
    }

    // Typing narrows the list to entries holding every word, in any case and order; the
    // chosen index is that of the original list; nothing matching leaves nothing to choose.
    void TheTagListFilters() {
        const QStringList choices = {"bipd:characters\\cyborg\\cyborg",
                                     "effe:effects\\muzzle flash", "weap:weapons\\pistol\\pistol",
                                     "proj:weapons\\pistol\\bullet"};
        ListChooserDialog dialog("Import tag", "Tag:", choices);
        QPushButton* ok = dialog.buttons()->button(QDialogButtonBox::Ok);
        const auto shown = [&] {
            QStringList texts;
            for (int i = 0; i < dialog.list()->count(); ++i) {
                if (!dialog.list()->item(i)->isHidden()) {
                    texts << dialog.list()->item(i)->text();
                }
            }
            return texts;
        };
        QCOMPARE(shown(), choices);
        QVERIFY(!dialog.ChosenIndex().has_value() && !ok->isEnabled());
        dialog.show();
        QTest::keyClicks(dialog.filterField(), "pistol");
        QCOMPARE(shown(), choices.mid(2));
        QTest::keyClicks(dialog.filterField(), " PROJ");
        QCOMPARE(shown(), choices.mid(3));
        dialog.filterField()->clear();
        QCOMPARE(shown(), choices);
        dialog.list()->setCurrentRow(0);
        QCOMPARE(dialog.ChosenIndex(), std::optional<int>(0));
        QTest::keyClicks(dialog.filterField(), "warthog");
        QCOMPARE(shown(), QStringList());
        QVERIFY(!dialog.ChosenIndex().has_value() && !ok->isEnabled());
        dialog.filterField()->clear();
        QTest::keyClicks(dialog.filterField(), "bullet");
        // The first shown entry is selected, so Enter picks what the user sees.
        QCOMPARE(dialog.ChosenIndex(), std::optional<int>(3));
        QVERIFY(ok->isEnabled());
        QTest::keyClick(dialog.filterField(), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(TagListTest)
#include "tst_TagList.moc"
