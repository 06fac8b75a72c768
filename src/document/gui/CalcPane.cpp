#include "document/gui/CalcPane.h"

#include "document/core/CalcLine.h"
#include "document/gui/Clipboard.h"
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

// Byte offset in UTF-8 -> offset in UTF-16 units of the same text.
int ArrowPosition(const QString& line) {
    const std::string text = line.toStdString();
    const std::size_t arrow = FindAnswerArrow(text);
    if (arrow == std::string::npos)
        return -1;
    return static_cast<int>(Utf16Length(std::string_view(text).substr(0, arrow)));
}

} // namespace

TCalcPane::TCalcPane(QWidget* parent) : TProtectedEdit(parent), work_(new TLongWork(*this)) {
    MakeRunFormats();
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
    MakeRunFormats();
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

void TCalcPane::SetBlockText(QTextCursor& cursor, const QTextBlock& block, const QString& text) {
    cursor.setPosition(block.position());
    cursor.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
    if (text.isEmpty())
        cursor.removeSelectedText();
    else
        cursor.insertText(text, ExpressionFormat());
}

void TCalcPane::MoveToNextLine(QTextCursor& cursor, const QTextBlock& block) {
    const QTextBlock next = block.next();
    if (next.isValid()) {
        cursor.setPosition(next.position());
        return;
    }
    cursor.setPosition(block.position() + block.length() - 1);
    cursor.insertBlock(QTextBlockFormat(), ExpressionFormat());
}

void TCalcPane::PaintBlock(QTextCursor& cursor, const QTextBlock& block, bool protect) {
    const QString text = block.text();
    const int arrow = ArrowPosition(text);
    if (arrow < 0)
        return;
    const int start = block.position();
    const int end = start + static_cast<int>(text.size());
    const int answer = start + arrow + static_cast<int>(AnswerArrow.size());

    cursor.setPosition(start + arrow);
    cursor.setPosition(answer, QTextCursor::KeepAnchor);
    cursor.mergeCharFormat(ArrowFormat(protect));
    cursor.setPosition(answer);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    cursor.mergeCharFormat(ValueFormat(protect));
    cursor.clearSelection();
}

void TCalcPane::MakeRunFormats() {
    for (const bool protect : {false, true}) {
        QTextCharFormat& arrow = arrowFormats_[protect];
        arrow = QTextCharFormat();
        arrow.setForeground(arrowColor_);
        arrow.setFontWeight(QFont::Normal);
        arrow.setProperty(ProtectedProperty, protect);
        QTextCharFormat& value = valueFormats_[protect];
        value = arrow;
        value.setForeground(answerColor_);
        value.setFontWeight(QFont::Bold);
    }
}

void TCalcPane::PaintAnswer(int line) {
    const QTextBlock block = document()->findBlockByNumber(line);
    if (!block.isValid())
        return;
    ProgramEdit edit(*this, ProgramEdit::PaintsOnly);
    PaintBlock(edit.Cursor(), block, true);
}

void TCalcPane::PaintAnswerUnprotected(int line) {
    const QTextBlock block = document()->findBlockByNumber(line);
    if (!block.isValid())
        return;
    ProgramEdit edit(*this, ProgramEdit::PaintsOnly);
    PaintBlock(edit.Cursor(), block, false);
}

void TCalcPane::PaintAllAnswers() {
    ProgramEdit edit(*this, ProgramEdit::PaintsOnly);
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
        PaintBlock(edit.Cursor(), block, true);
}

void TCalcPane::UnprotectAllAnswers() {
    ProgramEdit edit(*this, ProgramEdit::PaintsOnly);
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
        PaintBlock(edit.Cursor(), block, false);
}

void TCalcPane::ApplyEditorFont() {
    ProgramEdit edit(*this, ProgramEdit::PaintsOnly);
    const QFont editorFont = font();
    QTextCharFormat format;
    format.setFontFamilies({editorFont.family()});
    if (editorFont.pointSizeF() > 0)
        format.setFontPointSize(editorFont.pointSizeF());
    // Merged into every format in one pass: answers keep their colours and protection.
    QTextCursor& cursor = edit.Cursor();
    cursor.select(QTextCursor::Document);
    cursor.mergeCharFormat(format);
    cursor.clearSelection();
    document()->setDefaultFont(editorFont);
}

// ---- calculation ----

void TCalcPane::ShowCaret() {
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
    SetBlockText(cursor, block, QString::fromStdString(line.NewText));
    if (line.HasAnswer)
        PaintBlock(cursor, block, true);
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
    QTextCursor cursor = textCursor();
    cursor.setPosition(*caret);
    setTextCursor(cursor);
    ShowCaret();
    return true;
}

void TCalcPane::CarriageReturn() {
    int caret = 0;
    {
        ProgramEdit edit(*this, ProgramEdit::ChangesText);
        const QTextBlock block = document()->findBlock(textCursor().selectionStart());
        const QString text = block.text();
        const QString expression = QString::fromStdString(StripAnswer(text.toStdString()));
        if (expression != text) {
            SetBlockText(edit.Cursor(), block, expression);
            edit.TextChanged();
        }
        if (!block.next().isValid())
            edit.TextChanged();
        MoveToNextLine(edit.Cursor(), block);
        caret = edit.Cursor().position();
    }
    QTextCursor cursor = textCursor();
    cursor.setPosition(caret);
    setTextCursor(cursor);
    ShowCaret();
}

void TCalcPane::BreakLine() {
    int caret = 0;
    {
        ProgramEdit edit(*this, ProgramEdit::ChangesText);
        caret = textCursor().selectionStart();
        const QTextBlock block = document()->findBlock(caret);
        const QString text = block.text();
        const QString expression = QString::fromStdString(StripAnswer(text.toStdString()));
        if (expression != text) {
            SetBlockText(edit.Cursor(), block, expression);
            edit.TextChanged();
        }
        // The caret keeps its place in the expression, so a line break that follows splits
        // the line where the user stood even when leading blanks went; a caret that stood in
        // the removed answer run goes to the end of the expression.
        qsizetype leading = 0;
        while (!expression.isEmpty() && leading < text.size() && text.at(leading) <= u' ')
            ++leading;
        const int offset = caret - block.position() - static_cast<int>(leading);
        caret = block.position() + std::clamp(offset, 0, static_cast<int>(expression.size()));
    }
    QTextCursor cursor = textCursor();
    cursor.setPosition(caret);
    setTextCursor(cursor);
    ShowCaret();
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


void TCalcPane::WriteCalculatedLine(QTextCursor& cursor, const QTextBlock& block,
                                    const QString& text, int answerStart, bool hasAnswer,
                                    bool keepExpression) {
    const int expressionEnd = hasAnswer ? answerStart : static_cast<int>(text.size());
    const int kept = keepExpression ? expressionEnd : 0;
    cursor.setPosition(block.position() + kept);
    cursor.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
    const QTextCharFormat expression = ExpressionFormat();
    // Written in its formats at once: painting afterwards would go over the line again.
    if (kept < expressionEnd)
        cursor.insertText(text.left(expressionEnd), expression);
    else if (cursor.hasSelection())
        cursor.removeSelectedText();
    if (!hasAnswer)
        return;
    // The expression's format is the plain one, so the run's formats are its own.
    const int arrowLength = static_cast<int>(AnswerArrow.size());
    cursor.insertText(text.mid(answerStart, arrowLength), ArrowFormat(true));
    cursor.insertText(text.mid(answerStart + arrowLength), ValueFormat(true));
}

TCalcPane::Written TCalcPane::WrittenPart(const QTextBlock& block, const QString& old,
                                          const QString& text, int answerStart,
                                          bool hasAnswer) const {
    const int expressionEnd = hasAnswer ? answerStart : static_cast<int>(text.size());
    if (old.size() < expressionEnd ||
        QStringView(old).left(expressionEnd) != QStringView(text).left(expressionEnd))
        return Written::Nothing;
    // The format has what the answer run's part gives it (a font merged in later may be
    // there as well).
    auto carries = [](const QTextCharFormat& format, const QTextCharFormat& part) {
        for (const int key : {int(QTextFormat::ForegroundBrush), int(QTextFormat::FontWeight),
                              int(ProtectedProperty)})
            if (format.property(key) != part.property(key))
                return false;
        return true;
    };
    const QTextCharFormat& arrow = ArrowFormat(true);
    const QTextCharFormat& value = ValueFormat(true);
    const int arrowEnd = answerStart + static_cast<int>(AnswerArrow.size());
    bool rest = old == text; // the rest of the line holds the answer run as written
    for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const int start = fragment.position() - block.position();
        const int end = start + fragment.length();
        const QTextCharFormat format = fragment.charFormat();
        if (start < expressionEnd) {
            if (end > expressionEnd || !IsPlainFormat(format))
                return Written::Nothing;
        } else if (rest) {
            if (start >= answerStart && end <= arrowEnd)
                rest = carries(format, arrow);
            else if (start >= arrowEnd)
                rest = carries(format, value);
            else
                rest = false;
        }
    }
    return rest ? Written::Line : Written::Expression;
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

void TCalcPane::CalculateAgainFrom(int startLine) {
    work_->CalculateAgainFrom(startLine);
}

int TCalcPane::LastCompleteRunFrom() const {
    return work_->LastCompleteRunFrom();
}

void TCalcPane::PaintAllAnswersInSlices() {
    work_->PaintAllAnswers();
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
    emit protectionNotice(start, end);
}

void TCalcPane::Change() {
    if (!answerEdit_)
        return;
    answerEdit_ = false;
    // Remove what is left of the answer run on both sides of the user's change, in the same
    // undo step as the change itself.
    QTextCursor current = textCursor();
    int position = current.selectionStart();
    int length = current.selectionEnd() - position;
    const int textLength = TextLength();

    int forward = position;
    while (forward < textLength && IsProtected(forward))
        ++forward;
    int backward = answerEditStart_;
    while (backward > 0 && IsProtected(backward - 1))
        --backward;

    QTextCursor removal(document());
    removal.joinPreviousEditBlock();
    if (forward > position) {
        removal.setPosition(position);
        removal.setPosition(forward, QTextCursor::KeepAnchor);
        removal.removeSelectedText();
        length = std::max(length - (forward - position), 0);
    }
    if (backward < answerEditStart_) {
        removal.setPosition(backward);
        removal.setPosition(answerEditStart_, QTextCursor::KeepAnchor);
        removal.removeSelectedText();
        position -= answerEditStart_ - backward;
    }
    removal.endEditBlock();

    current.setPosition(position);
    current.setPosition(position + length, QTextCursor::KeepAnchor);
    setTextCursor(current);
}

void TCalcPane::EndUserEdit() {
    answerEdit_ = false;
}

} // namespace vexmo
