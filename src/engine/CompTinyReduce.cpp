// Reduction of the scanned term list and the meaning of every operator.
//
// The list is reduced group by group: the first closing bracket and the nearest opening
// bracket before it bound the group, and inside it the leftmost operator of highest
// priority is applied until one term is left. Ordered indexes of the brackets and a heap
// of the group's operators keep long lines (1+1+1+..., deep nesting) near linear.
#include "engine/CompTinyParseEngine.h"

#include "engine/EngineText.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>
#include <stdexcept>
#include <string>

namespace vexmo {

namespace {

using Handle = TCompTermList::Handle;
constexpr Handle kNone = TCompTermList::None;

const DComplex kZero{0.0, 0.0};
const DComplex kOne{1.0, 0.0};

DComplex Truth(bool b) { return b ? kOne : kZero; }

bool IsClosingText(std::string_view t) { return t == ")" || t == "]"; }
bool IsOpeningText(std::string_view t) { return t == "(" || t == "["; }

// Priorities of a sign ("+", "-", or "!") standing right after another operator: it belongs to
// the operand after it, binding tighter than the products before it but looser than a power
// after it (2*-3^2 is -18), and after a power to the number alone (2^-1 is 0.5).
constexpr std::int32_t kSignAfterProduct = 94;
constexpr std::int32_t kSignAfterPower = 97;
constexpr std::int32_t kPowerPriority = 95;

bool IsSignTerm(const TCompTerm& t) {
    const std::string_view s = t.Text;
    return (t.Priority == 60 && (s == "+" || s == "-")) || (t.Priority == 40 && s == "!");
}

// An operator still waiting to be applied. A bracket left in a group ("F()", where the
// empty pair is no group) stands for the value zero, as an operand does.
bool IsPendingOperator(const TCompTerm& t) {
    return t.Priority > 0 && !IsOpeningText(t.Text) && !IsClosingText(t.Text);
}

// Operators that can stand before their only operand.
bool TakesOneOperand(std::string_view text, std::int32_t priority) {
    return text == "+" || text == "-" || text == "!" || priority == TermKind::Function ||
           priority == TermKind::ArrayName || priority == TermKind::UserCall;
}

// A term's text for a message; a long number or name is cut.
std::string Quoted(std::string_view text) {
    constexpr std::size_t kLongest = 40;
    std::string q = "'";
    if (text.size() > kLongest) {
        std::size_t end = kLongest;
        while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
            --end;
        q.append(text.substr(0, end));
        q += "...";
    } else {
        q.append(text);
    }
    q += '\'';
    return q;
}

// A part truncated toward zero to a signed 64-bit integer.
std::int64_t TruncInt64(double x) {
    if (!(x > -9223372036854775809.0 && x < 9223372036854775808.0))
        throw EMathError("Invalid floating point operation");
    return static_cast<std::int64_t>(x);
}

// Remainder with the sign of the dividend; a zero divisor part leaves the dividend part.
std::int64_t PartRemainder(std::int64_t a, std::int64_t b) {
    if (b == 0)
        return a;
    if (b == -1)
        return 0; // INT64_MIN % -1 would trap
    return a % b;
}

// An element index: the real part truncated toward zero, held to the 32-bit range.
std::int32_t TruncIndex(double x) {
    if (std::isnan(x))
        throw EMathError("Invalid floating point operation");
    if (x >= 2147483647.0)
        return std::numeric_limits<std::int32_t>::max();
    if (x <= -2147483648.0)
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(x);
}

} // namespace

void TCompTinyParser::ReduceTerms() {
    closings_.clear();
    openings_.clear();
    // A closing bracket without an opening one before it is a mistake; an opening bracket
    // left open at the end is not (the group runs to the end of the line).
    std::size_t depth = 0;
    for (Handle h = terms_.First(); h != kNone; h = terms_.Next(h)) {
        const std::string_view t = terms_[h].Text;
        if (IsClosingText(t)) {
            closings_.push_back(h);
            if (depth == 0)
                Fail(2, Quoted(t) + " has no opening bracket before it");
            else
                --depth;
        } else if (IsOpeningText(t)) {
            openings_.push_back(h);
            ++depth;
        }
    }
    openingSkip_.resize(openings_.size());
    std::iota(openingSkip_.begin(), openingSkip_.end(), 0);

    // Latest usable opening bracket at or below index j of openings_, or -1. Brackets that
    // were deleted or became values are skipped once for good (path compression).
    auto findOpening = [this](int j) {
        int r = j;
        while (r >= 0) {
            const int up = openingSkip_[static_cast<std::size_t>(r)];
            if (up != r) {
                r = up;
                continue;
            }
            const Handle h = openings_[static_cast<std::size_t>(r)];
            if (terms_.Alive(h) && IsOpeningText(terms_[h].Text))
                break;
            openingSkip_[static_cast<std::size_t>(r)] = r - 1;
            r = r - 1;
        }
        for (int i = j; i > r;) {
            const int next = openingSkip_[static_cast<std::size_t>(i)];
            openingSkip_[static_cast<std::size_t>(i)] = r;
            i = next;
        }
        return r;
    };

    std::size_t closeCursor = 0;
    while (terms_.Count() > 1) {
        // The first closing bracket after the first term; the first term is never taken.
        const Handle head = terms_.First();
        while (closeCursor < closings_.size()) {
            const Handle c = closings_[closeCursor];
            if (c > head && terms_.Alive(c) && IsClosingText(terms_[c].Text))
                break;
            ++closeCursor;
        }
        Handle hiNode;
        Handle after = kNone;
        if (closeCursor < closings_.size()) {
            const Handle c = closings_[closeCursor++];
            hiNode = terms_.Prev(c);
            after = terms_.Next(c);
            terms_.Delete(c);
        } else {
            hiNode = terms_.Last();
        }
        // The nearest opening bracket before the group's last term (not that term itself,
        // so "()" is no pair).
        Handle before = kNone;
        const int j = static_cast<int>(
                          std::lower_bound(openings_.begin(), openings_.end(), hiNode) -
                          openings_.begin()) -
                      1;
        const int o = findOpening(j);
        if (o >= 0) {
            const Handle oh = openings_[static_cast<std::size_t>(o)];
            before = terms_.Prev(oh);
            terms_.Delete(oh);
        }
        ReduceGroup(before, after);
    }

    // An empty list leaves the engine stale, so the next read calculates again.
    if (terms_.Count() == 0)
        SetResult(false, kZero);
    else
        SetResult(true, terms_[terms_.First()].Value);
}

void TCompTinyParser::ReduceGroup(Handle before, Handle after) {
    const Handle lo = before == kNone ? terms_.First() : terms_.Next(before);
    // The group's operators ordered by priority (highest first), leftmost first among
    // equals: a counting sort over the few priorities, four bytes per operator. Operators
    // only ever stop being operators, so the next one to apply is always the first entry
    // still standing with its priority.
    struct Level {
        std::int32_t Priority;
        std::size_t Next;
    };
    Level levels[32];
    std::size_t levelCount = 0;
    int size = 0;
    std::size_t operators = 0;
    bool fewLevels = true;
    auto levelOf = [&](std::int32_t priority) -> Level* {
        for (std::size_t i = 0; i < levelCount; ++i)
            if (levels[i].Priority == priority)
                return &levels[i];
        if (levelCount == std::size(levels))
            return nullptr;
        levels[levelCount] = Level{priority, 0};
        return &levels[levelCount++];
    };
    for (Handle h = lo, prev = kNone; h != after; prev = h, h = terms_.Next(h)) {
        ++size;
        TCompTerm& term = terms_[h];
        if (prev != kNone && IsSignTerm(term) && terms_[prev].Priority >= term.Priority)
            term.Priority =
                terms_[prev].Priority >= kPowerPriority ? kSignAfterPower : kSignAfterProduct;
        const std::int32_t p = term.Priority;
        if (p > 0) {
            ++operators;
            if (Level* l = levelOf(p))
                ++l->Next;
            else
                fewLevels = false;
        }
    }
    order_.clear();
    if (fewLevels) {
        std::sort(levels, levels + levelCount,
                  [](const Level& a, const Level& b) { return a.Priority > b.Priority; });
        std::size_t offset = 0;
        for (std::size_t i = 0; i < levelCount; ++i) {
            const std::size_t count = levels[i].Next;
            levels[i].Next = offset;
            offset += count;
        }
        order_.resize(operators);
        for (Handle h = lo; h != after; h = terms_.Next(h)) {
            const std::int32_t p = terms_[h].Priority;
            if (p > 0)
                order_[levelOf(p)->Next++] = h;
        }
    } else {
        // More distinct priorities than any operator table has: sort the handles.
        for (Handle h = lo; h != after; h = terms_.Next(h))
            if (terms_[h].Priority > 0)
                order_.push_back(h);
        std::stable_sort(order_.begin(), order_.end(), [this](Handle a, Handle b) {
            return terms_[a].Priority > terms_[b].Priority;
        });
    }
    std::size_t cursor = 0;
    while (size > 1) {
        Handle k = kNone;
        while (cursor < order_.size()) {
            const Handle h = order_[cursor++];
            if (terms_.Alive(h) && terms_[h].Priority > 0) {
                k = h;
                break;
            }
        }
        if (k == kNone) {
            MergeOperands(before, after, size);
            break;
        }
        ApplyOperator(before, after, k, size);
    }
}

void TCompTinyParser::Fail(int state, std::string_view reason) {
    errorState_ = state;
    if (errorReason_.empty())
        errorReason_.assign(reason);
}

void TCompTinyParser::ApplyOperator(Handle before, Handle after, Handle k, int& groupSize) {
    TCompTerm& t = terms_[k];
    const Handle prev = terms_.Prev(k);
    Handle next = terms_.Next(k);
    const bool atLo = prev == before;
    bool atHi = next == after;
    const bool prefix = atLo || engine_text::IsUpperLetter(t.Text[0]) ||
                        t.Priority == TermKind::ArrayName || terms_[prev].Priority > 0;
    if (prefix) {
        if (!TakesOneOperand(t.Text, t.Priority)) { // "*3": nothing on its left
            Fail(2, Quoted(t.Text) + " has no operand before it");
            t.Priority = TermKind::Value;
            t.Value = kZero;
            return;
        }
        // Operators standing in a row before the operand (SIN -X, --3) apply from the
        // innermost out; each of them then finds its operand right after it.
        if (!atHi && IsPendingOperator(terms_[next])) {
            chain_.clear();
            for (Handle h = next; h != after && IsPendingOperator(terms_[h]); h = terms_.Next(h))
                chain_.push_back(h);
            for (auto it = chain_.rbegin(); it != chain_.rend(); ++it)
                ApplyOperator(before, after, *it, groupSize);
            next = terms_.Next(k);
            atHi = next == after;
        }
        if (atHi) { // nothing to apply it to
            Fail(2, Quoted(t.Text) + " has no operand after it");
            t.Priority = TermKind::Value;
            return;
        }
        const std::string text(t.Text.View());
        const std::int32_t priority = t.Priority;
        terms_.Delete(k);
        --groupSize;
        TCompTerm& operand = terms_[next];
        try {
            ApplyPrefix(text, priority, next);
        } catch (const std::exception& e) {
            operand.Value = kZero;
            operand.Priority = TermKind::Value;
            Fail(1, e.what());
        } catch (...) {
            operand.Value = kZero;
            operand.Priority = TermKind::Value;
            Fail(1, {});
        }
        terms_.ClearArrays(next);
        return;
    }
    if (atHi || IsPendingOperator(terms_[next])) {
        // "||" is no operator: the parallel combination is "//".
        const bool parallel = t.Text == "|" && !atHi && terms_[next].Text == "|";
        Fail(2, Quoted(t.Text) + " has no operand after it" +
                    (parallel ? " (for a parallel combination write //)" : ""));
        t.Priority = TermKind::Value;
        t.Value = kZero;
        return;
    }
    if (t.Text == "!" || t.Priority >= TermKind::Function) {
        // A one-operand operator between two operands (1 ! 2, 2 _G(3)) joins nothing.
        Fail(2, "No operator takes " + Quoted(t.Text) + " after " + Quoted(terms_[prev].Text));
        t.Priority = TermKind::Value;
        t.Value = kZero;
        return;
    }
    const std::string text(t.Text.View());
    TCompTerm& left = terms_[prev];
    const DComplex u = left.Value;
    const DComplex r = terms_[next].Value;
    TArrayElements rightArray;
    if (TTermExtra* e = terms_.FindExtra(next))
        rightArray = std::move(e->Array);
    terms_.Delete(next);
    terms_.Delete(k);
    groupSize -= 2;
    try {
        left.Value = ApplyInfix(text, prev, u, r);
    } catch (const std::exception& e) {
        left.Value = u;
        Fail(1, e.what());
    } catch (...) {
        left.Value = u;
        Fail(1, {});
    }
    if (text == ",")
        KeepListArrays(prev, std::move(rightArray));
    else
        terms_.ClearArrays(prev); // a new value, no longer the array
    left.Priority = TermKind::Value;
}

// After "," has moved the left value into Args: its array goes along with it, and the
// right operand's array becomes the list's last.
void TCompTinyParser::KeepListArrays(Handle left, TArrayElements right) {
    TTermExtra* e = terms_.FindExtra(left);
    if (e == nullptr) { // "," has put the left value into Args, so this does not happen
        if (right)
            terms_.Extra(left).Array = std::move(right);
        return;
    }
    if ((e->Array || right || !e->ArgArrays.empty()) && !e->Args.empty()) {
        e->ArgArrays.resize(e->Args.size());
        e->ArgArrays.back() = std::move(e->Array);
    }
    e->Array = std::move(right);
}

// Every element of the operand's list with each bare array name spread out into all of its
// elements. Raises EConvertError for an element text that cannot be read.
std::vector<DComplex> TCompTinyParser::ListElements(const TTermExtra& extra,
                                                    const DComplex& value) {
    std::vector<DComplex> all;
    auto add = [&all](const DComplex& value, const TArrayElements& array) {
        if (!array) {
            all.push_back(value);
            return;
        }
        all.reserve(all.size() + array->size());
        for (const std::string& element : *array)
            all.push_back(engine_text::ReadValue(element));
    };
    for (std::size_t i = 0; i < extra.Args.size(); ++i)
        add(extra.Args[i], i < extra.ArgArrays.size() ? extra.ArgArrays[i] : nullptr);
    add(value, extra.Array);
    return all;
}

void TCompTinyParser::MergeOperands(Handle before, Handle after, int& groupSize) {
    const Handle lo = before == kNone ? terms_.First() : terms_.Next(before);
    TCompTerm& first = terms_[lo];
    // Operands side by side that no operator joins (2 F(3), where no product is implied):
    // there is no answer to give.
    Fail(2, "No operator takes " + Quoted(terms_[terms_.Next(lo)].Text) + " after " +
                Quoted(first.Text));
    for (Handle h = terms_.Next(lo); h != after;) {
        const Handle next = terms_.Next(h);
        first.Text += terms_[h].Text;
        terms_.Delete(h);
        h = next;
    }
    first.Value = kZero;
    first.Priority = TermKind::Value;
    if (TTermExtra* e = terms_.FindExtra(lo))
        e->Array.reset();
    groupSize = 1;
}

void TCompTinyParser::ApplyPrefix(const std::string& text, std::int32_t priority,
                                  Handle operandHandle) {
    TCompTerm& operand = terms_[operandHandle];
    const DComplex v = operand.Value;
    DComplex result = kZero;
    if (text == "+") {
        result = v;
    } else if (text == "-") {
        result = ComplexNeg(v);
    } else if (text == "!") {
        result = Truth(ComplexEqual(v, kZero));
    } else if (priority == TermKind::Function && IsBuiltinFunction(text)) {
        // A function's result is one value: the list it consumed does not travel on.
        std::vector<DComplex> args = terms_.TakeArgs(operandHandle);
        DComplex last = v;
        // The list functions take every element of an array named bare.
        const bool list = text == "SUM" || text == "MEAN" || text == "MAX" || text == "MIN";
        TTermExtra* extra = list ? terms_.FindExtra(operandHandle) : nullptr;
        if (extra != nullptr && (extra->Array || !extra->ArgArrays.empty())) {
            extra->Args = std::move(args);
            args = ListElements(*extra, v);
            extra->Args.clear();
            last = args.back();
            args.pop_back();
        }
        const VariableReader reader =
            [this](std::string_view name) -> std::optional<std::string> {
            if (variables_ == nullptr)
                return std::nullopt;
            return variables_->Read(name);
        };
        result = EvaluateBuiltinFunction(text, args, last, reader);
    } else if (priority == TermKind::ArrayName) {
        ReadElementInto(text, v, operand);
        return; // stays an element reference, so ":=" can assign it
    } else if (priority == TermKind::UserCall) {
        // The call consumes its argument list.
        result = CallUserFunction(text, terms_.TakeArgs(operandHandle), v);
    }
    // Anything else in prefix position (a leading "*") gives zero.
    operand.Value = result;
    operand.Priority = TermKind::Value;
}

DComplex TCompTinyParser::ApplyInfix(const std::string& text, Handle leftHandle,
                                     const DComplex& u, const DComplex& r) {
    if (text.empty())
        return u;
    const char c0 = text[0];
    const char c1 = text.size() > 1 ? text[1] : '\0';
    const std::size_t len = text.size();
    switch (c0) {
    case '+':
        return ComplexAdd(u, r);
    case '-':
        return ComplexSub(u, r);
    case '*':
        return ComplexMul(u, r);
    case '/':
        if (len == 2) // "//": parallel combination
            return ComplexDiv(ComplexMul(u, r), ComplexAdd(u, r));
        return ComplexDiv(u, r);
    case '\\': // "\\": the element that, in parallel with r, gives u
        return ComplexDiv(ComplexMul(u, r), ComplexSub(r, u));
    case '%': {
        const DComplex q = ComplexDiv(u, r);
        return DComplex{std::trunc(q.Real), std::trunc(q.Imaginary)};
    }
    case '#': {
        const std::int64_t ar = TruncInt64(u.Real), ai = TruncInt64(u.Imaginary);
        const std::int64_t br = TruncInt64(r.Real), bi = TruncInt64(r.Imaginary);
        if (br == 0 && bi == 0)
            throw EMathError("Division by zero");
        return DComplex{static_cast<double>(PartRemainder(ar, br)),
                        static_cast<double>(PartRemainder(ai, bi))};
    }
    case '^':
        return ComplexPower(u, r);
    case '@':
        return ComplexMul(u, ComplexExp(ComplexTimesI(r)));
    case '=':
        return len == 2 && c1 == '=' ? Truth(ComplexEqual(u, r)) : u;
    case '!':
        return len == 2 && c1 == '=' ? Truth(!ComplexEqual(u, r)) : u;
    case '>':
        if (len == 1)
            return Truth(u.Real > r.Real);
        if (text == ">=")
            return Truth(u.Real >= r.Real);
        if (text == ">>")
            return Truth(ComplexAbs(u) > ComplexAbs(r));
        return Truth(ComplexAbs(u) >= ComplexAbs(r)); // ">>="
    case '<':
        if (len == 1)
            return Truth(u.Real < r.Real);
        if (text == "<=")
            return Truth(u.Real <= r.Real);
        if (text == "<<")
            return Truth(ComplexAbs(u) < ComplexAbs(r));
        return Truth(ComplexAbs(u) <= ComplexAbs(r)); // "<<="
    case '&':
        // Both operands non-zero. Testing their product instead would call 1E-200 & 1E-200
        // false (the product underflows) and fail 1E200 & 1E200 (it overflows).
        return Truth(!ComplexEqual(u, kZero) && !ComplexEqual(r, kZero));
    case '|':
        return Truth(!ComplexEqual(u, kZero) || !ComplexEqual(r, kZero));
    case ',':
        terms_.Args(leftHandle).push_back(u);
        return r;
    case ':':
        return Assign(terms_[leftHandle], r);
    default:
        return u; // brackets, or a name standing between two operands
    }
}

DComplex TCompTinyParser::Assign(TCompTerm& left, const DComplex& r) {
    std::string name = left.Text.str();
    if (variables_ == nullptr || name.empty() ||
        !(engine_text::IsUpperLetter(name[0]) || name[0] == '_'))
        return left.Value;
    std::string valueText = DComplexToStr(r);
    if (left.Priority == TermKind::ElementRef) {
        // A negative index names no element. It fails before the notice: index -1 would
        // reach the handler as the mark of a plain variable and be shown (or put on the
        // clipboard) as if the whole variable had been assigned.
        if (left.Index < 0)
            throw std::out_of_range("List index out of bounds (" + std::to_string(left.Index) +
                                    ")");
        // The store keeps elements 0 to 99; one beyond fails rather than vanish. The
        // clipboard's list (_CLIP, when a handler takes it) has a bound of its own.
        const bool clipboard = onSubstitute_ && name == "_CLIP";
        if (!clipboard && left.Index >= engine_text::kMaxElements)
            throw std::out_of_range(engine_text::ElementBoundMessage(left.Index));
        if (onSubstitute_)
            onSubstitute_(*this, name, valueText, left.Index);
        if (left.Index < engine_text::kMaxElements)
            WriteElement(name, left.Index, r);
    } else {
        if (onSubstitute_)
            onSubstitute_(*this, name, valueText, -1);
        // The handler may have changed the value text; the store gets the engine's own.
        variables_->Write(name, DComplexToStr(r));
    }
    return r;
}

void TCompTinyParser::ReadElementInto(const std::string& name, const DComplex& index,
                                      TCompTerm& e) const {
    const std::int32_t i = TruncIndex(index.Real);
    e.Index = i;
    e.Value = ReadElement(name, i);
    e.Text = name;
    e.Priority = TermKind::ElementRef;
}

} // namespace vexmo
