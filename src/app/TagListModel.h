#pragma once

#include <QStandardItemModel>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pelmar::app {

// The tag list: one folder row per class, and under a class row one row per tag, listed when
// the row is first opened (fetchMore) or when every tag is asked for. Class rows show their
// expansion indicator before their tags are listed.
class TagListModel : public QStandardItemModel {
    Q_OBJECT
public:
    explicit TagListModel(QObject* parent = nullptr);

    // A tag to list: its index in the map's TagCache and its name.
    using TagEntry = std::pair<int32_t, std::string_view>;
    // The tags of a class, in the order to list them.
    using TagSource = std::function<std::vector<TagEntry>(const std::string& tagClass)>;

    // Replaces every row by one folder row per class, in the order given; their tags come
    // from `tags`.
    void ShowClasses(const std::vector<std::string>& classes, TagSource tags);
    // Replaces the rows under the class row `classRow` by one row per tag, in the order given.
    void ShowTags(const QModelIndex& classRow, const std::vector<TagEntry>& tags);
    // Removes the rows under `classRow`; opening it lists them again.
    void DropTags(const QModelIndex& classRow);
    // Lists the tags of every class whose tags are not listed.
    void ListAllTags();

    // The class of a class row; nullopt for any other index.
    std::optional<std::string> ClassAt(const QModelIndex& index) const;
    // The TagCache index of a tag row; nullopt for any other index.
    std::optional<int32_t> TagAt(const QModelIndex& index) const;

    bool hasChildren(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    // True while rows are added or removed: whoever reacts to the change (a view, a proxy, a
    // model tester) cannot list tags in the middle of it.
    struct Changing {
        explicit Changing(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
        ~Changing() { flag_ = was_; }
        bool& flag_;
        const bool was_;
    };

    TagSource tags_;
    bool changing_ = false;
};

} // namespace pelmar::app
