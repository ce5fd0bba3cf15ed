#pragma once

#include "app/MenuBar1.h"
#include "app/UserDialogs.h"
#include "map/HaloPcMap.h"
#include "structview/ChunkTree.h"

#include <QMainWindow>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidget>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace pelmar::app {

class About;
class LockedArea;

// The one window of the program: the tag list of the loaded map on the left, the chunk tree
// of the selected tag on the right, and the Duplicate button under it. Its handlers only read
// and write the widgets; the map and plugin work is done by the core.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // `pluginFolder` is where the plugin files are looked for; `dialogs` opens every dialog.
    MainWindow(std::filesystem::path pluginFolder, std::shared_ptr<UserDialogs> dialogs,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // The size of the window's content as designed, and the smallest it may become.
    static constexpr QSize kDesignSize{432, 350};
    static constexpr QSize kMinimumSize{375, 165};

    // Loads the map at `path` and shows it, as Load map does once a file is chosen.
    void OpenMap(const std::filesystem::path& path);

    // Menu commands.
    bool _FileLoadmap_Action();
    bool _FileImporttag_Action();
    bool _AboutMenu_Action();

    // Events of the tag list.
    void LbMapTags_ExpandRow(QTreeWidgetItem* row);
    void LbMapTags_Change();
    void LbMapTags_CollapseRow(QTreeWidgetItem* row);

    // Events of the chunk tree.
    void LbTagChunks_ExpandRow(QTreeWidgetItem* row);
    void LbTagChunks_Change();
    void LbTagChunks_CollapseRow(QTreeWidgetItem* row);

    void BtnDup_Action();

    // Registers the entries of the plugin folder.
    void ScanForPlugins();
    // Shows what selecting a tag gave: the root row of the installed plugin, or why not.
    void LoadPlugin(const TagSelection& selection);
    // True when the struct element registered under `structKey` has struct children.
    bool StructsCheck(const std::string& structKey) const;
    // The file offset of the block that chunk `path` names, given the tag's data offset `n`.
    int32_t FindBaseOffset(const std::string& path, int32_t n) const;
    // Copies chunk `chunkIndex` (from 0) of the struct whose reference lies at
    // `referenceOffset` to the end of its array, in the current tag, then says "Done".
    void DuplicateChunk(int32_t referenceOffset, int32_t chunkSize, int32_t chunkIndex);

    const HaloPcMap& Map() const { return map_; }
    const std::string& TagClass() const { return chunkTree_.TagClass(); }
    const PluginFolder& PluginsDic() const { return pluginsDic_; }
    QPointer<About> AboutWindow() const { return about_; }

    // While false, selection changes of the chunk tree are ignored: the window clears it around
    // the changes it makes to the tree itself.
    bool Solid = true;

    MenuBar1* const MenuBar;
    LockedArea* const Controls;
    QTreeWidget* const LbMapTags;
    QTreeWidget* const LbTagChunks;
    QPushButton* const BtnDup;

private:
    void WireEvents();
    void SetInitialSize();
    // Runs `work`, showing any error it raises in a message box. Returns false on error.
    template <class Work> bool Guarded(Work&& work);
    void Message(const QString& text);

    // The tag of the tag row selected in the tag list, as an index into the map's TagCache;
    // nullopt when a class row or no row is selected.
    std::optional<int32_t> CurrentTag() const;
    // The same, or a message saying that a tag must be selected for `what`.
    std::optional<int32_t> RequireCurrentTag(const QString& what);
    // Empties both lists and the chunk tree, then lists the classes of the map that have a
    // plugin. Leaves the Duplicate button disabled through the chunk tree's selection handler.
    void FillTagList();
    // Closes `row` again without reporting it, after its expansion could not be done.
    void UndoExpansion(QTreeWidget* list, QTreeWidgetItem* row);
    std::filesystem::path pluginFolder_;
    std::shared_ptr<UserDialogs> dialogs_;
    HaloPcMap map_;
    PluginFolder pluginsDic_;
    ChunkTree chunkTree_;
    QPointer<About> about_;
};

} // namespace pelmar::app
