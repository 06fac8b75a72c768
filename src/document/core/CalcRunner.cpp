#include "document/core/CalcRunner.h"

#include <algorithm>

namespace vexmo {

CalculationRun::CalculationRun(const CalculateAgainSteps& steps, std::size_t startLine)
    : steps_(steps), end_(steps.LineCount())
{
    start_ = std::min(startLine, end_);
    next_ = start_;
    finished_ = next_ >= end_;
}

bool CalculationRun::RunSlice(const std::function<bool()>& stop)
{
    while (!finished_) {
        const std::size_t i = next_;
        // Calculating the last line appends an empty one, so the count is read before it.
        const bool last = i + 1 == steps_.LineCount();
        if (last && steps_.LineIsEmpty(i)) {
            finished_ = true;
            break;
        }
        if (!steps_.CalculateLine(i, last)) {
            failed_ = i;
            finished_ = true;
            break;
        }
        next_ = i + 1;
        if (next_ >= end_)
            finished_ = true;
        else if (stop && stop())
            break;
    }
    return finished_;
}

bool CalculationRun::RunFor(std::chrono::steady_clock::duration budget)
{
    const auto until = std::chrono::steady_clock::now() + budget;
    // The clock is read every few lines only: most lines take well under a microsecond.
    unsigned lines = 0;
    return RunSlice([&] { return (++lines & 15u) == 0 && std::chrono::steady_clock::now() >= until; });
}

void CalculationRun::Cancel()
{
    if (finished_)
        return;
    cancelled_ = true;
    finished_ = true;
}

} // namespace vexmo
