#include "document/gui/LongWork.h"

#include "document/core/CalcAhead.h"
#include "document/core/CalcLine.h"
#include "document/core/CalcRunner.h"
#include "document/gui/Clipboard.h"
#include "document/gui/PaneEdit.h"
#include "engine/CompTinyParseEngine.h"
#include "engine/Variables.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>
#include <exception>
#include <optional>
#include <vector>

namespace vexmo {

// A run of long work on the document: Calculate again, Remove answers, painting.
struct TLongWork::Run {
    // A calculated line waiting to be written at the end of its slice.
    struct Line {
        int Number = 0;
        QString Old; // the text it was calculated from
        QString Text;
        bool Copy = false;
        DComplex Value;
    };

    RunKind Kind = RunKind::None;
    bool Started = false; // went on beyond its first slice
    bool Ending = false;  // its work is done; it ends in the next turn
    bool CancelAsked = false; // cancelled during a slice; it ends right after it
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
    // Lines the run has changed; its slices make one undo step once the first changed one.
    int Changed = 0;
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

TLongWork::TLongWork(TCalcPane& pane) : QObject(&pane), pane_(pane) {}

TLongWork::~TLongWork() = default;

void TLongWork::CalculateAgainFrom(int startLine) {
    if (Busy())
        return;
    auto run = std::make_unique<Run>();
    run->Kind = RunKind::Calculating;
    run->Caret = pane_.textCursor().position();
    run->Steps.LineCount = [this] { return static_cast<std::size_t>(pane_.document()->blockCount()); };
    run->Steps.LineIsEmpty = [this](std::size_t line) {
        return pane_.document()->findBlockByNumber(static_cast<int>(line)).length() <= 1;
    };
    run->Calculation =
        std::make_unique<CalculationRun>(run->Steps, static_cast<std::size_t>(std::max(startLine, 0)));
    StartRun(std::move(run));
}

void TLongWork::RemoveAnswers() {
    if (Busy())
        return;
    auto run = std::make_unique<Run>();
    run->Kind = RunKind::RemovingAnswers;
    run->Total = pane_.document()->blockCount();
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

void TLongWork::LoadText(const QString& text) {
    // A load under way belongs to the text being replaced.
    if (runKind_ == RunKind::Loading)
        EndRun();
    CancelRun();
    // Enough for the first screen of any window; the rest is appended in slices.
    constexpr int FirstLines = 500;
    const bool modified = pane_.document()->isModified();
    const qsizetype first = AfterLines(text, 0, FirstLines);
    pane_.setPlainText(first == text.size() ? text : text.left(first));
    pane_.document()->setModified(modified);
    auto run = std::make_unique<Run>();
    run->Kind = RunKind::Loading;
    run->Total = static_cast<int>(text.count(QLatin1Char('\n'))) + 1;
    run->Loaded = first;
    run->Text = text;
    StartRun(std::move(run));
}

void TLongWork::FinishLoading() {
    while (runKind_ == RunKind::Loading)
        RunNextSlice();
}

bool TLongWork::LoadSlice(Run& run) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    const Clock::time_point until = start + run.Budget(sliceTime_);
    TCalcPane::ProgramEdit edit(pane_, TCalcPane::ProgramEdit::Loads);
    QTextCursor& cursor = edit.Cursor();
    constexpr int ChunkLines = 500;
    for (;;) {
        if (run.Loaded < run.Text.size()) {
            const qsizetype end = AfterLines(run.Text, run.Loaded, ChunkLines);
            cursor.movePosition(QTextCursor::End);
            cursor.insertText(run.Text.mid(run.Loaded, end - run.Loaded), pane_.ExpressionFormat());
            run.Loaded = end;
        }
        // Every line but the last is complete; the last one is when the text is all in. Each
        // is protected as it comes in: protection is read from the text.
        const bool complete = run.Loaded >= run.Text.size();
        run.Next = pane_.document()->blockCount() - (complete ? 0 : 1);
        run.Worked = Clock::now() - start;
        if (complete) {
            run.Text.clear();
            return true;
        }
        if (Clock::now() >= until)
            return false;
    }
}

void TLongWork::StartRun(std::unique_ptr<Run> run) {
    lastCompleteRunFrom_ = -1;
    run_ = std::move(run);
    runKind_ = run_->Kind;
    // The slices of a calculation or of Remove answers are recorded as one undo step (with
    // undo off the document would also compact its whole text buffer every few thousand
    // changed lines, which makes a long run quadratic). Nobody can undo meanwhile: the pane
    // is read-only and the commands are off. A loaded document starts a fresh history.
    if (pane_.internalChange_++ == 0 && runKind_ == RunKind::Loading)
        pane_.document()->setUndoRedoEnabled(false);
    RunNextSlice();
}

void TLongWork::RunNextSlice() {
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
    inSlice_ = true;
    switch (run.Kind) {
    case RunKind::Calculating:
        ended = CalculateSlice(run);
        break;
    case RunKind::RemovingAnswers:
        ended = RemoveAnswersSlice(run);
        break;
    default:
        ended = LoadSlice(run);
        break;
    }
    inSlice_ = false;
    if (run.CancelAsked) {
        EndRun();
        return;
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
    // Ending a long run has the window catch up with it (and may drop an undo step too large
    // to keep), which takes about as long as a slice: it gets a turn of its own.
    run.Ending = ended;
    if (!run.Started) {
        // Keys typed from now on must not reach the text behind the user's back.
        run.Started = true;
        readOnlyBeforeRun_ = pane_.isReadOnly();
        pane_.setReadOnly(true);
        emit pane_.runStarted();
    }
    emit pane_.runProgress(run.Done(), run.Count());
    if (!sliceQueued_) {
        sliceQueued_ = true;
        QTimer::singleShot(0, this, [this] {
            sliceQueued_ = false;
            RunNextSlice();
        });
    }
}

void TLongWork::CancelRun() {
    // Loading completes the text; it is never left half done.
    if (runKind_ == RunKind::Loading)
        return;
    // Every slice writes what it calculated before it returns, so between two slices the
    // document, the store and ANS already agree line by line.
    if (run_ && run_->Calculation)
        run_->Calculation->Cancel();
    // The slice in hand still holds the run: it stops after the line in hand, writes what it
    // calculated and then ends the run.
    if (inSlice_) {
        if (run_)
            run_->CancelAsked = true;
        return;
    }
    EndRun();
}

void TLongWork::EndRun() {
    if (!run_)
        return;
    const std::unique_ptr<Run> run = std::move(run_);
    runKind_ = RunKind::None;
    bool dropped = false;
    if (--pane_.internalChange_ == 0) {
        const bool modified = pane_.document()->isModified();
        // Switching undo off clears the history.
        dropped = run->Kind != RunKind::Loading && run->Changed > undoLineLimit_;
        if (dropped || run->Kind == RunKind::Loading) {
            pane_.document()->setUndoRedoEnabled(false);
            pane_.document()->setUndoRedoEnabled(true);
        }
        pane_.document()->setModified(modified);
    }
    if (run->Started) {
        pane_.setReadOnly(readOnlyBeforeRun_);
        emit pane_.runFinished();
    }
    if (run->Kind == RunKind::Calculating) {
        const CalculationRun& calculation = *run->Calculation;
        if (calculation.Finished() && !calculation.Cancelled() && !calculation.FailedLine())
            lastCompleteRunFrom_ = static_cast<int>(calculation.StartLine());
        if (calculation.LinesDone() > 0 || calculation.FailedLine()) {
            const QTextBlock next =
                pane_.document()->findBlockByNumber(static_cast<int>(calculation.NextLine()));
            run->Caret = next.isValid() ? next.position() : pane_.TextLength();
        }
        pane_.ShowCaret(run->Caret);
        if (calculation.FailedLine())
            emit pane_.errorRaised(run->Error);
    }
    if (run->Kind == RunKind::Calculating || run->Kind == RunKind::RemovingAnswers)
        emit pane_.calculationFinished();
    if (dropped)
        emit pane_.notice(
            pane_.language_ == 1
                ? QStringLiteral("Too large to undo: the change covers more than %L1 lines; "
                                 "the undo history was cleared.")
                      .arg(undoLineLimit_)
                : QStringLiteral("元に戻せません: 変更が %L1 行を超えたため、元に戻す履歴を消去しました。")
                      .arg(undoLineLimit_));
}

namespace {

// Element assignments can fail on the window's side and read the clipboard, and an
// assignment to the clipboard writes it: those lines are calculated on the window's thread.
bool CanShowAhead(const std::string& name, int idx) {
    return idx == -1 && name != ClipVariableName;
}

} // namespace

void TLongWork::FeedAhead(CalculationAhead& ahead, std::deque<QString>& fed, std::size_t end) {
    // A small first batch gets the writing going at once; then enough ahead that neither
    // thread waits for the other.
    constexpr std::size_t FirstBatch = 32;
    constexpr std::size_t Batch = 1024;
    constexpr std::size_t InFlight = 3;
    while (ahead.InFlight() < InFlight && ahead.Fed() < end) {
        std::unique_ptr<AheadBatch> batch = ahead.NewBatch();
        const std::size_t size =
            std::min(end - ahead.Fed(), ahead.InFlight() == 0 ? FirstBatch : Batch);
        QTextBlock block = pane_.document()->findBlockByNumber(static_cast<int>(ahead.Fed()));
        for (std::size_t i = 0; i < size && block.isValid(); ++i, block = block.next()) {
            fed.push_back(block.text());
            batch->AddLine(fed.back().toStdString());
        }
        if (batch->Count() == 0)
            return;
        ahead.Feed(std::move(batch));
    }
}

void TLongWork::ShowAhead(const AheadBatch& batch, std::size_t i) {
    for (auto shown = batch.ShowsBegin(i); shown != batch.ShowsEnd(i); ++shown) {
        if (!shown->Assignment) {
            emit pane_.variableChanged(QString::fromUtf8(batch.TextOf(shown->Name)),
                                 QString::fromUtf8(batch.TextOf(shown->Value)));
        } else if (pane_.engine_->OnSubstitute()) {
            std::string name(batch.TextOf(shown->Name));
            std::string value(batch.TextOf(shown->Value));
            try {
                pane_.engine_->OnSubstitute()(*pane_.engine_, name, value, -1);
            } catch (const std::exception&) {
                // Only notices the window shows without failing come this way.
            }
        }
    }
    for (auto change = batch.ChangesBegin(i); change != batch.ChangesEnd(i); ++change)
        pane_.variables_->Apply(change->What, batch.TextOf(change->Name), batch.TextOf(change->Value));
}

bool TLongWork::CalculateSlice(Run& run) {
    CalculationRun& calculation = *run.Calculation;
    std::optional<LineCalculator> calculator;
    if (pane_.engine_ && pane_.variables_) {
        calculator.emplace(*pane_.engine_, *pane_.variables_, pane_.numberFormat_);
        calculator->SetShowValue([this](const std::string& name, const std::string& value) {
            emit pane_.variableChanged(QString::fromStdString(name), QString::fromStdString(value));
        });
    }
    const std::size_t end = calculation.StartLine() + calculation.Total();
    if (!run.Ahead && calculator && !calculation.Finished() && end - calculation.NextLine() > 1) {
        try {
            run.Ahead = std::make_unique<CalculationAhead>(*pane_.variables_, pane_.numberFormat_,
                                                           calculation.NextLine(), CanShowAhead);
        } catch (const std::exception&) {
            // No thread to be had: this one calculates the lines itself.
        }
    }
    int blockLine = static_cast<int>(calculation.NextLine());
    QTextBlock block = pane_.document()->findBlockByNumber(blockLine);
    run.Steps.CalculateLine = [&](std::size_t line, bool copyAllowed) {
        if (!calculator) {
            run.Error = QStringLiteral("No calculator is attached to the pane.");
            return false;
        }
        if (blockLine != static_cast<int>(line)) {
            blockLine = static_cast<int>(line);
            block = pane_.document()->findBlockByNumber(blockLine);
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
                emit pane_.lineAboutToBeCalculated(blockLine);
                ShowAhead(*run.Batch, i);
                run.Pending.push_back({blockLine, std::move(run.Fed.front()),
                                       QString::fromUtf8(run.Batch->TextOf(ahead.NewText)),
                                       copyAllowed && pane_.copyAutomatically_, ahead.Value});
                run.Fed.pop_front();
                emit pane_.lineCalculated(blockLine);
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
        emit pane_.lineAboutToBeCalculated(blockLine);
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
                               copyAllowed && pane_.copyAutomatically_, result.Value});
        emit pane_.lineCalculated(blockLine);
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
        TCalcPane::ProgramEdit edit(pane_, TCalcPane::ProgramEdit::ChangesText, run.Changed > 0);
        QTextBlock line = pane_.document()->findBlockByNumber(run.Pending.front().Number);
        const int before = run.Changed;
        for (const Run::Line& pending : run.Pending) {
            if (pane_.WriteLine(edit.Cursor(), line, pending.Old, pending.Text))
                ++run.Changed;
            if (!line.next().isValid()) {
                pane_.MoveToNextLine(edit.Cursor(), line);
                ++run.Changed;
            }
            if (pending.Copy)
                copy = pending.Value;
            line = line.next();
        }
        if (run.Changed > before)
            edit.TextChanged();
        run.Pending.clear();
    }
    if (copy)
        pane_.CopyToClipboard(*copy);
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

bool TLongWork::RemoveAnswersSlice(Run& run) {
    TCalcPane::ProgramEdit edit(pane_, TCalcPane::ProgramEdit::ChangesText, run.Changed > 0);
    const std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    const bool ended =
        WorkOnLines(pane_.document(), run.Next, run.Budget(sliceTime_), [&](const QTextBlock& block) {
            const QString text = block.text();
            const QString expression = QString::fromStdString(StripAnswer(text.toStdString()));
            // Mostly only the answer run goes; the expression before it stays.
            if (pane_.WriteLine(edit.Cursor(), block, text, expression)) {
                ++run.Changed;
                edit.TextChanged();
            }
        });
    run.Worked = std::chrono::steady_clock::now() - start;
    return ended;
}

} // namespace vexmo
