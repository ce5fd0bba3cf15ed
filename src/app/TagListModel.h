#pragma once

#include <QStandardItemModel>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pelmar::app {

// The tag list: one folder row per class, and under an expanded class row one row per tag.
// Class rows show their expansion indicator before their tags are listed.
class TagListModel : public QStandardItemModel {
    Q_OBJECT
public:
    explicit TagListModel(QObject* parent = nullptr);

    // A tag to list: its index in the map's TagCache and its name.
    using TagEntry = std::pair<int32_t, std::string_view>;

    // Replaces every row by one folder row per class, in the order given.
    void ShowClasses(const std::vector<std::string>& classes);
    // Replaces the rows under the class row `classRow` by one row per tag, in the order given.
    void ShowTags(const QModelIndex& classRow, const std::vector<TagEntry>& tags);
    // Removes the rows under `classRow`.
    void DropTags(const QModelIndex& classRow);

    // The class of a class row; nullopt for any other index.
    std::optional<std::string> ClassAt(const QModelIndex& index) const;
    // The TagCache index of a tag row; nullopt for any other index.
    std::optional<int32_t> TagAt(const QModelIndex& index) const;

    bool hasChildren(const QModelIndex& parent = {}) const override;
};

} // namespace pelmar::app
