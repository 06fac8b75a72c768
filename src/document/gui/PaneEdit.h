#pragma once
// The scope of a change the program makes to the pane's document (for the pane and its
// long work only).

#include "document/gui/CalcPane.h"

#include <QTextCursor>
#include <QTextDocument>

namespace vexmo {

// The protection handling ignores the change and it never reaches the undo stack:
// switching undo off also clears the stack, so Undo cannot reach back across a
// calculation. Painting alone leaves the modified flag as it was.
class TCalcPane::ProgramEdit {
  public:
    enum Kind { ChangesText, PaintsOnly };

    ProgramEdit(TCalcPane& pane, Kind kind)
        : pane_(pane), kind_(kind), modified_(pane.document()->isModified()) {
        if (pane_.internalChange_++ == 0)
            pane_.document()->setUndoRedoEnabled(false);
        pane_.BeginProgramChange();
        cursor_ = QTextCursor(pane_.document());
        cursor_.beginEditBlock();
    }
    ~ProgramEdit() {
        cursor_.endEditBlock();
        if (kind_ == PaintsOnly)
            pane_.document()->setModified(modified_);
        else if (textChanged_)
            pane_.document()->setModified(true);
        if (--pane_.internalChange_ == 0)
            pane_.document()->setUndoRedoEnabled(true);
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
