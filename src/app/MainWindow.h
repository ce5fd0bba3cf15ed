#pragma once

#include "app/JobRunner.h"
#include "app/MenuBar1.h"
#include "app/UserDialogs.h"
#include "platform/Error.h"
#include "session/MapSession.h"
#include "session/PluginCatalog.h"

#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QTableView>
#include <QTreeView>

#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

namespace pelmar::app {

class About;
class ChunkTreeModel;
class FieldValueModel;
class TagListModel;
struct ValueRow;

// A block of a tag's data: the tag's TagCache index and the block's chunk path.
struct BlockKey {
    int32_t tag = 0;
    ChunkPath path;
};

// The one window of the program: the tag list of the loaded map (with a filter box) on the
// left, the chunk tree of the selected tag with the Duplicate buttons under it in the middle,
// and the values of the selected block on the right. The handlers are thin: they ask the map
// session and show what it answers in the models. Loading, duplicating, importing, undo and redo
// run on another thread; meanwhile the window shows their progress with a Cancel button and
// lets nothing else touch the session.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // `pluginFolder` is where the plugin files are looked for; `dialogs` opens every dialog.
    MainWindow(std::filesystem::path pluginFolder, std::shared_ptr<UserDialogs> dialogs,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // The size of the window's content at start, and the smallest it may become.
    static constexpr QSize kDesignSize{1100, 520};
    static constexpr QSize kMinimumSize{560, 200};

    // Loads the map at `path` and shows it, as Load map does once a file is chosen. The map
    // shown stays until the new one is loaded, and stays when loading fails or is cancelled.
    void OpenMap(const std::filesystem::path& path);
    // Asks the running job to stop, as its Cancel button does: an edit is refused while it has
    // written nothing (otherwise it completes), a map being read is not shown.
    void CancelJob();

    // Menu commands.
    bool _FileLoadmap_Action();
    bool _FileImporttag_Action();
    bool _AboutMenu_Action();
    void _EditUndo_Action();
    void _EditRedo_Action();
    void Relocation_Choose(QAction* mode);

    // Events of the tag list and its filter box.
    void LbMapTags_ExpandRow(const QModelIndex& row);
    void LbMapTags_Change();
    void LbMapTags_CollapseRow(const QModelIndex& row);
    void TagFilter_Change(const QString& text);

    // Events of the chunk tree.
    void LbTagChunks_ExpandRow(const QModelIndex& row);
    void LbTagChunks_Change();
    void LbTagChunks_CollapseRow(const QModelIndex& row);

    void BtnDup_Action();
    void BtnDupDeep_Action();

    // Events of the values pane: its context menu's commands.
    void CopyValue_Action();
    void CopyOffset_Action();

    const MapSession& session() const { return *session_; }
    // Runs the long session calls; busy while one runs.
    JobRunner* jobs() const { return jobs_; }
    TagListModel* tagModel() const { return tagModel_; }
    ChunkTreeModel* chunkModel() const { return chunkModel_; }
    FieldValueModel* valueModel() const { return valueModel_; }
    QPointer<About> AboutWindow() const { return about_; }

    // While false, selection changes of the chunk tree are ignored: the window clears it around
    // the changes it makes to the tree itself.
    bool Solid = true;

    MenuBar1* const MenuBar;
    QLineEdit* const TagFilter;
    QTreeView* const LbMapTags;
    QTreeView* const LbTagChunks;
    QPushButton* const BtnDup;
    QPushButton* const BtnDupDeep;
    QTableView* const LbValues;
    QAction* const CopyValue;
    QAction* const CopyOffset;
    QSplitter* const Panes;
    QLabel* const BlockInfo;         // the selected block's offset, address and size
    QLabel* const RelocationInfo;    // the relocation mode
    QProgressBar* const JobProgress; // how far the running job has come
    QPushButton* const JobCancel;    // stops the running job

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* MakeContent();
    QWidget* MakeTagPane();
    QWidget* MakeChunkPane();
    void SetUpValues();
    void SetUpStatusBar();
    void WireEvents();
    void WireEditing();
    void SetInitialSize();

    // A long session call: `work` runs on another thread and touches nothing but sessions
    // (never the window); `then` shows its result once it has succeeded. `what` is said in the
    // status bar meanwhile. A job that only reads (`dropWhenCancelled`) is forgotten when
    // cancelled; an edit says itself whether it was.
    struct Job {
        QString what;
        std::function<void()> work;
        std::function<void()> then;
        bool dropWhenCancelled = false;
    };
    // Starts `job` unless one runs; the window is busy until it is over.
    void RunJob(Job job);
    // Shows what `job` did, or the error it threw.
    void FinishJob(const Job& job, const std::exception_ptr& error);
    // While busy, the lists, buttons, values and the commands that use the session are off,
    // and the progress bar and Cancel button are shown.
    void SetBusy(bool busy);
    // A session on the plugin folder that tells the job runner its progress.
    std::shared_ptr<MapSession> MakeSession(RelocationMode mode) const;
    void ShowLoadedMap(std::shared_ptr<MapSession> loaded, const std::filesystem::path& path);

    // Runs `work`; an error it raises is described once and shown. Returns false on error.
    template <class Work> bool Guard(Work&& work);
    void ShowError(const PelmarError& error);
    void Message(const QString& text);

    // Lists the classes of the loaded map that have a plugin; empties the chunk tree.
    void FillTagList();
    // Lists every tag while the filter box holds text, and narrows the list to what matches.
    void ApplyTagFilter();
    // Shows the chunk tree of tag `tag`, or why it has none.
    void ShowChunkTree(int32_t tag);
    // Empties the chunk tree and the values pane without the selection handler seeing it.
    void ClearChunkTree();
    // Closes `row` of the chunk tree again, unseen, after its expansion failed.
    void CloseRowQuietly(const QModelIndex& row);
    // Duplicates the selected chunk row (`deep`: with its sub-blocks), or says what to select.
    void DuplicateSelected(bool deep);
    // Duplicates the chunk of `row` of tag `tag` and says how it went.
    void DuplicateChunk(int32_t tag, const ChunkRow& row, bool deep);
    // Offers the tags of `source` and imports the one chosen.
    void ChooseImportedTag(std::shared_ptr<MapSession> source);

    // The values pane: the fields of `block`, read again (an empty pane when that fails).
    void ShowValues(const BlockKey& block);
    void ClearValues();
    std::vector<ValueRow> ReadRows(const BlockKey& block);
    void ShowBlockInfo(const BlockKey& block);
    void SetFieldValue(const BlockKey& block, const QString& field, const QString& text);
    void CopyCell(int column);

    // After an edit, undo or redo: the tag list, chunk tree and values shown again, with the
    // tag and block that were selected selected again where they still exist.
    struct Place {
        std::optional<int32_t> tag;
        std::string key; // the tag's class:name
        std::optional<ChunkPath> block;
    };
    Place CurrentPlace() const;
    void ShowMapAgain(const Place& place);
    // After an edit: the map shown again at `place`, and what the edit did in the status bar.
    void ShowEdit(const Place& place, const EditOutcome& outcome);
    void SelectTagRow(int32_t tag);
    void SelectBlockRow(const ChunkPath& path);
    QModelIndex ChildRow(const QModelIndex& parent, const std::function<bool(const ChunkRow&)>& is,
                         int from);
    // The status bar says what the last edit did and which relocation it used, and why.
    void ReportEdit(const EditOutcome& outcome);
    void TravelHistory(bool undo);
    void UpdateHistoryActions();

    // Settings kept between runs: window geometry, pane sizes, relocation mode, recent maps.
    void RestoreSettings();
    void SaveLayout() const;
    void RememberMap(const std::filesystem::path& path);
    void FillRecentMenu();

    // The tag of the tag row selected in the tag list; nullopt for a class row or none.
    std::optional<int32_t> SelectedTag() const;
    QModelIndex SelectedIndex(const QAbstractItemView* list) const;

    std::shared_ptr<UserDialogs> dialogs_;
    std::shared_ptr<PluginCatalog> plugins_;
    JobRunner* const jobs_;
    // Replaced by another session when a map is loaded; jobs hold it while they run.
    std::shared_ptr<MapSession> session_;
    TagListModel* const tagModel_;
    QSortFilterProxyModel* const tagFilter_;
    ChunkTreeModel* const chunkModel_;
    FieldValueModel* const valueModel_;
    std::optional<int32_t> chunkTag_;     // the tag whose chunk tree is shown
    std::optional<BlockKey> valuesBlock_; // the block whose values are shown
    QPointer<About> about_;
    QPointer<QWidget> focusBeforeJob_;
    bool closeWhenIdle_ = false; // closing waits for the job to stop
};

} // namespace pelmar::app
