// The engine's owner interface, the operator table, the term list, the scanner and name
// resolution. The reduction is in CompTinyReduce.cpp, user functions in UserFunctions.cpp.
#include "engine/CompTinyParseEngine.h"
#include "engine/ExpressionCutter.h"

#include "engine/EngineText.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <stdexcept>

namespace vexmo {

// ---- operator table ----

void TOpeList::Clear() {
    items_.clear();
    for (auto& v : byFirstChar_)
        v.clear();
}

void TOpeList::Add(std::string_view text, std::int32_t priority) {
    items_.push_back(TOpe{std::string(text), priority});
}

void TOpeList::SortLongestFirst() {
    std::stable_sort(items_.begin(), items_.end(), [](const TOpe& a, const TOpe& b) {
        return a.Text.size() > b.Text.size();
    });
    for (auto& v : byFirstChar_)
        v.clear();
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (!items_[i].Text.empty())
            byFirstChar_[static_cast<unsigned char>(items_[i].Text[0])].push_back(
                static_cast<int>(i));
}

void BuildOperatorTable(TOpeList& table) {
    static constexpr const char* kFunctions[] = {
        "TRUNC",    "CEIL",     "FLOOR",   "FRAC",     "ROUND",    "ABS",      "EXP",
        "LN",       "LOG",      "SQRT",    "SIN",      "COS",      "TAN",      "SINH",
        "COSH",     "TANH",     "ARCSIN",  "ARCCOS",   "ARCTAN",   "ARCSINH",  "ARCCOSH",
        "ARCTANH",  "SIND",     "COSD",    "TAND",     "SINHD",    "COSHD",    "TANHD",
        "ARCSIND",  "ARCCOSD",  "ARCTAND", "ARCSINHD", "ARCCOSHD", "ARCTANHD", "ANGLE",
        "RADTODEG", "DEGTORAD", "RE",      "IM",       "CONJ",     "CAP",      "IND",
        "ACAP",     "AIND",     "DB",      "DB2",      "ADB",      "ADB2",     "SUM",
        "MEAN",     "MAX",      "MIN",     "IF"};
    table.Clear();
    table.Add("+", 60);
    table.Add("-", 60);
    table.Add("*", 90);
    table.Add("/", 90);
    table.Add("%", 90);
    table.Add("#", 90);
    table.Add("^", 95);
    table.Add("//", 70);
    table.Add("\\\\", 70);
    table.Add("@", 96);
    for (const char* f : kFunctions)
        table.Add(f, TermKind::Function);
    for (const char* c : {"==", "!=", ">", ">=", "<", "<=", ">>", ">>=", "<<", "<<="})
        table.Add(c, 50);
    table.Add("!", 40);
    table.Add("&", 30);
    table.Add("|", 30);
    table.Add(",", 20);
    table.Add("[", 15);
    table.Add("]", 15);
    table.Add("(", 10);
    table.Add(")", 10);
    table.Add(":=", 5);
    table.SortLongestFirst();
}

// ---- term list ----

void TCompTermList::Clear() {
    // A huge line's nodes are not worth keeping around.
    constexpr std::size_t kKeptChunks = 4096 / kChunkSize;
    if (chunks_.size() > kKeptChunks) {
        chunks_.resize(kKeptChunks);
        chunks_.shrink_to_fit();
        alive_.resize(kKeptChunks * kChunkSize);
        alive_.shrink_to_fit();
    }
    extras_.clear();
    used_ = 0;
    first_ = last_ = None;
    count_ = 0;
}

TCompTermList::Handle TCompTermList::Append(std::int32_t priority, const DComplex& value,
                                            std::string_view text) {
    const auto h = static_cast<Handle>(used_);
    if (used_ == chunks_.size() * kChunkSize) {
        chunks_.push_back(std::make_unique<Node[]>(kChunkSize));
        alive_.resize(chunks_.size() * kChunkSize);
    }
    ++used_;
    Node& n = NodeAt(h);
    n.Term.Priority = priority;
    n.Term.Index = 0;
    n.Term.Value = value;
    n.Term.Text.assign(text);
    alive_[static_cast<std::size_t>(h)] = true;
    n.Next = None;
    n.Prev = last_;
    if (last_ != None)
        NodeAt(last_).Next = h;
    else
        first_ = h;
    last_ = h;
    ++count_;
    return h;
}

void TCompTermList::Delete(Handle h) {
    if (!alive_[static_cast<std::size_t>(h)])
        return;
    Node& n = NodeAt(h);
    if (n.Prev != None)
        NodeAt(n.Prev).Next = n.Next;
    else
        first_ = n.Next;
    if (n.Next != None)
        NodeAt(n.Next).Prev = n.Prev;
    else
        last_ = n.Prev;
    alive_[static_cast<std::size_t>(h)] = false;
    if (!extras_.empty())
        extras_.erase(h);
    --count_;
}

std::vector<DComplex> TCompTermList::TakeArgs(Handle h) {
    std::vector<DComplex> taken;
    if (TTermExtra* e = FindExtra(h)) {
        taken = std::move(e->Args);
        e->Args.clear();
    }
    return taken;
}

TCompTermList::Handle TCompTermList::HandleAt(int position) const {
    Handle h = first_;
    for (int i = 0; i < position && h != None; ++i)
        h = NodeAt(h).Next;
    return position < 0 ? None : h;
}

std::vector<TCompTermList::Handle> TCompTermList::InOrder() const {
    std::vector<Handle> out;
    out.reserve(static_cast<std::size_t>(count_));
    for (Handle h = first_; h != None; h = NodeAt(h).Next)
        out.push_back(h);
    return out;
}

// ---- engine ----

TCompTinyParser::TCompTinyParser()
    : ownTable_(std::make_unique<TOpeList>()), table_(ownTable_.get()) {
    BuildOperatorTable(*ownTable_);
    const auto ticks = static_cast<std::uint64_t>(
        std::chrono::high_resolution_clock::now().time_since_epoch().count());
    ownRng_ = std::make_unique<RandomSource>(ticks ^ reinterpret_cast<std::uintptr_t>(this));
    rng_ = ownRng_.get();
}

TCompTinyParser::TCompTinyParser(TCompTinyParser& parent)
    : variables_(parent.variables_), table_(parent.table_), rng_(parent.rng_),
      budget_(parent.budget_), depth_(parent.depth_ + 1) {}

TCompTinyParser::~TCompTinyParser() = default;

void TCompTinyParser::SetExpression(std::string_view text) {
    expression_.assign(text);
    fresh_ = false;
}

DComplex TCompTinyParser::ResultValue() {
    if (!fresh_)
        Calculate();
    return resultValue_;
}

const std::string& TCompTinyParser::ResultText() {
    if (!fresh_)
        Calculate();
    if (!fresh_) {
        resultText_.clear(); // nothing was left to show
    } else if (!textMade_) {
        resultText_ = DComplexToStr(resultValue_);
        textMade_ = true;
    }
    return resultText_;
}

void TCompTinyParser::SetResult(bool fresh, const DComplex& value) {
    fresh_ = fresh;
    resultValue_ = value;
    textMade_ = false;
}

void TCompTinyParser::Calculate() {
    // Re-entering would clear the term list under the running reduction.
    if (calculating_)
        throw std::logic_error("The expression engine is already calculating");
    struct Running {
        bool& flag;
        explicit Running(bool& f) : flag(f) { flag = true; }
        ~Running() { flag = false; }
    } running(calculating_);
    errorState_ = 0;
    errorReason_.clear();
    defined_.clear();
    if (depth_ == 0)
        *budget_ = CallBudget{};
    ScanExpression();
    if (DefineFunction()) {
        SetResult(true, DComplex{});
        return;
    }
    ResolveNames(true, true);
    ReduceTerms();
}

// ---- scanner ----

void TCompTinyParser::ScanExpression() {
    SetResult(false, DComplex{});
    errorState_ = 0;
    errorReason_.clear();
    terms_.Clear();

    std::string& s = scanText_;
    s = expression_;
    for (char& c : s)
        c = engine_text::UpperAscii(c);
    std::size_t pos = 0;
    std::size_t end = s.size();
    while (end > pos && engine_text::IsTrimmed(s[end - 1]))
        --end;
    while (pos < end && engine_text::IsTrimmed(s[pos]))
        ++pos;

    auto addOperand = [&](std::size_t from, std::size_t to, bool numeric) {
        const std::string_view chars(s.data() + from, to - from);
        if (numeric)
            terms_.Append(TermKind::Value, DComplex{engine_text::ReadNumber(chars), 0.0},
                          engine_text::Trim(chars));
        else
            terms_.Append(TermKind::Name, DComplex{}, engine_text::Trim(chars));
    };

    CutExpression(s, pos, end, *table_, addOperand, [&](std::size_t, const TOpe& op) {
        terms_.Append(op.Priority, DComplex{}, op.Text);
    });

    MarkAndMultiply();
}

void TCompTinyParser::MarkAndMultiply() {
    // The list was just filled, so handle i is position i.
    const int n = terms_.Count();
    // A name directly before "[" reads an array element; before "(" it calls a user function.
    // A bracket in the last position is not looked at.
    for (int i = 1; i + 1 < n; ++i)
        if (terms_[i].Text == "[" && terms_[i - 1].Priority == TermKind::Name)
            terms_[i - 1].Priority = TermKind::ArrayName;
    for (int i = 1; i + 1 < n; ++i)
        if (terms_[i].Text == "(" && terms_[i - 1].Priority == TermKind::Name)
            terms_[i - 1].Priority = TermKind::UserCall;

    // Juxtaposition multiplies: 2(3), 2 PI, X SIN(Y), A[1] B. Never before a user call.
    auto impliesProduct = [](const TCompTerm& l, const TCompTerm& r) {
        const bool rOperandLike = r.Priority <= 0 || r.Priority == TermKind::ArrayName ||
                                  r.Priority == TermKind::Function;
        if (l.Priority == TermKind::Value || l.Text == ")" || l.Text == "]")
            return rOperandLike || r.Text == "(";
        return l.Priority < 0 && rOperandLike;
    };
    std::vector<bool> productBefore(static_cast<std::size_t>(n), false);
    bool any = false;
    for (int i = 1; i < n; ++i)
        if (impliesProduct(terms_[i - 1], terms_[i]))
            productBefore[static_cast<std::size_t>(i)] = any = true;
    if (!any)
        return;
    std::vector<TCompTerm> scanned;
    scanned.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        scanned.push_back(std::move(terms_[i]));
    terms_.Clear();
    for (int i = 0; i < n; ++i) {
        if (productBefore[static_cast<std::size_t>(i)])
            terms_.Append(90, DComplex{}, "*");
        const TCompTerm& t = scanned[static_cast<std::size_t>(i)];
        terms_.Append(t.Priority, t.Value, t.Text);
    }
}

// ---- name resolution ----

void TCompTinyParser::ResolveNames(bool constants, bool variables) {
    auto isCandidate = [this](Handle h) {
        const TCompTerm& t = terms_[h];
        if (t.Priority != TermKind::Name || t.Text.empty())
            return false;
        if (!engine_text::IsUpperLetter(t.Text[0]) && t.Text[0] != '_')
            return false;
        const Handle next = terms_.Next(h);
        return next == TCompTermList::None || terms_[next].Text != ":="; // assignment target
    };
    if (constants) {
        for (Handle h = terms_.First(); h != TCompTermList::None; h = terms_.Next(h)) {
            if (!isCandidate(h))
                continue;
            if (auto v = ConstantValue(terms_[h].Text, *rng_)) {
                terms_[h].Value = *v;
                terms_[h].Priority = TermKind::Value;
            }
        }
    }
    if (variables && variables_ != nullptr) {
        for (Handle h = terms_.First(); h != TCompTermList::None; h = terms_.Next(h)) {
            // A constant name always means the constant, also where constants are not
            // resolved yet (a function body keeps it as a name).
            if (!isCandidate(h) || IsConstantName(terms_[h].Text))
                continue;
            const std::string text = variables_->Read(terms_[h].Text);
            if (text.empty())
                continue;
            std::vector<std::string> elements = engine_text::ElementsOf(text);
            try {
                terms_[h].Value =
                    engine_text::ReadValue(elements.empty() ? std::string() : elements.front());
            } catch (const EConvertError& e) {
                throw EConvertError(engine_text::StoredTextMessage(terms_[h].Text, e.what()));
            }
            terms_[h].Priority = TermKind::Value;
            if (elements.size() > 1)
                terms_.Extra(h).Array =
                    std::make_shared<const std::vector<std::string>>(std::move(elements));
        }
    }
}

// ---- array elements ----

DComplex TCompTinyParser::ReadElement(std::string_view name, int index) const {
    if (variables_ == nullptr || index < 0)
        return DComplex{};
    const std::vector<std::string> elements = engine_text::ElementsOf(variables_->Read(name));
    if (static_cast<std::size_t>(index) >= elements.size())
        return DComplex{};
    return StrToDComplex(elements[static_cast<std::size_t>(index)]);
}

void TCompTinyParser::WriteElement(std::string_view name, int index, const DComplex& value) {
    if (index >= engine_text::kMaxElements)
        throw std::out_of_range(engine_text::ElementBoundMessage(index));
    if (index < 0)
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    if (variables_ == nullptr)
        return;
    std::vector<std::string> elements = engine_text::ElementsOf(variables_->Read(name));
    while (elements.size() < static_cast<std::size_t>(index) + 1)
        elements.emplace_back("0 +_I 0");
    elements[static_cast<std::size_t>(index)] = DComplexToStr(value);
    variables_->Write(name, JoinCommaText(elements));
}

} // namespace vexmo
