#include "regex/REAutomaton.h"

#include <algorithm>
#include <deque>
#include <unordered_map>
#include <utility>

namespace vexmo {

// ---- nondeterministic automaton ----

int TRE_NFA::NewState() {
    if (States.size() >= MaxStates) throw ERegExpParser(RegExpMessages::TooComplex, 1);
    States.emplace_back();
    return static_cast<int>(States.size()) - 1;
}

namespace {

void AddEps(TRE_NFAState& state, int target) {
    // Each state receives empty moves only while it is a fragment's accept state, and
    // never more than two in total.
    if (state.Eps[0] < 0)
        state.Eps[0] = target;
    else
        state.Eps[1] = target;
}

} // namespace

TRE_NFA::TRE_NFA(const TREParseTree& tree) {
    struct Fragment {
        int Start = -1;
        int Accept = -1;
    };
    // Children precede their parents in the tree, so one pass in index order builds every
    // fragment from finished ones: no recursion, whatever the nesting depth.
    std::vector<Fragment> frags(tree.Nodes.size());
    auto st = [&](int id) -> TRE_NFAState& { return States[static_cast<std::size_t>(id)]; };
    for (std::size_t i = 0; i < tree.Nodes.size(); ++i) {
        const TRENode& node = tree.Nodes[i];
        Fragment f;
        auto charMove = [&](const std::vector<TRERange>& ranges) {
            f.Start = NewState();
            f.Accept = NewState();
            st(f.Start).Target = f.Accept;
            st(f.Start).RangeBegin = static_cast<std::uint32_t>(Ranges.size());
            Ranges.insert(Ranges.end(), ranges.begin(), ranges.end());
            st(f.Start).RangeEnd = static_cast<std::uint32_t>(Ranges.size());
        };
        switch (node.Kind) {
        case TRENodeKind::Ranges:
            charMove(node.Ranges);
            break;
        case TRENodeKind::LineHead:
            charMove({{RECodeLineHead, RECodeLineHead}});
            break;
        case TRENodeKind::LineTail:
            charMove({{RECodeLineTail, RECodeLineTail}});
            break;
        case TRENodeKind::Empty:
            f.Start = f.Accept = NewState();
            break;
        case TRENodeKind::Concat: {
            const Fragment a = frags[static_cast<std::size_t>(node.Left)];
            const Fragment b = frags[static_cast<std::size_t>(node.Right)];
            AddEps(st(a.Accept), b.Start);
            f = {a.Start, b.Accept};
            break;
        }
        case TRENodeKind::Union: {
            const Fragment a = frags[static_cast<std::size_t>(node.Left)];
            const Fragment b = frags[static_cast<std::size_t>(node.Right)];
            f.Start = NewState();
            f.Accept = NewState();
            AddEps(st(f.Start), a.Start);
            AddEps(st(f.Start), b.Start);
            AddEps(st(a.Accept), f.Accept);
            AddEps(st(b.Accept), f.Accept);
            break;
        }
        case TRENodeKind::Star: {
            const Fragment a = frags[static_cast<std::size_t>(node.Left)];
            f.Start = NewState();
            f.Accept = NewState();
            AddEps(st(f.Start), a.Start);
            AddEps(st(f.Start), f.Accept);
            AddEps(st(a.Accept), a.Start);
            AddEps(st(a.Accept), f.Accept);
            break;
        }
        case TRENodeKind::Plus: {
            // One copy of the operand with a way back: the same language as the operand
            // followed by its star, without doubling nested repetitions.
            const Fragment a = frags[static_cast<std::size_t>(node.Left)];
            f.Start = NewState();
            f.Accept = NewState();
            AddEps(st(f.Start), a.Start);
            AddEps(st(a.Accept), a.Start);
            AddEps(st(a.Accept), f.Accept);
            break;
        }
        }
        frags[i] = f;
    }
    Start = frags[static_cast<std::size_t>(tree.Root)].Start;
    Accept = frags[static_cast<std::size_t>(tree.Root)].Accept;
}

// ---- state sets ----

void TRE_NFAStateSet::Close(std::vector<int>& states) {
    if (++FStamp == 0) {
        std::fill(FMark.begin(), FMark.end(), 0);
        FStamp = 1;
    }
    FStack.clear();
    for (int s : states) {
        if (FMark[static_cast<std::size_t>(s)] != FStamp) {
            FMark[static_cast<std::size_t>(s)] = FStamp;
            FStack.push_back(s);
        }
    }
    states.clear();
    while (!FStack.empty()) {
        const int s = FStack.back();
        FStack.pop_back();
        states.push_back(s);
        for (int e : FNfa.States[static_cast<std::size_t>(s)].Eps) {
            if (e >= 0 && FMark[static_cast<std::size_t>(e)] != FStamp) {
                FMark[static_cast<std::size_t>(e)] = FStamp;
                FStack.push_back(e);
            }
        }
    }
    std::sort(states.begin(), states.end());
}

bool TRE_NFAStateSet::Contains(const std::vector<int>& sortedStates, int state) const {
    return std::binary_search(sortedStates.begin(), sortedStates.end(), state);
}

// ---- deterministic automaton ----

namespace {

struct StateSetHash {
    std::size_t operator()(const std::vector<int>& v) const noexcept {
        std::size_t h = v.size();
        for (int x : v)
            h = (h ^ static_cast<std::size_t>(x)) * 0x100000001B3ull;
        return h;
    }
};

struct Edge {
    TRECode Lo;
    TRECode Hi;
    int Target;
};

} // namespace

TRE_DFA::TRE_DFA(const TREParseTree& tree)
    : FUsesLineHead(tree.UsesLineHead), FUsesLineTail(tree.UsesLineTail) {
    const TRE_NFA nfa(tree);
    TRE_NFAStateSet closer(nfa);
    std::unordered_map<std::vector<int>, int, StateSetHash> ids;
    std::vector<const std::vector<int>*> sets; // by DFA state; keys of ids are stable
    std::size_t setEntries = 0;
    std::size_t closureWork = 0;

    auto intern = [&](std::vector<int>&& set) {
        auto found = ids.find(set);
        if (found != ids.end()) return found->second;
        setEntries += set.size();
        if (sets.size() >= MaxStates || setEntries > MaxSetEntries)
            throw ERegExpParser(RegExpMessages::TooComplex, 1);
        const int id = static_cast<int>(sets.size());
        auto inserted = ids.emplace(std::move(set), id).first;
        sets.push_back(&inserted->first);
        return id;
    };

    std::vector<int> work{nfa.Start};
    closer.Close(work);
    FStart = intern(std::move(work));

    std::vector<Edge> edges;
    std::vector<TRECode> points;
    std::vector<std::size_t> active;
    std::vector<int> targets;
    std::unordered_map<std::vector<int>, int, StateSetHash> moveIds;
    auto closeAndIntern = [&] {
        closer.Close(targets);
        closureWork += targets.size();
        if (closureWork > MaxClosureWork) throw ERegExpParser(RegExpMessages::TooComplex, 1);
        const int id = intern(std::move(targets));
        targets = {};
        return id;
    };
    for (std::size_t s = 0; s < sets.size(); ++s) {
        const std::vector<int>& set = *sets[s];
        FTransBegin.push_back(static_cast<std::uint32_t>(FTrans.size()));
        FAccept.push_back(closer.Contains(set, nfa.Accept) ? 1 : 0);

        edges.clear();
        points.clear();
        for (int q : set) {
            const TRE_NFAState& ns = nfa.States[static_cast<std::size_t>(q)];
            if (ns.Target < 0) continue;
            for (std::uint32_t r = ns.RangeBegin; r < ns.RangeEnd; ++r) {
                edges.push_back({nfa.Ranges[r].Lo, nfa.Ranges[r].Hi, ns.Target});
                points.push_back(nfa.Ranges[r].Lo);
                points.push_back(nfa.Ranges[r].Hi + 1);
            }
        }
        if (edges.empty()) continue;
        std::sort(edges.begin(), edges.end(),
                  [](const Edge& a, const Edge& b) { return a.Lo < b.Lo; });
        std::sort(points.begin(), points.end());
        points.erase(std::unique(points.begin(), points.end()), points.end());

        // Sweep the elementary intervals between consecutive boundaries.
        active.clear();
        std::size_t nextEdge = 0;
        for (std::size_t k = 0; k + 1 < points.size(); ++k) {
            const TRECode lo = points[k];
            const TRECode hi = points[k + 1] - 1;
            while (nextEdge < edges.size() && edges[nextEdge].Lo <= lo)
                active.push_back(nextEdge++);
            std::erase_if(active, [&](std::size_t e) { return edges[e].Hi < lo; });
            if (active.empty()) continue;
            targets.clear();
            for (std::size_t e : active)
                targets.push_back(edges[e].Target);
            int target = -1;
            if (lo == RECodeLineHead || lo == RECodeLineTail) {
                // Taking "^" or "$" is optional: keep the states that did not take it.
                targets.insert(targets.end(), set.begin(), set.end());
                target = closeAndIntern();
            } else {
                // The same move set recurs from many states (every state inside a loop
                // shares the loop's moves): close each one only once.
                std::sort(targets.begin(), targets.end());
                targets.erase(std::unique(targets.begin(), targets.end()), targets.end());
                auto known = moveIds.find(targets);
                if (known != moveIds.end()) {
                    target = known->second;
                } else {
                    setEntries += targets.size();
                    std::vector<int> key = targets;
                    target = closeAndIntern();
                    moveIds.emplace(std::move(key), target);
                }
            }
            if (!FTrans.empty() && FTrans.size() > FTransBegin.back() &&
                FTrans.back().Target == target && FTrans.back().Hi + 1 == lo)
                FTrans.back().Hi = hi;
            else
                FTrans.push_back({lo, hi, target});
            if (FTrans.size() > MaxTransitions) throw ERegExpParser(RegExpMessages::TooComplex, 1);
        }
    }
    FTransBegin.push_back(static_cast<std::uint32_t>(FTrans.size()));

    const std::size_t count = sets.size();
    FAscii.assign(count * 128, -1);
    for (std::size_t s = 0; s < count; ++s) {
        for (std::uint32_t t = FTransBegin[s]; t < FTransBegin[s + 1]; ++t) {
            const TRE_DFATransition& tr = FTrans[t];
            if (tr.Lo >= 128) break;
            for (TRECode c = tr.Lo; c <= std::min<TRECode>(tr.Hi, 127); ++c)
                FAscii[s * 128 + c] = tr.Target;
        }
    }

    FLineHeadStart = FollowToFixpoint(FStart, RECodeLineHead);
    FAcceptAtLineEnd.resize(count);
    for (std::size_t s = 0; s < count; ++s)
        FAcceptAtLineEnd[s] = Accepting(FollowToFixpoint(static_cast<int>(s), RECodeLineTail));

    const bool alwaysPossible = Accepting(FStart) || Accepting(FLineHeadStart) ||
                                AcceptingAtLineEnd(FStart) || AcceptingAtLineEnd(FLineHeadStart);
    for (unsigned b = 0; b < 256; ++b)
        FStartBytes[b] = alwaysPossible || b >= 128 ||
                                 NextAscii(FStart, static_cast<unsigned char>(b)) >= 0 ||
                                 NextAscii(FLineHeadStart, static_cast<unsigned char>(b)) >= 0
                             ? 1
                             : 0;
}

int TRE_DFA::FollowToFixpoint(int state, TRECode pseudo) const {
    // Each step adds states to the set (see the sweep above), so the chain ends; the
    // bound only guards against a mistake turning into a hang.
    for (std::size_t i = 0; i < StateCount(); ++i) {
        const int next = Next(state, pseudo);
        if (next < 0 || next == state) break;
        state = next;
    }
    return state;
}

int TRE_DFA::Next(int state, TRECode code) const {
    if (code < 128) return NextAscii(state, static_cast<unsigned char>(code));
    const auto* first = FTrans.data() + FTransBegin[static_cast<std::size_t>(state)];
    const auto* last = FTrans.data() + FTransBegin[static_cast<std::size_t>(state) + 1];
    const auto* it = std::upper_bound(
        first, last, code, [](TRECode c, const TRE_DFATransition& t) { return c < t.Lo; });
    if (it == first) return -1;
    --it;
    return code <= it->Hi ? it->Target : -1;
}

} // namespace vexmo
