// File > Import tag...: copies a tag chosen from another map into the loaded map.

#include "app/BusyCursor.h"
#include "app/BytesText.h"
#include "app/MainWindow.h"
#include "app/MainWindowGuard.h"
#include "app/OutcomeText.h"
#include "app/PathText.h"

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
    std::vector<std::string> keys;
    keys.reserve(map.TagCache.size());
    for (const Tag& tag : map.TagCache) {
        keys.push_back(tag.NameKey());
    }
    TagChoices choices;
    choices.indexes.resize(keys.size());
    std::iota(choices.indexes.begin(), choices.indexes.end(), 0);
    std::stable_sort(choices.indexes.begin(), choices.indexes.end(), [&](int32_t a, int32_t b) {
        return keys[static_cast<size_t>(a)] < keys[static_cast<size_t>(b)];
    });
    for (const int32_t i : choices.indexes) {
        choices.texts << BytesText(keys[static_cast<size_t>(i)]);
    }
    return choices;
}

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec);
}

} // namespace

bool MainWindow::_FileImporttag_Action() {
    if (!session_.IsOpen()) {
        Message(tr("Load a map first: the tag is copied into the loaded map."));
        return false;
    }
    Guard([&] {
        const std::optional<std::filesystem::path> sourcePath =
            dialogs_->ChooseOpenFile(this, tr("Import tag from map"), HaloMapTypes::HaloMap());
        if (!sourcePath) {
            return;
        }
        // The source is only read; the loaded map itself serves when both are the same file.
        MapSession other(plugins_);
        const bool same = SameFile(*sourcePath, session_.path());
        if (!same) {
            BusyCursor busy;
            other.Open(*sourcePath);
        }
        const HaloPcMap& source = same ? session_.map() : other.map();
        const TagChoices choices = ListTags(source);
        const std::optional<int> chosen = dialogs_->ChooseFromList(
            this, tr("Import tag"), tr("Tag to copy into %1:").arg(FileNameText(session_.path())),
            choices.texts);
        if (!chosen || *chosen < 0 || *chosen >= static_cast<int>(choices.indexes.size())) {
            return;
        }
        const Place place = CurrentPlace();
        EditOutcome outcome;
        {
            BusyCursor busy;
            outcome = session_.Import(source, choices.indexes[static_cast<size_t>(*chosen)]);
        }
        ShowMapAgain(place);
        ReportEdit(outcome);
        UpdateHistoryActions();
        Message(DoneText(outcome, true));
    });
    return false;
}

} // namespace pelmar::app
