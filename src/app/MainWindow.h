#pragma once

#include "app/MenuBar1.h"
#include "app/UserDialogs.h"
#include "platform/Error.h"
#include "session/MapSession.h"
#include "session/PluginCatalog.h"

#include <QMainWindow>
#include <QPointer>
#include <QPushButton>
#include <QSplitter>
#include <QTreeView>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>

namespace pelmar::app {

class About;
class ChunkTreeModel;
class TagListModel;

// The one window of the program: the tag list of the loaded map on the left, the chunk tree
// of the selected tag on the right with the Duplicate button under it. The handlers are thin:
// they ask the map session and show what it answers in the two models.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // `pluginFolder` is where the plugin files are looked for; `dialogs` opens every dialog.
    MainWindow(std::filesystem::path pluginFolder, std::shared_ptr<UserDialogs> dialogs,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // The size of the window's content at start, and the smallest it may become.
    static constexpr QSize kDesignSize{432, 350};
    static constexpr QSize kMinimumSize{375, 165};

    // Loads the map at `path` and shows it, as Load map does once a file is chosen.
    void OpenMap(const std::filesystem::path& path);

    // Menu commands.
    bool _FileLoadmap_Action();
    bool _FileImporttag_Action();
    bool _AboutMenu_Action();

    // Events of the tag list.
    void LbMapTags_ExpandRow(const QModelIndex& row);
    void LbMapTags_Change();
    void LbMapTags_CollapseRow(const QModelIndex& row);

    // Events of the chunk tree.
    void LbTagChunks_ExpandRow(const QModelIndex& row);
    void LbTagChunks_Change();
    void LbTagChunks_CollapseRow(const QModelIndex& row);

    void BtnDup_Action();

    const MapSession& session() const { return session_; }
    TagListModel* tagModel() const { return tagModel_; }
    ChunkTreeModel* chunkModel() const { return chunkModel_; }
    QPointer<About> AboutWindow() const { return about_; }

    // While false, selection changes of the chunk tree are ignored: the window clears it around
    // the changes it makes to the tree itself.
    bool Solid = true;

    MenuBar1* const MenuBar;
    QTreeView* const LbMapTags;
    QTreeView* const LbTagChunks;
    QPushButton* const BtnDup;
    QSplitter* const Panes;

private:
    QWidget* MakeContent();
    void WireEvents();
    void SetInitialSize();

    // Runs `work`; an error it raises is described once and shown. Returns false on error.
    template <class Work> bool Guard(Work&& work);
    void ShowError(const PelmarError& error);
    void Message(const QString& text);

    // Lists the classes of the loaded map that have a plugin; empties the chunk tree.
    void FillTagList();
    // Shows the chunk tree of tag `tag`, or why it has none.
    void ShowChunkTree(int32_t tag);
    // Empties the chunk tree without its selection handler seeing it.
    void ClearChunkTree();
    // Closes `row` of the chunk tree again, unseen, after its expansion failed.
    void CloseRowQuietly(const QModelIndex& row);
    // Duplicates the chunk of `row` of tag `tag` and says how it went.
    void DuplicateChunk(int32_t tag, const ChunkRow& row);

    // The tag of the tag row selected in the tag list; nullopt for a class row or none.
    std::optional<int32_t> SelectedTag() const;
    QModelIndex SelectedIndex(const QTreeView* list) const;

    std::shared_ptr<UserDialogs> dialogs_;
    std::shared_ptr<PluginCatalog> plugins_;
    MapSession session_;
    TagListModel* const tagModel_;
    ChunkTreeModel* const chunkModel_;
    std::optional<int32_t> chunkTag_; // the tag whose chunk tree is shown
    QPointer<About> about_;
};

} // namespace pelmar::app
