#include "app/ValueDelegate.h"

#include "app/BytesText.h"
#include "app/FieldValueModel.h"
#include "app/FlagsEditor.h"

#include <QComboBox>
#include <QLineEdit>

namespace pelmar::app {

namespace {

constexpr int kFlagRowsShown = 8;
constexpr int kLongestString32 = 31;

int BitsOf(FieldType type) {
    return type == FieldType::Flags8 ? 8 : type == FieldType::Flags16 ? 16 : 32;
}

QStringList Texts(const std::vector<std::string>& names) {
    QStringList texts;
    for (const std::string& name : names) {
        texts << BytesText(name);
    }
    return texts;
}

QLineEdit* LineEditor(QWidget* parent, int maxLength) {
    auto* line = new QLineEdit(parent);
    line->setObjectName("LineEditor");
    if (maxLength > 0) {
        line->setMaxLength(maxLength);
    }
    return line;
}

// The text an editor holds.
QString EditorText(const QWidget* editor) {
    if (const auto* flags = qobject_cast<const FlagsEditor*>(editor)) {
        return flags->Text();
    }
    if (const auto* combo = qobject_cast<const QComboBox*>(editor)) {
        return combo->currentText();
    }
    return static_cast<const QLineEdit*>(editor)->text();
}

} // namespace

ValueDelegate::ValueDelegate(TagLister tags, QObject* parent)
    : QStyledItemDelegate(parent), tags_(std::move(tags)) {}

QWidget* ValueDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                     const QModelIndex& index) const {
    const auto* model = qobject_cast<const FieldValueModel*>(index.model());
    const ValueRow* row = model != nullptr ? model->RowAt(index) : nullptr;
    if (row == nullptr || !row->def) {
        return nullptr;
    }
    const FieldDef& def = *row->def;
    switch (def.type) {
    case FieldType::Enum16:
        return ChoiceEditor(parent, Texts(def.options));
    case FieldType::Flags8:
    case FieldType::Flags16:
    case FieldType::Flags32:
        return new FlagsEditor(def.bits, BitsOf(def.type), parent);
    case FieldType::TagRef:
        return ChoiceEditor(parent, QStringList{"none"} + tags_(def.classes));
    case FieldType::TagId:
        return ChoiceEditor(parent, QStringList{"none"} + tags_({"*"}));
    case FieldType::String32:
        return LineEditor(parent,
                          static_cast<int>(std::min<int64_t>(def.size - 1, kLongestString32)));
    case FieldType::FourCC:
        return LineEditor(parent, 4);
    default:
        return LineEditor(parent, 0);
    }
}

// A combo box of `choices`; choosing one commits it.
QWidget* ValueDelegate::ChoiceEditor(QWidget* parent, const QStringList& choices) const {
    auto* combo = new QComboBox(parent);
    combo->setObjectName("ChoiceEditor");
    combo->addItems(choices);
    auto* self = const_cast<ValueDelegate*>(this); // signals are not const
    connect(combo, &QComboBox::activated, self, [self, combo] {
        emit self->commitData(combo);
        emit self->closeEditor(combo);
    });
    return combo;
}

void ValueDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    const QString text = index.data(Qt::EditRole).toString();
    if (auto* flags = qobject_cast<FlagsEditor*>(editor)) {
        flags->SetText(text);
    } else if (auto* combo = qobject_cast<QComboBox*>(editor)) {
        if (combo->findText(text) < 0) { // an unnamed option, a tag of another class
            combo->insertItem(0, text);
        }
        combo->setCurrentIndex(combo->findText(text));
    } else {
        static_cast<QLineEdit*>(editor)->setText(text);
    }
}

void ValueDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                 const QModelIndex& index) const {
    const QString text = EditorText(editor);
    if (text != index.data(Qt::EditRole).toString()) {
        model->setData(index, text, Qt::EditRole);
    }
}

// A flags list is taller (and may be wider) than its cell, and kept inside the view.
void ValueDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                         const QModelIndex& index) const {
    const auto* flags = qobject_cast<const FlagsEditor*>(editor);
    if (flags == nullptr) {
        QStyledItemDelegate::updateEditorGeometry(editor, option, index);
        return;
    }
    const QSize room = editor->parentWidget()->size();
    const QSize wanted = flags->SizeFor(kFlagRowsShown).expandedTo(option.rect.size());
    QRect rect(option.rect.topLeft(), wanted.boundedTo(room));
    rect.moveRight(std::min(rect.right(), room.width() - 1));
    rect.moveBottom(std::min(rect.bottom(), room.height() - 1));
    editor->setGeometry(rect);
}

} // namespace pelmar::app
