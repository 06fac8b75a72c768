#pragma once
// The expression engine: one line of text in, one complex value out.
//
// There is no syntax tree. The text is cut into a flat list of terms whose priorities come
// from the operator table; the reduction then repeatedly applies the leftmost operator of
// highest priority inside the innermost bracket group. Failures of operators and functions
// are absorbed into ErrorState; only unreadable number text (in the expression or in a
// stored variable) leaves Calculate, as EConvertError.

#include "engine/BuiltinFunctions.h"
#include "engine/DorvSub.h"
#include "engine/Variables.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vexmo {

class TCompTinyParser;

// Raised by an assignment before the store is written. Name and Value are the engine's own
// copies: the engine stores under the name as the handler leaves it; a changed Value has no
// effect. Idx is -1 for a plain variable, the element index for NAME[i] := value.
using TSubstituteEvent =
    std::function<void(TCompTinyParser& sender, std::string& name, std::string& value, int idx)>;

// ---- operator table ----

struct TOpe {
    std::string Text;
    std::int32_t Priority = 0;
};

// Ordered (text, priority) pairs, longest text first once sorted, with a per-character index
// so the scanner only tries entries that can match at a position.
class TOpeList {
  public:
    void Clear();
    void Add(std::string_view text, std::int32_t priority);
    // Longest text first; also rebuilds the lookup index.
    void SortLongestFirst();

    std::size_t Count() const { return items_.size(); }
    const TOpe& At(std::size_t i) const { return items_[i]; }
    const std::vector<TOpe>& Items() const { return items_; }

    // Indexes (in table order) of the entries whose text starts with `c`.
    const std::vector<int>& StartingWith(unsigned char c) const { return byFirstChar_[c]; }

  private:
    std::vector<TOpe> items_;
    std::array<std::vector<int>, 256> byFirstChar_;
};

// Fills `table` with the 82 operators and function names, then sorts it.
void BuildOperatorTable(TOpeList& table);

// Operand kinds stored in TCompTerm::Priority (operators use their table priority).
namespace TermKind {
inline constexpr std::int32_t Value = 0;
inline constexpr std::int32_t Name = -1;
inline constexpr std::int32_t ElementRef = -2;
inline constexpr std::int32_t ArrayName = 200;
inline constexpr std::int32_t UserCall = 300;
inline constexpr std::int32_t Function = 100;
} // namespace TermKind

// ---- terms ----

// The text of a term in eight bytes: up to seven characters are held in place (nearly every
// number, operator and name), longer ones on the heap. A line of megabytes makes millions
// of terms, so their size is the engine's memory per input byte.
class TTermText {
  public:
    TTermText() { SetInline({}); }
    explicit TTermText(std::string_view text) { Set(text); }
    TTermText(const TTermText& other) { Set(other.View()); }
    TTermText(TTermText&& other) noexcept {
        std::memcpy(raw_, other.raw_, sizeof raw_);
        other.SetInline({});
    }
    TTermText& operator=(const TTermText& other) {
        if (this != &other)
            assign(other.View());
        return *this;
    }
    TTermText& operator=(TTermText&& other) noexcept {
        if (this != &other) {
            Release();
            std::memcpy(raw_, other.raw_, sizeof raw_);
            other.SetInline({});
        }
        return *this;
    }
    TTermText& operator=(std::string_view text) {
        assign(text);
        return *this;
    }
    ~TTermText() { Release(); }

    void assign(std::string_view text) {
        if (!IsInline() && text.size() > kInline) {
            *Heap() = text; // keep the buffer
            return;
        }
        Release();
        Set(text);
    }
    TTermText& operator+=(std::string_view more) {
        std::string joined(View());
        joined += more;
        assign(joined);
        return *this;
    }

    std::string_view View() const {
        if (IsInline())
            return {reinterpret_cast<const char*>(raw_), static_cast<std::size_t>(raw_[7] & 0x7F)};
        return *Heap();
    }
    operator std::string_view() const { return View(); }
    std::string str() const { return std::string(View()); }
    std::size_t size() const { return View().size(); }
    bool empty() const { return View().empty(); }
    char operator[](std::size_t i) const { return View()[i]; }

    friend bool operator==(const TTermText& a, std::string_view b) { return a.View() == b; }
    friend bool operator==(const TTermText& a, const TTermText& b) { return a.View() == b.View(); }
    friend std::string operator+(const TTermText& a, std::string_view b) {
        std::string s(a.View());
        s += b;
        return s;
    }

  private:
    static constexpr std::size_t kInline = 7;
    // Inline: the characters, then 0x80 | length in the last byte. Otherwise the bytes of a
    // pointer to the text, whose last byte is 0 in user space.
    alignas(4) unsigned char raw_[8];

    bool IsInline() const { return (raw_[7] & 0x80) != 0; }
    std::string* Heap() const {
        std::string* p = nullptr;
        std::memcpy(&p, raw_, sizeof p);
        return p;
    }
    void SetInline(std::string_view text) {
        std::memset(raw_, 0, sizeof raw_);
        if (!text.empty()) // an empty view may hold no pointer at all
            std::memcpy(raw_, text.data(), text.size());
        raw_[7] = static_cast<unsigned char>(0x80 | text.size());
    }
    void Set(std::string_view text) {
        if (text.size() <= kInline) {
            SetInline(text);
            return;
        }
        auto* p = new std::string(text);
        std::memcpy(raw_, &p, sizeof p);
        static_assert(sizeof(std::string*) == 8, "pointers are eight bytes");
    }
    void Release() {
        if (!IsInline())
            delete Heap();
        SetInline({});
    }
};

// The element texts of an array variable named bare, for the list functions.
using TArrayElements = std::shared_ptr<const std::vector<std::string>>;

// What a few terms carry besides their value; the term list keeps it beside the term
// (TCompTermList::FindExtra), so that the many terms of a long line stay small.
struct TTermExtra {
    std::vector<DComplex> Args; // leading elements of a comma list; empty when absent
    // A bare array name keeps all its elements (Value is the first) until an operator makes
    // a new value of it; ArgArrays does the same for the Args of a list (empty when none).
    TArrayElements Array;
    std::vector<TArrayElements> ArgArrays;
};

// One term.
struct TCompTerm {
    DComplex Value{};
    TTermText Text;
    std::int32_t Priority = 0;
    std::int32_t Index = 0;
};

// The scanned expression. Terms are kept in order in a vector and linked, so deleting one
// from the middle is O(1) and a term's handle stays valid while others go. Handles increase
// along the list, which lets the reduction keep ordered indexes of brackets and operators.
class TCompTermList {
  public:
    using Handle = std::int32_t;
    static constexpr Handle None = -1;

    void Clear();
    Handle Append(std::int32_t priority, const DComplex& value, std::string_view text);
    void Delete(Handle h);

    int Count() const { return count_; }
    Handle First() const { return first_; }
    Handle Last() const { return last_; }
    Handle Next(Handle h) const { return NodeAt(h).Next; }
    Handle Prev(Handle h) const { return NodeAt(h).Prev; }
    bool Alive(Handle h) const { return alive_[static_cast<std::size_t>(h)]; }
    TCompTerm& operator[](Handle h) { return NodeAt(h).Term; }
    const TCompTerm& operator[](Handle h) const { return NodeAt(h).Term; }

    // What term h carries besides its value: nullptr when nothing; Extra makes it.
    TTermExtra* FindExtra(Handle h) {
        if (extras_.empty())
            return nullptr;
        const auto it = extras_.find(h);
        return it == extras_.end() ? nullptr : &it->second;
    }
    TTermExtra& Extra(Handle h) { return extras_[h]; }
    // The leading elements of a comma list carried by term h (empty when absent).
    std::vector<DComplex>& Args(Handle h) { return extras_[h].Args; }
    // Takes them away from the term.
    std::vector<DComplex> TakeArgs(Handle h);
    // The term is no longer an array named bare, nor a list holding one.
    void ClearArrays(Handle h) {
        if (TTermExtra* e = FindExtra(h)) {
            e->Array.reset();
            e->ArgArrays.clear();
        }
    }

    // Position-based access (linear); for callers and tests that think in indexes.
    Handle HandleAt(int position) const;
    std::vector<Handle> InOrder() const;

  private:
    struct Node {
        TCompTerm Term;
        Handle Prev = None;
        Handle Next = None;
    };
    // Nodes are kept in chunks, so a long line's list grows without copying and without
    // the spare half of a doubled array. Nodes past used_ are kept from earlier scans.
    static constexpr int kChunkBits = 6;
    static constexpr std::size_t kChunkSize = std::size_t{1} << kChunkBits;
    Node& NodeAt(Handle h) {
        return chunks_[static_cast<std::size_t>(h) >> kChunkBits]
                      [static_cast<std::size_t>(h) & (kChunkSize - 1)];
    }
    const Node& NodeAt(Handle h) const {
        return chunks_[static_cast<std::size_t>(h) >> kChunkBits]
                      [static_cast<std::size_t>(h) & (kChunkSize - 1)];
    }
    std::vector<std::unique_ptr<Node[]>> chunks_;
    std::vector<bool> alive_;
    std::unordered_map<Handle, TTermExtra> extras_;
    std::size_t used_ = 0;
    Handle first_ = None;
    Handle last_ = None;
    int count_ = 0;
};

// ---- the engine ----

class TCompTinyParser {
  public:
    // Limits on user-function calls; past either one the call fails (value 0, ErrorState 1)
    // together with every call that led to it.
    static constexpr int MaxCallDepth = 256;
    static constexpr int MaxCallsPerCalculation = 100000;
    // Limits on the work of user-function bodies: the terms of all bodies evaluated in one
    // calculation, and those of the calls under way at one time (what is held in memory).
    // They stop a recursion that would otherwise take minutes and gigabytes within the
    // call limits above.
    static constexpr std::int64_t MaxBodyTermsPerCalculation = 2000000;
    static constexpr std::int64_t MaxLiveBodyTerms = 250000;

    TCompTinyParser();
    ~TCompTinyParser();
    TCompTinyParser(const TCompTinyParser&) = delete;
    TCompTinyParser& operator=(const TCompTinyParser&) = delete;

    // ---- owner interface ----
    const std::string& Expression() const { return expression_; }
    void SetExpression(std::string_view text); // also makes the engine stale

    vexmo::Variables* GetVariables() const { return variables_; }
    void SetVariables(vexmo::Variables* variables) { variables_ = variables; } // not owned

    const TSubstituteEvent& OnSubstitute() const { return onSubstitute_; }
    void SetOnSubstitute(TSubstituteEvent handler) { onSubstitute_ = std::move(handler); }

    // Reading either result of a stale engine calculates first.
    DComplex ResultValue();
    const std::string& ResultText();
    // 0 no error; 1 an operation failed or a user function was not found; 2 missing operand.
    int ErrorState() const { return errorState_; }
    // What went wrong first in the last calculation, for the user ("'*' has no operand
    // before it", "Division by zero"); empty when nothing did or nothing can be said.
    const std::string& ErrorReason() const { return errorReason_; }
    // The header ("F(X)") of the user function the last calculation defined, or removed with
    // an empty body; empty when it was no definition. A definition raises no OnSubstitute.
    const std::string& DefinedFunction() const { return defined_; }

    // Raises EConvertError for an unreadable number token or stored variable text; the
    // engine then stays stale (ResultText empty). Raises std::logic_error when called from
    // within its own calculation (an OnSubstitute handler reading the result).
    void Calculate();

    // Element i of the array NAME (0 when absent or out of range); raises EConvertError
    // when the stored element text cannot be read.
    DComplex ReadElement(std::string_view name, int index) const;
    // Stores element i (0..99) of NAME, padding with zeros; any other i raises
    // std::out_of_range, naming the bound.
    void WriteElement(std::string_view name, int index, const DComplex& value);

    // ---- stages, exposed for tools and tests ----
    void ScanExpression();
    bool DefineFunction();
    void ResolveNames(bool constants, bool variables);
    void ReduceTerms();

    const TCompTermList& Terms() const { return terms_; }
    const TOpeList& OperatorTable() const { return *table_; }
    bool SharedTable() const { return ownTable_ == nullptr; }

  private:
    // A user function's body as scanned once per calculation: its terms with constants
    // resolved, and where its parameters stand.
    struct BodyTemplate;
    struct CallBudget {
        int Calls = 0;
        bool LimitHit = false;
        std::int64_t BodyTerms = 0;
        std::int64_t LiveBodyTerms = 0;
        std::unordered_map<std::string, std::shared_ptr<const BodyTemplate>> Bodies;
    };
    using Handle = TCompTermList::Handle;

    // A child engine for one user-function call: shares the parent's table, store,
    // random source and call budget.
    explicit TCompTinyParser(TCompTinyParser& parent);

    void SetResult(bool fresh, const DComplex& value);
    void Fail(int state, std::string_view reason);
    void MarkAndMultiply();

    // reduction (CompTinyReduce.cpp)
    void ReduceGroup(Handle before, Handle after);
    void ApplyOperator(Handle before, Handle after, Handle k, int& groupSize);
    void MergeOperands(Handle before, Handle after, int& groupSize);
    void ApplyPrefix(const std::string& text, std::int32_t priority, Handle operand);
    DComplex ApplyInfix(const std::string& text, Handle left, const DComplex& u, const DComplex& r);
    DComplex Assign(TCompTerm& left, const DComplex& r);
    void ReadElementInto(const std::string& name, const DComplex& index, TCompTerm& e) const;
    void KeepListArrays(Handle left, TArrayElements right);
    static std::vector<DComplex> ListElements(const TTermExtra& extra, const DComplex& value);

    // user functions (UserFunctions.cpp)
    DComplex CallUserFunction(const std::string& name, const std::vector<DComplex>& args,
                              const DComplex& last);
    std::shared_ptr<const BodyTemplate> ReadBody(const std::string& name);
    int FindHeaderEnd() const; // position k of ")" before ":=", or -1
    void RemoveHead(int count);

    std::string expression_;
    bool fresh_ = false;               // a calculation left one term since Expression was set
    std::string resultText_;           // made on first read after a calculation
    bool textMade_ = false;
    vexmo::Variables* variables_ = nullptr;
    TSubstituteEvent onSubstitute_;
    DComplex resultValue_{};
    int errorState_ = 0;
    std::string errorReason_;
    std::string defined_; // the header of the last calculation's definition

    std::unique_ptr<TOpeList> ownTable_; // null in a child engine (shared table)
    const TOpeList* table_ = nullptr;
    TCompTermList terms_;

    std::unique_ptr<RandomSource> ownRng_; // null in a child engine
    RandomSource* rng_ = nullptr;
    CallBudget ownBudget_;
    CallBudget* budget_ = &ownBudget_;
    int depth_ = 0;
    bool calculating_ = false;

    // scratch of the scanner and the reduction, kept to avoid reallocating per calculation
    std::string scanText_;
    std::vector<Handle> closings_;
    std::vector<Handle> openings_;
    std::vector<int> openingSkip_;
    std::vector<Handle> order_; // a group's operators, highest priority first, then leftmost
    std::vector<Handle> chain_; // prefix operators standing in a row
};

} // namespace vexmo
