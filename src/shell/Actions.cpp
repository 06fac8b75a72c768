#include "shell/Actions.h"

#include <QFile>
#include <QImageReader>
#include <QWidget>

#include <algorithm>
#include <stdexcept>

// The images live in this static library; nothing else would pull them into the program.
static void InitShellResources() { Q_INIT_RESOURCE(icons); }

namespace vexmo {

namespace {

using C = ActionCategory;
constexpr QKeyCombination None{};

// clang-format off
const ActionEntry kActionEntries[] = {
    {"AtnFileNew",             C::File,   None,                              "document-new",       "new",            false},
    {"AtnFileOpen",            C::File,   QKeyCombination(Qt::Key_F3),       "document-open",      "open",           false},
    {"AtnFileSave",            C::File,   QKeyCombination(Qt::Key_F2),       "document-save",      "save",           false},
    {"AtnFileSaveAs",          C::File,   None,                              "document-save-as",   "save-as",        false},
    {"AtnFileReopenUtf8",      C::File,   None,                              "",                   "",               true},
    {"AtnFileReopenShiftJis",  C::File,   None,                              "",                   "",               true},
    {"AtnFileReopenWindows1252", C::File, None,                              "",                   "",               true},
    {"AtnFileClearVariables",  C::File,   None,                              "",                   "",               false},
    {"AtnFileOpenVariables",   C::File,   None,                              "",                   "",               false},
    {"AtnFileSaveVariablesAs", C::File,   None,                              "",                   "",               false},
    {"AtnFileExit",            C::File,   Qt::ALT | Qt::Key_X,               "application-exit",   "exit",           false},
    {"AtnEditUndo",            C::Edit,   Qt::ALT | Qt::Key_Backspace,       "edit-undo",          "undo",           false},
    {"AtnEditRedo",            C::Edit,   Qt::CTRL | Qt::Key_Y,              "edit-redo",          "redo",           false},
    {"AtnEditCut",             C::Edit,   Qt::SHIFT | Qt::Key_Delete,        "edit-cut",           "cut",            false},
    {"AtnEditCopy",            C::Edit,   Qt::CTRL | Qt::Key_Insert,         "edit-copy",          "copy",           false},
    {"AtnEditPaste",           C::Edit,   Qt::SHIFT | Qt::Key_Insert,        "edit-paste",         "paste",          false},
    {"AtnEditDelete",          C::Edit,   Qt::CTRL | Qt::Key_Delete,         "edit-delete",        "delete",         false},
    {"AtnEditSelectAll",       C::Edit,   None,                              "edit-select-all",    "select-all",     false},
    {"AtnEditSendToClipboard", C::Edit,   None,                              "",                   "copy-auto",      true},
    {"AtnEditFind",            C::Edit,   Qt::CTRL | Qt::Key_F,              "edit-find",          "",               false},
    {"AtnEditReplace",         C::Edit,   Qt::CTRL | Qt::Key_H,              "edit-find-replace",  "",               false},
    {"AtnEditCopyAnswer",      C::Edit,   Qt::CTRL | Qt::SHIFT | Qt::Key_C,  "",                   "",               false},
    {"AtnOptionShowVariables", C::Option, None,                              "",                   "variables",      true},
    {"AtnOptions",             C::Option, None,                              "preferences-system", "options",        false},
    {"AtnOptionsSimpleWindow", C::Option, None,                              "",                   "simple-window",  true},
    {"AtnOptionRegistry",      C::Option, None,                              "",                   "",               false},
    {"AtnOptionDelRegistry",   C::Option, None,                              "",                   "",               false},
    {"AtnVexmiCalculate",      C::Vexmi,  None,                              "",                   "calculate",      false},
    {"AtnVexmiRemoveAnswers",  C::Vexmi,  None,                              "",                   "remove-answers", false},
    {"AtnVexmiReCalc",         C::Vexmi,  None,                              "",                   "recalculate",    false},
    {"AtnVexmiCalcBelow",      C::Vexmi,  QKeyCombination(Qt::Key_F9),       "",                   "calc-below",     false},
    {"AtnHelpIndex",           C::Help,   None,                              "help-contents",      "help",           false},
    {"AtnHelpDorvHomepage",    C::Help,   None,                              "go-home",            "home",           false},
    {"AtnHelpAbout",           C::Help,   None,                              "help-about",         "about",          false},
    {"AtnInsertConstA0", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertConstC0", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertConstU0", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertConstE", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertConstE0", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertConstEU", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertConstFALSE", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertConstH", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertConstK", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertConstME", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertConstMP", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertConstMN", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertConstNA", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertConstPI", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertConstR", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertConstTRUE", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertConstUB", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertConstUE", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertConstUP", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertConstVM", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertConstRND", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncRADTODEG", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncDEGTORAD", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncTRUNC", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncCEIL", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncFLOOR", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncFRAC", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncROUND", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncABS", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncEXP", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncLN", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncLOG", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncSQRT", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncSIN", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncCOS", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncTAN", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncSINH", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncCOSH", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncTANH", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncARCSIN", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncARCCOS", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncARCTAN", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncARCSINH", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncARCCOSH", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncARCTANH", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncCAP", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncIND", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncACAP", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncAIND", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncDB", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncDB2", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncADB", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncADB2", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncSUM", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncMEAN", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncMAX", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncMIN", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncIF", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncANGLE", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncIM", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncRE", ActionCategory::Insert, {}, "", "", false},
    {"AtnInsertFuncCONJ", ActionCategory::Insert, {}, "", "", false},
};
// clang-format on

const std::string_view kInsertConst[] = {
    "AtnInsertConstA0",
    "AtnInsertConstC0",
    "AtnInsertConstU0",
    "AtnInsertConstE",
    "AtnInsertConstE0",
    "AtnInsertConstEU",
    "AtnInsertConstFALSE",
    "AtnInsertConstH",
    "AtnInsertConstK",
    "AtnInsertConstME",
    "AtnInsertConstMP",
    "AtnInsertConstMN",
    "AtnInsertConstNA",
    "AtnInsertConstPI",
    "AtnInsertConstR",
    "AtnInsertConstTRUE",
    "AtnInsertConstUB",
    "AtnInsertConstUE",
    "AtnInsertConstUP",
    "AtnInsertConstVM",
    "AtnInsertConstRND"
};

const std::string_view kInsertFunc[] = {
    "AtnInsertFuncRADTODEG",
    "AtnInsertFuncDEGTORAD",
    "AtnInsertFuncTRUNC",
    "AtnInsertFuncCEIL",
    "AtnInsertFuncFLOOR",
    "AtnInsertFuncFRAC",
    "AtnInsertFuncROUND",
    "AtnInsertFuncABS",
    "AtnInsertFuncEXP",
    "AtnInsertFuncLN",
    "AtnInsertFuncLOG",
    "AtnInsertFuncSQRT",
    "AtnInsertFuncSIN",
    "AtnInsertFuncCOS",
    "AtnInsertFuncTAN",
    "AtnInsertFuncSINH",
    "AtnInsertFuncCOSH",
    "AtnInsertFuncTANH",
    "AtnInsertFuncARCSIN",
    "AtnInsertFuncARCCOS",
    "AtnInsertFuncARCTAN",
    "AtnInsertFuncARCSINH",
    "AtnInsertFuncARCCOSH",
    "AtnInsertFuncARCTANH",
    "AtnInsertFuncCAP",
    "AtnInsertFuncIND",
    "AtnInsertFuncACAP",
    "AtnInsertFuncAIND",
    "AtnInsertFuncDB",
    "AtnInsertFuncDB2",
    "AtnInsertFuncADB",
    "AtnInsertFuncADB2",
    "AtnInsertFuncSUM",
    "AtnInsertFuncMEAN",
    "AtnInsertFuncMAX",
    "AtnInsertFuncMIN",
    "AtnInsertFuncIF",
    "AtnInsertFuncANGLE",
    "AtnInsertFuncIM",
    "AtnInsertFuncRE",
    "AtnInsertFuncCONJ"
};

QString FromView(std::string_view s) {
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

// Drawn images need Qt's SVG plug-in; without it the same drawings come as pre-rendered PNGs.
bool SvgAvailable() {
    static const bool available = QImageReader::supportedImageFormats().contains("svg");
    return available;
}

QIcon BundledIcon(std::string_view name) {
    static const bool resources = (InitShellResources(), true);
    Q_UNUSED(resources);
    const QString base = QStringLiteral(":/icons/") + FromView(name);
    if (SvgAvailable()) return QIcon(base + QStringLiteral(".svg"));
    QIcon icon;
    for (int size : {16, 24, 32, 48}) {
        const QString file = base + QStringLiteral("-%1.png").arg(size);
        if (QFile::exists(file)) icon.addFile(file, QSize(size, size));
    }
    return icon;
}

}  // namespace

std::span<const ActionEntry> ActionTable() { return kActionEntries; }
std::span<const std::string_view> InsertConstNames() { return kInsertConst; }
std::span<const std::string_view> InsertFuncNames() { return kInsertFunc; }

QString CategoryName(ActionCategory category) {
    switch (category) {
    case ActionCategory::File: return QStringLiteral("File");
    case ActionCategory::Edit: return QStringLiteral("Edit");
    case ActionCategory::Insert: return QStringLiteral("Insert");
    case ActionCategory::Option: return QStringLiteral("Option");
    case ActionCategory::Vexmi: return QStringLiteral("Vexmi");
    case ActionCategory::Help: return QStringLiteral("Help");
    }
    return {};
}

QIcon ActionIcon(std::string_view themeName, std::string_view bundledName) {
    if (bundledName.empty() && themeName.empty()) return {};
    QIcon fallback = bundledName.empty() ? QIcon() : BundledIcon(bundledName);
    if (themeName.empty()) return fallback;
    return QIcon::fromTheme(FromView(themeName), fallback);
}

QIcon ProgramIcon() { return BundledIcon("vexmo"); }

TActionList::TActionList(QWidget* owner) {
    actions_.reserve(std::size(kActionEntries));
    for (const ActionEntry& entry : kActionEntries) {
        auto* action = new QAction(owner);  // owned by `owner`
        action->setObjectName(FromView(entry.Name));
        action->setProperty("category", static_cast<int>(entry.Category));
        if (entry.Shortcut != None) action->setShortcut(QKeySequence(entry.Shortcut));
        // Redo answers to both conventions of Linux desktops.
        if (entry.Name == "AtnEditRedo")
            action->setShortcuts({QKeySequence(entry.Shortcut),
                                  QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
        // F1 opens the manual, as everywhere else.
        if (entry.Name == "AtnHelpIndex") action->setShortcut(QKeySequence(Qt::Key_F1));
        action->setCheckable(entry.Checkable);
        action->setIcon(ActionIcon(entry.ThemeIcon, entry.BundledIcon));
        // Menus show the images, except on toggles: many styles draw a checked item's image
        // in place of its check mark, which then cannot be seen at all.
        action->setIconVisibleInMenu(!entry.Checkable);
        owner->addAction(action);
        actions_.push_back(action);
    }
}

QAction* TActionList::Find(std::string_view name) const {
    const QString key = FromView(name);
    auto it = std::find_if(actions_.begin(), actions_.end(),
                           [&](const QAction* a) { return a->objectName() == key; });
    return it == actions_.end() ? nullptr : *it;
}

QAction* TActionList::operator[](std::string_view name) const {
    QAction* action = Find(name);
    if (!action) throw std::logic_error("unknown action " + std::string(name));
    return action;
}

ActionCategory CategoryOf(const QAction* action) {
    return static_cast<ActionCategory>(action->property("category").toInt());
}

}  // namespace vexmo
