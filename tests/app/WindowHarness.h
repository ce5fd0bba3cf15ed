#pragma once

#include "app/AppSettings.h"
#include "app/BytesText.h"
#include "app/ChunkTreeModel.h"
#include "app/FieldValueModel.h"
#include "app/MainWindow.h"
#include "app/TagListModel.h"
#include "mapbuilder/DemoMap.h"
#include "mapbuilder/RealisticMap.h"
#include "support/TestSupport.h"

#include <QAbstractItemModelTester>
#include <QStandardPaths>
#include <QTest>

namespace pelmar::apptest {

// Dialogs answered from lists (empty: cancel, no); messages, questions and lists recorded.
struct ScriptedDialogs : app::UserDialogs {
    QList<std::optional<std::filesystem::path>> files;
    QStringList picks, messages, questions;
    QList<bool> answers;
    QList<QStringList> offered;

    std::optional<std::filesystem::path> ChooseOpenFile(QWidget*, const QString&,
                                                        const app::FileType&) override {
        return files.isEmpty() ? std::nullopt : files.takeFirst();
    }
    void ShowMessage(QWidget*, const QString& text) override { messages << text; }
    bool Ask(QWidget*, const QString& text) override {
        questions << text;
        return !answers.isEmpty() && answers.takeFirst();
    }
    std::optional<int> ChooseFromList(QWidget*, const QString&, const QString&,
                                      const QStringList& choices) override {
        offered << choices;
        const auto at =
            static_cast<int>(choices.indexOf(picks.isEmpty() ? QString() : picks.takeFirst()));
        return at < 0 ? std::nullopt : std::optional(at);
    }
};

// Keeps tests out of the user's folders: settings (Qt's test locations, under a HOME of their
// own) and the edit history (XDG_DATA_HOME) go to a temporary folder, emptied unless kept.
struct Settings {
    explicit Settings(bool keep) {
        static const test::TempDir home;
        qputenv("HOME", QByteArray::fromStdString(home.path().string()));
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString((home / "data").string()));
        QStandardPaths::setTestModeEnabled(true);
        if (!keep) {
            app::AppSettings().clear();
        }
    }
};

// A shown window on scripted dialogs with its models under QAbstractItemModelTester.
struct Harness {
    Settings settings;
    test::TempDir dir;
    std::shared_ptr<ScriptedDialogs> dialogs = std::make_shared<ScriptedDialogs>();
    app::MainWindow w;
    QAbstractItemModelTester tagTester{w.tagModel()}, filterTester{w.LbMapTags->model()},
        chunkTester{w.chunkModel()}, valueTester{w.valueModel()};

    explicit Harness(const std::filesystem::path& plugins = test::FixturePluginsDir(),
                     bool keepSettings = false)
        : settings(keepSettings), w(plugins, dialogs) {
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
    }
    std::filesystem::path Demo(const std::string& name,
                               const builder::MapSpec& blueprint = builder::DemoMapSpec()) {
        test::WriteFileBytes(dir / name, builder::BuildMap(blueprint).bytes);
        return dir / name;
    }
    std::filesystem::path Realistic() {
        PluginCatalog plugins(test::BundledPluginsDir());
        plugins.ScanForPlugins();
        const auto lookup = [&](std::string_view c) -> const PluginDef* {
            return plugins.HasPluginFor(c) ? plugins.PluginFor(c).get() : nullptr;
        };
        test::WriteFileBytes(dir / "real.map", builder::BuildRealisticMap({}, lookup).bytes);
        return dir / "real.map";
    }
    // Presses a button or menu item (then Cancel as its job starts, when `cancel`) and waits.
    void Do(QObject* item, bool cancel = false) {
        if (cancel) {
            QObject::connect(w.jobs(), &app::JobRunner::BusyChanged, w.JobCancel,
                             &QPushButton::click, Qt::SingleShotConnection);
        }
        QMetaObject::invokeMethod(item, qobject_cast<QAction*>(item) ? "trigger" : "click");
        QTRY_VERIFY_WITH_TIMEOUT(!w.jobs()->Busy(), 60'000);
    }
    void Load(std::optional<std::filesystem::path> path, bool cancel = false) {
        dialogs->files.push_back(std::move(path));
        Do(w.MenuBar->FileLoadmap, cancel);
    }
    static QStringList Texts(const QAbstractItemModel* m, const QModelIndex& parent = {}) {
        QStringList texts;
        for (int i = 0; i < m->rowCount(parent); ++i) {
            texts << m->index(i, 0, parent).data().toString();
        }
        return texts;
    }
    // Expands `row`, then its child named path[0], that one's child named path[1]...
    static QModelIndex Walk(QTreeView* view, QModelIndex row, const QStringList& path) {
        view->expand(row);
        for (const QString& text : path) {
            row = view->model()->index(int(Texts(view->model(), row).indexOf(text)), 0, row);
            view->expand(row);
        }
        return row;
    }
    QModelIndex SelectTag(std::string_view tagClass, std::string_view name) {
        w.LbMapTags->setCurrentIndex(
            Walk(w.LbMapTags, {}, {app::BytesText(tagClass), app::BytesText(name)}));
        return w.chunkModel()->index(0, 0);
    }
    QModelIndex OpenTag(std::string_view tagClass, std::string_view name) {
        Load(Demo("demo.map"));
        return SelectTag(tagClass, name);
    }
    // Expands chunk tree rows as Walk does; the texts of the rows under `parent`.
    QModelIndex Chunk(const QModelIndex& row, const QStringList& path = {}) {
        return Walk(w.LbTagChunks, row, path);
    }
    QStringList Rows(const QModelIndex& parent) { return Texts(w.chunkModel(), parent); }
    void Select(const QModelIndex& row) { w.LbTagChunks->setCurrentIndex(row); }
    void Dup(bool cancel = false) { Do(w.BtnDup, cancel); }
    std::vector<uint8_t> Bytes() const { return test::ReadFileBytes(w.session().path()); }
    // The value cell of the field named `field` in the values pane.
    QModelIndex Value(const QString& field) const {
        const auto row = static_cast<int>(Texts(w.valueModel()).indexOf(field));
        return w.valueModel()->index(row, app::FieldValueModel::Value);
    }
};

} // namespace pelmar::apptest
