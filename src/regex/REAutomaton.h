#pragma once
// Parse tree -> nondeterministic automaton -> deterministic automaton. The deterministic
// automaton is built completely up front and refuses to grow past fixed limits, so a
// hostile pattern costs a clear error instead of all memory.

#include "regex/REParser.h"

#include <cstdint>
#include <vector>

namespace vexmo {

struct TRE_NFAState {
    int Eps[2] = {-1, -1};        // empty moves (Thompson construction needs at most two)
    int Target = -1;              // target of the character move, -1 when none
    std::uint32_t RangeBegin = 0; // the character move's ranges in TRE_NFA::Ranges
    std::uint32_t RangeEnd = 0;
};

class TRE_NFA {
  public:
    static constexpr std::size_t MaxStates = 2'000'000;

    explicit TRE_NFA(const TREParseTree& tree);

    std::vector<TRE_NFAState> States;
    std::vector<TRERange> Ranges;
    int Start = -1;
    int Accept = -1;

  private:
    int NewState();
};

// Sets of NFA states as sorted vectors, closed under empty moves.
class TRE_NFAStateSet {
  public:
    explicit TRE_NFAStateSet(const TRE_NFA& nfa) : FNfa(nfa), FMark(nfa.States.size(), 0) {}
    // Replaces states by its closure under empty moves, sorted.
    void Close(std::vector<int>& states);
    bool Contains(const std::vector<int>& sortedStates, int state) const;

  private:
    const TRE_NFA& FNfa;
    std::vector<std::uint32_t> FMark;
    std::uint32_t FStamp = 0;
    std::vector<int> FStack;
};

struct TRE_DFATransition {
    TRECode Lo = 0;
    TRECode Hi = 0;
    int Target = -1;
};

class TRE_DFA {
  public:
    static constexpr std::size_t MaxStates = 10'000;
    static constexpr std::size_t MaxTransitions = 4'000'000;
    // Sum of the NFA state-set sizes kept during construction (about 4 bytes each).
    static constexpr std::size_t MaxSetEntries = 16'000'000;
    // Sum of the closures computed: bounds the construction time as well.
    static constexpr std::size_t MaxClosureWork = 50'000'000;

    explicit TRE_DFA(const TREParseTree& tree);

    int StartState() const { return FStart; }
    // The start state after the line head (the runs with and without it merged).
    int LineHeadStartState() const { return FLineHeadStart; }
    bool Accepting(int state) const { return FAccept[static_cast<std::size_t>(state)] != 0; }
    // Accepting once the line tail is taken here (only meaningful before a line end).
    bool AcceptingAtLineEnd(int state) const {
        return FAcceptAtLineEnd[static_cast<std::size_t>(state)] != 0;
    }
    int NextAscii(int state, unsigned char byte) const {
        return FAscii[static_cast<std::size_t>(state) * 128 + byte];
    }
    int Next(int state, TRECode code) const;
    std::size_t StateCount() const { return FAccept.size(); }
    bool UsesLineHead() const { return FUsesLineHead; }
    bool UsesLineTail() const { return FUsesLineTail; }
    // Whether a byte can begin a match from the start state (bytes of multi-byte
    // characters always can): lets the search skip hopeless positions quickly.
    bool MayStartWith(unsigned char byte) const { return FStartBytes[byte] != 0; }

  private:
    int FollowToFixpoint(int state, TRECode pseudo) const;

    std::vector<std::uint8_t> FAccept;
    std::vector<std::uint8_t> FAcceptAtLineEnd;
    std::vector<int> FAscii;                // 128 targets per state
    std::vector<std::uint32_t> FTransBegin; // per state, plus one past the last
    std::vector<TRE_DFATransition> FTrans;  // sorted disjoint ranges per state
    std::vector<std::uint8_t> FStartBytes = std::vector<std::uint8_t>(256, 0);
    int FStart = 0;
    int FLineHeadStart = 0;
    bool FUsesLineHead = false;
    bool FUsesLineTail = false;
};

} // namespace vexmo
