// The window driven as a user drives it: menus, panes, tag list and filter, chunk tree,
// Duplicate, Import, values and their editors, undo and redo, relocation, recent maps, drops.

#include "WindowHarness.h"
#include "app/About.h"
#include "app/FlagsEditor.h"
#include "app/PathText.h"
#include "app/TagTexts.h"

#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMimeData>
#include <QStatusBar>
#include <fstream>

using namespace pelmar;
using apptest::Harness;
using Act = std::function<void(QWidget*)>;
const std::string kPistol = "weapons\\pistol\\pistol";

// A window on the realistic map with the pistol's first trigger selected.
struct Trigger : Harness {
    Trigger() : Harness(test::BundledPluginsDir()) {
        Load(Realistic());
        Select(Chunk(SelectTag("weap", kPistol), {"triggers", "triggers : 1"}));
    }
    // The trigger's fields' names and values as a session of its own reads them from the file.
    QMap<QString, QString> FileValues() {
        MapSession fresh(std::make_shared<PluginCatalog>(test::BundledPluginsDir()));
        fresh.Open(w.session().path());
        QMap<QString, QString> values;
        for (const FieldValue& v : fresh.ReadValues(*fresh.map().FindTagByName("weap:" + kPistol),
                                                    ChunkPath{{{"triggers", 1}}})) {
            values[app::BytesText(v.name)] = app::BytesText(v.text);
        }
        return values;
    }
    // Double-clicks the value of `field`, lets `act` work its editor, and presses Enter.
    void Edit(const QString& field, const Act& act) {
        w.LbValues->scrollTo(Value(field));
        const QPoint at = w.LbValues->visualRect(Value(field)).center();
        QTest::mouseClick(w.LbValues->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(w.LbValues->viewport(), Qt::LeftButton, {}, at);
        QWidget* editor = w.LbValues->indexWidget(Value(field));
        QVERIFY(editor != nullptr);
        act(editor);
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(w.LbValues->indexWidget(Value(field)) == nullptr);
        QCoreApplication::processEvents(); // the edit is made once the editor has closed
    }
};

Act Type(const QString& text) {
    return [=](QWidget* e) { qobject_cast<QLineEdit*>(e)->setText(text); };
}
// Checks what the combo box offers, then chooses item `item`.
Act Choose(int item, const QStringList& offered) {
    return [=](QWidget* e) {
        QCOMPARE(Harness::Texts(qobject_cast<QComboBox*>(e)->model()), offered);
        qobject_cast<QComboBox*>(e)->setCurrentIndex(item);
    };
}
Act Check(std::vector<int> bits) {
    return [=](QWidget* e) {
        auto* f = qobject_cast<app::FlagsEditor*>(e);
        for (int i = 0; i < f->count(); ++i) {
            f->item(i)->setCheckState(std::ranges::count(bits, i) ? Qt::Checked : Qt::Unchecked);
        }
    };
}

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    // At start; then widening and heightening go to the values pane and every list, the
    // buttons stay at the bottom, and the content never becomes smaller than its minimum.
    void StartUpAndLayout() {
        Harness h;
        const QString kRedo = QKeySequence(QKeySequence::Redo).toString();
        QCOMPARE(h.w.windowTitle(), QString("Pelmar"));
        QVERIFY(!h.w.LbMapTags->isEnabled() && !h.w.BtnDup->isEnabled() &&
                !h.w.BtnDupDeep->isEnabled());
        QStringList items;
        for (QMenu* menu : {h.w.MenuBar->FileMenu, h.w.MenuBar->EditMenu}) {
            for (QAction* item : menu->actions()) {
                items << (item->isSeparator() ? "-"
                                              : item->text() + item->shortcut().toString() +
                                                    (item->isEnabled() ? "" : " (off)"));
            }
        }
        QCOMPARE(items, QStringList({"&Load map", "&Import tag...", "&Recent maps (off)", "-",
                                     "&QuitCtrl+Q", "&UndoCtrl+Z (off)", "&Redo" + kRedo + " (off)",
                                     "-", "Re&location"}));
        QCOMPARE(h.w.MenuBar->actions().last()->text(), QString("About..."));
        h.w.MenuBar->AboutMenu->trigger();
        h.w.MenuBar->AboutMenu->trigger(); // the same window again
        QVERIFY(h.w.AboutWindow()->isVisible() && h.w.findChildren<app::About*>().size() == 1);

        QWidget* content = h.w.centralWidget();
        QCOMPARE(content->size(), app::MainWindow::kDesignSize);
        const QList<int> panes = h.w.Panes->sizes();
        h.w.resize(h.w.size() + QSize(100, 60));
        QTRY_COMPARE(h.w.Panes->sizes(), QList<int>({panes[0], panes[1], panes[2] + 100}));
        QCOMPARE(h.w.BtnDup->mapTo(content, QPoint(0, h.w.BtnDup->height())).y(),
                 content->height() - 20);
        h.w.resize(10, 10);
        QTRY_COMPARE(content->size(), app::MainWindow::kMinimumSize);
    }

    // A second map replaces the first; cancelled (dialog or reading) or failed loads keep it.
    void LoadMapListsClassesWithPlugins() {
        Harness h;
        h.Load(h.Demo("first.map"));
        builder::MapSpec second = builder::DemoMapSpec();
        std::erase_if(second.tags, [](auto& t) { return t.class1 == "weap"; });
        h.Load(h.Demo("second.map", second));
        h.Load(std::nullopt);
        h.Load(h.Demo("third.map"), true);
        h.Load(h.dir / "missing.map");
        QVERIFY(h.dialogs->messages.size() == 1 && h.dialogs->messages[0].contains("missing.map"));
        QCOMPARE(h.w.windowTitle(), QString("Pelmar : second.map"));
        const QModelIndex effe = h.w.LbMapTags->model()->index(1, 0);
        h.w.LbMapTags->expand(effe);
        QCOMPARE(Harness::Texts(effe.model(), effe),
                 QStringList({"effects/explosions/small", "effects\\impacts\\metal",
                              "effects\\muzzle flash"}));
        h.w.LbMapTags->collapse(effe);
        QVERIFY(!effe.model()->hasIndex(0, 0, effe) && h.w.LbMapTags->currentIndex() == effe);
        // Typing narrows the classes and tags (any letter case); a matching class keeps its tags.
        const QAbstractItemModel* list = h.w.LbMapTags->model();
        const std::pair<QString, QStringList> cases[] = {
            {"PISTOL", {"proj", "weapons\\pistol\\bullet"}},
            {"effe",
             {"effe", "effects/explosions/small", "effects\\impacts\\metal",
              "effects\\muzzle flash"}},
            {"", {"bipd", "effe", "proj", "scnr", "vehi"}}}; // snd! has no plugin
        for (const auto& [text, shown] : cases) {
            h.w.TagFilter->setText(text);
            QStringList rows;
            for (int i = 0; i < list->rowCount(); ++i) {
                rows << list->index(i, 0).data().toString();
                rows += text.isEmpty() ? QStringList() : Harness::Texts(list, list->index(i, 0));
            }
            QCOMPARE(rows, shown);
        }
    }

    void ChunkRowsPathsAndButton() {
        Harness h;
        const QModelIndex root = h.OpenTag("weap", kPistol);
        QCOMPARE(h.Rows({}), QStringList({"Main"}));
        QCOMPARE(h.Rows(h.Chunk(root)), QStringList({"magazines", "triggers"}));
        const QModelIndex triggers = h.Chunk(root, {"triggers"});
        QCOMPARE(h.Rows(triggers), QStringList({"triggers : 1", "triggers : 2", "triggers : 3"}));
        const QModelIndex magazine = h.Chunk(root, {"magazines", "magazines : 2"});
        const QModelIndex packs = h.Chunk(magazine, {"ammo packs"});
        QCOMPARE(h.Rows(packs), QStringList({"ammo packs : 1", "ammo packs : 2"}));
        const std::pair<QModelIndex, bool> cases[] = {
            {root, true}, {triggers, false}, {triggers.model()->index(1, 0, triggers), true},
            {{}, false},  {packs, false},    {packs.model()->index(0, 0, packs), true}};
        for (const auto& [row, block] : cases) { // a block's fields show beside it
            h.Select(row);
            QCOMPARE(h.w.BtnDup->isEnabled() + h.w.BtnDupDeep->isEnabled(), 2 * block);
            QCOMPARE(h.w.valueModel()->rowCount() > 0, block);
        }
        h.w.LbTagChunks->collapse(magazine); // selects it, leaves the button as it was
        QVERIFY(h.w.LbTagChunks->currentIndex() == magazine && h.w.BtnDup->isEnabled());
    }

    // Cancelled at once, it writes nothing and says so in the status bar; then the copy is shown,
    // the same row selected; undo and redo from the Edit menu give the file back byte for byte.
    void DuplicateAddsAChunkUndoneAndRedone() {
        Harness h;
        const QModelIndex triggers = h.Chunk(h.OpenTag("weap", kPistol), {"triggers"});
        const std::vector<uint8_t> before = h.Bytes();
        h.Select(h.w.chunkModel()->index(1, 0, triggers));
        h.Dup(true);
        QVERIFY(h.Bytes() == before && h.w.statusBar()->currentMessage().contains("cancelled"));
        h.Dup();
        QCOMPARE(h.dialogs->messages, QStringList({"Done"}));
        const std::vector<uint8_t> after = h.Bytes();
        QCOMPARE(after.size(), before.size() + 24);
        const QModelIndex selected = h.w.LbTagChunks->currentIndex();
        QCOMPARE(selected.data().toString(), QString("triggers : 2"));
        QCOMPARE(h.Rows(selected.parent()).last(), QString("triggers : 4"));
        QVERIFY(h.w.valueModel()->rowCount() > 0);
        QVERIFY(h.w.MenuBar->EditUndo->text().startsWith("&Undo duplicate triggers : 2 of "));
        for (const auto& [item, bytes] :
             {std::pair(h.w.MenuBar->EditUndo, before), std::pair(h.w.MenuBar->EditRedo, after)}) {
            h.Do(item);
            QVERIFY(h.Bytes() == bytes);
            QCOMPARE(h.Rows(h.w.LbTagChunks->currentIndex().parent()).size(),
                     bytes == before ? 3 : 4);
        }
    }

    void NothingToDuplicateLeavesTheFile() {
        const std::pair<std::function<void(Harness&, QModelIndex)>, const char*> cases[] = {
            {[](Harness&, QModelIndex) {}, "\"Main\""},
            {[](Harness& h, QModelIndex root) {
                 h.Select(h.Chunk(root, {"triggers", "triggers : 1"}));
                 h.w.LbTagChunks->collapse(h.w.chunkModel()->index(1, 0, root));
             },
             "not a chunk"},
            {[](Harness& h, auto) {
                 h.w.LbMapTags->setCurrentIndex(h.w.LbMapTags->model()->index(0, 0));
             },
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
            QVERIFY(h.dialogs->messages.size() == 1 && h.dialogs->messages[0].contains(said) &&
                    h.Bytes() == before);
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
        h.Do(h.w.MenuBar->FileImporttag);
        const QStringList offered = h.dialogs->offered.value(0);
        QVERIFY(offered.size() == 21 && std::is_sorted(offered.begin(), offered.end()));
        QVERIFY(h.dialogs->messages.value(0).startsWith("Done\nNew tag: effe:effects\\impacts"));
        const QModelIndex effe = Harness::Walk(h.w.LbMapTags, {}, {"effe"});
        h.w.LbMapTags->setCurrentIndex(effe.model()->index(0, 0, effe));
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
        QVERIFY(!h.w.LbTagChunks->isExpanded(chunk) && h.Rows(chunk).isEmpty() &&
                h.dialogs->messages.size() == 1 && h.dialogs->messages[0].contains("outside"));
    }

    // Every field and block the plugin declares for a trigger, with the values, types, offsets
    // and addresses the file holds; a struct row and a class row empty the pane.
    void ATriggersFields() {
        Trigger h;
        const StructDef& triggers = h.w.chunkModel()->plugin()->root.structs.back();
        const QMap<QString, QString> file = h.FileValues();
        const QStringList names = Harness::Texts(h.w.valueModel());
        QCOMPARE(names.size(), std::ranges::count_if(triggers.fields, [](auto& f) {
                                   return f.type != FieldType::Pad;
                               }) + qsizetype(triggers.structs.size()));
        for (const QString& name : names) {
            QCOMPARE(h.Value(name).data().toString(), file.value(name, "(missing)"));
        }
        const int offset = h.w.chunkModel()->RowAt(h.w.LbTagChunks->currentIndex())->offset.value();
        QCOMPARE(h.Value("rounds per shot").siblingAtColumn(3).data().toString(), // at 34
                 "0x" + QString::number(offset + 34, 16).toUpper());
        QVERIFY(h.w.BlockInfo->text().endsWith(", 276 bytes"));
        QVERIFY(!(h.Value("firing effects").flags() & Qt::ItemIsEditable));
        const QModelIndex trigger = h.w.LbTagChunks->currentIndex();
        for (QTreeView* view : {h.w.LbTagChunks, h.w.LbMapTags}) {
            h.Select(trigger); // then its struct row, or the class row of the tag list
            view->setCurrentIndex(view->currentIndex().parent());
            QVERIFY(h.w.valueModel()->rowCount() == 0 && h.w.BlockInfo->text().isEmpty());
        }
        const HaloPcMap& map = h.w.session().map(); // a tag whose data is elsewhere says so
        const auto elsewhere =
            std::ranges::find_if(map.TagCache, [](auto& t) { return !t.HasData(); });
        h.SelectTag(elsewhere->Class1, elsewhere->Name);
        QVERIFY(h.w.statusBar()->currentMessage().startsWith("No data in this file: "));
    }

    // Cases: field, editing, value stored (empty: refused), why refused. A refused value leaves
    // the file as it was and shows the session's message; the pane shows the file's value. Combo
    // boxes offer an enum16's options, or "none" and the allowed tags. Then undo and redo all.
    void EditsThroughTheDelegate() {
        Trigger h;
        const QStringList projectiles =
            QStringList{"none"} + app::TagTexts(h.w.session().map(), {"proj"});
        const std::vector<uint8_t> first = h.Bytes();
        const std::tuple<QString, Act, QString, QString> cases[] = {
            {"rounds per shot", Type("7"), "7", ""},
            {"maximum rate of fire", Type("2.5, 4"), "2.5, 4", ""},
            {"firing noise", Choose(3, {"silent", "medium", "loud", "shout", "quiet"}), "shout",
             ""},
            {"flags", Check({0, 2}), "tracks fired projectile, can fire with partial ammo", ""},
            {"projectile", Choose(2, projectiles), projectiles[2], ""},
            {"rounds per shot", Type("70000"), "", "70000 is out of range"},
            {"maximum rate of fire", Type("fast, 4"), "", "\"fast\" is not a number"}};
        for (const auto& [field, act, stored, said] : cases) {
            h.dialogs->messages.clear();
            const std::vector<uint8_t> before = h.Bytes();
            const QString was = h.FileValues()[field];
            h.Edit(field, act);
            QCOMPARE(h.FileValues()[field], stored.isEmpty() ? was : stored);
            QCOMPARE(h.Value(field).data().toString(), h.FileValues()[field]);
            QCOMPARE(h.dialogs->messages.size(), said.isEmpty() ? 0 : 1);
            QVERIFY(said.isEmpty() ? h.Bytes() != before
                                   : h.Bytes() == before && h.dialogs->messages[0].contains(said));
        }
        h.w.valueModel()->setData(h.Value("firing noise"), "deafening"); // as a typed option
        QCoreApplication::processEvents();
        QVERIFY(h.dialogs->messages.last().contains("\"deafening\" is not one of its options"));
        QVERIFY(h.w.statusBar()->currentMessage().startsWith("Done: projectile = proj:"));
        const std::vector<uint8_t> edited = h.Bytes();
        for (const auto& [item, bytes] :
             {std::pair(h.w.MenuBar->EditUndo, first), std::pair(h.w.MenuBar->EditRedo, edited)}) {
            for (int n = 0; n < 5; ++n) {
                h.Do(item);
            }
            QVERIFY(h.Bytes() == bytes && !item->isEnabled());
            QCOMPARE(h.Value("rounds per shot").data().toString(),
                     h.FileValues()["rounds per shot"]);
        }
        QCOMPARE(h.w.MenuBar->EditUndo->text(), "&Undo projectile = " + projectiles[2]);
    }

    // The mode chosen is the session's and is kept, as the pane sizes are; the status bar says
    // which relocation an edit used; scan mode refuses a duplication with sub-blocks.
    void RelocationModeIsAppliedAndKept() {
        QList<int> sizes;
        {
            Harness h;
            h.w.MenuBar->RelocationScan->trigger();
            QCOMPARE(h.w.session().relocationMode(), RelocationMode::Scan);
            QCOMPARE(h.w.RelocationInfo->text(), QString("Relocation: Scan"));
            h.Select(h.Chunk(h.OpenTag("weap", kPistol), {"triggers", "triggers : 1"}));
            const std::vector<uint8_t> before = h.Bytes();
            h.Do(h.w.BtnDupDeep);
            QVERIFY(h.Bytes() == before && h.dialogs->messages.value(0).contains("needs precise"));
            h.Dup();
            QVERIFY(h.w.statusBar()->currentMessage().endsWith("(relocation by value, as asked)"));
            h.w.Panes->setSizes({300, 200, 400});
            sizes = h.w.Panes->sizes();
            h.w.close();
        }
        Harness h(test::FixturePluginsDir(), true);
        QVERIFY(h.w.MenuBar->RelocationScan->isChecked() && h.w.Panes->sizes() == sizes);
        QCOMPARE(h.w.session().relocationMode(), RelocationMode::Scan);
    }

    // File > Recent maps lists the maps opened (newest first, missing ones dropped); a dropped
    // map opens; the selected row's value and offset are copied.
    void RecentDropAndCopy() {
        Harness h;
        const auto first = h.Demo("first.map"), second = h.Demo("second.map");
        h.Load(first);
        h.Load(second);
        QCOMPARE(Recent(h), QStringList({app::PathText(second), app::PathText(first)}));
        std::filesystem::remove(second);
        QCOMPARE(Recent(h), QStringList({app::PathText(first)}));
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(app::PathText(h.Demo("third.map")))});
        QDragEnterEvent enter({9, 9}, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QDropEvent drop({9, 9}, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&h.w, &enter);
        QCoreApplication::sendEvent(&h.w, &drop);
        QTRY_COMPARE(h.w.windowTitle(), QString("Pelmar : third.map"));
        h.Select(h.SelectTag("weap", kPistol));
        h.w.LbValues->setCurrentIndex(h.w.valueModel()->index(1, 0));
        h.w.CopyOffset->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), h.w.valueModel()->index(1, 3).data());
        QTest::keyClick(h.w.LbValues, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), h.w.valueModel()->index(1, 1).data());
    }

private:
    static QStringList Recent(Harness& h) {
        emit h.w.MenuBar->RecentMenu->aboutToShow();
        QStringList maps;
        for (QAction* item : h.w.MenuBar->RecentMenu->actions()) {
            maps << item->text().section(' ', 1);
        }
        return maps;
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_MainWindow.moc"
