#pragma once
// Every command of the main window as a QAction, created in one place and keyed by its
// name (AtnFileSave, AtnInsertFuncSIN ...), with its category, shortcut and image. The
// captions and hints come from the interface texts and are set per language.

#include <QAction>
#include <QIcon>
#include <QKeySequence>
#include <QString>

#include <span>
#include <string_view>
#include <vector>

class QWidget;

namespace vexmo {

enum class ActionCategory { File, Edit, Insert, Option, Vexmi, Help };

struct ActionEntry {
    std::string_view Name;
    ActionCategory Category;
    QKeyCombination Shortcut;      // empty combination: none
    std::string_view ThemeIcon;    // desktop theme name, empty: the bundled image only
    std::string_view BundledIcon;  // image in the resources, empty: no image
    bool Checkable;
};

// The commands in table order, followed by the 21 constant and 41 function insert commands.
std::span<const ActionEntry> ActionTable();
// The insert commands' names in their given order.
std::span<const std::string_view> InsertConstNames();
std::span<const std::string_view> InsertFuncNames();

QString CategoryName(ActionCategory category);

// The theme image when the desktop has one, else our own drawing.
QIcon ActionIcon(std::string_view themeName, std::string_view bundledName);
// The program's own window icon.
QIcon ProgramIcon();

class TActionList {
  public:
    // The actions are children of `owner` and added to it, so their shortcuts work while
    // any of its widgets has the focus.
    explicit TActionList(QWidget* owner);

    // nullptr for an unknown name.
    QAction* Find(std::string_view name) const;
    // For names that must exist; an unknown name is a programming error.
    QAction* operator[](std::string_view name) const;
    const std::vector<QAction*>& All() const { return actions_; }

  private:
    std::vector<QAction*> actions_;
};

// The category stored on an action by TActionList.
ActionCategory CategoryOf(const QAction* action);

}  // namespace vexmo
