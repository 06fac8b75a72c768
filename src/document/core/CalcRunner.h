#pragma once
// Calculate again as a run that can be done in slices: the caller calculates a few lines,
// shows them, lets the user interface breathe and goes on, or stops the run between two
// lines. The steps are those of CalculateAgain (which is one run done in one slice), so
// the desktop program and vexmo-calc calculate a document the same way. Standard library
// only.

#include "document/core/CalcLine.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>

namespace vexmo {

class CalculationRun {
  public:
    // Lines `startLine` .. N-1 of the document as it is now; a start past the end runs
    // nothing. The steps must outlive the run.
    explicit CalculationRun(const CalculateAgainSteps& steps, std::size_t startLine = 0);

    // Calculates lines until the run ends or `stop` (asked after every line) says so.
    // Returns true when the run has ended.
    bool RunSlice(const std::function<bool()>& stop);
    // Calculates lines for about `budget` (at least one line); true when the run has ended.
    bool RunFor(std::chrono::steady_clock::duration budget);

    // Ends the run before its next line; the lines calculated so far keep their answers.
    void Cancel();

    bool Finished() const { return finished_; }
    bool Cancelled() const { return cancelled_; }
    // The line the next slice starts with (after the run: where it stopped).
    std::size_t NextLine() const { return next_; }
    std::size_t StartLine() const { return start_; }
    // The lines this run covers (at most; an empty last line is left out when reached).
    std::size_t Total() const { return end_ - start_; }
    std::size_t LinesDone() const { return next_ - start_; }
    // The line whose calculation raised, which ended the run.
    std::optional<std::size_t> FailedLine() const { return failed_; }

  private:
    const CalculateAgainSteps& steps_;
    std::size_t start_;
    std::size_t end_;
    std::size_t next_;
    bool finished_ = false;
    bool cancelled_ = false;
    std::optional<std::size_t> failed_;
};

} // namespace vexmo
