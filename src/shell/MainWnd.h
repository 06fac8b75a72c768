#pragma once
// The main window: tool bar, calculation pane, status bar, main menu, the pane's pop-up menu
// and the commands they share. It owns the pane, the engine, the variable store and the
// settings, wires them together and keeps the commands' enabled states up to date.

#include "document/gui/CalcPane.h"
#include "document/gui/Clipboard.h"
#include "document/gui/Variables.h"
#include "engine/CompTinyParseEngine.h"
#include "engine/Variables.h"
#include "files/DocumentController.h"
#include "files/Settings.h"
#include "shell/Actions.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <string_view>

class QLabel;
class QMenu;
class QPushButton;
class QShortcut;
class QTimer;
class QToolBar;
class QTranslator;

namespace vexmo {

class TFrmHelp;

// The editing pane's class; the calculation commands and the protection live in it.
using TEditPane = TCalcPane;

class TFindBar;
class TLiveFeatures;

class TFrmMain : public QMainWindow {
    Q_OBJECT

  public:
    // `arguments` are the command-line arguments after the program name.
    explicit TFrmMain(QStringList arguments = {}, QWidget* parent = nullptr);
    ~TFrmMain() override;

    TEditPane* Pane() const { return REdit1; }
    // Colouring, live value, stale marks and completion of the pane.
    TLiveFeatures& Live() const { return *live_; }
    // The find bar under the pane (hidden until Find or Replace).
    TFindBar* FindBar() const { return findBar_; }
    // File ▸ Recent documents.
    QMenu* RecentMenu() const { return recentMenu_; }
    QAction* Action(std::string_view name) const { return actions_[name]; }
    const TActionList& Actions() const { return actions_; }
    QToolBar* ToolBar() const { return toolBar_; }
    QMenu* PopupMenu() const { return popupMenu_; }
    // The two status panels: 0 shows "Modified", 1 stays empty.
    QLabel* StatusPanel(int index) const;
    // The panel that names the document's encoding.
    QLabel* EncodingPanel() const { return encodingPanel_; }

    Settings& Opt() { return opt_; }
    const Settings& Opt() const { return opt_; }
    Variables& Store() { return store_; }
    TCompTinyParser& Engine() { return TP1; }

    // The help file of the current language, a full path once the texts have been applied.
    const QString& HelpFile() const { return helpFile_; }
    // The second top-level window, created after this one; captions follow the language.
    void SetVariablesWindow(QWidget* window);

    // Puts every caption and hint into the language of Opt().Language; 0 asks the system
    // locale first and keeps the answer.
    void ApplyInterfaceTexts();
    // Simple style, stay on top and semi-transparency from the settings.
    void ApplyWindowMode();
    // Runs every enabling rule now (normally done when the event loop goes idle).
    void UpdateActions();
    // Disables every command until the next idle update, repainting at once.
    void DisableAllCommands();
    // Window caption and the "Modified" panel from the document path and modified state.
    void RefreshTitle();
    // Transparency follows the application's activation while stay on top and
    // semi-transparency are both on.
    void ApplicationStateChanged(Qt::ApplicationState state);
    // The manual's window, once Help Index has opened it; null before.
    TFrmHelp* HelpWindow() const;
    // The maker's home page; without one the home-page command is hidden.
    void SetHomePage(const QString& address);
    const QString& HomePage() const { return homePage_; }
    // Opens the home page and the manual's outside links; replaceable so tests do not start a browser.
    void SetUrlOpener(std::function<bool(const QUrl&)> opener) { urlOpener_ = std::move(opener); }
    // Shows the standard error box for a failure that ended a command.
    void ShowError(const QString& message);

    const QString& DocumentPath() const { return documents_->DocumentPath(); }
    // The document commands, the discard question and the caption.
    TDocumentController& Documents() { return *documents_; }

  signals:
    // The deferred start-up has run (settings, texts, window mode, documents).
    void StartupFinished();
    // The window has closed; the program ends.
    void Closed();

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void FormCreate();
    void DeferredStartup();

    void CreateMenus();
    void CreatePopupMenu();
    void CreateToolBar();
    void CreateStatusBar();
    void ConnectActions();
    void ScheduleUpdate();
    void ApplyEditorColors();
    // Hands the settings the pane works with to it.
    void ApplySettingsToPane();
    void SetTransparent(bool on);
    // Installs or removes the catalogue of Qt's own texts for the language.
    void ApplyQtTexts(int language);

    // Settings, documents and variables.
    void ReadSettings();
    void WriteSettings();
    void ReloadLastVariables();
    void LoadStartupDocument();
    bool CloseQuery();
    void FileNew();
    void FileOpen();
    void FileSave();
    void FileSaveAs();
    void FileDropped(const QString& path);
    void ClearVariables();
    void OpenVariables();
    void SaveVariablesAs();
    void ShowVariables(bool show);
    void ShowOptions();
    void RegisterFileType();
    void UnregisterFileType();
    void ShowAbout();

    // The Variables window when the second window is one; null otherwise.
    TFrmVariables* VariablesWindow() const;
    // The engine's assignment notice: _CLIP to the clipboard, other names to the window.
    void TP1Substitute(const std::string& name, const std::string& value, int idx);

    // Calculation commands.
    void RefreshClip();
    void CalculateCurrentLine();
    void RemoveAnswers();
    void CalculateAgain();
    void CalculateBelow();
    // Runs a long calculation command with the Variables window refreshed in batches.
    void WithVariablesInBatches(const std::function<void()>& command);

    // Long work of the pane: progress, Cancel and Escape, commands held back.
    void CreateRunPanel();
    void RunStarted();
    void RunProgress(int done, int total);
    void RunFinished();
    void UpdateActionsDuringRun();

    // Edit, insert and help commands.
    void EditUndo();
    void EditRedo();
    void EditCut();
    void EditCopy();
    void EditPaste();
    void EditDelete();
    void EditSelectAll();
    void EditCopyAnswer();
    // Fills File ▸ Recent documents from the list, when it opens.
    void FillRecentMenu();
    // Whether the caret's line has an answer run.
    bool CurrentLineHasAnswer() const;
    void InsertCommand(const QAction* action);
    void HelpIndex();
    void HelpHomepage();
    void OpenUrl(const QUrl& url);

    TActionList actions_{this};
    TEditPane* REdit1 = nullptr;
    TLiveFeatures* live_ = nullptr;
    TFindBar* findBar_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QMenu* popupMenu_ = nullptr;
    QLabel* statusPanels_[2] = {nullptr, nullptr};
    QLabel* encodingPanel_ = nullptr;
    QTranslator* qtTexts_ = nullptr;  // Qt's own texts in Japanese, installed while chosen
    QTimer* idleTimer_ = nullptr;
    QWidget* runPanel_ = nullptr;
    QLabel* runProgress_ = nullptr;
    QPushButton* runCancel_ = nullptr;
    QShortcut* runShortcut_ = nullptr;
    QElapsedTimer runFlushClock_;
    QPointer<QWidget> FrmVariables;

    Settings opt_;
    Variables store_;
    TClipboard clipboard_;
    TCompTinyParser TP1;

    QStringList arguments_;
    TDocumentController* documents_ = nullptr;  // owned by the window
    QString helpFile_;
    QString homePage_;
    QPointer<TFrmHelp> helpWindow_;
    bool transparent_ = false;
    std::function<bool(const QUrl&)> urlOpener_;
};

}  // namespace vexmo
