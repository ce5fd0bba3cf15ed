// The window driven as a user drives it: start-up, layout, Load map and the tag list, the
// chunk tree and the Duplicate button, a map changed behind the window, Import tag...

#include "WindowHarness.h"
#include "app/About.h"

#include <QStatusBar>
#include <fstream>

using namespace pelmar;
using apptest::Harness;
const std::string kPistol = "weapons\\pistol\\pistol";

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    // At start; then widening widens only the tag list, heightening lengthens both lists and
    // keeps the button at the bottom, and the content never becomes smaller than 375 x 165.
    void StartUpAndLayout() {
        Harness h;
        QCOMPARE(h.w.windowTitle(), QString("Pelmar"));
        QVERIFY(!h.w.LbMapTags->isEnabled() && !h.w.LbTagChunks->isEnabled());
        QVERIFY(!h.w.BtnDup->isEnabled() && h.w.BtnDup->focusPolicy() == Qt::NoFocus);
        QCOMPARE(h.w.BtnDup->text() + h.w.BtnDup->toolTip() + h.w.LbMapTags->toolTip(),
                 QString("DuplicateDuplicates the selected tagMap Tags"));
        QStringList items;
        for (QAction* item : h.w.MenuBar->FileMenu->actions()) {
            items << (item->isSeparator() ? "-" : item->text() + item->shortcut().toString());
        }
        QCOMPARE(items, QStringList({"&Load map", "&Import tag...", "-", "&QuitCtrl+Q"}));
        QCOMPARE(h.w.MenuBar->actions().last()->text(), QString("About..."));
        h.w.MenuBar->AboutMenu->trigger();
        h.w.MenuBar->AboutMenu->trigger(); // brings up the same window
        QVERIFY(h.w.AboutWindow()->isVisible() && h.w.findChildren<app::About*>().size() == 1);

        QWidget* content = h.w.centralWidget();
        const auto places = [&] {
            QList<QRect> rects;
            for (QWidget* part : QWidgetList{h.w.LbMapTags, h.w.LbTagChunks, h.w.BtnDup}) {
                rects << QRect(part->mapTo(content, QPoint()), part->size());
            }
            return rects;
        };
        const QList<QRect> was = places();
        const QSize start = h.w.size(), size = content->size();
        QCOMPARE(size, QSize(432, 350));
        for (const QSize grow : {QSize(100, 0), QSize(0, 60), QSize(-300, -300)}) {
            h.w.resize(start + grow);
            QTRY_COMPARE(content->size(), (size + grow).expandedTo({375, 165}));
            const int dx = content->width() - size.width(), dy = content->height() - size.height();
            QCOMPARE(places(), QList<QRect>({was[0].adjusted(0, 0, dx, dy),
                                             was[1].translated(dx, 0).adjusted(0, 0, 0, dy),
                                             was[2].translated(dx, dy)}));
        }
    }

    // A second map replaces the first; a cancelled and a failed load keep it.
    void LoadMapListsClassesWithPlugins() {
        Harness h;
        h.Load(h.Demo("first.map"));
        builder::MapSpec second = builder::DemoMapSpec();
        std::erase_if(second.tags, [](auto& t) { return t.class1 == "weap"; });
        h.Load(h.Demo("second.map", second));
        h.Load(std::nullopt);
        h.Load(h.dir / "missing.map");
        QVERIFY(h.dialogs->messages.size() == 1 && h.dialogs->messages[0].contains("missing.map"));
        QCOMPARE(h.w.windowTitle(), QString("Pelmar : second.map"));
        QVERIFY(h.w.LbMapTags->isEnabled() && h.w.LbTagChunks->isEnabled());
        QCOMPARE(Harness::Texts(h.w.tagModel()), // snd! has no plugin
                 QStringList({"bipd", "effe", "proj", "scnr", "vehi"}));
        const QModelIndex effe = h.w.tagModel()->index(1, 0);
        h.w.LbMapTags->expand(effe);
        QCOMPARE(Harness::Texts(h.w.tagModel(), effe),
                 QStringList({"effects/explosions/small", "effects\\impacts\\metal",
                              "effects\\muzzle flash"}));
        h.w.LbMapTags->collapse(effe);
        QVERIFY(h.w.tagModel()->rowCount(effe) == 0 && h.w.LbMapTags->currentIndex() == effe);
    }

    void ChunkRowsPathsAndButton() {
        Harness h;
        const QModelIndex root = h.OpenTag("weap", kPistol);
        QCOMPARE(h.Rows({}), QStringList({"Main"}));
        QCOMPARE(h.Paths(h.Chunk(root)), QStringList({"weap|magazines", "weap|triggers"}));
        const QModelIndex triggers = h.Chunk(root, {"triggers"});
        QCOMPARE(h.Rows(triggers), QStringList({"triggers : 1", "triggers : 2", "triggers : 3"}));
        const QModelIndex magazine = h.Chunk(root, {"magazines", "magazines : 2"});
        const QModelIndex packs = h.Chunk(magazine, {"ammo packs"});
        QCOMPARE(h.Paths(packs),
                 QStringList({"weap>magazines;2>ammo packs;1", "weap>magazines;2>ammo packs;2"}));
        const std::pair<QModelIndex, bool> cases[] = {
            {root, true}, {triggers, false}, {triggers.model()->index(1, 0, triggers), true},
            {{}, false},  {packs, false},    {packs.model()->index(0, 0, packs), true}};
        for (const auto& [row, enabled] : cases) {
            h.Select(row);
            QCOMPARE(h.w.BtnDup->isEnabled(), enabled);
        }
        h.w.LbTagChunks->collapse(magazine); // selects it, leaves the button as it was
        QVERIFY(h.w.LbTagChunks->currentIndex() == magazine && h.w.BtnDup->isEnabled());
    }

    void DuplicateAddsAChunk() {
        Harness h;
        const QModelIndex triggers = h.Chunk(h.OpenTag("weap", kPistol), {"triggers"});
        const size_t size = h.Bytes().size();
        h.Select(h.w.chunkModel()->index(1, 0, triggers));
        h.Dup();
        QCOMPARE(h.dialogs->messages, QStringList({"Done"}));
        QCOMPARE(h.Bytes().size(), size + 24);
        QCOMPARE(h.Rows(triggers).size(), 3); // until expanded again
        h.w.LbTagChunks->collapse(triggers);
        QCOMPARE(h.Rows(h.Chunk(triggers)).last(), QString("triggers : 4"));
    }

    void NothingToDuplicateLeavesTheFile() {
        const std::pair<std::function<void(Harness&, QModelIndex)>, const char*> cases[] = {
            {[](Harness&, QModelIndex) {}, "\"Main\""},
            {[](Harness& h, QModelIndex root) {
                 h.Select(h.Chunk(root, {"triggers", "triggers : 1"}));
                 h.w.LbTagChunks->collapse(h.w.chunkModel()->index(1, 0, root));
             },
             "not a chunk"},
            {[](Harness& h, auto) { h.w.LbMapTags->setCurrentIndex(h.w.tagModel()->index(0, 0)); },
             "Select a tag"},
            {[](Harness& h, auto) { h.SelectTag("weap", "weapons\\plasma rifle\\plasma rifle"); },
             "Select a chunk row"}};
        for (const auto& [act, said] : cases) {
            Harness h;
            const QModelIndex root = h.OpenTag("weap", kPistol);
            h.Select(root);
            act(h, root);
            const std::vector<uint8_t> before = h.Bytes();
            h.Dup();
            QVERIFY(h.dialogs->messages.size() == 1 && h.dialogs->messages[0].contains(said));
            QVERIFY(h.Bytes() == before);
        }
    }

    // Refused with the stale message and the offer to load it again, taken or not.
    void AMapChangedOnDisk() {
        for (const bool reload : {false, true}) {
            Harness h;
            h.Select(h.OpenTag("weap", kPistol));
            std::ofstream(h.w.session().path(), std::ios::app) << "more";
            h.dialogs->answers.push_back(reload);
            h.Dup();
            QVERIFY(h.dialogs->questions.size() == 1 && h.dialogs->messages.isEmpty());
            QVERIFY(h.dialogs->questions[0].contains("changed on disk since it was loaded"));
            QCOMPARE(h.w.session().map().FileLength(), h.Bytes().size() - (reload ? 0 : 4));
            QCOMPARE(h.Rows({}).size(), reload ? 0 : 1);
        }
    }

    void ImportAddsTheTag() {
        Harness h;
        builder::MapSpec target = builder::DemoMapSpec();
        std::erase_if(target.tags, [](auto& t) { return t.class1 == "effe"; });
        h.Load(h.Demo("target.map", target));
        h.dialogs->files.push_back(h.Demo("source.map"));
        h.dialogs->picks.push_back("effe:effects\\impacts\\metal");
        h.w.MenuBar->FileImporttag->trigger();
        const QStringList offered = h.dialogs->offered.value(0);
        QVERIFY(offered.size() == 21 && std::is_sorted(offered.begin(), offered.end()));
        QVERIFY(h.dialogs->messages.value(0).startsWith("Done\nNew tag: effe:effects\\impacts"));
        const QModelIndex effe = Harness::Walk(h.w.LbMapTags, {}, {"effe"});
        h.w.LbMapTags->setCurrentIndex(h.w.tagModel()->index(0, 0, effe));
        QVERIFY(h.w.LbMapTags->currentIndex().data().toString().startsWith("effects\\impacts"));
        QCOMPARE(h.Rows(h.Chunk(h.w.chunkModel()->index(0, 0), {"events"})).size(), 2);
    }

    // A count read outside the file shows why and closes its row again.
    void AFailedExpansion() {
        test::TempDir plugins;
        std::ofstream(plugins / "weap.ent")
            << R"(<plugin class="weap"><struct name="triggers" offset="52" size="24">)"
            << R"(<struct name="far" offset="9999999" size="4"/></struct></plugin>)";
        Harness h(plugins.path());
        const QModelIndex chunk = h.Chunk(h.OpenTag("weap", kPistol), {"triggers", "triggers : 1"});
        QVERIFY(!h.w.LbTagChunks->isExpanded(chunk) && h.Rows(chunk).isEmpty());
        QVERIFY(h.dialogs->messages.size() == 1 && h.dialogs->messages[0].contains("outside"));
    }

    // Every class shows; a weapon's magazines and triggers expand; a tag whose data is
    // elsewhere says so in the status bar.
    void RealisticMap() {
        Harness h(test::BundledPluginsDir());
        h.w.OpenMap(h.Realistic());
        const HaloPcMap& map = h.w.session().map();
        QCOMPARE(Harness::Texts(h.w.tagModel()).size(), qsizetype(map.TagClass.size()));
        const QModelIndex root = h.SelectTag("weap", kPistol);
        QVERIFY(!h.Rows(h.Chunk(root, {"magazines"})).isEmpty());
        QVERIFY(!h.Rows(h.Chunk(root, {"triggers"})).isEmpty());
        const auto elsewhere = std::find_if(map.TagCache.begin(), map.TagCache.end(),
                                            [](const Tag& tag) { return !tag.HasData(); });
        h.SelectTag(elsewhere->Class1, elsewhere->Name);
        QVERIFY(h.Rows({}).isEmpty() && h.dialogs->messages.isEmpty());
        QVERIFY(h.w.statusBar()->currentMessage().startsWith("No data in this file: "));
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_MainWindow.moc"
