// The values pane: the fields of the selected block, edited through the session.

#include "app/AppFonts.h"
#include "app/BytesText.h"
#include "app/ChunkTreeModel.h"
#include "app/FieldValueModel.h"
#include "app/MainWindow.h"
#include "app/MainWindowGuard.h"
#include "app/TagTexts.h"
#include "app/ValueDelegate.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QStatusBar>

namespace pelmar::app {

namespace {

// Column widths at start: name, value, type and offset; the address takes the rest.
constexpr int kColumnWidths[] = {150, 140, 70, 76};

std::string Latin1(const QString& text) {
    return text.toLatin1().toStdString(); // the bytes that BytesText showed
}

QString Hex(int64_t value) {
    return "0x" + QString::number(value, 16).toUpper();
}

} // namespace

void MainWindow::SetUpValues() {
    LbValues->setObjectName("LbValues");
    LbValues->setFont(ControlFont());
    LbValues->setModel(valueModel_);
    LbValues->setItemDelegateForColumn(
        FieldValueModel::Value,
        new ValueDelegate(
            [this](const auto& classes) { return TagTexts(session_->map(), classes); }, LbValues));
    LbValues->setSelectionBehavior(QAbstractItemView::SelectRows);
    LbValues->setSelectionMode(QAbstractItemView::SingleSelection);
    LbValues->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    LbValues->setWordWrap(false);
    LbValues->setAlternatingRowColors(true);
    LbValues->verticalHeader()->hide();
    LbValues->verticalHeader()->setDefaultSectionSize(LbValues->fontMetrics().height() + 6);
    LbValues->horizontalHeader()->setStretchLastSection(true);
    for (int column = 0; column < 4; ++column) {
        LbValues->setColumnWidth(column, kColumnWidths[column]);
    }
    CopyValue->setObjectName("CopyValue");
    CopyValue->setShortcut(QKeySequence::Copy);
    CopyOffset->setObjectName("CopyOffset");
    for (QAction* copy : {CopyValue, CopyOffset}) {
        copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        LbValues->addAction(copy);
    }
    LbValues->setContextMenuPolicy(Qt::ActionsContextMenu);
    LbValues->installEventFilter(this);
}

// The view copies the current cell on the copy keys, whichever column it is in; here they
// copy the value of the selected row, as Copy value does.
bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == LbValues && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        CopyValue_Action();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::WireEditing() {
    // The edit is made once the editor has closed, on the block it was made in.
    connect(valueModel_, &FieldValueModel::EditRequested, this,
            [this](const QString& field, const QString& text) {
                if (const std::optional<BlockKey> block = valuesBlock_) {
                    QMetaObject::invokeMethod(
                        this, [=, this] { SetFieldValue(*block, field, text); },
                        Qt::QueuedConnection);
                }
            });
    connect(CopyValue, &QAction::triggered, this, &MainWindow::CopyValue_Action);
    connect(CopyOffset, &QAction::triggered, this, &MainWindow::CopyOffset_Action);
    connect(MenuBar->EditUndo, &QAction::triggered, this, &MainWindow::_EditUndo_Action);
    connect(MenuBar->EditRedo, &QAction::triggered, this, &MainWindow::_EditRedo_Action);
    connect(MenuBar->Relocation, &QActionGroup::triggered, this, &MainWindow::Relocation_Choose);
}

void MainWindow::ClearValues() {
    valuesBlock_.reset();
    valueModel_->Clear();
    BlockInfo->clear();
}

void MainWindow::ShowValues(const BlockKey& block) {
    const bool shown = Guard([&] {
        valueModel_->Show(ReadRows(block));
        valuesBlock_ = block;
        ShowBlockInfo(block);
    });
    if (!shown) {
        ClearValues();
    }
}

std::vector<ValueRow> MainWindow::ReadRows(const BlockKey& block) {
    const Tag& tag = session_->map().TagCache.at(static_cast<size_t>(block.tag));
    const std::shared_ptr<const PluginDef> plugin = plugins_->PluginFor(tag.Class1);
    const StructDef& layout =
        *ResolveBlock(session_->ViewOf(block.tag, *plugin), block.path).layout;
    std::vector<ValueRow> rows;
    for (FieldValue& value : session_->ReadValues(block.tag, block.path)) {
        const FieldDef* def = std::holds_alternative<BlockValue>(value.value)
                                  ? nullptr
                                  : FieldNamed(layout, value.name);
        const bool editable = def != nullptr && EditedAsValue(def->type);
        rows.push_back({std::move(value), editable ? std::optional(*def) : std::nullopt});
    }
    return rows;
}

void MainWindow::ShowBlockInfo(const BlockKey& block) {
    const HaloPcMap& map = session_->map();
    const std::shared_ptr<const PluginDef> plugin =
        plugins_->PluginFor(map.TagCache.at(static_cast<size_t>(block.tag)).Class1);
    const ResolvedBlock resolved = ResolveBlock(session_->ViewOf(block.tag, *plugin), block.path);
    const int64_t size = block.path.IsRoot() ? plugin->headerSize : resolved.layout->size;
    const auto address = static_cast<uint32_t>(static_cast<uint32_t>(resolved.offset) +
                                               static_cast<uint32_t>(map.Magic));
    BlockInfo->setText(tr("Block at offset %1, address %2, %3 bytes")
                           .arg(Hex(resolved.offset), Hex(address))
                           .arg(size));
}

// Bad input is refused with the session's message and writes nothing; either way the pane
// then shows what the file holds. A value edit takes milliseconds and is made here. None is
// made while a job holds the session: a value left in its editor when a job starts is dropped,
// as it was when the map was shown again under it.
void MainWindow::SetFieldValue(const BlockKey& block, const QString& field, const QString& text) {
    if (jobs_->Busy()) {
        return;
    }
    EditOutcome outcome;
    if (Guard([&] {
            outcome = session_->SetValue(block.tag, block.path, Latin1(field), Latin1(text));
        })) {
        ReportEdit(outcome);
    }
    if (valuesBlock_) {
        ShowValues(*valuesBlock_);
    }
    UpdateHistoryActions();
}

void MainWindow::CopyValue_Action() {
    CopyCell(FieldValueModel::Value);
}

void MainWindow::CopyOffset_Action() {
    CopyCell(FieldValueModel::Offset);
}

void MainWindow::CopyCell(int column) {
    const QModelIndex current = LbValues->currentIndex();
    if (current.isValid()) {
        QGuiApplication::clipboard()->setText(current.siblingAtColumn(column).data().toString());
    }
}

} // namespace pelmar::app
