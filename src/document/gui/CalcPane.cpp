#include "document/gui/CalcPane.h"

#include "document/core/CalcAhead.h"
#include "document/core/CalcLine.h"
#include "document/core/CalcRunner.h"
#include "document/gui/Clipboard.h"
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
#include <deque>
#include <exception>
#include <optional>
#include <vector>

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

// Scope of a change the program makes to the pane. The protection handling ignores it and
// it never reaches the undo stack: switching undo off also clears the stack, so Undo cannot
// reach back across a calculation. Painting alone leaves the modified flag as it was.
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

// A run of long work on the document: Calculate again, Remove answers, painting.
struct TCalcPane::Run {
    // A calculated line waiting to be written at the end of its slice.
    struct Line {
        int Number = 0;
        QString Old; // the text it was calculated from
        QString Text;
        int AnswerStart = 0;
        bool HasAnswer = false;
        bool Copy = false;
        DComplex Value;
    };

    RunKind Kind = RunKind::None;
    bool Started = false; // went on beyond its first slice
    bool Ending = false;  // its work is done; it ends in the next turn
    // Calculate again.
    CalculateAgainSteps Steps;
    std::unique_ptr<CalculationRun> Calculation;
    // The lines calculated ahead on another thread while this one writes, and the batch of
    // them being written; none after a line was handed back, until the next slice.
    std::unique_ptr<CalculationAhead> Ahead;
    std::unique_ptr<AheadBatch> Batch;
    std::size_t BatchNext = 0;
    std::deque<QString> Fed; // the texts of the lines fed and not written yet
    std::vector<Line> Pending;
    QString Error;
    int Caret = 0;
    // The share of a slice's time for the loop over the lines; the rest is what the
    // document does after it (writing the lines, laying out, colouring). Learnt from the
    // last slice, so that a whole slice stays near SliceTime.
    double Share = 0.4;
    std::chrono::steady_clock::duration Worked{}; // the loop's time in this slice
    std::chrono::microseconds Budget(std::chrono::microseconds slice) const {
        return std::chrono::duration_cast<std::chrono::microseconds>(slice * Share);
    }
    // Remove answers, painting and loading: the next line and the line count.
    int Next = 0;
    int Total = 0;
    // Loading: the text and where the part not yet in the document starts.
    QString Text;
    qsizetype Loaded = 0;

    int Done() const {
        return Calculation ? static_cast<int>(Calculation->LinesDone()) : Next;
    }
    int Count() const { return Calculation ? static_cast<int>(Calculation->Total()) : Total; }
};

TCalcPane::TCalcPane(QWidget* parent) : TProtectedEdit(parent) {
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
    lastCompleteRunFrom_ = -1;
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
    auto run = std::make_unique<Run>();
    run->Kind = RunKind::RemovingAnswers;
    run->Total = document()->blockCount();
    StartRun(std::move(run));
}

// ---- long work ----

void TCalcPane::CalculateAgainFrom(int startLine) {
    if (Busy())
        return;
    auto run = std::make_unique<Run>();
    run->Kind = RunKind::Calculating;
    run->Caret = textCursor().position();
    run->Steps.LineCount = [this] { return static_cast<std::size_t>(document()->blockCount()); };
    run->Steps.LineIsEmpty = [this](std::size_t line) {
        return document()->findBlockByNumber(static_cast<int>(line)).length() <= 1;
    };
    run->Calculation =
        std::make_unique<CalculationRun>(run->Steps, static_cast<std::size_t>(std::max(startLine, 0)));
    StartRun(std::move(run));
}

void TCalcPane::PaintAllAnswersInSlices() {
    if (runKind_ == RunKind::Painting) {
        // The text was replaced under the run: it starts again from the top.
        run_->Ending = false;
        run_->Next = 0;
        run_->Total = document()->blockCount();
        return;
    }
    if (Busy())
        return;
    auto run = std::make_unique<Run>();
    run->Kind = RunKind::Painting;
    run->Total = document()->blockCount();
    StartRun(std::move(run));
}

namespace {

// The end of the part of `text` from `from` that holds `lines` line breaks (or the rest).
// Parts end after a '\n', so a "\r\n" pair is never cut.
qsizetype AfterLines(const QString& text, qsizetype from, int lines) {
    for (qsizetype at = from; lines > 0; --lines) {
        at = text.indexOf(QLatin1Char('\n'), at);
        if (at < 0)
            return text.size();
        from = ++at;
    }
    return from;
}

} // namespace

void TCalcPane::LoadText(const QString& text) {
    // A load or painting under way belongs to the text being replaced.
    if (runKind_ == RunKind::Painting || runKind_ == RunKind::Loading)
        EndRun();
    CancelRun();
    // Enough for the first screen of any window; the rest is appended in slices.
    constexpr int FirstLines = 500;
    const bool modified = document()->isModified();
    const qsizetype first = AfterLines(text, 0, FirstLines);
    setPlainText(first == text.size() ? text : text.left(first));
    document()->setModified(modified);
    auto run = std::make_unique<Run>();
    run->Kind = RunKind::Loading;
    run->Total = static_cast<int>(text.count(QLatin1Char('\n'))) + 1;
    run->Loaded = first;
    run->Text = text;
    StartRun(std::move(run));
}

void TCalcPane::FinishLoading() {
    while (runKind_ == RunKind::Loading || runKind_ == RunKind::Painting)
        RunNextSlice();
}

bool TCalcPane::LoadSlice(Run& run) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    const Clock::time_point until = start + run.Budget(sliceTime_);
    ProgramEdit edit(*this, ProgramEdit::PaintsOnly);
    QTextCursor& cursor = edit.Cursor();
    constexpr int ChunkLines = 500;
    for (;;) {
        if (run.Loaded < run.Text.size()) {
            const qsizetype end = AfterLines(run.Text, run.Loaded, ChunkLines);
            cursor.movePosition(QTextCursor::End);
            cursor.insertText(run.Text.mid(run.Loaded, end - run.Loaded), ExpressionFormat());
            run.Loaded = end;
        }
        // Every line but the last is complete; the last one is when the text is all in.
        const bool complete = run.Loaded >= run.Text.size();
        const int lines = document()->blockCount() - (complete ? 0 : 1);
        QTextBlock block = document()->findBlockByNumber(run.Next);
        for (; run.Next < lines && block.isValid(); ++run.Next, block = block.next())
            PaintBlock(cursor, block, true);
        run.Worked = Clock::now() - start;
        if (complete) {
            run.Text.clear();
            return true;
        }
        if (Clock::now() >= until)
            return false;
    }
}

void TCalcPane::StartRun(std::unique_ptr<Run> run) {
    lastCompleteRunFrom_ = -1;
    run_ = std::move(run);
    runKind_ = run_->Kind;
    // The slices' edits are recorded for undo until the run ends and the record is dropped
    // at once. With undo off, the document compacts its whole text buffer every few thousand
    // changed lines, which makes a long run quadratic. Nobody can undo meanwhile: the pane is
    // read-only and the commands are off.
    // Painting changes formats only and loading only appends, which never sets off that
    // compaction; they record nothing.
    if (internalChange_++ == 0 &&
        (runKind_ == RunKind::Painting || runKind_ == RunKind::Loading))
        document()->setUndoRedoEnabled(false);
    RunNextSlice();
}

void TCalcPane::RunNextSlice() {
    if (!run_)
        return;
    Run& run = *run_;
    if (run.Ending) {
        EndRun();
        return;
    }
    bool ended = false;
    const std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    run.Worked = {};
    switch (run.Kind) {
    case RunKind::Calculating:
        ended = CalculateSlice(run);
        break;
    case RunKind::RemovingAnswers:
        ended = RemoveAnswersSlice(run);
        break;
    case RunKind::Loading:
        ended = LoadSlice(run);
        break;
    default:
        ended = PaintSlice(run);
        break;
    }
    const std::chrono::steady_clock::duration whole = std::chrono::steady_clock::now() - start;
    if (whole.count() > 0 && run.Worked.count() > 0)
        run.Share = std::clamp(std::chrono::duration<double>(run.Worked) /
                                   std::chrono::duration<double>(whole),
                               0.05, 1.0);
    if (ended && !run.Started) {
        EndRun();
        return;
    }
    // Ending a long run drops its undo record and has the window catch up with it, which
    // takes about as long as a slice: it gets a turn of its own.
    run.Ending = ended;
    if (!run.Started) {
        // Keys typed from now on must not reach the text behind the user's back.
        run.Started = true;
        readOnlyBeforeRun_ = isReadOnly();
        setReadOnly(true);
        emit runStarted();
    }
    emit runProgress(run.Done(), run.Count());
    if (!sliceQueued_) {
        sliceQueued_ = true;
        QTimer::singleShot(0, this, [this] {
            sliceQueued_ = false;
            RunNextSlice();
        });
    }
}

void TCalcPane::CancelRun() {
    // Painting is what protects the answers and loading completes the text; neither is left
    // half done.
    if (runKind_ == RunKind::Painting || runKind_ == RunKind::Loading)
        return;
    // Every slice writes what it calculated before it returns, so between two slices the
    // document, the store and ANS already agree line by line.
    if (run_ && run_->Calculation)
        run_->Calculation->Cancel();
    EndRun();
}

void TCalcPane::EndRun() {
    if (!run_)
        return;
    const std::unique_ptr<Run> run = std::move(run_);
    runKind_ = RunKind::None;
    if (--internalChange_ == 0) {
        const bool modified = document()->isModified();
        document()->setUndoRedoEnabled(false); // clears the record, as after any calculation
        document()->setUndoRedoEnabled(true);
        document()->setModified(modified);
    }
    if (run->Started) {
        setReadOnly(readOnlyBeforeRun_);
        emit runFinished();
    }
    if (run->Kind == RunKind::Calculating) {
        const CalculationRun& calculation = *run->Calculation;
        if (calculation.Finished() && !calculation.Cancelled() && !calculation.FailedLine())
            lastCompleteRunFrom_ = static_cast<int>(calculation.StartLine());
        if (calculation.LinesDone() > 0 || calculation.FailedLine()) {
            const QTextBlock next =
                document()->findBlockByNumber(static_cast<int>(calculation.NextLine()));
            run->Caret = next.isValid() ? next.position() : TextLength();
        }
        QTextCursor cursor = textCursor();
        cursor.setPosition(std::min(run->Caret, TextLength()));
        setTextCursor(cursor);
        ShowCaret();
        if (calculation.FailedLine())
            emit errorRaised(run->Error);
    }
    if (run->Kind == RunKind::Calculating || run->Kind == RunKind::RemovingAnswers)
        emit calculationFinished();
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

namespace {

// Element assignments can fail on the window's side and read the clipboard, and an
// assignment to the clipboard writes it: those lines are calculated on the window's thread.
bool CanShowAhead(const std::string& name, int idx) {
    return idx == -1 && name != ClipVariableName;
}

} // namespace

void TCalcPane::FeedAhead(CalculationAhead& ahead, std::deque<QString>& fed, std::size_t end) {
    // A small first batch gets the writing going at once; then enough ahead that neither
    // thread waits for the other.
    constexpr std::size_t FirstBatch = 32;
    constexpr std::size_t Batch = 1024;
    constexpr std::size_t InFlight = 3;
    while (ahead.InFlight() < InFlight && ahead.Fed() < end) {
        std::unique_ptr<AheadBatch> batch = ahead.NewBatch();
        const std::size_t size =
            std::min(end - ahead.Fed(), ahead.InFlight() == 0 ? FirstBatch : Batch);
        QTextBlock block = document()->findBlockByNumber(static_cast<int>(ahead.Fed()));
        for (std::size_t i = 0; i < size && block.isValid(); ++i, block = block.next()) {
            fed.push_back(block.text());
            batch->AddLine(fed.back().toStdString());
        }
        if (batch->Count() == 0)
            return;
        ahead.Feed(std::move(batch));
    }
}

void TCalcPane::ShowAhead(const AheadBatch& batch, std::size_t i) {
    for (auto shown = batch.ShowsBegin(i); shown != batch.ShowsEnd(i); ++shown) {
        if (!shown->Assignment) {
            emit variableChanged(QString::fromUtf8(batch.TextOf(shown->Name)),
                                 QString::fromUtf8(batch.TextOf(shown->Value)));
        } else if (engine_->OnSubstitute()) {
            std::string name(batch.TextOf(shown->Name));
            std::string value(batch.TextOf(shown->Value));
            try {
                engine_->OnSubstitute()(*engine_, name, value, -1);
            } catch (const std::exception&) {
                // Only notices the window shows without failing come this way.
            }
        }
    }
    for (auto change = batch.ChangesBegin(i); change != batch.ChangesEnd(i); ++change)
        variables_->Apply(change->What, batch.TextOf(change->Name), batch.TextOf(change->Value));
}

bool TCalcPane::CalculateSlice(Run& run) {
    CalculationRun& calculation = *run.Calculation;
    std::optional<LineCalculator> calculator;
    if (engine_ && variables_) {
        calculator.emplace(*engine_, *variables_, numberFormat_);
        calculator->SetShowValue([this](const std::string& name, const std::string& value) {
            emit variableChanged(QString::fromStdString(name), QString::fromStdString(value));
        });
    }
    const std::size_t end = calculation.StartLine() + calculation.Total();
    if (!run.Ahead && calculator && !calculation.Finished() && end - calculation.NextLine() > 1) {
        try {
            run.Ahead = std::make_unique<CalculationAhead>(*variables_, numberFormat_,
                                                           calculation.NextLine(), CanShowAhead);
        } catch (const std::exception&) {
            // No thread to be had: this one calculates the lines itself.
        }
    }
    int blockLine = static_cast<int>(calculation.NextLine());
    QTextBlock block = document()->findBlockByNumber(blockLine);
    run.Steps.CalculateLine = [&](std::size_t line, bool copyAllowed) {
        if (!calculator) {
            run.Error = QStringLiteral("No calculator is attached to the pane.");
            return false;
        }
        if (blockLine != static_cast<int>(line)) {
            blockLine = static_cast<int>(line);
            block = document()->findBlockByNumber(blockLine);
        }
        if (run.Ahead) {
            if (!run.Batch || run.BatchNext >= run.Batch->Outcomes().size()) {
                if (run.Batch)
                    run.Ahead->GiveBack(std::move(run.Batch));
                FeedAhead(*run.Ahead, run.Fed, end);
                run.Batch = run.Ahead->Take();
                run.BatchNext = 0;
            }
            if (run.Batch && run.BatchNext < run.Batch->Outcomes().size() &&
                run.Batch->First() + run.BatchNext == line && !run.Fed.empty() &&
                !run.Batch->Outcomes()[run.BatchNext].HandedBack) {
                const std::size_t i = run.BatchNext++;
                const AheadBatch::Outcome& ahead = run.Batch->Outcomes()[i];
                emit lineAboutToBeCalculated(blockLine);
                ShowAhead(*run.Batch, i);
                run.Pending.push_back({blockLine, std::move(run.Fed.front()),
                                       QString::fromUtf8(run.Batch->TextOf(ahead.NewText)),
                                       static_cast<int>(ahead.AnswerStartUtf16), ahead.HasAnswer,
                                       copyAllowed && copyAutomatically_, ahead.Value});
                run.Fed.pop_front();
                emit lineCalculated(blockLine);
                block = block.next();
                ++blockLine;
                return true;
            }
            // This line is calculated here, with the store as the lines before left it.
            run.Batch.reset();
            run.Ahead.reset();
            run.Fed.clear();
        }
        LineOutcome outcome;
        emit lineAboutToBeCalculated(blockLine);
        QString old = block.text();
        try {
            outcome = calculator->Calculate(old.toStdString());
        } catch (const std::exception& e) {
            // Nothing is written before the value is known, so the line is still untouched.
            outcome.ErrorMessage = e.what();
        }
        if (!outcome.Ok()) {
            run.Error = QString::fromStdString(ErrorBoxText(outcome.ErrorMessage));
            return false;
        }
        const LineCalculation& result = *outcome.Result;
        run.Pending.push_back({blockLine, std::move(old), QString::fromStdString(result.NewText),
                               static_cast<int>(result.AnswerStartUtf16), result.HasAnswer,
                               copyAllowed && copyAutomatically_, result.Value});
        emit lineCalculated(blockLine);
        block = block.next();
        ++blockLine;
        return true;
    };
    // Writing the lines takes longer than calculating them.
    const std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    const bool ended = calculation.RunFor(run.Budget(sliceTime_));
    run.Steps.CalculateLine = nullptr;
    run.Worked = std::chrono::steady_clock::now() - start;

    // The slice's lines go into the document together, in line order.
    std::optional<DComplex> copy;
    if (!run.Pending.empty()) {
        ProgramEdit edit(*this, ProgramEdit::ChangesText);
        QTextBlock line = document()->findBlockByNumber(run.Pending.front().Number);
        for (const Run::Line& pending : run.Pending) {
            const Written written =
                WrittenPart(line, pending.Old, pending.Text, pending.AnswerStart,
                            pending.HasAnswer);
            if (written != Written::Line)
                WriteCalculatedLine(edit.Cursor(), line, pending.Text, pending.AnswerStart,
                                    pending.HasAnswer, written == Written::Expression);
            if (!line.next().isValid())
                MoveToNextLine(edit.Cursor(), line);
            if (pending.Copy)
                copy = pending.Value;
            line = line.next();
        }
        edit.TextChanged();
        run.Pending.clear();
    }
    if (copy)
        CopyToClipboard(*copy);
    return ended;
}

namespace {

// Calls `work` for the lines from `next` on until about `time` has gone by; true when the
// last line is done.
template <class Work>
bool WorkOnLines(QTextDocument* document, int& next, std::chrono::microseconds time,
                 Work&& work) {
    const auto until = std::chrono::steady_clock::now() + time;
    QTextBlock block = document->findBlockByNumber(next);
    for (int lines = 1; block.isValid(); ++lines) {
        work(block);
        block = block.next();
        ++next;
        if ((lines & 63) == 0 && std::chrono::steady_clock::now() >= until)
            break;
    }
    return !block.isValid();
}

} // namespace

bool TCalcPane::RemoveAnswersSlice(Run& run) {
    ProgramEdit edit(*this, ProgramEdit::ChangesText);
    const std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    const bool ended =
        WorkOnLines(document(), run.Next, run.Budget(sliceTime_), [&](const QTextBlock& block) {
            const QString text = block.text();
            const QString expression = QString::fromStdString(StripAnswer(text.toStdString()));
            if (expression != text) {
                // Mostly only the answer run goes; the expression before it stays.
                WriteCalculatedLine(edit.Cursor(), block, expression, 0, false,
                                    WrittenPart(block, text, expression, 0, false) ==
                                        Written::Expression);
                edit.TextChanged();
            }
        });
    run.Worked = std::chrono::steady_clock::now() - start;
    return ended;
}

bool TCalcPane::PaintSlice(Run& run) {
    ProgramEdit edit(*this, ProgramEdit::PaintsOnly);
    const std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    const bool ended = WorkOnLines(document(), run.Next, run.Budget(sliceTime_),
                                   [&](const QTextBlock& block) { PaintBlock(edit.Cursor(), block, true); });
    run.Worked = std::chrono::steady_clock::now() - start;
    return ended;
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
