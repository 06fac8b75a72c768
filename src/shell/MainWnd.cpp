#include "shell/MainWnd.h"

#include "document/core/AnswerValue.h"
#include "document/gui/FindBar.h"
#include "document/gui/LiveFeatures.h"
#include "files/InterfaceTexts.h"
#include "files/NameMeanings.h"
#include "shell/ErrorBox.h"
#include "shell/HelpWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLibraryInfo>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QTextBlock>
#include <QTimer>
#include <QToolBar>
#include <QTranslator>
#include <QVBoxLayout>

namespace vexmo {

namespace {

constexpr int kSemiTransparentAlpha = 160;
constexpr QSize kDesignedSize(554, 416);
// The maker's home page is a build setting; builds without one hide the command.
#ifndef VEXMO_HOMEPAGE
#define VEXMO_HOMEPAGE ""
#endif

// The first local file of a drop, or empty.
QString FirstDroppedFile(const QMimeData* data) {
    if (!data || !data->hasUrls()) return {};
    const QList<QUrl> urls = data->urls();
    if (urls.isEmpty() || !urls.front().isLocalFile()) return {};
    return urls.front().toLocalFile();
}

}  // namespace

TFrmMain::TFrmMain(QStringList arguments, QWidget* parent)
    : QMainWindow(parent), arguments_(std::move(arguments)),
      helpFile_(QString::fromLatin1(HelpFileJapanese.data(), HelpFileJapanese.size())),
      urlOpener_([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
    FormCreate();
}

TFrmMain::~TFrmMain() {
    // The Variables window and other children go after this window's members; focus leaving
    // one of them must not run the idle update on a half-destroyed window.
    disconnect(qApp, nullptr, this, nullptr);
    disconnect(qApp, nullptr, live_, nullptr); // it reads the store, a member that goes first
    disconnect(QGuiApplication::clipboard(), nullptr, this, nullptr);
}

void TFrmMain::FormCreate() {
    setObjectName(QStringLiteral("FrmMain"));
    setWindowIcon(ProgramIcon());
    // A first start gets a window that fits the screen; a stored placement replaces it.
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(FirstWindowBounds(screen->availableGeometry()));
    else
        resize(kDesignedSize);

    // The pane: plain text, no wrap, both scroll bars; Return is the key map's business.
    REdit1 = new TEditPane(this);  // owned by the window
    REdit1->setObjectName(QStringLiteral("REdit1"));
    REdit1->setLineWrapMode(QPlainTextEdit::NoWrap);
    REdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    REdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    REdit1->clear();
    REdit1->document()->setModified(false);
    REdit1->SetEngine(&TP1);
    REdit1->SetVariables(&store_);
    REdit1->SetPasteCommand([this] { EditPaste(); });
    REdit1->installEventFilter(this);
    REdit1->viewport()->installEventFilter(this);
    // The pane above the find bar, which shows only while it is in use.
    auto* centre = new QWidget(this); // owned by the window
    auto* column = new QVBoxLayout(centre);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(REdit1, 1);
    findBar_ = new TFindBar(REdit1, centre);
    findBar_->hide();
    column->addWidget(findBar_);
    setCentralWidget(centre);
    live_ = new TLiveFeatures(REdit1, &store_);  // owned by the pane
    REdit1->setFocus();

    CreateToolBar();
    CreateMenus();
    CreatePopupMenu();
    CreateStatusBar();

    // Documents: the file commands, the discard question and the caption.
    documents_ = new TDocumentController(this, REdit1, opt_);  // owned by the window
    documents_->SetStatusPanels(statusPanels_[0], statusPanels_[1]);
    documents_->SetEncodingPanel(encodingPanel_);
    documents_->SetErrorHook([this](const QString& message) { ShowError(message); });

    idleTimer_ = new QTimer(this);  // owned by the window
    idleTimer_->setObjectName(QStringLiteral("idleUpdate"));
    idleTimer_->setSingleShot(true);
    idleTimer_->setInterval(0);
    connect(idleTimer_, &QTimer::timeout, this, &TFrmMain::UpdateActions);
    ConnectActions();
    CreateRunPanel();

    TP1.SetVariables(&store_);
    TP1.SetOnSubstitute([this](TCompTinyParser&, std::string& name, std::string& value,
                               int idx) { TP1Substitute(name, value, idx); });
    setAcceptDrops(true);

    // The Variables window: a top-level window of its own, owned by this one.
    auto* variables = new TFrmVariables(store_, this);
    variables->SetErrorHook([this](const QString& message) { ShowError(message); });
    connect(REdit1, &TCalcPane::variableChanged, variables, &TFrmVariables::ShowValue);
    SetVariablesWindow(variables);

    SetHomePage(QString::fromUtf8(VEXMO_HOMEPAGE));
    RefreshTitle();
    UpdateActions();
    // The rest waits until the Variables window exists too.
    QMetaObject::invokeMethod(this, &TFrmMain::DeferredStartup, Qt::QueuedConnection);
}

void TFrmMain::DeferredStartup() {
    ReadSettings();
    ApplyInterfaceTexts();
    ApplyWindowMode();
    ApplyEditorColors();
    ApplySettingsToPane();
    ReloadLastVariables();
    LoadStartupDocument();
    REdit1->document()->setModified(false);
    RefreshTitle();
    ScheduleUpdate();
    emit StartupFinished();
}

void TFrmMain::ConnectActions() {
    auto on = [this](std::string_view name, auto&& handler) {
        connect(actions_[name], &QAction::triggered, this, handler);
    };
    on("AtnFileNew", [this] { FileNew(); });
    on("AtnFileOpen", [this] { FileOpen(); });
    on("AtnFileSave", [this] { FileSave(); });
    on("AtnFileSaveAs", [this] { FileSaveAs(); });
    on("AtnFileReopenUtf8", [this] { documents_->ReopenWithEncoding(DocumentEncoding::Utf8); });
    on("AtnFileReopenShiftJis",
       [this] { documents_->ReopenWithEncoding(DocumentEncoding::ShiftJis); });
    on("AtnFileReopenWindows1252",
       [this] { documents_->ReopenWithEncoding(DocumentEncoding::Windows1252); });
    on("AtnFileClearVariables", [this] { ClearVariables(); });
    on("AtnFileOpenVariables", [this] { OpenVariables(); });
    on("AtnFileSaveVariablesAs", [this] { SaveVariablesAs(); });
    on("AtnFileExit", [this] { close(); });
    on("AtnEditUndo", [this] { EditUndo(); });
    on("AtnEditRedo", [this] { EditRedo(); });
    on("AtnEditCut", [this] { EditCut(); });
    on("AtnEditCopy", [this] { EditCopy(); });
    on("AtnEditPaste", [this] { EditPaste(); });
    on("AtnEditDelete", [this] { EditDelete(); });
    on("AtnEditSelectAll", [this] { EditSelectAll(); });
    on("AtnEditFind", [this] { findBar_->OpenFind(); });
    on("AtnEditReplace", [this] { findBar_->OpenReplace(); });
    on("AtnEditCopyAnswer", [this] { EditCopyAnswer(); });
    on("AtnEditSendToClipboard", [this](bool checked) {
        opt_.OptAutomaticallyCopyState = checked;
        REdit1->SetCopyAutomatically(checked);
    });
    on("AtnOptionShowVariables", [this](bool checked) { ShowVariables(checked); });
    on("AtnOptions", [this] { ShowOptions(); });
    on("AtnOptionsSimpleWindow", [this] {
        opt_.OptSimpleMode = !opt_.OptSimpleMode;
        ApplyWindowMode();
    });
    on("AtnOptionRegistry", [this] { RegisterFileType(); });
    on("AtnOptionDelRegistry", [this] { UnregisterFileType(); });
    on("AtnVexmiCalculate", [this] { CalculateCurrentLine(); });
    on("AtnVexmiRemoveAnswers", [this] { RemoveAnswers(); });
    on("AtnVexmiReCalc", [this] { CalculateAgain(); });
    on("AtnVexmiCalcBelow", [this] { CalculateBelow(); });
    on("AtnHelpIndex", [this] { HelpIndex(); });
    on("AtnHelpDorvHomepage", [this] { HelpHomepage(); });
    on("AtnHelpAbout", [this] { ShowAbout(); });
    for (QAction* action : actions_.All()) {
        if (CategoryOf(action) == ActionCategory::Insert)
            connect(action, &QAction::triggered, this, [this, action] { InsertCommand(action); });
        // A command may change anything an enabling rule looks at.
        connect(action, &QAction::triggered, this, &TFrmMain::ScheduleUpdate);
    }

    connect(REdit1, &TCalcPane::beforeCalculation, this, &TFrmMain::RefreshClip);
    connect(REdit1, &TCalcPane::disableAllCommands, this, &TFrmMain::DisableAllCommands);
    connect(REdit1, &TCalcPane::errorRaised, this, &TFrmMain::ShowError);
    connect(REdit1, &TCalcPane::calculationFinished, this, &TFrmMain::RefreshTitle);
    // The pane reports the modified state after a key; the panel says it in the language.
    connect(REdit1, &TCalcPane::statusText, this,
            [this] { statusPanels_[0]->setText(ModifiedStatusText(opt_.Language)); });
    // A notice is a sentence: it takes the whole status bar for a while.
    connect(REdit1, &TCalcPane::notice, this,
            [this](const QString& text) { statusBar()->showMessage(text, 15000); });

    connect(REdit1, &QPlainTextEdit::selectionChanged, this, &TFrmMain::ScheduleUpdate);
    connect(REdit1, &QPlainTextEdit::textChanged, this, &TFrmMain::ScheduleUpdate);
    connect(REdit1, &QPlainTextEdit::undoAvailable, this, &TFrmMain::ScheduleUpdate);
    connect(REdit1, &QPlainTextEdit::redoAvailable, this, &TFrmMain::ScheduleUpdate);
    connect(REdit1, &QPlainTextEdit::modificationChanged, this, &TFrmMain::ScheduleUpdate);
    // The caption's modified mark follows at once, whatever changed the document.
    connect(REdit1, &QPlainTextEdit::modificationChanged, this, &TFrmMain::RefreshTitle);
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &TFrmMain::ScheduleUpdate);
    connect(qApp, &QApplication::focusChanged, this, &TFrmMain::ScheduleUpdate);
    // The Variables window may have changed which names are stored.
    connect(qApp, &QApplication::focusChanged, live_, &TLiveFeatures::StoreChanged);
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            &TFrmMain::ApplicationStateChanged);
}

void TFrmMain::ScheduleUpdate() {
    if (!idleTimer_->isActive()) idleTimer_->start();
}

void TFrmMain::UpdateActions() {
    const QTextDocument* document = REdit1->document();
    const bool selection = REdit1->textCursor().hasSelection();
    const QMimeData* clip = QGuiApplication::clipboard()->mimeData();
    const bool clipText = clip && clip->hasText();
    const bool hasText = !document->isEmpty();
    if (REdit1->Busy()) {
        UpdateActionsDuringRun();
        return;
    }
    for (QAction* action : actions_.All()) {
        const QString& name = action->objectName();
        bool enabled = true;
        if (name == u"AtnFileSave")
            enabled = document->isModified();
        else if (name == u"AtnEditUndo")
            enabled = document->isUndoAvailable();
        else if (name == u"AtnEditRedo")
            enabled = document->isRedoAvailable();
        else if (name == u"AtnEditCut" || name == u"AtnEditCopy" || name == u"AtnEditDelete")
            enabled = selection;
        else if (name == u"AtnEditPaste")
            enabled = clipText;
        else if (name.startsWith(u"AtnFileReopen"))
            enabled = !documents_->DocumentPath().isEmpty();
        else if (name == u"AtnEditCopyAnswer")
            enabled = CurrentLineHasAnswer();
        else if (name == u"AtnVexmiRemoveAnswers" || name == u"AtnVexmiReCalc" ||
                 name == u"AtnVexmiCalcBelow")
            enabled = hasText;
        action->setEnabled(enabled);
    }
    // The reopen commands show the encoding the document is in.
    const DocumentEncoding encoding = documents_->Encoding();
    actions_["AtnFileReopenUtf8"]->setChecked(encoding == DocumentEncoding::Utf8 ||
                                              encoding == DocumentEncoding::Utf8Bom);
    actions_["AtnFileReopenShiftJis"]->setChecked(encoding == DocumentEncoding::ShiftJis);
    actions_["AtnFileReopenWindows1252"]->setChecked(encoding == DocumentEncoding::Windows1252);
    actions_["AtnOptionsSimpleWindow"]->setChecked(opt_.OptSimpleMode);
    actions_["AtnEditSendToClipboard"]->setChecked(opt_.OptAutomaticallyCopyState);
    actions_["AtnOptionShowVariables"]->setChecked(FrmVariables && FrmVariables->isVisible());
}

void TFrmMain::DisableAllCommands() {
    for (QAction* action : actions_.All()) action->setEnabled(false);
    // Show it now: the command that follows runs before the event loop paints again.
    if (toolBar_->isVisible()) toolBar_->repaint();
    if (menuBar()->isVisible()) menuBar()->repaint();
    ScheduleUpdate();
}

void TFrmMain::ApplyInterfaceTexts() {
    opt_.Language = ResolveLanguage(opt_.Language, SystemLocaleIsJapanese());
    const int language = opt_.Language;
    for (QAction* action : actions_.All())
        action->setText(CommandCaption(action->objectName().toStdString(), language));
    for (QAction* action : actions_.All())
        action->setToolTip(CommandHint(action->objectName().toStdString(), language));
    for (const MenuTexts& texts : MenuTextTable()) {
        const QString name = QString::fromLatin1(texts.Name.data(), texts.Name.size());
        if (QMenu* menu = findChild<QMenu*>(name)) menu->setTitle(MenuCaption(texts.Name, language));
    }
    if (FrmVariables) FrmVariables->setWindowTitle(VariablesWindowCaption(language));
    ApplyQtTexts(language);
    REdit1->SetLanguage(language);
    findBar_->SetLanguage(language);
    helpFile_ = HelpFilePath(QCoreApplication::applicationDirPath(), language);
    if (TFrmVariables* variables = VariablesWindow()) variables->SetLanguage(language);
    // An open manual follows the interface.
    if (helpWindow_ && helpWindow_->isVisible()) helpWindow_->ShowManual(language);
}

void TFrmMain::ApplyQtTexts(int language) {
    // Qt's standard buttons, file dialogs and pop-up menus follow the interface language.
    // Without the catalogue (Qt's translations not installed) they simply stay English.
    if (IsEnglish(language)) {
        if (qtTexts_) QCoreApplication::removeTranslator(qtTexts_);
        return;
    }
    if (!qtTexts_) {
        qtTexts_ = new QTranslator(this);  // owned by the window; removed when it goes
        if (!qtTexts_->load(QString::fromLatin1(QtJapaneseCatalogue.data(), QtJapaneseCatalogue.size()),
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            return;
    }
    if (!qtTexts_->isEmpty()) QCoreApplication::installTranslator(qtTexts_);
}

void TFrmMain::SetVariablesWindow(QWidget* window) {
    FrmVariables = window;
    if (FrmVariables) {
        FrmVariables->installEventFilter(this);
        if (opt_.Language != LanguageUnset)
            FrmVariables->setWindowTitle(VariablesWindowCaption(opt_.Language));
    }
    ScheduleUpdate();
}

void TFrmMain::ApplyWindowMode() {
    const bool simple = opt_.OptSimpleMode;
    Qt::WindowFlags flags = windowFlags() & ~Qt::WindowType_Mask;
    flags |= simple ? Qt::Tool : Qt::Window;
    flags.setFlag(Qt::WindowStaysOnTopHint, opt_.OptStayOnTop);
    if (flags != windowFlags()) {
        // Changing the flags re-creates the native window and hides it.
        const bool visible = isVisible();
        const QRect bounds = geometry();
        setWindowFlags(flags);
        setGeometry(bounds);
        if (visible) {
            // The new native window must take the keyboard back, or typing goes nowhere.
            show();
            raise();
            activateWindow();
        }
    }
    menuBar()->setVisible(!simple);
    toolBar_->setVisible(!simple);
    statusBar()->setVisible(!simple);
    actions_["AtnOptionsSimpleWindow"]->setChecked(simple);

    const bool inactive = QGuiApplication::applicationState() != Qt::ApplicationActive;
    SetTransparent(opt_.OptStayOnTop && opt_.OptSemiTransparent && inactive);
}

void TFrmMain::ApplicationStateChanged(Qt::ApplicationState state) {
    if (state == Qt::ApplicationActive) {
        if (opt_.OptSemiTransparent) SetTransparent(false);
    } else if (opt_.OptStayOnTop && opt_.OptSemiTransparent) {
        SetTransparent(true);
    }
    ScheduleUpdate();
}

void TFrmMain::SetTransparent(bool on) {
    transparent_ = on;
    setWindowOpacity(on ? kSemiTransparentAlpha / 255.0 : 1.0);
}

void TFrmMain::ApplyEditorColors() {
    const EditorColors used = UsedEditorColors(opt_, REdit1->palette());
    REdit1->SetColors(used.Expression, used.Arrow, used.Answer, used.Back);
    live_->RefreshColors();
}

void TFrmMain::ApplySettingsToPane() {
    REdit1->SetNumberFormat(opt_);
    REdit1->SetKeyMap(opt_.OptReturn, opt_.OptShiftReturn, opt_.OptCtrlReturn);
    REdit1->SetCopyAutomatically(opt_.OptAutomaticallyCopyState);
    REdit1->SetLanguage(opt_.Language);
    live_->Completion()->SetCatalogue(BuiltinCatalogue(opt_.Language),
                                      VariableMeaning(opt_.Language),
                                      UserFunctionMeaning(opt_.Language));
    live_->SetOptions(opt_.Editing);
    live_->RefreshColors();
    if (TFrmVariables* variables = VariablesWindow()) {
        variables->SetLanguage(opt_.Language);
        variables->SetEditorFont(REdit1->font());
    }
}

void TFrmMain::RefreshTitle() { documents_->RefreshTitle(); }

void TFrmMain::ShowError(const QString& message) { ShowErrorBox(this, message); }

void TFrmMain::closeEvent(QCloseEvent* event) {
    REdit1->CancelRun();
    if (!CloseQuery()) {
        event->ignore();
        return;
    }
    WriteSettings();
    event->accept();
    if (FrmVariables) FrmVariables->hide();
    emit Closed();
}

bool TFrmMain::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::ToolTip && !opt_.TipHint && qobject_cast<QWidget*>(watched) &&
        static_cast<QWidget*>(watched)->parentWidget() == toolBar_)
        return true;

    if (watched == REdit1 && type == QEvent::ShortcutOverride) {
        // The pane would take the edit keys for itself; the commands must see them so that
        // they run with their own rules (plain-text paste, title refresh).
        const auto* key = static_cast<QKeyEvent*>(event);
        const QKeySequence pressed(key->keyCombination());
        for (QAction* action : actions_.All())
            if (action->isEnabled() && action->shortcuts().contains(pressed))
                return true;  // left unaccepted: the shortcut fires
    }

    if (watched == REdit1->viewport() &&
        (type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop)) {
        auto* drop = static_cast<QDropEvent*>(event);
        const QString file = FirstDroppedFile(drop->mimeData());
        if (!file.isEmpty()) {
            drop->acceptProposedAction();
            if (type == QEvent::Drop) FileDropped(file);
            return true;
        }
    }

    if (watched == FrmVariables && (type == QEvent::Show || type == QEvent::Hide))
        ScheduleUpdate();
    return QMainWindow::eventFilter(watched, event);
}

void TFrmMain::dragEnterEvent(QDragEnterEvent* event) {
    if (!FirstDroppedFile(event->mimeData()).isEmpty()) event->acceptProposedAction();
}

void TFrmMain::dropEvent(QDropEvent* event) {
    const QString file = FirstDroppedFile(event->mimeData());
    if (file.isEmpty() || REdit1->Busy()) return;
    event->acceptProposedAction();
    FileDropped(file);
}

// ---- edit, insert and help commands ----

void TFrmMain::EditUndo() {
    REdit1->undo();
    RefreshTitle();
}

void TFrmMain::EditRedo() {
    REdit1->redo();
    RefreshTitle();
}

void TFrmMain::EditCut() {
    REdit1->cut();
    RefreshTitle();
}

void TFrmMain::EditCopy() { REdit1->copy(); }

void TFrmMain::EditPaste() {
    REdit1->paste();
    RefreshTitle();
}

void TFrmMain::EditDelete() {
    REdit1->DeleteSelection();
    RefreshTitle();
}

void TFrmMain::EditSelectAll() { REdit1->selectAll(); }

bool TFrmMain::CurrentLineHasAnswer() const {
    // The pane's own line rule, on the line as it stands: no copy of a long line per idle update.
    return REdit1->ProtectedStart(REdit1->textCursor().block()) >= 0;
}

void TFrmMain::EditCopyAnswer() {
    const std::string line = REdit1->textCursor().block().text().toStdString();
    const std::optional<DComplex> value = LineAnswerValue(line, store_, opt_);
    if (!value) {
        ShowError(IsEnglish(opt_.Language)
                      ? QStringLiteral("This line has no answer that can be copied.")
                      : QStringLiteral("この行にはコピーできる計算結果がありません"));
        return;
    }
    QGuiApplication::clipboard()->setText(
        QString::fromStdString(ClipboardNumberText(*value, opt_)));
}

void TFrmMain::InsertCommand(const QAction* action) {
    REdit1->InsertCommandText(action->objectName());
}

TFrmHelp* TFrmMain::HelpWindow() const { return helpWindow_.data(); }

void TFrmMain::HelpIndex() {
    if (!helpWindow_) {
        helpWindow_ = new TFrmHelp(this);  // owned by the window, shown as a window of its own
        helpWindow_->SetUrlOpener([this](const QUrl& url) { return urlOpener_(url); });
        helpWindow_->SetErrorHook([this](const QString& message) { ShowError(message); });
    }
    if (!helpWindow_->ShowManual(opt_.Language)) {
        ShowError(IsEnglish(opt_.Language)
                      ? QStringLiteral("The manual is missing from this program.")
                      : QStringLiteral("このプログラムにはマニュアルがありません"));
        return;
    }
    helpWindow_->show();
    helpWindow_->raise();
    helpWindow_->activateWindow();
}

void TFrmMain::SetHomePage(const QString& address) {
    homePage_ = address.trimmed();
    actions_["AtnHelpDorvHomepage"]->setVisible(!homePage_.isEmpty());
}

void TFrmMain::HelpHomepage() {
    if (!homePage_.isEmpty()) OpenUrl(QUrl(homePage_));
}

void TFrmMain::OpenUrl(const QUrl& url) {
    if (!urlOpener_(url))
        ShowError(IsEnglish(opt_.Language)
                      ? QStringLiteral("The desktop could not open %1.").arg(url.toDisplayString())
                      : QStringLiteral("%1 をデスクトップで開けませんでした").arg(url.toDisplayString()));
}

}  // namespace vexmo
