// The main window's menus, pop-up menu, tool bar and status bar, built from its actions.

#include "files/InterfaceTexts.h"
#include "files/RecentDocuments.h"
#include "shell/MainWnd.h"

#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

namespace vexmo {

namespace {

// An empty name stands for a separator.
using Items = std::initializer_list<std::string_view>;

QMenu* AddMenu(QWidget* parent, QMenuBar* bar, QMenu* parentMenu, const char* objectName) {
    auto* menu = new QMenu(parent);  // owned by `parent`
    menu->setObjectName(QString::fromLatin1(objectName));
    if (bar) bar->addMenu(menu);
    if (parentMenu) parentMenu->addMenu(menu);
    return menu;
}

}  // namespace

void TFrmMain::CreateMenus() {
    auto fill = [this](QMenu* menu, Items items) {
        for (std::string_view name : items) {
            if (name.empty())
                menu->addSeparator();
            else
                menu->addAction(actions_[name]);
        }
    };
    auto fillInsert = [this](QMenu* menu, std::string_view prefix,
                             std::initializer_list<std::string_view> names) {
        for (std::string_view name : names)
            menu->addAction(actions_[std::string(prefix) + std::string(name)]);
    };

    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));

    QMenu* file = AddMenu(this, bar, nullptr, "File1");
    fill(file, {"AtnFileNew", "AtnFileOpen"});
    recentMenu_ = AddMenu(this, nullptr, file, "RecentDocuments1");
    connect(recentMenu_, &QMenu::aboutToShow, this, &TFrmMain::FillRecentMenu);
    fill(file, {"AtnFileSave", "AtnFileSaveAs"});
    fill(AddMenu(this, nullptr, file, "ReopenEncoding1"),
         {"AtnFileReopenUtf8", "AtnFileReopenShiftJis", "AtnFileReopenWindows1252"});
    fill(file, {"", "AtnFileClearVariables", "AtnFileOpenVariables", "AtnFileSaveVariablesAs", "",
                "AtnFileExit"});

    QMenu* edit = AddMenu(this, bar, nullptr, "Edit1");
    fill(edit, {"AtnEditUndo", "AtnEditRedo", "", "AtnEditCut", "AtnEditCopy", "AtnEditPaste", "AtnEditDelete",
                "AtnEditSelectAll", "", "AtnEditCopyAnswer", "AtnEditSendToClipboard", "",
                "AtnEditFind", "AtnEditReplace"});

    QMenu* insert = AddMenu(this, bar, nullptr, "Insert1");
    QMenu* constants = AddMenu(this, nullptr, insert, "Constants1");
    fillInsert(constants, "AtnInsertConst",
               {"A0", "C0", "E",  "E0",  "EU", "FALSE", "H",  "K",  "ME", "MN", "MP",
                "NA", "PI", "R", "RND", "TRUE", "U0",   "UB", "UE", "UP", "VM"});
    QMenu* functions = AddMenu(this, nullptr, insert, "Function1");
    fillInsert(AddMenu(this, nullptr, functions, "Electronics1"), "AtnInsertFunc",
               {"CAP", "IND", "ACAP", "AIND"});
    fillInsert(AddMenu(this, nullptr, functions, "Trigonometrical1"), "AtnInsertFunc",
               {"COS", "SIN", "TAN", "COSH", "SINH", "TANH", "ARCCOS", "ARCSIN", "ARCTAN",
                "ARCCOSH", "ARCSINH", "ARCTANH"});
    fillInsert(AddMenu(this, nullptr, functions, "Conversion1"), "AtnInsertFunc",
               {"DB", "DB2", "ADB", "ADB2", "DEGTORAD", "RADTODEG"});
    fillInsert(AddMenu(this, nullptr, functions, "ExponentandLogarithmic1"), "AtnInsertFunc",
               {"EXP", "LN", "LOG", "SQRT"});
    fillInsert(AddMenu(this, nullptr, functions, "Statistics1"), "AtnInsertFunc",
               {"CEIL", "FLOOR", "FRAC", "MAX", "MEAN", "MIN", "ROUND", "SUM", "TRUNC"});
    fillInsert(AddMenu(this, nullptr, functions, "Miscellenious1"), "AtnInsertFunc",
               {"IF", "ABS"});
    QMenu* complex = AddMenu(this, nullptr, functions, "Complex1");
    complex->setTitle(QString::fromUtf8(ComplexMenuCaption.data(), ComplexMenuCaption.size()));
    fillInsert(complex, "AtnInsertFunc", {"ANGLE", "CONJ", "RE", "IM"});

    QMenu* vexmo = AddMenu(this, bar, nullptr, "Vexmo1");
    vexmo->setTitle(QString::fromUtf8(VexmoMenuCaption.data(), VexmoMenuCaption.size()));
    fill(vexmo, {"AtnVexmiCalculate", "AtnVexmiRemoveAnswers", "", "AtnVexmiReCalc",
                 "AtnVexmiCalcBelow"});

    QMenu* options = AddMenu(this, bar, nullptr, "Options1");
    fill(options, {"AtnOptionShowVariables", "", "AtnOptions", "AtnOptionsSimpleWindow", "",
                   "AtnOptionRegistry", "AtnOptionDelRegistry"});

    QMenu* help = AddMenu(this, bar, nullptr, "Help1");
    fill(help, {"AtnHelpIndex", "AtnHelpDorvHomepage", "", "AtnHelpAbout"});

    // Enabled states must be current when a menu opens, even before the idle update ran.
    for (QMenu* menu : findChildren<QMenu*>())
        connect(menu, &QMenu::aboutToShow, this, &TFrmMain::UpdateActions);
}

void TFrmMain::FillRecentMenu() {
    recentMenu_->clear();
    const QStringList& files = documents_->RecentFiles();
    if (files.isEmpty()) {
        recentMenu_->addAction(NoRecentDocumentsText(opt_.Language))->setEnabled(false);
        return;
    }
    for (int i = 0; i < files.size(); ++i) {
        const QString path = files[i];
        QAction* entry = recentMenu_->addAction(RecentEntryCaption(i, path));
        entry->setEnabled(!REdit1->Busy());
        connect(entry, &QAction::triggered, this, [this, path] {
            documents_->OpenRecent(path);
            ScheduleUpdate();
        });
    }
}

void TFrmMain::CreatePopupMenu() {
    popupMenu_ = AddMenu(this, nullptr, nullptr, "PopupMenu1");
    for (std::string_view name : {"AtnEditCut", "AtnEditCopy", "AtnEditPaste", "",
                                  "AtnVexmiReCalc", "AtnVexmiRemoveAnswers", "", "AtnOptions",
                                  "AtnOptionsSimpleWindow", ""}) {
        if (name.empty())
            popupMenu_->addSeparator();
        else
            popupMenu_->addAction(actions_[name]);
    }
    QMenu* file = AddMenu(this, nullptr, popupMenu_, "File2");
    file->setTitle(QString::fromUtf8(PopupFileMenuCaption.data(), PopupFileMenuCaption.size()));
    for (std::string_view name :
         {"AtnFileNew", "AtnFileOpen", "AtnFileSave", "AtnFileSaveAs", "", "AtnFileExit"}) {
        if (name.empty())
            file->addSeparator();
        else
            file->addAction(actions_[name]);
    }
    connect(popupMenu_, &QMenu::aboutToShow, this, &TFrmMain::UpdateActions);
    connect(file, &QMenu::aboutToShow, this, &TFrmMain::UpdateActions);

    REdit1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(REdit1, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        popupMenu_->popup(REdit1->viewport()->mapToGlobal(pos));
    });
}

void TFrmMain::CreateToolBar() {
    toolBar_ = new QToolBar(this);  // owned by the window
    toolBar_->setObjectName(QStringLiteral("ToolBar1"));
    toolBar_->setMovable(false);
    toolBar_->setFloatable(false);
    toolBar_->setIconSize(QSize(16, 16));
    toolBar_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    toolBar_->setContextMenuPolicy(Qt::PreventContextMenu);
    toolBar_->toggleViewAction()->setVisible(false);
    addToolBar(Qt::TopToolBarArea, toolBar_);

    for (std::string_view name :
         {"AtnFileNew", "AtnFileOpen", "AtnFileSave", "", "AtnEditCut", "AtnEditCopy",
          "AtnEditPaste", "AtnEditUndo", "AtnEditSendToClipboard", "", "AtnVexmiCalculate",
          "AtnVexmiRemoveAnswers", "AtnVexmiReCalc", "AtnVexmiCalcBelow", "",
          "AtnOptionShowVariables", "AtnOptions",
          "AtnOptionsSimpleWindow", "", "AtnHelpIndex", "AtnHelpDorvHomepage", "AtnHelpAbout", "",
          "AtnFileExit"}) {
        if (name.empty()) {
            toolBar_->addSeparator();
            continue;
        }
        QAction* action = actions_[name];
        toolBar_->addAction(action);
        // Hints are shown only while the show-hints setting is on.
        if (QWidget* button = toolBar_->widgetForAction(action)) {
            button->setObjectName(action->objectName() + QStringLiteral("Button"));
            button->installEventFilter(this);
        }
    }
}

void TFrmMain::CreateStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(true);
    const int widths[2] = {120, 50};
    for (int i = 0; i < 2; ++i) {
        auto* panel = new QLabel(bar);  // owned by the status bar
        panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i + 1));
        panel->setFixedWidth(widths[i]);
        panel->setContentsMargins(4, 0, 4, 0);
        panel->setFrameShape(QFrame::StyledPanel);
        panel->setFrameShadow(QFrame::Sunken);
        bar->addWidget(panel);
        statusPanels_[i] = panel;
    }
    // The document's encoding, at the right end.
    encodingPanel_ = new QLabel(bar);  // owned by the status bar
    encodingPanel_->setObjectName(QStringLiteral("EncodingPanel"));
    encodingPanel_->setContentsMargins(4, 0, 4, 0);
    bar->addPermanentWidget(encodingPanel_);
}

QLabel* TFrmMain::StatusPanel(int index) const {
    return index >= 0 && index < 2 ? statusPanels_[index] : nullptr;
}

}  // namespace vexmo
