#pragma once
// The Variables window: one row per variable of the store, sorted by name, with Add, Edit
// and Delete; and the variables-file commands that replace the store as a whole. The rows
// mirror the store and change only together with it.

#include "engine/Variables.h"

#include <QHash>
#include <QMessageBox>
#include <QSet>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QAction;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace vexmo {

class TFrmVariables : public QWidget {
    Q_OBJECT

  public:
    // The store must outlive the window. With a parent the window is still a top-level
    // window of its own; the parent only owns it and parents its dialogs.
    explicit TFrmVariables(Variables& store, QWidget* parent = nullptr);

    // Interface language of the questions and the name and value dialog (1 English,
    // anything else Japanese). The caption is set by the main window with its texts.
    // The buttons and column headers follow it at once.
    void SetLanguage(int language);
    int Language() const { return language_; }
    // The list shows the editor's font.
    void SetEditorFont(const QFont& font);

    // ---- row updates ----
    // The row of the upper-cased name gets the value; without one, a row is added. An empty
    // value removes the row, as it removes the store's entry.
    void ShowValue(const QString& name, const QString& value);
    // The row update for an assignment notice (idx -1 for a plain variable, else the element
    // index). Throws std::out_of_range when idx names no element; the engine counts that as
    // a failed operation.
    void ShowAssignment(const std::string& name, const std::string& value, int idx);
    void DeleteAllRows();
    // While deferred, the notices above only note the names (an element index that names
    // no element still fails at once); FlushRows() then brings those rows up to date from
    // the store in one go, and ending the deferral flushes. Add, Edit and Delete are off
    // meanwhile, so that nothing changes the store under a calculation that goes on.
    void SetDeferred(bool on);
    bool Deferred() const { return deferred_; }
    void FlushRows();
    // What a row shows of a stored value: a long list only its first elements and the count.
    static QString RowText(const std::string& value);

    // ---- variables files ----
    // The path last used to save or open a variables file; empty at first.
    const QString& VariablesFile() const { return variablesFile_; }
    void SetVariablesFile(const QString& path) { variablesFile_ = path; }
    // Start-up: silently reads the file into store and rows when it exists and becomes the
    // current variables file; a file that cannot be read leaves none.
    void ReloadVariables(const QString& path);
    // Empties store and rows and fills both from a file's lines, first line of a name first.
    void LoadLines(const std::vector<Variables::Line>& lines);

    QTreeWidget* LvVariables = nullptr;
    QAction* AtnInsert = nullptr;
    QAction* AtnEdit = nullptr;
    QAction* AtnDelete = nullptr;

    // Seams for the questions, the file dialogs and the error box; each defaults to the
    // platform's own box or dialog.
    using QuestionHook = std::function<QMessageBox::StandardButton(
        const QString& text, QMessageBox::StandardButtons buttons)>;
    enum class FileDialogKind { Save, Open };
    // Returns the chosen path, empty when cancelled.
    using FileDialogHook = std::function<QString(FileDialogKind kind, const QString& title)>;
    using ErrorHook = std::function<void(const QString& message)>;
    void SetQuestionHook(QuestionHook hook) { question_ = std::move(hook); }
    void SetFileDialogHook(FileDialogHook hook) { fileDialog_ = std::move(hook); }
    void SetErrorHook(ErrorHook hook) { error_ = std::move(hook); }

  public slots:
    void AtnInsertExecute();
    void AtnEditExecute();
    void AtnDeleteExecute();
    // The main window's commands.
    void AtnFileSaveVariablesAsExecute();
    void AtnFileOpenVariablesExecute();
    void AtnFileClearVariablesExecute();

  signals:
    // The user closed the window (it is hidden, not destroyed).
    void Closed();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    QTreeWidgetItem* FindRow(const QString& upperName) const;
    QTreeWidgetItem* AddRow(const QString& upperName, const QString& value);
    QTreeWidgetItem* SelectedRow() const;
    void RemoveRow(QTreeWidgetItem* row);
    void UpdateCommands();
    // Runs the name and value dialog; false when cancelled.
    bool EnterValue(QString& name, QString& value);
    QMessageBox::StandardButton Ask(const QString& text, QMessageBox::StandardButtons buttons);
    QString ChooseFile(FileDialogKind kind, const QString& title);
    void ShowError(const QString& message);
    QWidget* DialogParent();
    // Clears the current variables file and saves as; true when a file was written.
    bool SaveBeforeDiscarding();
    // Asks `question` (Yes saves first, No discards, Cancel stops); true when the caller may go on.
    bool MayDiscardVariables(const QString& question);

    Variables& store_;
    // Row of each name; names are unique among the rows.
    QHash<QString, QTreeWidgetItem*> rowsByName_;
    bool deferred_ = false;
    // Names noticed while deferred, in the store's spelling.
    QSet<QString> pendingNames_;
    int language_ = 1;
    QString variablesFile_;
    QToolBar* toolBar_ = nullptr;
    QuestionHook question_;
    FileDialogHook fileDialog_;
    ErrorHook error_;
};

// Upper-cases the letters a to z only, as names and values are shown.
QString UpperAsciiLetters(const QString& text);

} // namespace vexmo
