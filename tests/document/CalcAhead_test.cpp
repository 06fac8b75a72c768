// Lines calculated ahead on another thread, then brought into the window's store, must leave
// exactly what calculating them on the window's own thread leaves: the same texts, the same
// values shown in the same order, the same store; and a line the window has to calculate
// itself must come back to it before anything after it is calculated.
#include "document/core/CalcAhead.h"

#include "Deadline.h"
#include "LineSession.h"
#include "StarvedThreads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using namespace vexmo;

namespace {

// What a run over the lines left: each line's new text, everything shown, and the store.
struct Outcome {
    std::vector<std::string> Texts;
    std::vector<std::string> Shown;
    std::vector<std::string> Store;
    std::size_t HandedBack = 0; // the line handed back, or the line count
};

std::vector<std::string> StoreLines(const Variables& store) {
    std::vector<std::string> lines;
    for (const Variables::Line& line : store.Lines())
        lines.push_back(line.Name + "=" + line.Value);
    return lines;
}

Variables StartingStore() {
    Variables store;
    store.Write("K", "4 +_I 0");
    store.Write("G(X)", "X*K");
    return store;
}

// The window's own way, line by line, up to the line expected back.
Outcome OnOneThread(const std::vector<std::string>& lines, std::size_t until) {
    test::LineSession s;
    s.store = StartingStore();
    Outcome outcome;
    s.engine.SetOnSubstitute([&](TCompTinyParser&, std::string& name, std::string& value, int) {
        outcome.Shown.push_back("notice " + name + "=" + value);
    });
    s.calc.SetShowValue([&](const std::string& name, const std::string& value) {
        outcome.Shown.push_back("show " + name + "=" + value);
    });
    for (std::size_t i = 0; i < until; ++i)
        outcome.Texts.push_back(s.calc.Calculate(lines[i]).Result->NewText);
    outcome.Store = StoreLines(s.store);
    outcome.HandedBack = until;
    return outcome;
}

// Ahead, fed two lines at a time, everything brought into the window's store.
Outcome Ahead(const std::vector<std::string>& lines) {
    NumberFormatSettings settings;
    Variables store = StartingStore();
    CalculationAhead ahead(store, settings, 0, [](const std::string& name, int idx) {
        return idx == -1 && name != "_CLIP";
    });
    for (std::size_t i = 0; i < lines.size(); i += 2) {
        std::unique_ptr<AheadBatch> batch = ahead.NewBatch();
        for (std::size_t j = i; j < std::min(lines.size(), i + 2); ++j)
            batch->AddLine(lines[j]);
        ahead.Feed(std::move(batch));
    }
    Outcome outcome;
    outcome.HandedBack = lines.size();
    while (std::unique_ptr<AheadBatch> batch = ahead.Take()) {
        for (std::size_t i = 0; i < batch->Outcomes().size(); ++i) {
            const AheadBatch::Outcome& line = batch->Outcomes()[i];
            if (line.HandedBack) {
                outcome.HandedBack = batch->First() + i;
                outcome.Store = StoreLines(store);
                return outcome;
            }
            for (auto shown = batch->ShowsBegin(i); shown != batch->ShowsEnd(i); ++shown)
                outcome.Shown.push_back(std::string(shown->Assignment ? "notice " : "show ") +
                                        std::string(batch->TextOf(shown->Name)) + "=" +
                                        std::string(batch->TextOf(shown->Value)));
            for (auto change = batch->ChangesBegin(i); change != batch->ChangesEnd(i); ++change)
                store.Apply(change->What, batch->TextOf(change->Name),
                            batch->TextOf(change->Value));
            outcome.Texts.emplace_back(batch->TextOf(line.NewText));
        }
        ahead.GiveBack(std::move(batch));
    }
    outcome.Store = StoreLines(store);
    return outcome;
}

} // namespace

TEST(CalculationAhead, LeavesWhatTheWindowsOwnCalculationLeaves) {
    struct Row {
        const char* name;
        std::vector<std::string> lines;
        std::size_t handedBack; // the line the window calculates itself (the count: none)
    };
    const Row rows[] = {
        {"values, names and functions across batches",
         {"A := 2", "B := A*K ; a comment", "", "F(X) := X^2 + B", "F(3) ==> 0 +_I 0 ",
          "G(2) $", "1/0", "A := 5", "ANS + _ANS"},
         9},
        {"an element assignment comes back", {"A := 1", "A+1", "C[2] := 7", "A+2"}, 2},
        {"an assignment to the clipboard comes back", {"7", "_CLIP := 3", "8"}, 1},
        {"a line that raises comes back", {"A := 3", "1E", "A"}, 1},
        {"the first line can come back", {"C[0] := 1", "2"}, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Outcome ahead = Ahead(row.lines);
        const Outcome expected = OnOneThread(row.lines, row.handedBack);
        EXPECT_EQ(ahead.HandedBack, row.handedBack);
        EXPECT_EQ(ahead.Texts, expected.Texts);
        EXPECT_EQ(ahead.Shown, expected.Shown);
        EXPECT_EQ(ahead.Store, expected.Store);
    }
}

// The thread stops at the line in hand however it is left: destroyed in the middle of a
// batch or with batches queued behind it, or out of memory; and never takes the test with it.
TEST(CalculationAhead, StopsCleanlyMidBatchAndOutOfMemory) {
    using namespace std::chrono_literals;
    struct Row {
        const char* name;
        std::size_t batches;
        bool starve;
    };
    const Row rows[] = {
        {"destroyed in the middle of its only batch", 1, false},
        {"destroyed with batches in flight", 20, false},
        {"out of memory", 3, true},
    };
    constexpr std::size_t kLines = 20000;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        vexmo::test::Deadline deadline(10s, std::string("the thread to stop: ") + row.name);
        std::atomic<std::size_t> started{0};
        NumberFormatSettings settings;
        Variables store;
        store.Write("A", "0 +_I 0");
        {
            CalculationAhead ahead(store, settings, 0, [&](const std::string&, int) {
                started.fetch_add(1);
                return true;
            });
            std::optional<vexmo::test::StarveOtherThreads> starved;
            if (row.starve) starved.emplace();
            for (std::size_t b = 0; b < row.batches; ++b) {
                std::unique_ptr<AheadBatch> batch = ahead.NewBatch();
                for (std::size_t i = 0; i < kLines; ++i)
                    batch->AddLine("A := A+1");
                ahead.Feed(std::move(batch));
            }
            if (row.starve) {
                // The window then calculates every line itself.
                EXPECT_EQ(nullptr, ahead.Take());
                EXPECT_GT(starved->Refused(), 0);
                starved.reset();
            } else {
                while (started.load() == 0)
                    std::this_thread::yield();
            }
        }
        if (!row.starve) {
            EXPECT_LT(started.load(), kLines) << "the batch was not cut short";
        }
    }
}
