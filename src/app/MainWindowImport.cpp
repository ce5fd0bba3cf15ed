// File > Import tag...: copies a tag chosen from another map into the loaded map.

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

// The source map is read on another thread, the tag chosen from it, and copied on another
// thread again. The source is only read; the loaded map itself serves when both are the same.
bool MainWindow::_FileImporttag_Action() {
    if (!session_->IsOpen()) {
        Message(tr("Load a map first: the tag is copied into the loaded map."));
        return false;
    }
    Guard([&] {
        const std::optional<std::filesystem::path> sourcePath =
            dialogs_->ChooseOpenFile(this, tr("Import tag from map"), HaloMapTypes::HaloMap());
        if (!sourcePath) {
            return;
        }
        const bool same = SameFile(*sourcePath, session_->path());
        const auto source = same ? session_ : std::make_shared<MapSession>(plugins_);
        RunJob({tr("Reading %1...").arg(FileNameText(*sourcePath)),
                [source, same, path = *sourcePath] {
                    if (!same) {
                        source->Open(path);
                    }
                },
                [this, source] { ChooseImportedTag(source); }, true});
    });
    return false;
}

void MainWindow::ChooseImportedTag(std::shared_ptr<MapSession> source) {
    const TagChoices choices = ListTags(source->map());
    const std::optional<int> chosen = dialogs_->ChooseFromList(
        this, tr("Import tag"), tr("Tag to copy into %1:").arg(FileNameText(session_->path())),
        choices.texts);
    if (!chosen || *chosen < 0 || *chosen >= static_cast<int>(choices.indexes.size())) {
        return;
    }
    const auto outcome = std::make_shared<EditOutcome>();
    RunJob(
        {tr("Importing..."),
         [session = session_, source, outcome, n = choices.indexes[static_cast<size_t>(*chosen)]] {
             *outcome = session->Import(source->map(), n);
         },
         [this, place = CurrentPlace(), outcome] {
             ShowEdit(place, *outcome);
             Message(DoneText(*outcome, true));
         }});
}

} // namespace pelmar::app
