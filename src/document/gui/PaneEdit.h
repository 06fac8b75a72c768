#pragma once
// The scope of a change the program makes to the pane's document (for the pane and its
// long work only).

#include "document/gui/CalcPane.h"

#include <QTextCursor>
#include <QTextDocument>

namespace vexmo {

// The protection handling ignores the change, and the change is one step of the undo
// history: with `joinPrevious` it joins the step of the edit before it (the slices of one
// run). Loading leaves the modified flag as it was; it runs with undo off.
class TCalcPane::ProgramEdit {
  public:
    enum Kind { ChangesText, Loads };

    ProgramEdit(TCalcPane& pane, Kind kind, bool joinPrevious = false)
        : pane_(pane), kind_(kind), modified_(pane.document()->isModified()) {
        ++pane_.internalChange_;
        pane_.BeginProgramChange();
        cursor_ = QTextCursor(pane_.document());
        if (joinPrevious)
            cursor_.joinPreviousEditBlock();
        else
            cursor_.beginEditBlock();
    }
    ~ProgramEdit() {
        cursor_.endEditBlock();
        if (kind_ == Loads)
            pane_.document()->setModified(modified_);
        else if (textChanged_)
            pane_.document()->setModified(true);
        --pane_.internalChange_;
        pane_.EndProgramChange();
    }
    ProgramEdit(const ProgramEdit&) = delete;
    ProgramEdit& operator=(const ProgramEdit&) = delete;

    QTextCursor& Cursor() { return cursor_; }
    void TextChanged() { textChanged_ = true; }

  private:
    TCalcPane& pane_;
    Kind kind_;
    bool modified_;
    bool textChanged_ = false;
    QTextCursor cursor_;
};

} // namespace vexmo
