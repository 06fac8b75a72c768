#include "files/DocumentController.h"

#include "document/gui/CalcPane.h"
#include "files/InterfaceTexts.h"
#include "files/RecentDocuments.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextDocument>

namespace vexmo {

namespace {

const QString kOpenTitle = QStringLiteral("Open - Vexmo");
const QString kSaveTitle = QStringLiteral("Save - Vexmo");
const QString kDefaultSuffix = QStringLiteral("vxm");

// Linux has no "*.*" that matches every name, so the last filter matches with "*".
const QStringList kNameFilters = {
    QStringLiteral("Vexmo document(*.vxm)"),
    QStringLiteral("Text file(*.txt)"),
    QStringLiteral("All files(*)"),
};

// The extension a name typed without one gets follows the chosen filter.
QString SuffixOfFilter(const QString& filter) {
    return filter == kNameFilters[1] ? QStringLiteral("txt") : kDefaultSuffix;
}

void ConfigureDialog(QFileDialog& dialog) {
    dialog.setNameFilters(kNameFilters);
    dialog.selectNameFilter(kNameFilters.front());
    dialog.setDefaultSuffix(kDefaultSuffix);
    dialog.setSizeGripEnabled(true);
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&dialog](const QString& filter) {
                         dialog.setDefaultSuffix(SuffixOfFilter(filter));
                     });
}

void ProposeFile(QFileDialog& dialog, const QString& path, const QString& startFolder) {
    if (path.isEmpty()) {
        dialog.setDirectory(startFolder);
        dialog.selectFile(QString());
        return;
    }
    const QFileInfo info(path);
    dialog.setDirectory(info.absolutePath());
    dialog.selectFile(info.fileName());
}

}  // namespace

QString DocumentCaption(const QString& documentPath, bool modified) {
    const QString name =
        documentPath.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(documentPath).fileName();
    // The star is how Linux desktops mark a document with unsaved changes.
    return name + (modified ? QStringLiteral("* - Vexmo") : QStringLiteral(" - Vexmo"));
}

QString DiscardQuestionText(const QString& documentPath, DiscardOperation operation,
                            int language) {
    const bool english = language == 1;
    // The Japanese texts of Create New end in an ASCII full stop, the others in a full-width one.
    const bool asciiStop = operation == DiscardOperation::CreateNew;
    QString first;
    if (documentPath.isEmpty()) {
        first = english      ? QStringLiteral("Current document has been modified.")
                : asciiStop ? QStringLiteral("現在の文書は変更されています.")
                             : QStringLiteral("現在の文書は変更されています．");
    } else {
        first = QFileInfo(documentPath).fileName() +
                (english      ? QStringLiteral(" has been modified.")
                 : asciiStop ? QStringLiteral(" は変更されています.")
                              : QStringLiteral(" は変更されています．"));
    }
    QString consequence;
    switch (operation) {
    case DiscardOperation::CreateNew:
        consequence = english ? QStringLiteral(" Creating a new document will discard the change.")
                              : QStringLiteral(" 新規作成を続行すると変更は失われます.");
        break;
    case DiscardOperation::Open:
        consequence = english ? QStringLiteral(" Opening a new document will discard the change.")
                              : QStringLiteral(" ファイルを開くと、変更は失われます．");
        break;
    case DiscardOperation::Close:
        consequence = english ? QStringLiteral(" Closing Vexmo will discard the change.")
                              : QStringLiteral(" Vexmoを閉じると変更は失われてしまいます．");
        break;
    }
    const QString question = english ? QStringLiteral(" Do you want to save the change?[y/n]")
                                     : QStringLiteral(" 変更を保存しますか？[y/n]");
    return first + consequence + question;
}

QString EncodingStatusText(DocumentEncoding encoding, bool guessed, int language) {
    const QString name = EncodingName(encoding);
    if (!guessed)
        return name;
    return IsEnglish(language) ? QStringLiteral("%1 (guessed)").arg(name)
                               : QStringLiteral("%1（推定）").arg(name);
}

QString EncodingStatusHint(DocumentEncoding encoding, bool guessed, int language) {
    const QString name = EncodingName(encoding);
    if (guessed)
        return IsEnglish(language)
                   ? QStringLiteral("The file is not UTF-8; its bytes read best as %1, and it is "
                                    "saved in it. File > Reopen with Encoding reads it in another.")
                         .arg(name)
                   : QStringLiteral("このファイルはUTF-8ではないため、バイトの並びから%1と判断して読み込みました．"
                                    "保存も%1で行います．別のエンコーディングで読み直すには"
                                    "「ファイル」>「エンコーディングを指定して開き直す」を使います．")
                         .arg(name);
    return IsEnglish(language) ? QStringLiteral("The document is read and saved as %1.").arg(name)
                               : QStringLiteral("この文書は%1で読み込み、保存します．").arg(name);
}

TDocumentController::TDocumentController(QWidget* window, QPlainTextEdit* pane,
                                         const Settings& settings)
    : QObject(window), window_(window), pane_(pane), settings_(settings) {}

TDocumentController::~TDocumentController() = default;

void TDocumentController::SetStatusPanels(QLabel* modified, QLabel* second) {
    modifiedPanel_ = modified;
    secondPanel_ = second;
}

void TDocumentController::SetEncodingPanel(QLabel* encoding) { encodingPanel_ = encoding; }

bool TDocumentController::Modified() const { return pane_->document()->isModified(); }

void TDocumentController::RefreshTitle() {
    // The main window's caption is also what task bars and window switchers show. The
    // application's display name is left alone: the desktop appends it to the caption of
    // every window that does not already end with it, so a document's caption there would
    // turn "Save - Vexmo" into "Save - Vexmo — calc1.vxm - Vexmo".
    window_->setWindowTitle(DocumentCaption(path_, Modified()));
    if (modifiedPanel_)
        modifiedPanel_->setText(Modified() ? ModifiedStatusText(settings_.Language) : QString());
    if (secondPanel_)
        secondPanel_->clear();
    if (encodingPanel_) {
        encodingPanel_->setText(EncodingStatusText(encoding_, guessed_, settings_.Language));
        encodingPanel_->setToolTip(EncodingStatusHint(encoding_, guessed_, settings_.Language));
    }
}

// ---- dialogs and questions ----

QFileDialog& TDocumentController::OpenDialog() {
    if (!openDialog_) {
        openDialog_ = new QFileDialog(window_);  // owned by the window
        openDialog_->setObjectName(QStringLiteral("OpenDialog"));
        openDialog_->setAcceptMode(QFileDialog::AcceptOpen);
        openDialog_->setFileMode(QFileDialog::ExistingFile);
        ConfigureDialog(*openDialog_);
    }
    return *openDialog_;
}

QFileDialog& TDocumentController::SaveDialog() {
    if (!saveDialog_) {
        saveDialog_ = new QFileDialog(window_);  // owned by the window
        saveDialog_->setObjectName(QStringLiteral("SaveDialog"));
        saveDialog_->setAcceptMode(QFileDialog::AcceptSave);
        saveDialog_->setFileMode(QFileDialog::AnyFile);
        saveDialog_->setOption(QFileDialog::DontConfirmOverwrite, false);
        ConfigureDialog(*saveDialog_);
    }
    return *saveDialog_;
}

bool TDocumentController::RunDialog(QFileDialog& dialog) {
    dialog.setDefaultSuffix(SuffixOfFilter(dialog.selectedNameFilter()));
    if (fileDialog_)
        return fileDialog_(dialog);
    return dialog.exec() == QDialog::Accepted;
}

TDocumentController::Answer TDocumentController::Ask(DiscardOperation operation) {
    const QString text = DiscardQuestionText(path_, operation, settings_.Language);
    QMessageBox::StandardButton button = QMessageBox::Cancel;
    if (question_) {
        button = question_(text);
    } else {
        QMessageBox box(QMessageBox::Warning, window_->windowTitle(), text,
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, window_);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::Cancel);
        button = static_cast<QMessageBox::StandardButton>(box.exec());
    }
    if (button == QMessageBox::Yes)
        return Answer::Yes;
    if (button == QMessageBox::No)
        return Answer::No;
    return Answer::Cancel;
}

void TDocumentController::ShowError(const QString& message) {
    if (error_)
        error_(message);
    else
        QMessageBox::critical(window_, window_->windowTitle(), message);
}

void TDocumentController::ShowNotice(const QString& message) {
    if (notice_)
        notice_(message);
    else
        QMessageBox::information(window_, window_->windowTitle(), message);
}

bool TDocumentController::SettleDiscard(DiscardOperation operation, bool evenWithoutQuery) {
    while (Modified() && (evenWithoutQuery || settings_.OptQueryDiscard)) {
        switch (Ask(operation)) {
        case Answer::Cancel:
            return false;
        case Answer::No:
            if (operation != DiscardOperation::Open)
                return true;
            pane_->document()->setModified(false);
            break;
        case Answer::Yes:
            // A failed save keeps the document and stops what asked; a cancelled save dialog
            // asks again, except on closing, where the window simply stays open.
            if (FileSaveAs() == SaveOutcome::Failed)
                return false;
            if (operation == DiscardOperation::Close)
                return !Modified();
            break;
        }
    }
    return true;
}

// ---- loading ----

void TDocumentController::ReplaceText(const QString& text) {
    // A long document comes in and is painted in slices, read-only meanwhile, so its first
    // screen shows at once.
    if (auto* calcPane = qobject_cast<TCalcPane*>(pane_))
        calcPane->LoadText(text);
    else
        pane_->setPlainText(text);
    pane_->document()->setModified(false);
}

bool TDocumentController::Load(const QString& path, QString* error,
                               std::optional<DocumentEncoding> encoding) {
    // Read completely before anything changes, so a failure leaves the document as it was.
    DocumentReadResult read = ReadDocumentFile(path, encoding);
    if (!read.Ok) {
        if (error && read.NotInEncoding) {
            const QString name = DisplayPath(QFileInfo(path).fileName());
            const QString code = EncodingName(*encoding);
            *error = IsEnglish(settings_.Language)
                         ? QStringLiteral("\"%1\" cannot be read as %2: its bytes are not %2, or "
                                          "would not be saved back the same. The document is left "
                                          "as it was.")
                               .arg(name, code)
                         : QStringLiteral("「%1」は%2として読めません（%2ではないバイトがあるか、"
                                          "保存すると元のバイトに戻りません）．文書はそのままです．")
                               .arg(name, code);
        } else if (error) {
            *error = read.ErrorMessage;
        }
        return false;
    }
    ReplaceText(read.Document.Text);
    path_ = QFileInfo(path).absoluteFilePath();
    encoding_ = read.Document.Encoding;
    guessed_ = read.Document.Guessed;
    NoteFile(path_);
    return true;
}

void TDocumentController::SetRecentFiles(const QStringList& files) {
    recent_.clear();
    for (auto it = files.rbegin(); it != files.rend(); ++it)
        recent_ = WithRecentFile(recent_, *it);
}

void TDocumentController::NoteFile(const QString& path) {
    recent_ = WithRecentFile(recent_, path);
    lastFolder_ = QFileInfo(path).absolutePath();
}

QString TDocumentController::StartFolder() const {
    if (!lastFolder_.isEmpty() && QFileInfo(lastFolder_).isDir())
        return lastFolder_;
    return QDir::homePath();
}

void TDocumentController::OpenRecent(const QString& path) {
    if (!QFileInfo::exists(path)) {
        recent_.removeAll(path);
        ShowError(RecentFileGoneText(path, settings_.Language));
        return;
    }
    if (SettleDiscard(DiscardOperation::Open, false))
        Open(path);
}

void TDocumentController::Open(const QString& path, std::optional<DocumentEncoding> encoding) {
    QString error;
    if (!Load(path, &error, encoding))
        ShowError(error);
    RefreshTitle();
}

// ---- commands ----

void TDocumentController::FileNew() {
    if (!SettleDiscard(DiscardOperation::CreateNew, false))
        return;
    ReplaceText(QString());
    path_.clear();
    encoding_ = DocumentEncoding::Utf8;
    guessed_ = false;
    RefreshTitle();
}

void TDocumentController::FileOpen() {
    if (!SettleDiscard(DiscardOperation::Open, false))
        return;
    QFileDialog& dialog = OpenDialog();
    dialog.setWindowTitle(kOpenTitle);
    ProposeFile(dialog, path_, StartFolder());
    const QString file = RunDialog(dialog) ? dialog.selectedFiles().value(0) : QString();
    if (file.isEmpty())
        RefreshTitle();
    else
        Open(file);
}

TDocumentController::SaveOutcome TDocumentController::FileSave() {
    if (path_.isEmpty())
        return FileSaveAs();
    // Never a part of a document that is still coming in.
    if (auto* calcPane = qobject_cast<TCalcPane*>(pane_))
        calcPane->FinishLoading();
    const DocumentWriteResult written =
        WriteDocumentFile(path_, DocumentPlainText(*pane_->document()), encoding_);
    if (!written.Ok) {
        ShowError(written.ErrorMessage);
        return SaveOutcome::Failed;
    }
    const DocumentEncoding before = encoding_;
    encoding_ = written.Encoding;
    if (encoding_ != before)
        guessed_ = false;
    NoteFile(path_);
    pane_->document()->setModified(false);
    RefreshTitle();
    if (written.Encoding != before) {
        // Never change a file's encoding behind the user's back.
        ShowNotice(QStringLiteral("\"%1\" was saved as UTF-8: the text has characters that %2 "
                                  "cannot hold. Programs that expect %2 may not read it.")
                       .arg(QDir::toNativeSeparators(path_), EncodingName(before)));
    }
    return SaveOutcome::Saved;
}

TDocumentController::SaveOutcome TDocumentController::FileSaveAs() {
    QFileDialog& dialog = SaveDialog();
    dialog.setWindowTitle(kSaveTitle);
    ProposeFile(dialog, path_, StartFolder());
    if (!RunDialog(dialog))
        return SaveOutcome::Cancelled;
    const QString file = dialog.selectedFiles().value(0);
    if (file.isEmpty())
        return SaveOutcome::Cancelled;
    // A document that could not be written keeps the file it belongs to.
    const QString previous = path_;
    path_ = QFileInfo(file).absoluteFilePath();
    const SaveOutcome outcome = FileSave();
    if (outcome == SaveOutcome::Failed)
        path_ = previous;
    return outcome;
}

void TDocumentController::FileDropped(const QString& path) {
    if (path.isEmpty())
        return;
    // A drop asks whenever the document is modified, whatever the query option says.
    if (SettleDiscard(DiscardOperation::Open, true))
        Open(path);
}

void TDocumentController::ReopenWithEncoding(DocumentEncoding encoding) {
    if (path_.isEmpty())
        return;
    // Reading again drops every change, so a modified document is always asked about.
    if (SettleDiscard(DiscardOperation::Open, true))
        Open(path_, encoding);
}

bool TDocumentController::CloseQuery() { return SettleDiscard(DiscardOperation::Close, false); }

void TDocumentController::LoadStartupDocument(const QStringList& arguments) {
    if (arguments.size() == 1) {
        // Whatever it names, the argument is read as it stands, so a name that is not UTF-8
        // or a file that is missing gets a message that names it.
        QString error;
        if (!Load(arguments.front(), &error)) {
            path_.clear();
            ShowError(error);
        }
    } else if (settings_.OptRecallLastFile && !settings_.RecallFileName.isEmpty() &&
               QFileInfo::exists(settings_.RecallFileName)) {
        if (!Load(settings_.RecallFileName, nullptr)) {
            path_.clear();
            encoding_ = DocumentEncoding::Utf8;
            guessed_ = false;
            ReplaceText(QString());
        }
    }
    pane_->document()->setModified(false);
    RefreshTitle();
}

}  // namespace vexmo
