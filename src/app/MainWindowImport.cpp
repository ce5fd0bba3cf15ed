// File > Import tag...: copies a tag chosen from another map into the loaded map.

#include "app/BusyCursor.h"
#include "app/MainWindow.h"
#include "app/MainWindowGuard.h"
#include "app/PathText.h"
#include "app/TreeRows.h"

#include <algorithm>
#include <numeric>

namespace pelmar::app {

namespace {

// The tags of `map` as "class:name" texts sorted for the user, with their TagCache indexes.
struct TagChoices {
    QStringList texts;
    std::vector<int32_t> indexes;
};

TagChoices ListTags(const HaloPcMap& map) {
    std::vector<int32_t> order(map.TagCache.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
        return map.TagCache[static_cast<size_t>(a)].NameKey() <
               map.TagCache[static_cast<size_t>(b)].NameKey();
    });
    TagChoices choices;
    for (int32_t i : order) {
        choices.texts << BytesText(map.TagCache[static_cast<size_t>(i)].NameKey());
    }
    choices.indexes = std::move(order);
    return choices;
}

} // namespace

bool MainWindow::_FileImporttag_Action() {
    if (!map_.IsLoaded()) {
        Message(tr("Load a map first: the tag is copied into the loaded map."));
        return false;
    }
    Guarded([&] {
        std::optional<std::filesystem::path> sourcePath =
            dialogs_->ChooseOpenFile(this, tr("Import tag from map"), HaloMapTypes::HaloMap());
        if (!sourcePath) {
            return;
        }
        HaloPcMap source;
        {
            BusyCursor busy;
            source.LoadMap(*sourcePath);
        }
        const TagChoices choices = ListTags(source);
        std::optional<int> chosen = dialogs_->ChooseFromList(
            this, tr("Import tag"), tr("Tag to copy into %1:").arg(FileNameText(map_.f)),
            choices.texts);
        if (!chosen || *chosen < 0 || *chosen >= static_cast<int>(choices.indexes.size())) {
            return;
        }
        {
            BusyCursor busy;
            map_.AddMetaToMapFromMap(source, choices.indexes[static_cast<size_t>(*chosen)]);
        }
        FillTagList();
        Message(tr("Done"));
    });
    return false;
}

} // namespace pelmar::app
