#pragma once
// Long work on the pane's document, done in slices of about SliceTime each so that the
// window paints and takes input between two of them: Calculate again and Calculate below
// (the lines calculated ahead on a second thread while this one writes them), Remove
// answers and loading a document. While a run goes on the pane is read-only; Escape
// cancels the runs that can be cancelled. A calculation or Remove answers is one undo
// step, however many slices it takes, unless it changed more than UndoLineLimit lines.

#include "document/gui/CalcPane.h"

#include <QObject>
#include <QString>
#include <chrono>
#include <cstddef>
#include <deque>
#include <memory>

namespace vexmo {

class AheadBatch;
class CalculationAhead;

class TLongWork : public QObject {
  public:
    using RunKind = TCalcPane::RunKind;
    // The most lines one undo step may change: about 100 bytes of undo record a line, and
    // undoing it in one go, without slices, stays a short wait.
    static constexpr int UndoLineLimit = 100'000;

    explicit TLongWork(TCalcPane& pane);
    ~TLongWork() override;

    RunKind Running() const { return runKind_; }
    bool Busy() const { return runKind_ != RunKind::None; }
    void SetSliceTime(std::chrono::microseconds time) { sliceTime_ = time; }
    int LastCompleteRunFrom() const { return lastCompleteRunFrom_; }
    void SetUndoLineLimit(int lines) { undoLineLimit_ = lines; }
    // A calculation outside a run makes the last complete run a thing of the past.
    void ForgetCompleteRun() { lastCompleteRunFrom_ = -1; }

    void CalculateAgainFrom(int startLine);
    void RemoveAnswers();
    void LoadText(const QString& text);
    void FinishLoading();
    void CancelRun();

  private:
    struct Run;

    // Starts a run whose first slice is done at once; the rest follows from the event loop.
    void StartRun(std::unique_ptr<Run> run);
    void RunNextSlice();
    // One slice of each kind of run; true when the run has ended.
    bool CalculateSlice(Run& run);
    // Hands the run ahead the texts of the next lines up to `end` it needs, keeping them in
    // `fed` as well.
    void FeedAhead(CalculationAhead& ahead, std::deque<QString>& fed, std::size_t end);
    // Shows what line i of the batch showed when it was calculated ahead, and makes its
    // changes to the store.
    void ShowAhead(const AheadBatch& batch, std::size_t i);
    bool RemoveAnswersSlice(Run& run);
    bool LoadSlice(Run& run);
    void EndRun();

    TCalcPane& pane_;
    RunKind runKind_ = RunKind::None;
    std::unique_ptr<Run> run_;
    std::chrono::microseconds sliceTime_{40'000};
    bool readOnlyBeforeRun_ = false;
    int lastCompleteRunFrom_ = -1;
    int undoLineLimit_ = UndoLineLimit;
    bool sliceQueued_ = false;
    // A slice is being done: a cancel asked meanwhile (from a slot of one of its signals, or
    // a dialog it opened) waits until the slice has written its lines.
    bool inSlice_ = false;
};

} // namespace vexmo
