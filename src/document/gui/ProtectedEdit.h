#pragma once
// A plain-text editor whose lines can end in a protected run. Which part of a line is
// protected follows from its text alone (ProtectedFrom), so no format, load or undo step
// has to carry it. Every edit the user makes (typing, deletion, cut, paste, drop, input
// method) goes through one place that announces, before the edit, when it touches
// protected text, and runs the change notice after it.

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCharFormat>

class QMimeData;

namespace vexmo {

class TProtectedEdit : public QPlainTextEdit {
    Q_OBJECT

  public:
    explicit TProtectedEdit(QWidget* parent = nullptr);

    // Whether the character at `position` (over the whole text, a line break counting as one
    // character) is protected. Line breaks and positions outside the text never are.
    bool IsProtected(int position) const;
    // Whether replacing [start, end) touches protected text. An empty range touches it when
    // it lies between two protected characters (typing inside a protected run).
    bool TouchesProtected(int start, int end) const;
    // Where the protected run of `block` starts (an offset in the line), or -1 when the
    // line has none; the run goes on to the end of the line.
    int ProtectedStart(const QTextBlock& block) const { return ProtectedFrom(block.text()); }
    // Number of characters of the whole text, line breaks included.
    int TextLength() const;
    // Whether a user's edit (typing, deletion, cut, paste, drop, input method) is under way.
    bool UserEditing() const { return userEditDepth_ > 0; }
    // Runs an edit that a tool beside the pane makes for the user (Find and Replace) as the
    // user's own: the same change notice and out-of-date marks as typing. The tool keeps it
    // off protected text itself.
    template <class Edit> void EditForUser(Edit&& edit) {
        UserEdit(0, 0, [&] {
            edit();
            return true;
        });
    }

    // The pane's default text colour, which unpainted text shows.
    void SetExpressionColor(const QColor& color);
    QColor ExpressionColor() const;
    // `format` without weight and colour of its own: what the user types.
    static QTextCharFormat PlainFormat(QTextCharFormat format);
    // PlainFormat(format) == format, without making a format.
    static bool IsPlainFormat(const QTextCharFormat& format);

  public slots:
    // Guarded versions of the editor's own commands (they hide the base-class slots).
    void cut();
    void paste();
    void DeleteSelection();
    // Replaces the selection with `text` as a user change, in the insertion-point format.
    void InsertText(const QString& text);

  signals:
    // After every change of the text, by the user or the program.
    void documentChanged();

  protected:
    // The offset in `line` where its protected run starts, or -1; none by default.
    virtual int ProtectedFrom(const QString& line) const;
    // Notice before a user edit touches protected characters in [start, end).
    virtual void ProtectChange(int start, int end);
    // Notice after a user edit changed the text.
    virtual void Change();
    // Called after every user edit, whether or not it changed the text.
    virtual void EndUserEdit();

    // Runs `edit` as one user change of [start, end): the protection notice first when the
    // range touches protected text, the change notice after when the text changed. `edit`
    // returns whether it changed the text (document signals may be deferred by an edit
    // block that is open around us, so they cannot tell).
    template <class Edit> void UserEdit(int start, int end, Edit&& edit);
    // Program-made changes are wrapped in this so that they emit documentChanged() once.
    void BeginProgramChange();
    void EndProgramChange();

    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
    void dropEvent(QDropEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

    // Replaces the cursor's selection with plain text as the user would, in the
    // insertion-point format. Line breaks of any kind become line breaks of the pane.
    void InsertPlainText(QTextCursor& cursor, const QString& text);

  private:
    void OnContentsChanged();
    // The range a key press would change, or false when the key does not edit.
    bool EditRangeOfKey(QKeyEvent* event, int& start, int& end) const;

    int userEditDepth_ = 0;
    int programDepth_ = 0;
    bool programChanged_ = false;
    // The left button went down inside a selection with protected text in it.
    bool dragsProtected_ = false;
    // A drag of such a selection may be starting: the editor is not editable meanwhile.
    bool dragCopyOnly_ = false;
};

template <class Edit> void TProtectedEdit::UserEdit(int start, int end, Edit&& edit) {
    if (userEditDepth_ > 0) {
        edit();
        return;
    }
    if (TouchesProtected(start, end))
        ProtectChange(start, end);
    ++userEditDepth_;
    const bool changed = edit();
    if (changed)
        Change();
    EndUserEdit();
    --userEditDepth_;
    if (changed)
        emit documentChanged();
}

} // namespace vexmo
