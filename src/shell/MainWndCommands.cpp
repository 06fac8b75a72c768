// The main window's commands that hand over to the settings, documents, variables,
// calculation, registration and About parts.

#include "shell/MainWnd.h"

#include "document/gui/LiveFeatures.h"
#include "files/Options.h"
#include "files/Registration.h"
#include "shell/About.h"

#include <QApplication>
#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>

namespace vexmo {

// ---- settings ----

void TFrmMain::ReadSettings() {
    QSettings store(QStringLiteral("Dorv"), QStringLiteral("Vexmo"));
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    // A stored placement must fit the part of the screen that windows may use.
    const QRect screenBounds = screen ? screen->availableGeometry() : QRect();
    const StoredPlacement placement = vexmo::ReadSettings(store, opt_, screenBounds);
    // Placements are the windows' client bounds. The desktop adds its frame only after a
    // window is mapped, so outer bounds could not be put back as they were: every start
    // would grow the windows by their frame and move them up by its title bar.
    if (placement.MainWnd) setGeometry(*placement.MainWnd);
    if (FrmVariables) {
        if (placement.VariablesVisible) FrmVariables->setVisible(*placement.VariablesVisible);
        if (placement.Variables) FrmVariables->setGeometry(*placement.Variables);
    }
    // Digits line up in a fixed-pitch font: the system's one until the user chose a font.
    if (opt_.FontStored)
        REdit1->setFont(EditorFontFrom(opt_, REdit1->font()));
    else
        REdit1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    documents_->SetRecentFiles(opt_.RecentFiles);
    documents_->SetLastFolder(opt_.LastFolder);
    actions_["AtnEditSendToClipboard"]->setChecked(opt_.OptAutomaticallyCopyState);
}

void TFrmMain::WriteSettings() {
    QSettings store(QStringLiteral("Dorv"), QStringLiteral("Vexmo"));
    opt_.RecallFileName = documents_->DocumentPath();
    opt_.RecentFiles = documents_->RecentFiles();
    opt_.LastFolder = documents_->LastFolder();
    if (TFrmVariables* variables = VariablesWindow())
        opt_.RecallVariablesFileName = variables->VariablesFile();
    StoreEditorFont(opt_, REdit1->font());
    WindowPlacement windows;
    windows.MainWnd = geometry();
    if (FrmVariables) {
        windows.Variables = FrmVariables->geometry();
        windows.VariablesVisible = FrmVariables->isVisible();
    }
    if (!vexmo::WriteSettings(store, opt_, windows))
        ShowError(QStringLiteral("The settings could not be written to \"%1\"")
                      .arg(store.fileName()));
}

// ---- documents ----

void TFrmMain::LoadStartupDocument() { documents_->LoadStartupDocument(arguments_); }

bool TFrmMain::CloseQuery() { return documents_->CloseQuery(); }

void TFrmMain::FileNew() { documents_->FileNew(); }

void TFrmMain::FileOpen() { documents_->FileOpen(); }

void TFrmMain::FileSave() { documents_->FileSave(); }

void TFrmMain::FileSaveAs() { documents_->FileSaveAs(); }

void TFrmMain::FileDropped(const QString& path) { documents_->FileDropped(path); }

// ---- variables ----

TFrmVariables* TFrmMain::VariablesWindow() const {
    return qobject_cast<TFrmVariables*>(FrmVariables.data());
}

void TFrmMain::TP1Substitute(const std::string& name, const std::string& value, int idx) {
    SubstituteNotice(VariablesWindow(), clipboard_, opt_, name, value, idx);
}

void TFrmMain::ReloadLastVariables() {
    TFrmVariables* variables = VariablesWindow();
    if (variables && opt_.OptRecallLastVariables)
        variables->ReloadVariables(opt_.RecallVariablesFileName);
}

void TFrmMain::ClearVariables() {
    if (TFrmVariables* variables = VariablesWindow()) variables->AtnFileClearVariablesExecute();
    live_->StoreChanged();
}

void TFrmMain::OpenVariables() {
    if (TFrmVariables* variables = VariablesWindow()) variables->AtnFileOpenVariablesExecute();
    live_->StoreChanged();
}

void TFrmMain::SaveVariablesAs() {
    if (TFrmVariables* variables = VariablesWindow()) variables->AtnFileSaveVariablesAsExecute();
}

void TFrmMain::ShowVariables(bool show) {
    if (FrmVariables) FrmVariables->setVisible(show);
}

// ---- options, registration, About ----

void TFrmMain::ShowOptions() {
    QFont editorFont = REdit1->font();
    if (ExecuteOptions(this, opt_, editorFont)) {
        ApplyInterfaceTexts();
        // Going over every line of a long document takes a while: only for a new font.
        if (editorFont != REdit1->font()) {
            REdit1->setFont(editorFont);
            REdit1->ApplyEditorFont();
        }
        ApplyWindowMode();
        // Text already in the pane keeps its colour; the expression colour becomes the
        // default text colour only at start-up.
        // System colours come from the desktop palette, not the pane's altered one.
        const EditorColors used = UsedEditorColors(opt_, QApplication::palette(REdit1));
        REdit1->SetColors(REdit1->ExpressionColor(), used.Arrow, used.Answer, used.Back);
        ApplySettingsToPane();
    }
    RefreshTitle();
}

void TFrmMain::RegisterFileType() { ExecuteRegisterCommand(this, opt_.Language); }

void TFrmMain::UnregisterFileType() { ExecuteUnregisterCommand(this, opt_.Language); }

void TFrmMain::ShowAbout() { ShowAboutBox(this); }

// ---- calculation ----

void TFrmMain::RefreshClip() {
    clipboard_.RefreshClip(store_, opt_.OptNumFormatArray, opt_.OptNumFormatComplex);
}

// The pane raises beforeCalculation, disableAllCommands and calculationFinished around each
// of these, which refresh _CLIP, the commands and the title.
void TFrmMain::CalculateCurrentLine() { REdit1->AtnVexmiCalculateExecute(); }

void TFrmMain::RemoveAnswers() { REdit1->AtnVexmiRemoveAnswersExecute(); }

void TFrmMain::CalculateAgain() {
    WithVariablesInBatches([this] { REdit1->AtnVexmiReCalcExecute(); });
}

void TFrmMain::CalculateBelow() {
    WithVariablesInBatches([this] { live_->CalculateBelow(); });
}

void TFrmMain::WithVariablesInBatches(const std::function<void()>& command) {
    // The Variables window is refreshed in batches while the run goes on, and once after it.
    TFrmVariables* variables = VariablesWindow();
    if (variables) variables->SetDeferred(true);
    command();
    if (variables && !REdit1->Busy()) variables->SetDeferred(false);
}

}  // namespace vexmo
