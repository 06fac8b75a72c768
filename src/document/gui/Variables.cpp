#include "document/gui/Variables.h"

#include "document/core/ClipText.h"
#include "document/core/TextEncoding.h"
#include "document/core/VariablesFile.h"
#include "document/gui/EnterValue.h"
#include "engine/DorvSub.h"
#include "engine/EngineText.h"

#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QStringDecoder>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <utility>

namespace vexmo {

namespace {

constexpr int NameColumn = 0;
constexpr int ValueColumn = 1;
const char* const ZeroElement = "0 +_I 0";

std::string ToStd(const QString& text) {
    return text.toStdString();
}
QString ToQt(const std::string& text) {
    return QString::fromStdString(text);
}

std::filesystem::path FilePath(const QString& path) {
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

// Old files are in Shift_JIS or Windows-1252; their bytes tell which, whatever the interface
// language.
LegacyDecoder DecoderFor(int /*language*/) {
    return [](std::string_view bytes) {
        QStringDecoder decoder("Shift_JIS");
        if (!decoder.isValid() || !LooksLikeShiftJis(bytes)) return DecodeWindows1252(bytes);
        const QString text =
            decoder(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
        return decoder.hasError() ? DecodeWindows1252(bytes) : text.toStdString();
    };
}

} // namespace

QString UpperAsciiLetters(const QString& text) {
    QString upper = text;
    for (QChar& c : upper)
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) c = QChar(c.unicode() - 'a' + 'A');
    return upper;
}

TFrmVariables::TFrmVariables(Variables& store, QWidget* parent)
    : QWidget(parent, Qt::Window), store_(store) {
    setObjectName(QStringLiteral("FrmVariables"));
    setWindowTitle(QStringLiteral("Variables"));
    resize(300, 240);

    AtnInsert = new QAction(QStringLiteral("&Add"), this);
    AtnEdit = new QAction(QStringLiteral("&Edit"), this);
    AtnDelete = new QAction(QStringLiteral("&Delete"), this);
    AtnInsert->setObjectName(QStringLiteral("AtnInsert"));
    AtnEdit->setObjectName(QStringLiteral("AtnEdit"));
    AtnDelete->setObjectName(QStringLiteral("AtnDelete"));
    connect(AtnInsert, &QAction::triggered, this, &TFrmVariables::AtnInsertExecute);
    connect(AtnEdit, &QAction::triggered, this, &TFrmVariables::AtnEditExecute);
    connect(AtnDelete, &QAction::triggered, this, &TFrmVariables::AtnDeleteExecute);

    toolBar_ = new QToolBar(this);
    toolBar_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    toolBar_->addAction(AtnInsert);
    toolBar_->addAction(AtnEdit);
    toolBar_->addAction(AtnDelete);

    LvVariables = new QTreeWidget(this);
    LvVariables->setObjectName(QStringLiteral("LvVariables"));
    LvVariables->setColumnCount(2);
    LvVariables->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Value")});
    LvVariables->setRootIsDecorated(false);
    LvVariables->setUniformRowHeights(true);
    LvVariables->setEditTriggers(QAbstractItemView::NoEditTriggers);
    LvVariables->setSelectionMode(QAbstractItemView::SingleSelection);
    LvVariables->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Each column is half the list, whatever its width.
    LvVariables->header()->setSectionResizeMode(QHeaderView::Stretch);
    LvVariables->header()->setSectionsClickable(false);
    LvVariables->setSortingEnabled(true);
    LvVariables->sortByColumn(NameColumn, Qt::AscendingOrder);
    connect(LvVariables, &QTreeWidget::itemSelectionChanged, this, &TFrmVariables::UpdateCommands);
    connect(LvVariables, &QTreeWidget::itemDoubleClicked, this, [this] { AtnEditExecute(); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar_);
    layout->addWidget(LvVariables);
    UpdateCommands();
}

void TFrmVariables::SetLanguage(int language) {
    language_ = language;
    const bool english = language == 1;
    AtnInsert->setText(english ? QStringLiteral("&Add") : QStringLiteral("追加(&A)"));
    AtnEdit->setText(english ? QStringLiteral("&Edit") : QStringLiteral("編集(&E)"));
    AtnDelete->setText(english ? QStringLiteral("&Delete") : QStringLiteral("削除(&D)"));
    LvVariables->setHeaderLabels(english ? QStringList{QStringLiteral("Name"), QStringLiteral("Value")}
                                         : QStringList{QStringLiteral("名前"), QStringLiteral("値")});
}

void TFrmVariables::SetEditorFont(const QFont& font) {
    LvVariables->setFont(font);
}

void TFrmVariables::closeEvent(QCloseEvent* event) {
    // Closing only hides the window; it lives as long as the main window.
    event->accept();
    emit Closed();
}

// ---- rows ----

QTreeWidgetItem* TFrmVariables::FindRow(const QString& upperName) const {
    return rowsByName_.value(upperName, nullptr);
}

QTreeWidgetItem* TFrmVariables::AddRow(const QString& upperName, const QString& value) {
    auto* row = new QTreeWidgetItem(QStringList{upperName, value}); // owned by the list
    LvVariables->addTopLevelItem(row);
    rowsByName_.insert(upperName, row);
    return row;
}

void TFrmVariables::RemoveRow(QTreeWidgetItem* row) {
    if (!row) return;
    rowsByName_.remove(row->text(NameColumn));
    // Taking the row out hands its ownership back from the list.
    std::unique_ptr<QTreeWidgetItem> taken(
        LvVariables->takeTopLevelItem(LvVariables->indexOfTopLevelItem(row)));
}

QTreeWidgetItem* TFrmVariables::SelectedRow() const {
    const QList<QTreeWidgetItem*> rows = LvVariables->selectedItems();
    return rows.isEmpty() ? nullptr : rows.front();
}

void TFrmVariables::UpdateCommands() {
    const bool selected = SelectedRow() != nullptr;
    AtnInsert->setEnabled(!deferred_);
    AtnEdit->setEnabled(selected && !deferred_);
    AtnDelete->setEnabled(selected && !deferred_);
}

void TFrmVariables::DeleteAllRows() {
    LvVariables->clear();
    rowsByName_.clear();
    UpdateCommands();
}

QString TFrmVariables::RowText(const std::string& value) {
    constexpr std::size_t ShortText = 200;
    constexpr std::size_t ShownElements = 8;
    if (value.size() <= ShortText) return ToQt(value);
    std::vector<std::string> elements = engine_text::ElementsOf(value);
    if (elements.size() <= ShownElements) return ToQt(value);
    const std::size_t count = elements.size();
    elements.resize(ShownElements);
    return ToQt(JoinCommaText(elements)) + QStringLiteral(",… (%1 elements)").arg(count);
}

void TFrmVariables::SetDeferred(bool on) {
    if (deferred_ == on) return;
    deferred_ = on;
    if (!on) FlushRows();
    UpdateCommands();
}

void TFrmVariables::FlushRows() {
    if (pendingNames_.isEmpty()) return;
    const QSet<QString> names = std::exchange(pendingNames_, {});
    LvVariables->setSortingEnabled(false);
    QList<QTreeWidgetItem*> added;
    for (const QString& name : names) {
        const std::string storeName = ToStd(name);
        const QString upper = UpperAsciiLetters(name);
        QTreeWidgetItem* row = FindRow(upper);
        if (store_.IndexOf(storeName) < 0) {
            RemoveRow(row);
            continue;
        }
        const QString text = RowText(store_.Read(storeName));
        if (row) {
            row->setText(ValueColumn, text);
            continue;
        }
        row = new QTreeWidgetItem(QStringList{upper, text}); // the list owns it
        rowsByName_.insert(upper, row);
        added << row;
    }
    LvVariables->addTopLevelItems(added);
    LvVariables->setSortingEnabled(true);
    LvVariables->sortByColumn(NameColumn, Qt::AscendingOrder);
    UpdateCommands();
}

void TFrmVariables::ShowValue(const QString& name, const QString& value) {
    if (deferred_) {
        pendingNames_.insert(name);
        return;
    }
    const QString upper = UpperAsciiLetters(name);
    QTreeWidgetItem* row = FindRow(upper);
    if (value.isEmpty()) {
        // The store keeps no empty value (a user function defined with an empty body is gone).
        RemoveRow(row);
        UpdateCommands();
    } else if (row) {
        row->setText(ValueColumn, value);
    } else {
        AddRow(upper, value);
    }
}

void TFrmVariables::ShowAssignment(const std::string& name, const std::string& value, int idx) {
    if (idx == -1) {
        ShowValue(ToQt(name), ToQt(value));
        return;
    }
    if (deferred_) {
        if (idx < 0 || idx > MaxClipElementIndex)
            throw std::out_of_range("List index out of bounds (" + std::to_string(idx) + ")");
        pendingNames_.insert(ToQt(name));
        return;
    }
    // The store takes no element at or beyond its largest list, so the row stays as it is
    // (padding it would build a row of up to a million elements the store never holds).
    if (idx >= engine_text::kMaxElements && idx <= MaxClipElementIndex) return;
    const QString upper = UpperAsciiLetters(ToQt(name));
    QTreeWidgetItem* row = FindRow(upper);
    std::vector<std::string> elements;
    if (row) {
        // Read the value as the engine reads the store, so that a plain value ("2 +_I 0")
        // stays one element instead of splitting at its blanks. The notice comes before
        // the store changes; a long row shows only part of the value.
        elements = engine_text::ElementsOf(store_.IndexOf(name) >= 0
                                               ? store_.Read(name)
                                               : ToStd(row->text(ValueColumn)));
    } else {
        row = AddRow(upper, ToQt(value));
        if (idx >= 0 && idx <= MaxClipElementIndex)
            elements.assign(static_cast<std::size_t>(idx) + 1, ZeroElement);
    }
    // An index below -1 names no element; a huge one would pad the row with millions of
    // zeros, so it fails the same way the clipboard's array does.
    if (idx < 0 || idx > MaxClipElementIndex)
        throw std::out_of_range("List index out of bounds (" + std::to_string(idx) + ")");
    const auto index = static_cast<std::size_t>(idx);
    if (elements.size() <= index) elements.resize(index + 1, ZeroElement);
    elements[index] = value;
    row->setText(ValueColumn, RowText(JoinCommaText(elements)));
}

// ---- Add, Edit, Delete ----

bool TFrmVariables::EnterValue(QString& name, QString& value) {
    TFrmEnterValue dialog(language_, DialogParent());
    dialog.SetName(name);
    dialog.SetValue(value);
    if (dialog.exec() != QDialog::Accepted) return false;
    name = dialog.Name();
    value = dialog.Value();
    return true;
}

void TFrmVariables::AtnInsertExecute() {
    for (;;) {
        QString name;
        QString value;
        if (!EnterValue(name, value)) return;
        const QString upperName = UpperAsciiLetters(name);
        const std::string storeName = ToStd(upperName);
        store_.Remove(storeName);
        RemoveRow(FindRow(upperName));

        std::string valueText;
        try {
            valueText = DComplexToStr(ReadEnteredValue(ToStd(value)));
        } catch (const std::exception&) {
            const QString question =
                value + (language_ == 1 ? QStringLiteral(" is not correct number format.")
                                        : QStringLiteral(" は正しい数値書式ではありません。"));
            if (Ask(question, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes) continue;
            UpdateCommands();
            return;
        }
        store_.Write(storeName, valueText);
        AddRow(upperName, UpperAsciiLetters(value));
        UpdateCommands();
        return;
    }
}

void TFrmVariables::AtnEditExecute() {
    QTreeWidgetItem* row = SelectedRow();
    if (!row) return;
    const QString oldName = row->text(NameColumn);
    QString name = oldName;
    // A long list's row shows only part of it; the whole value is in the store.
    QString value = store_.IndexOf(ToStd(oldName)) >= 0 ? ToQt(store_.Read(ToStd(oldName)))
                                                       : row->text(ValueColumn);
    if (!EnterValue(name, value)) return;
    store_.Remove(ToStd(oldName));
    const QString newName = UpperAsciiLetters(name);
    const QString newValue = UpperAsciiLetters(value);
    // Renaming onto another row's name would leave two rows for one store entry.
    if (QTreeWidgetItem* other = FindRow(newName); other && other != row) RemoveRow(other);
    rowsByName_.remove(oldName);
    row->setText(NameColumn, newName);
    rowsByName_.insert(newName, row);
    row->setText(ValueColumn, newValue);
    store_.Write(ToStd(newName), ToStd(newValue));
    UpdateCommands();
}

void TFrmVariables::AtnDeleteExecute() {
    QTreeWidgetItem* row = SelectedRow();
    if (!row) return;
    const QString name = row->text(NameColumn);
    const QString question =
        language_ == 1
            ? QStringLiteral("Are you sure you want to delete '") + name + QStringLiteral("'?[y/n]")
            : QStringLiteral("本当に ") + name +
                  QStringLiteral(" を削除してもよろしいですか？[y/n]");
    if (Ask(question, QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) return;
    store_.Remove(ToStd(name));
    RemoveRow(row);
    UpdateCommands();
}

// ---- variables files ----

void TFrmVariables::LoadLines(const std::vector<Variables::Line>& lines) {
    DeleteAllRows();
    // Rows are gathered first and handed to the list at once: a large file would otherwise
    // be inserted and sorted row by row.
    QStringList names;
    QHash<QString, QString> values;
    LoadVariables(lines, store_, [&](const std::string& name, const std::string& value) {
        const QString upper = UpperAsciiLetters(ToQt(name));
        if (!values.contains(upper)) names << upper;
        values.insert(upper, RowText(value));
    });
    QList<QTreeWidgetItem*> rows;
    rows.reserve(names.size());
    for (const QString& name : names) {
        auto* row = new QTreeWidgetItem(QStringList{name, values.value(name)}); // list owns it
        rowsByName_.insert(name, row);
        rows << row;
    }
    LvVariables->addTopLevelItems(rows);
}

void TFrmVariables::ReloadVariables(const QString& path) {
    if (path.isEmpty() || !QFileInfo::exists(path)) return;
    const VariablesFileRead read = ReadVariablesFile(FilePath(path), DecoderFor(language_));
    if (!read) {
        variablesFile_.clear();
        return;
    }
    LoadLines(read.Lines);
    variablesFile_ = path;
}

void TFrmVariables::AtnFileSaveVariablesAsExecute() {
    const QString path = ChooseFile(FileDialogKind::Save, QStringLiteral("Save variables - Vexmo"));
    if (path.isEmpty()) return;
    // A failed write keeps the previous current file: the chosen one does not hold these
    // variables, and a caller that asked to save first must not go on to discard them.
    const FileResult written = WriteVariablesFile(FilePath(path), store_);
    if (!written) {
        ShowError(ToQt(written.Message));
        return;
    }
    variablesFile_ = path;
}

bool TFrmVariables::SaveBeforeDiscarding() {
    variablesFile_.clear();
    AtnFileSaveVariablesAsExecute();
    return !variablesFile_.isEmpty();
}

bool TFrmVariables::MayDiscardVariables(const QString& question) {
    const auto answer = Ask(question, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::Cancel) return false;
    return answer != QMessageBox::Yes || SaveBeforeDiscarding();
}

void TFrmVariables::AtnFileOpenVariablesExecute() {
    const QString question =
        language_ == 1 ? QStringLiteral("Opening a variables-file will discard all the current "
                                        "variables.Do you want to save the current variables?[y/n]")
                       : QStringLiteral("変数ファイルを開くと現在の変数はすべて消去されます."
                                        "現在の変数を保存しますか？[y/n]");
    if (!MayDiscardVariables(question)) return;
    const QString path = ChooseFile(FileDialogKind::Open, QStringLiteral("Open variables - Vexmo"));
    if (path.isEmpty()) return;
    variablesFile_ = path;
    const VariablesFileRead read = ReadVariablesFile(FilePath(path), DecoderFor(language_));
    if (!read) {
        ShowError(ToQt(read.Message));
        return;
    }
    LoadLines(read.Lines);
}

void TFrmVariables::AtnFileClearVariablesExecute() {
    const QString question =
        language_ == 1 ? QStringLiteral("Clearing variables will discard the current variables. "
                                        "Do you want to save the current variables?[y/n]")
                       : QStringLiteral("変数初期化を続けると現在の変数はすべて消去されます."
                                        "現在の変数を保存しますか？[y/n]");
    if (!MayDiscardVariables(question)) return;
    store_.Clear();
    DeleteAllRows();
    variablesFile_.clear();
}

// ---- seams ----

QWidget* TFrmVariables::DialogParent() {
    // The dialogs of the main window's commands belong to the main window.
    return parentWidget() ? parentWidget() : this;
}

QMessageBox::StandardButton TFrmVariables::Ask(const QString& text,
                                               QMessageBox::StandardButtons buttons) {
    if (question_) return question_(text, buttons);
    return QMessageBox::question(DialogParent(), QStringLiteral("Vexmo"), text, buttons);
}

QString TFrmVariables::ChooseFile(FileDialogKind kind, const QString& title) {
    if (fileDialog_) return fileDialog_(kind, title);
    // The same choices as the document dialogs: "*" is the pattern that matches every name
    // here, and a name typed without an extension takes the one of the chosen filter.
    QFileDialog dialog(DialogParent(), title);
    const QStringList filters = {QStringLiteral("Vexmo document(*.vxm)"),
                                 QStringLiteral("Text file(*.txt)"),
                                 QStringLiteral("All files(*)")};
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(QStringLiteral("vxm"));
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, &filters](const QString& f) {
        dialog.setDefaultSuffix(f == filters[1] ? QStringLiteral("txt") : QStringLiteral("vxm"));
    });
    if (kind == FileDialogKind::Save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
}

void TFrmVariables::ShowError(const QString& message) {
    if (error_) {
        error_(message);
        return;
    }
    QWidget* owner = DialogParent();
    QMessageBox::critical(owner, owner->window()->windowTitle(), message);
}

} // namespace vexmo
