// Selecting a tag and expanding its chunk tree: rows, hidden tags, the Duplicate button's
// state and what Duplicate does, including every case where there is nothing to duplicate.

#include "map/HaloPcMap.h"
#include "platform/AtomicFileWriter.h"
#include "support/WindowHarness.h"

#include <fstream>
#include <functional>

using pelmar::apptest::Shown;
using pelmar::apptest::WindowHarness;
namespace test = pelmar::test;
using Strings = std::vector<std::string>;

namespace {

const char kPistol[] = "weapons\\pistol\\pistol";

// The file offset of the pistol's data.
int32_t PistolData(WindowHarness& h) {
    const auto& map = h.window().Map();
    return map.TagCache[static_cast<size_t>(*map.FindTagByName(std::string("weap:") + kPistol))]
        .Offset;
}

} // namespace

class ChunkTreeTest : public QObject {
    Q_OBJECT
private slots:
    void SelectingAndExpandingATag() {
        WindowHarness h;
        auto& w = h.window();
        QTreeWidgetItem* root = h.OpenTag("weap", kPistol);
        QCOMPARE(WindowHarness::Texts(w.LbTagChunks), QStringList({"Main"}));
        QCOMPARE(WindowHarness::Tag(root), std::string("weap"));
        QCOMPARE(root->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
        QCOMPARE(w.TagClass(), std::string("weap"));
        QVERIFY(!w.BtnDup->isEnabled());

        for (int round = 0; round < 2; ++round) { // a collapse and a new expansion agree
            WindowHarness::Walk(root, {});
            QCOMPARE(WindowHarness::Texts(root), QStringList({"magazines", "triggers"}));
            QCOMPARE(WindowHarness::Tags(root), Strings({"weap|magazines", "weap|triggers"}));
            QTreeWidgetItem* triggers = WindowHarness::Walk(root, {"triggers"});
            QCOMPARE(WindowHarness::Texts(triggers),
                     QStringList({"triggers : 1", "triggers : 2", "triggers : 3"}));
            QCOMPARE(WindowHarness::Tags(triggers),
                     Strings({"weap>triggers;1", "weap>triggers;2", "weap>triggers;3"}));
            // Chunks of a struct without nested structs are plain rows; the others folders.
            QCOMPARE(triggers->child(0)->childIndicatorPolicy(),
                     QTreeWidgetItem::DontShowIndicator);
            QTreeWidgetItem* magazines = WindowHarness::Walk(root, {"magazines"});
            QCOMPARE(WindowHarness::Texts(magazines),
                     QStringList({"magazines : 1", "magazines : 2"}));
            QCOMPARE(magazines->child(0)->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
            QCOMPARE(WindowHarness::Tags(WindowHarness::Walk(magazines, {"magazines : 1"})),
                     Strings({"weap>magazines;1|ammo packs"}));
            QTreeWidgetItem* packs =
                WindowHarness::Walk(magazines, {"magazines : 1", "ammo packs"});
            QCOMPARE(WindowHarness::Tags(packs),
                     Strings({"weap>magazines;1>ammo packs;1", "weap>magazines;1>ammo packs;2"}));
            QTreeWidgetItem* effects = WindowHarness::Walk(packs, {"ammo packs : 2", "effects"});
            QCOMPARE(WindowHarness::Tags(effects)[0],
                     std::string("weap>magazines;1>ammo packs;2>effects;1"));
            root->setExpanded(false);
            QCOMPARE(root->childCount(), 0);
        }
        QVERIFY(w.Solid);

        // Selecting another tag rebuilds the tree.
        QTreeWidgetItem* proj = h.SelectTag("proj", "weapons\\pistol\\bullet");
        QCOMPARE(WindowHarness::Texts(w.LbTagChunks), QStringList({"Main"}));
        QCOMPARE(WindowHarness::Tag(proj), std::string("proj"));
        QCOMPARE(w.TagClass(), std::string("proj"));
        QVERIFY(w.LbTagChunks->selectedItems().isEmpty());
        QCOMPARE(WindowHarness::Texts(WindowHarness::Walk(proj, {})),
                 QStringList({"material responses"}));
        QCOMPARE(h.dialogs().messages, QStringList());
    }

    // Enabled on root and chunk rows, disabled on struct rows and with nothing selected, and
    // left as it was by a collapse (which selects the collapsed row).
    void ButtonFollowsTheSelectedRow() {
        WindowHarness h;
        QTreeWidgetItem* root = h.OpenTag("weap", kPistol);
        auto* chunks = h.window().LbTagChunks;
        QTreeWidgetItem* triggers = WindowHarness::Walk(root, {"triggers"});
        const std::pair<QTreeWidgetItem*, bool> selections[] = {{root, true},
                                                                {triggers, false},
                                                                {triggers->child(1), true},
                                                                {nullptr, false},
                                                                {triggers->child(0), true}};
        for (const auto& [row, enabled] : selections) {
            h.SelectChunk(row);
            QCOMPARE(h.window().BtnDup->isEnabled(), enabled);
        }
        triggers->setExpanded(false);
        QCOMPARE(chunks->selectedItems(), QList<QTreeWidgetItem*>({triggers}));
        QVERIFY(h.window().BtnDup->isEnabled());
        h.SelectChunk(root);
        h.SelectChunk(triggers);
        QVERIFY(!h.window().BtnDup->isEnabled());
        root->setExpanded(false);
        QCOMPARE(chunks->selectedItems(), QList<QTreeWidgetItem*>({root}));
        QVERIFY(!h.window().BtnDup->isEnabled());
    }

    void ExpandingWithNoTagSelectedSaysWhyAndAddsNothing() {
        WindowHarness h;
        QTreeWidgetItem* root = h.OpenTag("weap", kPistol);
        // Selecting a class row leaves the chunk tree as it is.
        h.window().LbMapTags->setCurrentItem(WindowHarness::TopRow(h.window().LbMapTags, "proj"));
        QCOMPARE(h.window().LbTagChunks->topLevelItem(0), root);
        QCOMPARE(h.window().TagClass(), std::string("weap"));
        QCOMPARE(h.dialogs().messages, QStringList());
        for (int selectNothing = 0; selectNothing < 2; ++selectNothing) {
            if (selectNothing) {
                h.window().LbMapTags->setCurrentItem(nullptr);
            }
            root->setExpanded(true);
            QCOMPARE(h.dialogs().messages.size(), selectNothing + 1);
            QVERIFY(h.dialogs().messages.last().contains("Select a tag"));
            QCOMPARE(root->childCount(), 0);
            QVERIFY(!root->isExpanded());
            QVERIFY(h.window().Solid);
        }
    }

    void APluginWithoutStructsSaysSo() {
        test::TempDir plugins;
        std::ofstream(plugins / "weap.ent") << "<plugin class=\"weap\"><!-- x --><float/></plugin>";
        WindowHarness h(plugins.path());
        QVERIFY(h.OpenTag("weap", kPistol) == nullptr);
        QCOMPARE(h.dialogs().messages, QStringList({"No internal nodes found."}));
    }

    // A count read afresh at each expansion, running past the end of the file: every chunk
    // inside the file, then one row counting the rest, on which Duplicate is disabled.
    void AHostileCountListsWhatLiesInsideTheFile() {
        WindowHarness h;
        QTreeWidgetItem* root = h.OpenTag("weap", kPistol);
        std::vector<uint8_t> bytes = h.MapBytes();
        test::SetWord(bytes, PistolData(h) + 52, 0x7FFFFFFF);
        test::WriteFileBytes(h.window().Map().f, bytes);
        QTreeWidgetItem* triggers = WindowHarness::Walk(root, {"triggers"});
        QVERIFY(triggers->childCount() > 3);
        QVERIFY(static_cast<size_t>(triggers->childCount()) < h.MapBytes().size() / 24 + 2);
        QTreeWidgetItem* last = triggers->child(triggers->childCount() - 1);
        QVERIFY2(last->text(0).contains("left out"), qPrintable(last->text(0)));
        QCOMPARE(last->childIndicatorPolicy(), QTreeWidgetItem::DontShowIndicator);
        h.SelectChunk(triggers->child(0));
        QVERIFY(h.window().BtnDup->isEnabled());
        h.SelectChunk(last);
        QVERIFY(!h.window().BtnDup->isEnabled());
    }

    void FindBaseOffsetAndStructsCheckAnswerFromTheRegistry() {
        WindowHarness h;
        QTreeWidgetItem* root = h.OpenTag("weap", kPistol);
        auto& w = h.window();
        const int32_t data = PistolData(h);
        QCOMPARE(w.FindBaseOffset("weap", 12345), 12345);
        WindowHarness::Walk(root, {"magazines"});
        WindowHarness::Walk(root, {"triggers"});
        const int32_t first = w.FindBaseOffset("weap>magazines;1", data);
        QVERIFY(first > data);
        QCOMPARE(w.FindBaseOffset("weap>magazines;2", data), first + 32);
        QVERIFY(w.StructsCheck("weap") && w.StructsCheck("weap>magazines"));
        QVERIFY(!w.StructsCheck("weap>triggers"));
    }

    // Duplicate says "Done"; the struct row shows one more chunk once collapsed and expanded
    // again, and other struct rows, of this tag or of one moved by the insertion, read right.
    void DuplicatingAChunk() {
        struct Place {
            const char *class1, *name;
            QStringList path; // to a struct row
            int count;        // its chunks
        };
        const char kDemo[] = "levels\\test\\demo\\demo";
        const struct {
            Place place;
            int chunk;
            Place other;
        } cases[] = {
            {{"weap", kPistol, {"triggers"}, 3}, 1, {"weap", kPistol, {"magazines"}, 2}},
            {{"weap", kPistol, {"magazines", "magazines : 2", "ammo packs"}, 2},
             0,
             {"weap", kPistol, {"magazines", "magazines : 1", "ammo packs"}, 2}},
            {{"scnr", kDemo, {"skies"}, 2}, 0, {"scnr", kDemo, {"player spawns"}, 3}},
            {{"weap", "weapons\\assault rifle\\assault rifle", {"magazines"}, 2},
             0,
             {"vehi", "vehicles\\banshee\\banshee", {"suspensions"}, 4}},
        };
        for (const auto& c : cases) {
            const QString name = Shown(c.place.name) + " " + c.place.path.join(" / ");
            const int count = c.place.count;
            WindowHarness h;
            QTreeWidgetItem* root = h.OpenTag(c.place.class1, c.place.name);
            QTreeWidgetItem* structRow = WindowHarness::Walk(root, c.place.path);
            QCOMPARE(structRow->childCount(), count);
            h.SelectChunk(structRow->child(c.chunk));
            h.ClickDuplicate();
            QVERIFY2(h.dialogs().messages == QStringList({"Done"}), qPrintable(name));
            QCOMPARE(structRow->childCount(), count); // not refreshed until expanded again
            structRow->setExpanded(false);
            structRow->setExpanded(true);
            QCOMPARE(structRow->childCount(), count + 1);
            QCOMPARE(structRow->child(count)->text(0),
                     QString("%1 : %2").arg(c.place.path.last()).arg(count + 1));
            if (std::string(c.other.name) != c.place.name) {
                root = h.SelectTag(c.other.class1, c.other.name);
            }
            QVERIFY2(WindowHarness::Walk(root, c.other.path)->childCount() == c.other.count,
                     qPrintable(name));
        }
    }

    void NothingToDuplicateSaysWhyAndLeavesTheFile() {
        using Setup = std::function<void(WindowHarness&, QTreeWidgetItem * root)>;
        const auto chunk1 = [](WindowHarness& h, QTreeWidgetItem* root) {
            h.SelectChunk(WindowHarness::Walk(root, {"triggers"})->child(0));
        };
        const struct {
            const char* name;
            std::string plugin; // replaces the bundled weapon plugin when given
            Setup setup;
            QStringList said;
        } cases[] = {
            {"root row",
             "",
             [](WindowHarness& h, QTreeWidgetItem* root) { h.SelectChunk(root); },
             {"Select a chunk", "Main"}},
            {"struct row left selected by a collapse",
             "",
             [&](WindowHarness& h, QTreeWidgetItem* root) {
                 chunk1(h, root);
                 WindowHarness::Child(root, "triggers")->setExpanded(false);
             },
             {"struct row"}},
            {"no tag row selected",
             "",
             [&](WindowHarness& h, QTreeWidgetItem* root) {
                 chunk1(h, root);
                 h.window().LbMapTags->setCurrentItem(
                     WindowHarness::TopRow(h.window().LbMapTags, "weap"));
             },
             {"Select a tag"}},
            {"no chunk row selected",
             "",
             [](WindowHarness& h, QTreeWidgetItem* root) {
                 h.SelectChunk(root);
                 // Selecting another tag empties the tree without touching the button.
                 h.SelectTag("weap", "weapons\\sniper rifle\\sniper rifle");
             },
             {"Select a chunk row in the chunk tree first."}},
            {"struct without a size",
             R"(<plugin class="weap"><struct name="triggers" offset="52"/></plugin>)",
             chunk1,
             {"no size"}},
        };
        for (const auto& c : cases) {
            test::TempDir plugins;
            if (!c.plugin.empty()) {
                std::ofstream(plugins / "weap.ent") << c.plugin;
            }
            WindowHarness h(c.plugin.empty() ? test::SourcePluginsDir() : plugins.path());
            c.setup(h, h.OpenTag("weap", kPistol));
            QVERIFY2(h.window().BtnDup->isEnabled(), c.name);
            const std::vector<uint8_t> before = h.MapBytes();
            h.ClickDuplicate();
            QVERIFY2(h.dialogs().messages.size() == 1, c.name);
            for (const QString& part : c.said) {
                QVERIFY2(h.dialogs().messages[0].contains(part),
                         qPrintable(QString(c.name) + ": " + h.dialogs().messages[0]));
            }
            QVERIFY2(h.MapBytes() == before, c.name);
        }
    }

    void AFailedWriteSaysWhyAndLeavesTheFileAndTheModel() {
        WindowHarness h;
        QTreeWidgetItem* triggers = WindowHarness::Walk(h.OpenTag("weap", kPistol), {"triggers"});
        const std::vector<uint8_t> before = h.MapBytes();
        for (const bool fail : {true, false}) {
            h.SelectChunk(triggers->child(0));
            if (fail) {
                pelmar::SetWriteFaultForTesting(
                    pelmar::WriteFault{4096, pelmar::WriteFault::Action::Fail});
            }
            h.ClickDuplicate();
            pelmar::SetWriteFaultForTesting(std::nullopt);
            QVERIFY(!fail || h.MapBytes() == before);
            triggers->setExpanded(false);
            triggers->setExpanded(true);
            QCOMPARE(triggers->childCount(), fail ? 3 : 4);
        }
        QCOMPARE(h.dialogs().messages.size(), 2);
        QVERIFY2(h.dialogs().messages[0].contains("demo.map"), qPrintable(h.dialogs().messages[0]));
        QCOMPARE(h.dialogs().messages[1], QString("Done"));

        // The second try wrote one chunk of 24 bytes; a fresh load reads the raised count.
        pelmar::HaloPcMap reloaded;
        reloaded.LoadMap(h.window().Map().f);
        QCOMPARE(test::ReadFileBytes(reloaded.f).size(), before.size() + 24);
        const auto& pistol = reloaded.TagCache[static_cast<size_t>(
            *reloaded.FindTagByName("weap:" + std::string(kPistol)))];
        QCOMPARE(test::WordAt(test::ReadFileBytes(reloaded.f), pistol.Offset + 52), 4);
    }
};

QTEST_MAIN(ChunkTreeTest)
#include "tst_ChunkTree.moc"
