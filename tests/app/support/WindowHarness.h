#pragma once

#include "app/MainWindow.h"
#include "mapbuilder/MapBuilder.h"
#include "support/ScriptedDialogs.h"
#include "support/TestSupport.h"

#include <QStringList>
#include <QTreeWidget>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace pelmar::apptest {

// A shown main window with scripted dialogs, a temporary folder for its maps and helpers that
// drive its widgets the way a user does.
class WindowHarness {
public:
    // The window looks for plugins in `pluginFolder` (the source tree's plugins by default).
    explicit WindowHarness(std::filesystem::path pluginFolder = test::SourcePluginsDir());
    ~WindowHarness();

    app::MainWindow& window() { return *window_; }
    ScriptedDialogs& dialogs() { return *dialogs_; }
    const test::TempDir& dir() const { return dir_; }

    // Writes a map built from `blueprint` into the temporary folder.
    std::filesystem::path WriteMap(const std::string& name, const builder::MapSpec& blueprint);
    std::filesystem::path WriteDemoMap(const std::string& name = "demo.map");

    // File > Load map, answering the open dialog with `path` (nullopt: cancel).
    void LoadMap(std::optional<std::filesystem::path> path);
    // Loads the demo map, selects tag `key` (class:name) and returns its chunk tree root row.
    QTreeWidgetItem* OpenTag(const std::string& class1, const std::string& name);

    // Tag list and chunk tree, as the user sees them.
    static QStringList Texts(const QTreeWidget* list);    // top-level rows
    static QStringList Texts(const QTreeWidgetItem* row); // children of a row
    static std::vector<std::string> Tags(const QTreeWidgetItem* row);
    static QTreeWidgetItem* TopRow(const QTreeWidget* list, const QString& text);
    static QTreeWidgetItem* Child(const QTreeWidgetItem* row, const QString& text);
    static std::string Tag(const QTreeWidgetItem* row);

    void Expand(QTreeWidgetItem* row);
    void Collapse(QTreeWidgetItem* row);
    void Select(QTreeWidget* list, QTreeWidgetItem* row);
    void ClickDuplicate();

private:
    test::TempDir dir_;
    std::shared_ptr<ScriptedDialogs> dialogs_;
    std::unique_ptr<app::MainWindow> window_;
};

// Text of raw bytes as the lists show them.
QString Shown(const std::string& bytes);

} // namespace pelmar::apptest
