#pragma once
// The calculation pane (REdit1): the document as lines of calculations. Calculating a line
// writes its answer run behind it; editing inside an answer run removes the rest of it; the
// Return key runs the action chosen in the settings.
//
// A line's answer run is decided by its text alone, with the line rule of document/core:
// protection asks it, and the colouring pass paints the run of every line it lays out. So
// the program writes plain text only, a loaded document is protected as soon as it is in,
// and every calculation command is one step of the undo history. The owner hands in the engine, the store and the
// settings and answers the signals (clipboard refresh, error box, title, commands).

#include "document/core/AnswerFormat.h"
#include "document/gui/ProtectedEdit.h"
#include "engine/DorvSub.h"

#include <QColor>
#include <QTextCharFormat>
#include <chrono>
#include <functional>
#include <memory>

class QTextBlock;
class QTextCursor;

namespace vexmo {

class TLineHighlighter;
class TLongWork;
class TCompTinyParser;
class Variables;

class TCalcPane : public TProtectedEdit {
    Q_OBJECT

  public:
    // Values of OptReturn, OptShiftReturn and OptCtrlReturn.
    enum ReturnAction { ActCalculate = 1, ActCarriageReturn = 2, ActLineBreak = 3 };

    explicit TCalcPane(QWidget* parent = nullptr);
    ~TCalcPane() override;

    // Not owned; both must outlive the pane's calculations.
    void SetEngine(TCompTinyParser* engine) { engine_ = engine; }
    void SetVariables(Variables* variables);
    void SetNumberFormat(const NumberFormatSettings& settings) { numberFormat_ = settings; }
    const NumberFormatSettings& NumberFormat() const { return numberFormat_; }

    // OptColorExpression, OptColorArrow, OptColorAnswer, OptColorBack; every answer shows the
    // new colours at once.
    void SetColors(const QColor& expression, const QColor& arrow, const QColor& answer,
                   const QColor& back);
    QColor ArrowColor() const { return arrowColor_; }
    QColor AnswerColor() const { return answerColor_; }

    // OptReturn, OptShiftReturn, OptCtrlReturn.
    void SetKeyMap(int optReturn, int optShiftReturn, int optCtrlReturn);
    // The checked state of Copy automatically.
    void SetCopyAutomatically(bool on) { copyAutomatically_ = on; }
    bool CopyAutomatically() const { return copyAutomatically_; }
    // The interface language (1 English, otherwise Japanese) for the Remove answers question.
    void SetLanguage(int language) { language_ = language; }

    // Asks a yes/no question; true for Yes. The default shows a message box.
    using QuestionHook = std::function<bool(const QString& text)>;
    void SetQuestionHook(QuestionHook hook) { question_ = std::move(hook); }

    // The window's Paste command, which Ctrl+V and Shift+Insert run so that pasting by key
    // does what the command does (plain text, then the title). Without one the pane pastes.
    void SetPasteCommand(std::function<void()> command) { pasteCommand_ = std::move(command); }

    // ---- operations on lines ----
    // Calculates the caret's line. False when the engine raised (errorRaised was emitted and
    // nothing changed).
    bool CalculateLine(bool copyAllowed);
    // Gives every answer its look anew: the lines in view at once, the others when they come
    // into view.
    void PaintAllAnswers();
    // Gives the whole text the pane's font family and size.
    void ApplyEditorFont();
    // The colouring pass that paints the answers (and, as the options say, the expressions
    // and the stale marks).
    TLineHighlighter* Highlighter() const { return highlighter_; }
    void CarriageReturn();
    void BreakLine();
    // Asks the owner to disable every command until its next idle update.
    void DisableAllCommands() { emit disableAllCommands(); }

    // The Insert command named `commandName` ("AtnInsertConstPI", "AtnInsertFuncSQRT"...).
    void InsertCommandText(const QString& commandName);
    // The text an Insert command inserts, and how far the caret then moves back.
    static QString InsertCommandTextOf(const QString& commandName, int* caretBack = nullptr);

    int LineCount() const;
    QString LineText(int line) const;
    // Whether `line` is in view or next to it; every line counts as in view while the pane
    // is hidden. Found from the line numbers alone, so it never lays out the document.
    bool LineInView(int line) const;

    // ---- long work ----
    // Calculate again, Remove answers and loading a document work in slices of
    // about SliceTime each; between two slices the window paints and takes input. Work that
    // fits in one slice is done before the command returns. While a run goes on the pane is
    // read-only (keys do not reach the text) and Escape cancels it.
    enum class RunKind { None, Calculating, RemovingAnswers, Loading };
    RunKind Running() const;
    bool Busy() const;
    // Ends the run after the slice under way: every line keeps what the run made of it so
    // far, the rest stays as it was. Loading cannot be cancelled: it completes the text.
    void CancelRun();
    void SetSliceTime(std::chrono::microseconds time);
    // A calculation or Remove answers that changes more lines than this is not kept for
    // undo: the history is cleared and `notice` says so (TLongWork::UndoLineLimit).
    void SetUndoLineLimit(int lines);
    // Calculate again from `startLine` to the end of the document.
    void CalculateAgainFrom(int startLine);
    // The first line of the last calculation command when it was a run that calculated every
    // line from there to the end (not cancelled, no line failed); -1 otherwise.
    int LastCompleteRunFrom() const;
    // Replaces the whole text by a loaded document, leaving the modified flag as it was and
    // starting a fresh undo history. A long text shows its first screen at once and the rest
    // follows in slices; until then the pane is read-only.
    void LoadText(const QString& text);
    // Completes a load under way at once, so that the whole text is there (before a save).
    void FinishLoading();

  public slots:
    void AtnVexmiCalculateExecute();
    void AtnVexmiReCalcExecute();
    void AtnVexmiRemoveAnswersExecute();
    // Calculates from the caret's line to the end, as Calculate again does for the whole
    // document.
    void AtnVexmiCalcBelowExecute();

  signals:
    // Before every calculation command: the owner stores the clipboard text as _CLIP.
    void beforeCalculation();
    // Every command of the window goes disabled until its next idle update.
    void disableAllCommands();
    // A failure that ended a command; the owner shows `message` in the error box (the full
    // stop rule is already applied).
    void errorRaised(const QString& message);
    // ANS or _ANS changed in the store (the Variables window shows it).
    void variableChanged(const QString& name, const QString& value);
    // Copy automatically put `text` on the clipboard.
    void answerCopied(const QString& text);
    // A calculation command finished (the owner refreshes the title).
    void calculationFinished();
    // Status text for the first panel after a key release.
    void statusText(const QString& text);
    // The user's edit touched an answer run.
    void protectionNotice(int start, int end);
    // Around the calculation of one line by any command; lineCalculated only when it
    // succeeded.
    void lineAboutToBeCalculated(int line);
    void lineCalculated(int line);
    // A run goes on beyond its first slice (the pane is read-only until runFinished).
    void runStarted();
    // After every slice of a run: lines done of the run's total.
    void runProgress(int done, int total);
    // The run has ended, finished or cancelled; the pane takes input again.
    void runFinished();
    // A message for the status bar (a step too large to undo).
    void notice(const QString& text);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

    int ProtectedFrom(const QString& line) const override;
    void ProtectChange(int start, int end) override;
    void Change() override;
    void EndUserEdit() override;

  private:
    friend class TLongWork;
    class ProgramEdit;
    enum class Outcome { Calculated, Failed };

    // A caret in a very long line stays steady: every blink would lay out and paint it.
    void UpdateCaretBlink();
    // Gives the line `text`, whose text stands as `old`: only the part after what the two
    // have in common is written (mostly the answer run). False when the line already held it.
    bool WriteLine(QTextCursor& cursor, const QTextBlock& block, const QString& old,
                   const QString& text);

    // Calculates `block` with `cursor` (the pane's caret is not touched); afterwards the
    // cursor stands at the start of the next line, appended when needed. On failure nothing
    // changed and `error` holds the error box text.
    Outcome CalculateBlock(QTextCursor& cursor, const QTextBlock& block, bool copyAllowed,
                           QString& error);
    // Moves the cursor to the start of the line after `block`, appending an empty line after
    // the last one.
    void MoveToNextLine(QTextCursor& cursor, const QTextBlock& block);
    QTextCharFormat ExpressionFormat() const;
    // Puts the caret at `position` (at most the end) after a line action and scrolls it
    // into view.
    void ShowCaret(int position);
    void CopyToClipboard(const DComplex& value);
    int ActionOfKey(const QKeyEvent* event) const;

    TCompTinyParser* engine_ = nullptr;
    Variables* variables_ = nullptr;
    NumberFormatSettings numberFormat_;
    QColor arrowColor_{Qt::red};
    QColor answerColor_{0, 128, 0};
    int optReturn_ = ActCalculate;
    int optShiftReturn_ = ActCarriageReturn;
    int optCtrlReturn_ = ActLineBreak;
    bool copyAutomatically_ = false;
    int language_ = 1;
    QuestionHook question_;
    std::function<void()> pasteCommand_;

    int internalChange_ = 0; // nesting depth of program-made changes
    bool answerEdit_ = false; // the user's edit touched an answer run
    int answerEditStart_ = 0;
    // What the clean-up removes after that edit: the touched run's part before it (from
    // answerEditBack_) and the part after it (answerEditTail_ characters from where the
    // text after the edit, at answerEditEnd_ in a text answerEditLength_ long, now starts).
    int answerEditBack_ = 0;
    int answerEditTail_ = 0;
    int answerEditEnd_ = 0;
    int answerEditLength_ = 0;
    bool caretPending_ = false; // a second ShowCaret() waits for the layout

    TLongWork* work_;              // children of the pane
    TLineHighlighter* highlighter_;
    bool steadyCaret_ = false;
    int blinkFlashTime_ = 0; // the application's flash time while the caret is steady
};

} // namespace vexmo
