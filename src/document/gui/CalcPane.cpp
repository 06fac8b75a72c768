#include "document/gui/CalcPane.h"

#include "document/core/CalcLine.h"
#include "document/gui/Clipboard.h"
#include "document/gui/LineHighlighter.h"
#include "document/gui/LongWork.h"
#include "document/gui/PaneEdit.h"
#include "engine/CompTinyParseEngine.h"
#include "engine/Variables.h"

#include <QApplication>
#include <QGuiApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMessageBox>
#include <QStyleHints>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>
#include <exception>
#include <optional>

namespace vexmo {

namespace {

const QString ModifiedText = QStringLiteral("Modified");

} // namespace

TCalcPane::TCalcPane(QWidget* parent)
    : TProtectedEdit(parent), work_(new TLongWork(*this)),
      highlighter_(new TLineHighlighter(this, nullptr)) {
    // Only the answers are painted until the options ask for more.
    highlighter_->SetColouring(false);
    highlighter_->SetStaleLook(false);
    highlighter_->setDocument(document());
    setWordWrapMode(QTextOption::NoWrap);
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, &TCalcPane::UpdateCaretBlink);
}

TCalcPane::~TCalcPane() {
    if (steadyCaret_)
        QGuiApplication::styleHints()->setCursorFlashTime(blinkFlashTime_);
}

void TCalcPane::UpdateCaretBlink() {
    // Longer than any line a person types; a blink repaints the caret's whole line.
    constexpr int LongLine = 20'000;
    const bool steady = textCursor().block().length() > LongLine;
    if (steady == steadyCaret_)
        return;
    steadyCaret_ = steady;
    // The editor reads the flash time only when its caret starts blinking, so it is told
    // again through its interaction flags.
    QStyleHints* hints = QGuiApplication::styleHints();
    if (steady) {
        blinkFlashTime_ = hints->cursorFlashTime();
        hints->setCursorFlashTime(0);
    } else {
        hints->setCursorFlashTime(blinkFlashTime_);
    }
    const Qt::TextInteractionFlags flags = textInteractionFlags();
    setTextInteractionFlags(flags ^ Qt::TextSelectableByKeyboard);
    setTextInteractionFlags(flags);
}

void TCalcPane::SetColors(const QColor& expression, const QColor& arrow, const QColor& answer,
                          const QColor& back) {
    SetExpressionColor(expression);
    QPalette colors = palette();
    colors.setColor(QPalette::Base, back);
    setPalette(colors);
    arrowColor_ = arrow;
    answerColor_ = answer;
    PaintAllAnswers();
}

void TCalcPane::SetVariables(Variables* variables) {
    variables_ = variables;
    highlighter_->SetStore(variables);
}

void TCalcPane::SetKeyMap(int optReturn, int optShiftReturn, int optCtrlReturn) {
    optReturn_ = optReturn;
    optShiftReturn_ = optShiftReturn;
    optCtrlReturn_ = optCtrlReturn;
}

int TCalcPane::LineCount() const {
    return document()->isEmpty() ? 0 : document()->blockCount();
}

QString TCalcPane::LineText(int line) const {
    return document()->findBlockByNumber(line).text();
}

bool TCalcPane::LineInView(int line) const {
    if (!isVisible())
        return true;
    // Lines are never wrapped, so the view holds a line per line spacing.
    const int first = firstVisibleBlock().blockNumber();
    const int rows = viewport()->height() / std::max(1, fontMetrics().lineSpacing());
    return line >= first - 2 && line <= first + rows + 2;
}

QTextCharFormat TCalcPane::ExpressionFormat() const {
    return PlainFormat(QTextCharFormat());
}

// ---- lines ----

void TCalcPane::MoveToNextLine(QTextCursor& cursor, const QTextBlock& block) {
    const QTextBlock next = block.next();
    if (next.isValid()) {
        cursor.setPosition(next.position());
        return;
    }
    cursor.setPosition(block.position() + block.length() - 1);
    cursor.insertBlock(QTextBlockFormat(), ExpressionFormat());
}

void TCalcPane::PaintAllAnswers() {
    highlighter_->RefreshColors();
    const bool modified = document()->isModified();
    if (!isVisible()) {
        highlighter_->rehighlight();
    } else {
        // Lines out of view are painted again when they come into view.
        highlighter_->LookChanged();
        for (QTextBlock block = firstVisibleBlock();
             block.isValid() && LineInView(block.blockNumber()); block = block.next())
            highlighter_->rehighlightBlock(block);
    }
    document()->setModified(modified);
}

void TCalcPane::ApplyEditorFont() {
    // The program writes every character in the plain format, so the whole text follows the
    // document's font; no format of its own is changed (nor recorded for undo).
    document()->setDefaultFont(font());
}

int TCalcPane::ProtectedFrom(const QString& line) const {
    const std::size_t arrow = FindAnswerArrow(
        std::u16string_view(reinterpret_cast<const char16_t*>(line.utf16()), line.size()));
    return arrow == std::u16string_view::npos ? -1 : static_cast<int>(arrow);
}

// ---- calculation ----

void TCalcPane::ShowCaret(int position) {
    QTextCursor cursor = textCursor();
    cursor.setPosition(std::min(position, TextLength()));
    setTextCursor(cursor);
    ensureCursorVisible();
    // Once more after the new text is laid out: an answer that widens the document brings
    // in the horizontal scroll bar, which would cover the caret's line at the bottom.
    if (caretPending_)
        return;
    caretPending_ = true;
    QTimer::singleShot(0, this, [this] {
        caretPending_ = false;
        ensureCursorVisible();
    });
}

TCalcPane::Outcome TCalcPane::CalculateBlock(QTextCursor& cursor, const QTextBlock& block,
                                             bool copyAllowed, QString& error) {
    if (!engine_ || !variables_) {
        error = QStringLiteral("No calculator is attached to the pane.");
        return Outcome::Failed;
    }
    LineCalculator calculator(*engine_, *variables_, numberFormat_);
    calculator.SetShowValue([this](const std::string& name, const std::string& value) {
        emit variableChanged(QString::fromStdString(name), QString::fromStdString(value));
    });
    LineOutcome outcome;
    emit lineAboutToBeCalculated(block.blockNumber());
    try {
        outcome = calculator.Calculate(block.text().toStdString());
    } catch (const std::exception& e) {
        // Nothing is written before the value is known, so the line is still untouched.
        outcome.ErrorMessage = e.what();
    }
    if (!outcome.Ok()) {
        error = QString::fromStdString(ErrorBoxText(outcome.ErrorMessage));
        return Outcome::Failed;
    }
    const LineCalculation& line = *outcome.Result;
    WriteLine(cursor, block, block.text(), QString::fromStdString(line.NewText));
    MoveToNextLine(cursor, block);
    if (copyAllowed && copyAutomatically_)
        CopyToClipboard(line.Value);
    emit lineCalculated(block.blockNumber());
    return Outcome::Calculated;
}

void TCalcPane::CopyToClipboard(const DComplex& value) {
    const QString text = QString::fromStdString(ClipboardNumberText(value, numberFormat_));
    QApplication::clipboard()->setText(text);
    emit answerCopied(text);
}

bool TCalcPane::CalculateLine(bool copyAllowed) {
    work_->ForgetCompleteRun();
    QString error;
    std::optional<int> caret;
    {
        ProgramEdit edit(*this, ProgramEdit::ChangesText);
        const QTextBlock block = document()->findBlock(textCursor().selectionStart());
        if (CalculateBlock(edit.Cursor(), block, copyAllowed, error) == Outcome::Calculated) {
            edit.TextChanged();
            caret = edit.Cursor().position();
        }
    }
    // The error box is shown only once the document is consistent again.
    if (!caret) {
        emit errorRaised(error);
        return false;
    }
    ShowCaret(*caret);
    return true;
}

void TCalcPane::CarriageReturn() {
    int caret = 0;
    {
        ProgramEdit edit(*this, ProgramEdit::ChangesText);
        const QTextBlock block = document()->findBlock(textCursor().selectionStart());
        const QString text = block.text();
        const QString expression = QString::fromStdString(StripAnswer(text.toStdString()));
        if (WriteLine(edit.Cursor(), block, text, expression))
            edit.TextChanged();
        if (!block.next().isValid())
            edit.TextChanged();
        MoveToNextLine(edit.Cursor(), block);
        caret = edit.Cursor().position();
    }
    ShowCaret(caret);
}

void TCalcPane::BreakLine() {
    int caret = 0;
    {
        ProgramEdit edit(*this, ProgramEdit::ChangesText);
        caret = textCursor().selectionStart();
        const QTextBlock block = document()->findBlock(caret);
        const QString text = block.text();
        const QString expression = QString::fromStdString(StripAnswer(text.toStdString()));
        if (WriteLine(edit.Cursor(), block, text, expression))
            edit.TextChanged();
        // The caret keeps its place in the expression, so a line break that follows splits
        // the line where the user stood even when leading blanks went; a caret that stood in
        // the removed answer run goes to the end of the expression.
        qsizetype leading = 0;
        while (!expression.isEmpty() && leading < text.size() && text.at(leading) <= u' ')
            ++leading;
        const int offset = caret - block.position() - static_cast<int>(leading);
        caret = block.position() + std::clamp(offset, 0, static_cast<int>(expression.size()));
    }
    ShowCaret(caret);
}

// ---- commands ----

void TCalcPane::AtnVexmiCalculateExecute() {
    if (Busy())
        return;
    emit beforeCalculation();
    DisableAllCommands();
    CalculateLine(true);
    emit calculationFinished();
}

void TCalcPane::AtnVexmiReCalcExecute() {
    if (Busy())
        return;
    emit beforeCalculation();
    DisableAllCommands();
    CalculateAgainFrom(0);
}

void TCalcPane::AtnVexmiCalcBelowExecute() {
    if (Busy())
        return;
    emit beforeCalculation();
    DisableAllCommands();
    CalculateAgainFrom(document()->findBlock(textCursor().position()).blockNumber());
}

void TCalcPane::AtnVexmiRemoveAnswersExecute() {
    if (Busy())
        return;
    const QString question =
        language_ == 1 ? QStringLiteral("Are you sure you want to remove all the answers?[y/n]")
                       : QStringLiteral("計算結果をすべて削除してよろしいですか？[y/n]");
    const bool yes = question_ ? question_(question)
                               : QMessageBox::question(this, window()->windowTitle(), question,
                                                       QMessageBox::Yes | QMessageBox::No) ==
                                     QMessageBox::Yes;
    if (!yes)
        return;
    DisableAllCommands();
    work_->RemoveAnswers();
}


bool TCalcPane::WriteLine(QTextCursor& cursor, const QTextBlock& block, const QString& old,
                          const QString& text) {
    const qsizetype common = std::min(old.size(), text.size());
    qsizetype same = 0;
    while (same < common && old.at(same) == text.at(same))
        ++same;
    if (same == old.size() && same == text.size())
        return false;
    if (same > 0 && text.at(same - 1).isHighSurrogate())
        --same; // a surrogate pair is written whole
    cursor.setPosition(block.position() + static_cast<int>(same));
    cursor.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
    if (same < text.size())
        cursor.insertText(text.mid(same), ExpressionFormat());
    else
        cursor.removeSelectedText();
    return true;
}

QString TCalcPane::InsertCommandTextOf(const QString& commandName, int* caretBack) {
    static const QString constPrefix = QStringLiteral("AtnInsertConst");
    static const QString funcPrefix = QStringLiteral("AtnInsertFunc");
    if (caretBack)
        *caretBack = 0;
    if (commandName.startsWith(constPrefix, Qt::CaseSensitive)) {
        const QString name = commandName.mid(constPrefix.size());
        // The speed of light is "_C"; "_C0" would be an unknown name that reads as zero.
        return QLatin1Char('_') + (name == QLatin1String("C0") ? QStringLiteral("C") : name);
    }
    if (commandName.startsWith(funcPrefix, Qt::CaseSensitive)) {
        if (caretBack)
            *caretBack = 1;
        return commandName.mid(funcPrefix.size()) + QStringLiteral("()");
    }
    return {};
}

void TCalcPane::InsertCommandText(const QString& commandName) {
    int back = 0;
    const QString text = InsertCommandTextOf(commandName, &back);
    if (text.isEmpty())
        return;
    InsertText(text);
    if (back > 0) {
        QTextCursor cursor = textCursor();
        cursor.movePosition(QTextCursor::PreviousCharacter, QTextCursor::MoveAnchor, back);
        setTextCursor(cursor);
    }
}

// ---- long work ----

TCalcPane::RunKind TCalcPane::Running() const {
    return work_->Running();
}

bool TCalcPane::Busy() const {
    return work_->Busy();
}

void TCalcPane::CancelRun() {
    work_->CancelRun();
}

void TCalcPane::SetSliceTime(std::chrono::microseconds time) {
    work_->SetSliceTime(time);
}

void TCalcPane::SetUndoLineLimit(int lines) {
    work_->SetUndoLineLimit(lines);
}

void TCalcPane::CalculateAgainFrom(int startLine) {
    work_->CalculateAgainFrom(startLine);
}

int TCalcPane::LastCompleteRunFrom() const {
    return work_->LastCompleteRunFrom();
}

void TCalcPane::LoadText(const QString& text) {
    work_->LoadText(text);
}

void TCalcPane::FinishLoading() {
    work_->FinishLoading();
}

// ---- key map and protection ----

int TCalcPane::ActionOfKey(const QKeyEvent* event) const {
    if (event->modifiers() & Qt::ControlModifier)
        return optCtrlReturn_;
    if (event->modifiers() & Qt::ShiftModifier)
        return optShiftReturn_;
    return optReturn_;
}

void TCalcPane::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if (Busy()) {
        // The pane is read-only meanwhile: keys move the caret, select and copy, nothing else.
        if (key == Qt::Key_Escape) {
            event->accept();
            CancelRun();
            return;
        }
        if (event == QKeySequence::Undo || event == QKeySequence::Redo) {
            event->accept();
            return;
        }
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !isReadOnly()) {
        event->accept();
        DisableAllCommands();
        switch (ActionOfKey(event)) {
        case ActCalculate:
            emit beforeCalculation();
            CalculateLine(true);
            break;
        case ActCarriageReturn:
            CarriageReturn();
            break;
        default:
            BreakLine();
            break;
        }
        answerEdit_ = false;
        // Return is not typed as text; Ctrl+Return keeps its line break at the caret.
        if (modifiers & Qt::ControlModifier)
            InsertText(QStringLiteral("\n"));
        return;
    }
    if ((key == Qt::Key_Insert && (modifiers & Qt::ShiftModifier)) ||
        (key == Qt::Key_V && (modifiers & Qt::ControlModifier))) {
        event->accept();
        answerEdit_ = false;
        if (pasteCommand_)
            pasteCommand_();
        else
            paste();
        return;
    }
    answerEdit_ = false;
    TProtectedEdit::keyPressEvent(event);
}

void TCalcPane::keyReleaseEvent(QKeyEvent* event) {
    TProtectedEdit::keyReleaseEvent(event);
    if (document()->isModified())
        emit statusText(ModifiedText);
}

void TCalcPane::mousePressEvent(QMouseEvent* event) {
    answerEdit_ = false;
    TProtectedEdit::mousePressEvent(event);
}

void TCalcPane::ProtectChange(int start, int end) {
    if (internalChange_ > 0) {
        answerEdit_ = false;
        return;
    }
    answerEdit_ = true;
    answerEditStart_ = start;
    // The answer run is read from the text, which the edit is about to change: what the
    // clean-up removes afterwards is measured now.
    const QTextBlock first = document()->findBlock(start);
    const int firstRun = first.isValid() ? ProtectedStart(first) : -1;
    answerEditBack_ = firstRun >= 0 ? std::min(start, first.position() + firstRun) : start;
    const QTextBlock last = document()->findBlock(end);
    const int lastRun = last.isValid() ? ProtectedStart(last) : -1;
    const int lastEnd = last.position() + last.length() - 1;
    answerEditTail_ =
        lastRun >= 0 && end >= last.position() + lastRun && end < lastEnd ? lastEnd - end : 0;
    answerEditEnd_ = end;
    answerEditLength_ = TextLength();
    emit protectionNotice(start, end);
}

void TCalcPane::Change() {
    if (!answerEdit_)
        return;
    answerEdit_ = false;
    // Remove what is left of the answer run on both sides of the user's change, in the same
    // undo step as the change itself: first after it, then before it.
    const int length = TextLength();
    const int after = std::clamp(answerEditEnd_ + length - answerEditLength_, 0, length);
    QTextCursor removal(document());
    removal.joinPreviousEditBlock();
    if (answerEditTail_ > 0) {
        removal.setPosition(after);
        removal.setPosition(std::min(after + answerEditTail_, length), QTextCursor::KeepAnchor);
        removal.removeSelectedText();
    }
    if (answerEditBack_ < answerEditStart_) {
        removal.setPosition(answerEditBack_);
        removal.setPosition(answerEditStart_, QTextCursor::KeepAnchor);
        removal.removeSelectedText();
    }
    removal.endEditBlock();
}

void TCalcPane::EndUserEdit() {
    answerEdit_ = false;
}

} // namespace vexmo
