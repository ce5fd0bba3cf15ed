#include "support/WindowHarness.h"

#include "app/TreeRows.h"
#include "mapbuilder/DemoMap.h"

#include <QTest>

namespace pelmar::apptest {

WindowHarness::WindowHarness(std::filesystem::path pluginFolder)
    : dialogs_(std::make_shared<ScriptedDialogs>()),
      window_(std::make_unique<app::MainWindow>(std::move(pluginFolder), dialogs_)) {
    window_->show();
    if (!QTest::qWaitForWindowExposed(window_.get())) {
        throw std::runtime_error("the main window was not exposed");
    }
}

WindowHarness::~WindowHarness() = default;

std::filesystem::path WindowHarness::WriteMap(const std::string& name,
                                              const builder::MapSpec& blueprint) {
    const std::filesystem::path path = dir_ / name;
    test::WriteMap(path, blueprint);
    return path;
}

std::filesystem::path WindowHarness::WriteDemoMap(const std::string& name) {
    return WriteMap(name, builder::DemoMapSpec());
}

void WindowHarness::LoadMap(std::optional<std::filesystem::path> path) {
    dialogs_->files.push_back(std::move(path));
    window_->MenuBar->FileLoadmap->trigger();
}

QTreeWidgetItem* WindowHarness::OpenTag(const std::string& class1, const std::string& name) {
    LoadMap(WriteDemoMap());
    QTreeWidgetItem* classRow = TopRow(window_->LbMapTags, Shown(class1));
    if (classRow == nullptr) {
        throw std::runtime_error("no class row " + class1);
    }
    Expand(classRow);
    QTreeWidgetItem* tagRow = Child(classRow, Shown(name));
    if (tagRow == nullptr) {
        throw std::runtime_error("no tag row " + name);
    }
    Select(window_->LbMapTags, tagRow);
    return window_->LbTagChunks->topLevelItem(0);
}

QStringList WindowHarness::Texts(const QTreeWidget* list) {
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        texts << list->topLevelItem(i)->text(0);
    }
    return texts;
}

QStringList WindowHarness::Texts(const QTreeWidgetItem* row) {
    QStringList texts;
    for (int i = 0; i < row->childCount(); ++i) {
        texts << row->child(i)->text(0);
    }
    return texts;
}

std::vector<std::string> WindowHarness::Tags(const QTreeWidgetItem* row) {
    std::vector<std::string> tags;
    for (int i = 0; i < row->childCount(); ++i) {
        tags.push_back(app::CellTag(row->child(i)));
    }
    return tags;
}

QTreeWidgetItem* WindowHarness::TopRow(const QTreeWidget* list, const QString& text) {
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        if (list->topLevelItem(i)->text(0) == text) {
            return list->topLevelItem(i);
        }
    }
    return nullptr;
}

QTreeWidgetItem* WindowHarness::Child(const QTreeWidgetItem* row, const QString& text) {
    for (int i = 0; row != nullptr && i < row->childCount(); ++i) {
        if (row->child(i)->text(0) == text) {
            return row->child(i);
        }
    }
    return nullptr;
}

std::string WindowHarness::Tag(const QTreeWidgetItem* row) {
    return app::CellTag(row);
}

void WindowHarness::Expand(QTreeWidgetItem* row) {
    row->setExpanded(true);
}

void WindowHarness::Collapse(QTreeWidgetItem* row) {
    row->setExpanded(false);
}

void WindowHarness::Select(QTreeWidget* list, QTreeWidgetItem* row) {
    list->setCurrentItem(row);
}

void WindowHarness::ClickDuplicate() {
    QTest::mouseClick(window_->BtnDup, Qt::LeftButton);
}

QString Shown(const std::string& bytes) {
    return app::BytesText(bytes);
}

} // namespace pelmar::apptest
