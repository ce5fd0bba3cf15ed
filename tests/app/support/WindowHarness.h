#pragma once

#include "app/MainWindow.h"
#include "app/TreeRows.h"
#include "app/UserDialogs.h"
#include "mapbuilder/DemoMap.h"
#include "support/TestSupport.h"

#include <QTest>
#include <QTreeWidget>

#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>

namespace pelmar::apptest {

// Dialogs answered by the test: open-file answers come from `files` and list answers (the
// text of the entry to pick) from `picks`, in order; an empty queue or an absent entry
// answers "cancelled". Every message and every offered list is recorded.
class ScriptedDialogs : public app::UserDialogs {
public:
    std::deque<std::optional<std::filesystem::path>> files;
    std::deque<QString> picks;
    QStringList messages, fileCaptions, fileFilters;
    QList<QStringList> offeredLists;

    std::optional<std::filesystem::path> ChooseOpenFile(QWidget*, const QString& caption,
                                                        const app::FileType& type) override {
        fileCaptions << caption;
        fileFilters << type.DialogFilter();
        std::optional<std::filesystem::path> answer;
        if (!files.empty()) {
            answer = files.front();
            files.pop_front();
        }
        return answer;
    }
    void ShowMessage(QWidget*, const QString& text) override { messages << text; }
    std::optional<int> ChooseFromList(QWidget*, const QString&, const QString&,
                                      const QStringList& choices) override {
        offeredLists << choices;
        const qsizetype at = picks.empty() ? -1 : choices.indexOf(picks.front());
        if (!picks.empty()) {
            picks.pop_front();
        }
        return at < 0 ? std::nullopt : std::optional<int>(static_cast<int>(at));
    }
};

// Text of raw bytes as the lists show them.
inline QString Shown(const std::string& bytes) {
    return app::BytesText(bytes);
}

// A shown main window with scripted dialogs and a temporary folder for its maps, with
// helpers that drive its widgets the way a user does.
class WindowHarness {
public:
    explicit WindowHarness(std::filesystem::path pluginFolder = test::SourcePluginsDir())
        : dialogs_(std::make_shared<ScriptedDialogs>()),
          window_(std::make_unique<app::MainWindow>(std::move(pluginFolder), dialogs_)) {
        window_->show();
        if (!QTest::qWaitForWindowExposed(window_.get())) {
            throw std::runtime_error("the main window was not exposed");
        }
    }

    app::MainWindow& window() { return *window_; }
    ScriptedDialogs& dialogs() { return *dialogs_; }
    const test::TempDir& dir() const { return dir_; }

    std::filesystem::path WriteMap(const std::string& name,
                                   const builder::MapSpec& blueprint = builder::DemoMapSpec()) {
        test::WriteMap(dir_ / name, blueprint);
        return dir_ / name;
    }

    // File > Load map, answering the open dialog with `path` (nullopt: cancel).
    void LoadMap(std::optional<std::filesystem::path> path) {
        dialogs_->files.push_back(std::move(path));
        window_->MenuBar->FileLoadmap->trigger();
    }

    // Selects tag class1:name in the tag list and returns the chunk tree's root row.
    QTreeWidgetItem* SelectTag(const std::string& class1, const std::string& name) {
        QTreeWidgetItem* tagRow =
            Walk(window_->LbMapTags->invisibleRootItem(), {Shown(class1), Shown(name)});
        window_->LbMapTags->setCurrentItem(tagRow);
        return window_->LbTagChunks->topLevelItem(0);
    }
    // Loads the demo map and selects a tag of it.
    QTreeWidgetItem* OpenTag(const std::string& class1, const std::string& name) {
        LoadMap(WriteMap("demo.map"));
        return SelectTag(class1, name);
    }

    // Expands `row`, then its child named path[0], then that row's child named path[1]...;
    // returns the last row reached.
    static QTreeWidgetItem* Walk(QTreeWidgetItem* row, const QStringList& path) {
        row->setExpanded(true);
        for (const QString& text : path) {
            row = Child(row, text);
            if (row == nullptr) {
                throw std::runtime_error("no row " + text.toStdString());
            }
            row->setExpanded(true);
        }
        return row;
    }

    static QStringList Texts(const QTreeWidgetItem* row) {
        QStringList texts;
        for (int i = 0; i < row->childCount(); ++i) {
            texts << row->child(i)->text(0);
        }
        return texts;
    }
    static QStringList Texts(const QTreeWidget* list) { return Texts(list->invisibleRootItem()); }
    static std::vector<std::string> Tags(const QTreeWidgetItem* row) {
        std::vector<std::string> tags;
        for (int i = 0; i < row->childCount(); ++i) {
            tags.push_back(app::CellTag(row->child(i)));
        }
        return tags;
    }
    static QTreeWidgetItem* Child(const QTreeWidgetItem* row, const QString& text) {
        for (int i = 0; row != nullptr && i < row->childCount(); ++i) {
            if (row->child(i)->text(0) == text) {
                return row->child(i);
            }
        }
        return nullptr;
    }
    static QTreeWidgetItem* TopRow(const QTreeWidget* list, const QString& text) {
        return Child(list->invisibleRootItem(), text);
    }
    static std::string Tag(const QTreeWidgetItem* row) { return app::CellTag(row); }

    void SelectChunk(QTreeWidgetItem* row) { window_->LbTagChunks->setCurrentItem(row); }
    void ClickDuplicate() { QTest::mouseClick(window_->BtnDup, Qt::LeftButton); }
    std::vector<uint8_t> MapBytes() { return test::ReadFileBytes(window_->Map().f); }

private:
    test::TempDir dir_;
    std::shared_ptr<ScriptedDialogs> dialogs_;
    std::unique_ptr<app::MainWindow> window_;
};

} // namespace pelmar::apptest
