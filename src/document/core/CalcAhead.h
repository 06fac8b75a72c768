#pragma once
// Calculate again done ahead of the window on a thread of its own. The window hands over the
// texts of the lines to come, in batches; the thread calculates them on a copy of the store
// with an engine of its own, and hands back for every line what calculating it made of the
// line, the values it showed and the changes it made to the store. The window shows those
// values and makes those changes to its own store when it writes the line, so its store, its
// Variables window and its clipboard follow the document line by line as before, and a run
// stopped between two lines leaves them as after the last line written. The thread never
// touches anything of the window's.
//
// A line the thread cannot do alone it hands back, and stops: one whose calculation raised,
// or an assignment the window must answer while the engine calculates (`CanShowAhead` says
// which). The window calculates that line itself, as it always did. Standard library only.

#include "document/core/CalcLine.h"
#include "engine/CompTinyParseEngine.h"
#include "engine/Variables.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace vexmo {

// Lines going to the thread and coming back. Each kind of text lives in one buffer and the
// batches are used again, so the two threads hand each other a few allocations per batch
// rather than several per line.
class AheadBatch {
  public:
    struct Text {
        std::size_t Start = 0;
        std::size_t Size = 0;
    };
    // A value shown while the line was calculated, in order: an assignment's notice, or ANS
    // and _ANS as LineCalculator shows them.
    struct Shown {
        bool Assignment = false;
        Text Name;
        Text Value;
    };
    struct Change {
        Variables::Change::Kind What = Variables::Change::Kind::Write;
        Text Name;
        Text Value;
    };
    struct Outcome {
        bool HandedBack = false; // the window calculates this line; nothing else is set
        Text NewText;
        bool HasAnswer = false;
        std::size_t AnswerStartUtf16 = 0;
        DComplex Value;
        // Its shows and changes run from the previous line's ends to these.
        std::size_t ShowsEnd = 0;
        std::size_t ChangesEnd = 0;
    };

    // The lines' texts, by the window.
    void AddLine(std::string_view text);
    std::size_t First() const { return first_; } // the number of the first line
    std::size_t Count() const { return inEnds_.size(); }
    std::string_view LineText(std::size_t i) const;

    // What came of them: one outcome per line, up to a line handed back.
    const std::vector<Outcome>& Outcomes() const { return outcomes_; }
    std::string_view TextOf(Text text) const {
        return std::string_view(out_).substr(text.Start, text.Size);
    }
    // The shows and changes of line i.
    std::vector<Shown>::const_iterator ShowsBegin(std::size_t i) const;
    std::vector<Shown>::const_iterator ShowsEnd(std::size_t i) const;
    std::vector<Change>::const_iterator ChangesBegin(std::size_t i) const;
    std::vector<Change>::const_iterator ChangesEnd(std::size_t i) const;

  private:
    friend class CalculationAhead;
    void Reset(std::size_t first);
    Text Keep(std::string_view text);

    std::size_t first_ = 0;
    std::string in_;
    std::vector<std::size_t> inEnds_;
    std::string out_;
    std::vector<Outcome> outcomes_;
    std::vector<Shown> shows_;
    std::vector<Change> changes_;
};

class CalculationAhead {
  public:
    // True when an assignment notice (name, element index or -1) may be shown after the
    // line is calculated instead of while the engine calculates it.
    using CanShowAheadFn = std::function<bool(const std::string& name, int idx)>;

    // Calculates from line `firstLine` on with a copy of `store`.
    CalculationAhead(const Variables& store, const NumberFormatSettings& settings,
                     std::size_t firstLine, CanShowAheadFn canShowAhead);
    // Stops after the line in hand and waits for the thread.
    ~CalculationAhead();
    CalculationAhead(const CalculationAhead&) = delete;
    CalculationAhead& operator=(const CalculationAhead&) = delete;

    // A batch for the texts of the lines from Fed() on; Feed hands it over.
    std::unique_ptr<AheadBatch> NewBatch();
    void Feed(std::unique_ptr<AheadBatch> batch);
    // The first line not fed yet, and the batches fed and not taken back.
    std::size_t Fed() const { return fed_; }
    std::size_t InFlight() const { return inFlight_; }
    // The next batch fed, calculated; waits for it. Null when none is in flight or the
    // thread stopped before it (after a line handed back).
    std::unique_ptr<AheadBatch> Take();
    // A batch taken and done with, to be used again.
    void GiveBack(std::unique_ptr<AheadBatch> batch);

  private:
    void Work();
    void CalculateBatch(AheadBatch& batch);

    // The thread's own.
    Variables store_;
    NumberFormatSettings settings_;
    CanShowAheadFn canShowAhead_;
    TCompTinyParser engine_;
    LineCalculator calculator_{engine_, store_, settings_};
    std::vector<Variables::Change> journal_;
    AheadBatch* current_ = nullptr; // the batch whose line is being calculated
    bool handBack_ = false;
    // The window's own.
    std::size_t fed_;
    std::size_t inFlight_ = 0;
    std::vector<std::unique_ptr<AheadBatch>> spare_;
    // Handed between the two, under the lock.
    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<std::unique_ptr<AheadBatch>> toDo_;
    std::deque<std::unique_ptr<AheadBatch>> done_;
    bool stopped_ = false; // the thread has ended
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace vexmo
