#include "document/gui/ProtectedEdit.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QTextBlock>
#include <QTextDocument>
#include <algorithm>

namespace vexmo {

TProtectedEdit::TProtectedEdit(QWidget* parent)
    : QPlainTextEdit(parent) {
    setLineWrapMode(QPlainTextEdit::NoWrap);
    connect(document(), &QTextDocument::contentsChanged, this, &TProtectedEdit::OnContentsChanged);
}

bool TProtectedEdit::IsProtected(int position) const {
    if (position < 0)
        return false;
    const QTextBlock block = document()->findBlock(position);
    if (!block.isValid() || position >= block.position() + block.length() - 1)
        return false; // outside the text, or the line break
    const int from = ProtectedStart(block);
    return from >= 0 && position - block.position() >= from;
}

bool TProtectedEdit::TouchesProtected(int start, int end) const {
    if (start >= end) {
        // Inside a run: the characters on both sides are protected (the line read once).
        const QTextBlock block = document()->findBlock(start);
        if (!block.isValid() || start <= block.position() ||
            start >= block.position() + block.length() - 1)
            return false;
        const int from = ProtectedStart(block);
        return from >= 0 && start - 1 - block.position() >= from;
    }
    // Line by line, so a large selection costs its own length only.
    for (QTextBlock block = document()->findBlock(start);
         block.isValid() && block.position() < end; block = block.next()) {
        const int from = ProtectedStart(block);
        if (from < 0)
            continue;
        const int runStart = block.position() + from;
        const int runEnd = block.position() + block.length() - 1;
        if (std::max(start, runStart) < std::min(end, runEnd))
            return true;
    }
    return false;
}

int TProtectedEdit::TextLength() const {
    return document()->characterCount() - 1; // without the document's closing separator
}

void TProtectedEdit::SetExpressionColor(const QColor& color) {
    QPalette colors = palette();
    colors.setColor(QPalette::Text, color);
    setPalette(colors);
}

QColor TProtectedEdit::ExpressionColor() const {
    return palette().color(QPalette::Text);
}

QTextCharFormat TProtectedEdit::PlainFormat(QTextCharFormat format) {
    format.clearProperty(QTextFormat::FontWeight);
    format.clearForeground();
    return format;
}

bool TProtectedEdit::IsPlainFormat(const QTextCharFormat& format) {
    return !format.hasProperty(QTextFormat::FontWeight) &&
           !format.hasProperty(QTextFormat::ForegroundBrush);
}

int TProtectedEdit::ProtectedFrom(const QString&) const {
    return -1;
}

void TProtectedEdit::ProtectChange(int, int) {}

void TProtectedEdit::Change() {}

void TProtectedEdit::EndUserEdit() {}

void TProtectedEdit::BeginProgramChange() {
    if (programDepth_++ == 0)
        programChanged_ = false;
}

void TProtectedEdit::EndProgramChange() {
    if (--programDepth_ == 0 && programChanged_) {
        programChanged_ = false;
        emit documentChanged();
    }
}

void TProtectedEdit::OnContentsChanged() {
    if (programDepth_ > 0)
        programChanged_ = true;
    else if (userEditDepth_ == 0)
        emit documentChanged(); // undo, redo
}

void TProtectedEdit::InsertPlainText(QTextCursor& cursor, const QString& text) {
    QString plain = text;
    plain.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    plain.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    plain.replace(QChar::LineSeparator, QLatin1Char('\n'));
    plain.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    cursor.insertText(plain, PlainFormat(cursor.charFormat()));
    cursor.endEditBlock();
}

void TProtectedEdit::InsertText(const QString& text) {
    QTextCursor cursor = textCursor();
    UserEdit(cursor.selectionStart(), cursor.selectionEnd(), [&] {
        const bool changed = cursor.hasSelection() || !text.isEmpty();
        InsertPlainText(cursor, text);
        setTextCursor(cursor);
        return changed;
    });
    ensureCursorVisible();
}

void TProtectedEdit::DeleteSelection() {
    QTextCursor cursor = textCursor();
    if (!cursor.hasSelection())
        return;
    UserEdit(cursor.selectionStart(), cursor.selectionEnd(), [&] {
        cursor.removeSelectedText();
        setTextCursor(cursor);
        return true;
    });
}

void TProtectedEdit::cut() {
    if (!textCursor().hasSelection() || isReadOnly())
        return;
    copy();
    DeleteSelection();
}

void TProtectedEdit::paste() {
    if (isReadOnly())
        return;
    const QMimeData* source = QApplication::clipboard()->mimeData();
    if (source && canInsertFromMimeData(source))
        insertFromMimeData(source);
}

bool TProtectedEdit::canInsertFromMimeData(const QMimeData* source) const {
    return source->hasText();
}

void TProtectedEdit::insertFromMimeData(const QMimeData* source) {
    // Only plain text ever enters the pane.
    if (source->hasText())
        InsertText(source->text());
}

void TProtectedEdit::dropEvent(QDropEvent* event) {
    // Moving a selection inside the pane removes it before the drop is inserted, beyond the
    // reach of the notice; a move that would take protected text along becomes a copy.
    if (event->source() == this || event->source() == viewport()) {
        const QTextCursor cursor = textCursor();
        if (TouchesProtected(cursor.selectionStart(), cursor.selectionEnd()))
            event->setDropAction(Qt::CopyAction);
    }
    QPlainTextEdit::dropEvent(event);
}

void TProtectedEdit::mousePressEvent(QMouseEvent* event) {
    // Pressed on the selection (its ends included, as the editor has it), the left button
    // drags it once the mouse moves.
    const QTextCursor cursor = textCursor();
    dragsProtected_ = false;
    if (event->button() == Qt::LeftButton && cursor.hasSelection()) {
        const int at = cursorForPosition(event->position().toPoint()).position();
        dragsProtected_ = at >= cursor.selectionStart() && at <= cursor.selectionEnd() &&
                          TouchesProtected(cursor.selectionStart(), cursor.selectionEnd());
    }
    QPlainTextEdit::mousePressEvent(event);
}

void TProtectedEdit::mouseMoveEvent(QMouseEvent* event) {
    // A selection dragged to another program and moved there is removed from the pane
    // after the drop, beyond the reach of the notice. One that takes protected text along is
    // offered for copying only: the editor offers a move only while it is editable.
    if (!dragsProtected_ || !(event->buttons() & Qt::LeftButton) || isReadOnly()) {
        QPlainTextEdit::mouseMoveEvent(event);
        return;
    }
    const Qt::TextInteractionFlags flags = textInteractionFlags();
    dragCopyOnly_ = true;
    setTextInteractionFlags(flags & ~Qt::TextEditable);
    QPlainTextEdit::mouseMoveEvent(event);
    if (dragCopyOnly_) {
        dragCopyOnly_ = false;
        setTextInteractionFlags(flags);
    }
}

void TProtectedEdit::dragEnterEvent(QDragEnterEvent* event) {
    // Our own drag has begun with its actions settled: a copy may still be dropped here.
    if (dragCopyOnly_) {
        dragCopyOnly_ = false;
        setTextInteractionFlags(textInteractionFlags() | Qt::TextEditable);
    }
    QPlainTextEdit::dragEnterEvent(event);
}

bool TProtectedEdit::EditRangeOfKey(QKeyEvent* event, int& start, int& end) const {
    QTextCursor cursor = textCursor();
    const bool selection = cursor.hasSelection();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    QTextCursor::MoveOperation move = QTextCursor::NoMove;
    if (event->key() == Qt::Key_Backspace && !(modifiers & ~(Qt::ShiftModifier | Qt::KeypadModifier)))
        move = QTextCursor::PreviousCharacter;
    else if (event == QKeySequence::Delete)
        move = QTextCursor::NextCharacter;
    else if (event == QKeySequence::DeleteStartOfWord)
        move = QTextCursor::PreviousWord;
    else if (event == QKeySequence::DeleteEndOfWord)
        move = QTextCursor::NextWord;
    else if (event == QKeySequence::DeleteEndOfLine)
        move = QTextCursor::EndOfBlock;
    else if (event == QKeySequence::DeleteCompleteLine)
        move = QTextCursor::StartOfBlock;
    else
        return false;
    if (!selection) {
        if (move == QTextCursor::PreviousCharacter) {
            // One code point back (a surrogate pair counts as one), as the editor itself does.
            const int position = cursor.position();
            if (position == 0)
                return false;
            int back = position - 1;
            if (back > 0 && document()->characterAt(back).isLowSurrogate() &&
                document()->characterAt(back - 1).isHighSurrogate())
                --back;
            cursor.setPosition(back, QTextCursor::KeepAnchor);
        } else if (move == QTextCursor::StartOfBlock) {
            cursor.movePosition(QTextCursor::StartOfBlock);
            cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        } else if (move == QTextCursor::EndOfBlock && cursor.atBlockEnd()) {
            cursor.movePosition(QTextCursor::NextCharacter, QTextCursor::KeepAnchor);
        } else {
            cursor.movePosition(move, QTextCursor::KeepAnchor);
        }
    }
    start = cursor.selectionStart();
    end = cursor.selectionEnd();
    return true;
}

void TProtectedEdit::keyPressEvent(QKeyEvent* event) {
    if (isReadOnly()) {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    if (event == QKeySequence::Cut) {
        cut();
        event->accept();
        return;
    }
    if (event == QKeySequence::Paste) {
        paste();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // A plain line break, never the editor's in-line separator.
        event->accept();
        InsertText(QStringLiteral("\n"));
        return;
    }
    int start = 0;
    int end = 0;
    if (EditRangeOfKey(event, start, end)) {
        event->accept();
        if (start == end)
            return;
        UserEdit(start, end, [&] {
            QTextCursor cursor = textCursor();
            cursor.setPosition(start);
            cursor.setPosition(end, QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
            setTextCursor(cursor);
            return true;
        });
        ensureCursorVisible();
        return;
    }
    const QString text = event->text();
    const bool control = (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) == Qt::ControlModifier;
    if (!text.isEmpty() && !control && (text.at(0).isPrint() || text.at(0) == QLatin1Char('\t'))) {
        QTextCursor cursor = textCursor();
        const int from = cursor.selectionStart();
        const int to = cursor.selectionEnd();
        if (!cursor.hasSelection() && IsPlainFormat(cursor.charFormat()) &&
            !TouchesProtected(from, to)) {
            // The editor's own typing keeps its undo merging of consecutive characters.
            UserEdit(from, to, [&] {
                QPlainTextEdit::keyPressEvent(event);
                return true;
            });
            return;
        }
        event->accept();
        UserEdit(from, to, [&] {
            InsertPlainText(cursor, text);
            setTextCursor(cursor);
            return true;
        });
        ensureCursorVisible();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TProtectedEdit::inputMethodEvent(QInputMethodEvent* event) {
    if (isReadOnly()) {
        event->ignore(); // the editor's own handling would still commit the text
        return;
    }
    if (event->commitString().isEmpty() && event->replacementLength() == 0) {
        QPlainTextEdit::inputMethodEvent(event); // pre-edit text is not part of the document
        return;
    }
    QTextCursor cursor = textCursor();
    int from = cursor.selectionStart();
    int to = cursor.selectionEnd();
    if (!cursor.hasSelection() && event->replacementLength() > 0) {
        from = std::max(0, cursor.position() + event->replacementStart());
        to = std::min(TextLength(), from + event->replacementLength());
    }
    UserEdit(from, to, [&] {
        // The replaced text goes first, so that the commit string takes the format of what
        // is left before it, made plain, rather than that of the replaced text.
        QTextCursor current = textCursor();
        current.setPosition(from);
        current.setPosition(to, QTextCursor::KeepAnchor);
        if (current.hasSelection()) {
            current.removeSelectedText();
            setTextCursor(current);
        }
        const QTextCharFormat format = current.charFormat();
        if (!IsPlainFormat(format))
            setCurrentCharFormat(PlainFormat(format));
        if (event->replacementLength() == 0) {
            QPlainTextEdit::inputMethodEvent(event);
        } else {
            QInputMethodEvent rest(event->preeditString(), event->attributes());
            rest.setCommitString(event->commitString());
            QPlainTextEdit::inputMethodEvent(&rest);
        }
        return true;
    });
}

void TProtectedEdit::contextMenuEvent(QContextMenuEvent* event) {
    // The standard menu's edit entries would bypass the protection notice; offer our own.
    QMenu menu(this);
    const bool editable = !isReadOnly();
    const bool selection = textCursor().hasSelection();
    menu.addAction(tr("&Undo"), this, &QPlainTextEdit::undo)
        ->setEnabled(editable && document()->isUndoAvailable());
    menu.addAction(tr("&Redo"), this, &QPlainTextEdit::redo)
        ->setEnabled(editable && document()->isRedoAvailable());
    menu.addSeparator();
    menu.addAction(tr("Cu&t"), this, &TProtectedEdit::cut)->setEnabled(editable && selection);
    menu.addAction(tr("&Copy"), this, &QPlainTextEdit::copy)->setEnabled(selection);
    menu.addAction(tr("&Paste"), this, &TProtectedEdit::paste)
        ->setEnabled(editable && QApplication::clipboard()->mimeData() &&
                     QApplication::clipboard()->mimeData()->hasText());
    menu.addAction(tr("Delete"), this, &TProtectedEdit::DeleteSelection)
        ->setEnabled(editable && selection);
    menu.addSeparator();
    menu.addAction(tr("Select All"), this, &QPlainTextEdit::selectAll)
        ->setEnabled(!document()->isEmpty());
    menu.exec(event->globalPos());
}

} // namespace vexmo
