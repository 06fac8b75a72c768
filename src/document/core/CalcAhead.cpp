#include "document/core/CalcAhead.h"

#include <utility>

namespace vexmo {

// ---- AheadBatch ----

void AheadBatch::AddLine(std::string_view text) {
    in_ += text;
    inEnds_.push_back(in_.size());
}

std::string_view AheadBatch::LineText(std::size_t i) const {
    const std::size_t start = i == 0 ? 0 : inEnds_[i - 1];
    return std::string_view(in_).substr(start, inEnds_[i] - start);
}

std::vector<AheadBatch::Shown>::const_iterator AheadBatch::ShowsBegin(std::size_t i) const {
    return shows_.begin() + static_cast<std::ptrdiff_t>(i == 0 ? 0 : outcomes_[i - 1].ShowsEnd);
}

std::vector<AheadBatch::Shown>::const_iterator AheadBatch::ShowsEnd(std::size_t i) const {
    return shows_.begin() + static_cast<std::ptrdiff_t>(outcomes_[i].ShowsEnd);
}

std::vector<AheadBatch::Change>::const_iterator AheadBatch::ChangesBegin(std::size_t i) const {
    return changes_.begin() +
           static_cast<std::ptrdiff_t>(i == 0 ? 0 : outcomes_[i - 1].ChangesEnd);
}

std::vector<AheadBatch::Change>::const_iterator AheadBatch::ChangesEnd(std::size_t i) const {
    return changes_.begin() + static_cast<std::ptrdiff_t>(outcomes_[i].ChangesEnd);
}

void AheadBatch::Reset(std::size_t first) {
    first_ = first;
    in_.clear();
    inEnds_.clear();
    out_.clear();
    outcomes_.clear();
    shows_.clear();
    changes_.clear();
}

AheadBatch::Text AheadBatch::Keep(std::string_view text) {
    const Text kept{out_.size(), text.size()};
    out_ += text;
    return kept;
}

// ---- CalculationAhead ----

CalculationAhead::CalculationAhead(const Variables& store, const NumberFormatSettings& settings,
                                   std::size_t firstLine, CanShowAheadFn canShowAhead)
    : store_(store), settings_(settings), canShowAhead_(std::move(canShowAhead)),
      fed_(firstLine) {
    engine_.SetVariables(&store_);
    engine_.SetOnSubstitute([this](TCompTinyParser&, std::string& name, std::string& value,
                                   int idx) {
        if (canShowAhead_ && !canShowAhead_(name, idx))
            handBack_ = true;
        else
            current_->shows_.push_back({true, current_->Keep(name), current_->Keep(value)});
    });
    calculator_.SetShowValue([this](const std::string& name, const std::string& value) {
        current_->shows_.push_back({false, current_->Keep(name), current_->Keep(value)});
    });
    store_.SetJournal(&journal_);
    thread_ = std::thread([this] { Work(); });
}

CalculationAhead::~CalculationAhead() {
    {
        const std::lock_guard<std::mutex> hold(lock_);
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

std::unique_ptr<AheadBatch> CalculationAhead::NewBatch() {
    std::unique_ptr<AheadBatch> batch;
    if (spare_.empty()) {
        batch = std::make_unique<AheadBatch>();
    } else {
        batch = std::move(spare_.back());
        spare_.pop_back();
    }
    batch->Reset(fed_);
    return batch;
}

void CalculationAhead::Feed(std::unique_ptr<AheadBatch> batch) {
    fed_ += batch->Count();
    ++inFlight_;
    {
        const std::lock_guard<std::mutex> hold(lock_);
        toDo_.push_back(std::move(batch));
    }
    changed_.notify_all();
}

std::unique_ptr<AheadBatch> CalculationAhead::Take() {
    if (inFlight_ == 0)
        return nullptr;
    std::unique_lock<std::mutex> hold(lock_);
    changed_.wait(hold, [this] { return !done_.empty() || stopped_; });
    if (done_.empty())
        return nullptr;
    std::unique_ptr<AheadBatch> batch = std::move(done_.front());
    done_.pop_front();
    --inFlight_;
    return batch;
}

void CalculationAhead::GiveBack(std::unique_ptr<AheadBatch> batch) {
    spare_.push_back(std::move(batch));
}

void CalculationAhead::Work() {
    for (;;) {
        std::unique_ptr<AheadBatch> batch;
        {
            std::unique_lock<std::mutex> hold(lock_);
            changed_.wait(hold, [this] { return stop_ || !toDo_.empty(); });
            if (stop_) {
                stopped_ = true;
                return;
            }
            batch = std::move(toDo_.front());
            toDo_.pop_front();
        }
        try {
            CalculateBatch(*batch);
        } catch (...) {
            // Out of memory for the batch's own buffers: the window calculates the rest.
            {
                const std::lock_guard<std::mutex> hold(lock_);
                stopped_ = true;
            }
            changed_.notify_all();
            return;
        }
        const bool handedBack = !batch->outcomes_.empty() && batch->outcomes_.back().HandedBack;
        {
            const std::lock_guard<std::mutex> hold(lock_);
            done_.push_back(std::move(batch));
            // After a line handed back the copy of the store is not what the window's will
            // be: nothing more is calculated here.
            stopped_ = handedBack || stop_;
        }
        changed_.notify_all();
        if (handedBack)
            return;
    }
}

void CalculationAhead::CalculateBatch(AheadBatch& batch) {
    current_ = &batch;
    for (std::size_t i = 0; i < batch.Count() && !stop_.load(std::memory_order_relaxed); ++i) {
        const std::size_t showsBefore = batch.shows_.size();
        const std::size_t changesBefore = batch.changes_.size();
        const std::size_t outBefore = batch.out_.size();
        handBack_ = false;
        journal_.clear();
        AheadBatch::Outcome outcome;
        try {
            LineOutcome line = calculator_.Calculate(batch.LineText(i));
            if (line.Ok()) {
                const LineCalculation& result = *line.Result;
                outcome.NewText = batch.Keep(result.NewText);
                outcome.HasAnswer = result.HasAnswer;
                outcome.AnswerStartUtf16 = result.AnswerStartUtf16;
                outcome.Value = result.Value;
                for (const Variables::Change& change : journal_)
                    batch.changes_.push_back(
                        {change.What, batch.Keep(change.Name), batch.Keep(change.Value)});
            } else {
                handBack_ = true;
            }
        } catch (...) {
            // Whatever it was, the window meets it again on its own thread and reports it.
            handBack_ = true;
        }
        if (handBack_) {
            batch.shows_.resize(showsBefore);
            batch.changes_.resize(changesBefore);
            batch.out_.resize(outBefore);
            outcome = AheadBatch::Outcome{};
            outcome.HandedBack = true;
        }
        outcome.ShowsEnd = batch.shows_.size();
        outcome.ChangesEnd = batch.changes_.size();
        batch.outcomes_.push_back(outcome);
        if (handBack_)
            break;
    }
    current_ = nullptr;
}

} // namespace vexmo
