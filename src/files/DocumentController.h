#pragma once
// The document as the user handles it: Create New, Open, Save, Save As, a dropped file, the
// start-up document, the discard question that guards a modified document, and the window
// caption with the "Modified" panel. The main window owns one and forwards its commands.

#include "files/DocumentFile.h"
#include "files/Settings.h"

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QFileDialog;
class QLabel;
class QPlainTextEdit;
class QWidget;

namespace vexmo {

// What a discard question guards; a dropped file asks with the Open texts.
enum class DiscardOperation { CreateNew, Open, Close };

// "<file name> - Vexmo", or "Untitled - Vexmo" for an empty path; the same in both languages.
QString DocumentCaption(const QString& documentPath, bool modified = false);
// The discard question: first piece (file name with the "modified" tail, or the untitled
// sentence), the operation's consequence and the question, in the language (1 English).
QString DiscardQuestionText(const QString& documentPath, DiscardOperation operation,
                            int language);

// The status-bar text of a document's encoding: its name, marked when it was guessed from
// the bytes of a file that is not UTF-8; and the hint that explains it.
QString EncodingStatusText(DocumentEncoding encoding, bool guessed, int language);
QString EncodingStatusHint(DocumentEncoding encoding, bool guessed, int language);

class TDocumentController : public QObject {
    Q_OBJECT

  public:
    enum class SaveOutcome { Saved, Cancelled, Failed };

    // `window` gets the caption and parents the dialogs; `settings` are read when they are
    // needed (language, discard question, recall); all three must outlive the controller.
    TDocumentController(QWidget* window, QPlainTextEdit* pane, const Settings& settings);
    ~TDocumentController() override;

    // The first panel shows "Modified", the second is kept empty.
    void SetStatusPanels(QLabel* modified, QLabel* second);
    // Shows the document's encoding.
    void SetEncodingPanel(QLabel* encoding);

    // Hooks, replaceable so that tests can answer without a person. The question hook gets
    // the discard question's text and returns Yes, No or Cancel; the dialog hook gets the
    // configured open or save dialog and returns whether the user confirmed it.
    using QuestionHook = std::function<QMessageBox::StandardButton(const QString& text)>;
    using FileDialogHook = std::function<bool(QFileDialog& dialog)>;
    using ErrorHook = std::function<void(const QString& message)>;
    void SetQuestionHook(QuestionHook hook) { question_ = std::move(hook); }
    void SetFileDialogHook(FileDialogHook hook) { fileDialog_ = std::move(hook); }
    void SetErrorHook(ErrorHook hook) { error_ = std::move(hook); }
    // Gets what the user must know after a save that succeeded (a changed encoding).
    void SetNoticeHook(ErrorHook hook) { notice_ = std::move(hook); }

    const QString& DocumentPath() const { return path_; }
    DocumentEncoding Encoding() const { return encoding_; }
    // The encoding was chosen from the bytes of a file that is not UTF-8.
    bool EncodingGuessed() const { return guessed_; }
    bool Modified() const;

    // Commands.
    void FileNew();
    void FileOpen();
    SaveOutcome FileSave();
    SaveOutcome FileSaveAs();
    void FileDropped(const QString& path);
    // Reads the document's file again in `encoding`, for a legacy file whose code page was
    // guessed wrong; saving then keeps that encoding. A modified document is asked about
    // first, whatever the query option says; bytes that are not in `encoding` are reported
    // and leave the document as it was.
    void ReopenWithEncoding(DocumentEncoding encoding);
    // Opens an entry of the recent documents; a file that is gone is dropped from the list
    // with a message.
    void OpenRecent(const QString& path);
    // The close query: false keeps the window open.
    bool CloseQuery();
    // The document of the command line (exactly one argument), else the last file when the
    // recall option is on. An argument that cannot be read (also one naming no file) is
    // reported and recalls nothing; a recalled file that cannot be read is skipped silently.
    // Ends not modified, with the title refreshed.
    void LoadStartupDocument(const QStringList& arguments);

    void RefreshTitle();

    // Documents opened or saved, newest first (at most eight), and the folder a file dialog
    // starts in when the document has none: the last folder used, else the home folder.
    const QStringList& RecentFiles() const { return recent_; }
    void SetRecentFiles(const QStringList& files);
    const QString& LastFolder() const { return lastFolder_; }
    void SetLastFolder(const QString& folder) { lastFolder_ = folder; }

    // The two dialogs, created on first use and kept.
    QFileDialog& OpenDialog();
    QFileDialog& SaveDialog();

  private:
    enum class Answer { Yes, No, Cancel };
    Answer Ask(DiscardOperation operation);
    // Clears the modified flag after a No, asks again after a Save As; false when the
    // operation must not go on (Cancel, or a save that failed).
    bool SettleDiscard(DiscardOperation operation, bool evenWithoutQuery);
    // Reads `path` into the pane; on failure nothing changes and the error is returned.
    bool Load(const QString& path, QString* error,
              std::optional<DocumentEncoding> encoding = std::nullopt);
    // Load for a command: a failure is shown, and the title follows what is open.
    void Open(const QString& path, std::optional<DocumentEncoding> encoding = std::nullopt);
    void ReplaceText(const QString& text);
    void ShowError(const QString& message);
    void ShowNotice(const QString& message);
    bool RunDialog(QFileDialog& dialog);

    QWidget* window_;
    QPlainTextEdit* pane_;
    const Settings& settings_;
    QPointer<QLabel> modifiedPanel_;
    QPointer<QLabel> secondPanel_;
    QPointer<QLabel> encodingPanel_;
    QPointer<QFileDialog> openDialog_;
    QPointer<QFileDialog> saveDialog_;

    // Puts `path` first in the recent documents and makes its folder the last one used.
    void NoteFile(const QString& path);
    // The folder a dialog starts in for a document without a file.
    QString StartFolder() const;

    QStringList recent_;
    QString lastFolder_;
    QString path_;
    DocumentEncoding encoding_ = DocumentEncoding::Utf8;
    bool guessed_ = false;

    QuestionHook question_;
    FileDialogHook fileDialog_;
    ErrorHook error_;
    ErrorHook notice_;
};

}  // namespace vexmo
