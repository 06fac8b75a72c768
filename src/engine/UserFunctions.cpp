// User-defined functions. A definition NAME(P1,...) := body is kept as one more line of the
// variable store; a call evaluates that line's body in a child engine with the parameters
// bound to the call's arguments.
#include "engine/CompTinyParseEngine.h"

#include "engine/EngineText.h"

#include <algorithm>
#include <stdexcept>

namespace vexmo {

namespace {

using Handle = TCompTermList::Handle;
constexpr Handle kNone = TCompTermList::None;

// Absorbed by the calling operator like any failing operation.
class UserFunctionError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A value folded into a body is read back by the scanner, which takes the full stop as the
// decimal point whatever the locale.
std::string BodyValueText(const DComplex& v) {
    std::string t = DComplexToStr(v);
    const char sep = DecimalSeparator();
    if (sep != '.' && sep != ' ' && sep != '+' && sep != '-' && sep != '_')
        std::replace(t.begin(), t.end(), sep, '.');
    return t;
}

} // namespace

int TCompTinyParser::FindHeaderEnd() const {
    const int n = terms_.Count();
    if (n <= 4)
        return -1;
    const Handle first = terms_.First();
    const Handle second = terms_.Next(first);
    if (terms_[first].Priority != TermKind::UserCall || terms_[second].Text != "(")
        return -1;
    Handle h = terms_.Next(second);
    for (int k = 2; k <= n - 2; ++k) {
        const Handle next = terms_.Next(h);
        if (terms_[h].Text == ")" && terms_[next].Text == ":=")
            return k;
        h = next;
    }
    return -1;
}

void TCompTinyParser::RemoveHead(int count) {
    for (int i = 0; i < count && terms_.First() != kNone; ++i)
        terms_.Delete(terms_.First());
}

bool TCompTinyParser::DefineFunction() {
    const int k = FindHeaderEnd();
    if (k < 0)
        return false;
    std::string header;
    std::vector<std::string> params;
    Handle h = terms_.First();
    for (int i = 0; i <= k; ++i, h = terms_.Next(h)) {
        header += terms_[h].Text;
        if (i >= 1 && terms_[h].Priority == TermKind::Name)
            params.push_back(terms_[h].Text.str());
    }
    RemoveHead(k + 2); // the header and ":="
    // Stored variables are folded in now; parameters, constants and unknown names stay names.
    ResolveNames(false, true);
    std::string body;
    for (h = terms_.First(); h != kNone; h = terms_.Next(h)) {
        const TCompTerm& t = terms_[h];
        const bool operand = t.Priority == TermKind::Value || t.Priority == TermKind::Name;
        if (operand && t.Priority != TermKind::Name &&
            std::find(params.begin(), params.end(), t.Text) == params.end())
            body += "(" + BodyValueText(t.Value) + ")";
        else
            body += t.Text;
    }
    if (variables_ != nullptr)
        variables_->Write(header, body); // an empty body removes the definition
    defined_ = std::move(header);
    return true;
}

struct TCompTinyParser::BodyTemplate {
    std::string Failure; // why the body cannot be evaluated; empty when it can
    std::vector<TCompTerm> Terms;
    std::vector<std::pair<std::size_t, std::size_t>> Parameters; // (term, parameter index)
    std::vector<std::size_t> RandomTerms;                         // "_RND", drawn per call
};

// The definition of `name`, scanned on its first call in this calculation. Definitions do
// not change while a calculation runs, so later calls (recursive ones above all) reuse it;
// the names inside the body are still looked up when each call runs.
std::shared_ptr<const TCompTinyParser::BodyTemplate>
TCompTinyParser::ReadBody(const std::string& name) {
    auto& cached = budget_->Bodies[name];
    if (cached)
        return cached;
    auto body = std::make_shared<BodyTemplate>();
    cached = body;

    const Variables::Line* line = nullptr;
    for (const Variables::Line& l : variables_->Lines()) {
        if (l.Name.size() > name.size() && l.Name.compare(0, name.size(), name) == 0 &&
            l.Name[name.size()] == '(') {
            line = &l;
            break;
        }
    }
    if (line == nullptr) {
        body->Failure = "Unknown function " + name;
        return body;
    }

    TCompTinyParser reader(*this);
    std::string text = line->Name + "=" + line->Value;
    text.replace(text.find('='), 1, ":=");
    reader.expression_ = std::move(text);
    try {
        reader.ScanExpression();
    } catch (const std::exception& e) {
        body->Failure = e.what(); // an unreadable number fails every call
        return body;
    }

    const int k = reader.FindHeaderEnd();
    if (k < 0) {
        body->Failure = "Invalid definition of " + name;
        return body;
    }
    std::vector<std::string> params;
    Handle h = reader.terms_.First();
    for (int i = 0; i <= k; ++i, h = reader.terms_.Next(h))
        if (reader.terms_[h].Priority == TermKind::Name)
            params.push_back(reader.terms_[h].Text.str());
    reader.RemoveHead(k + 2);
    reader.ResolveNames(true, false);

    body->Terms.reserve(static_cast<std::size_t>(reader.terms_.Count()));
    for (h = reader.terms_.First(); h != kNone; h = reader.terms_.Next(h)) {
        const TCompTerm& t = reader.terms_[h];
        const std::size_t at = body->Terms.size();
        if (t.Priority == TermKind::Name) {
            const auto it = std::find(params.begin(), params.end(), t.Text);
            if (it != params.end())
                body->Parameters.emplace_back(at,
                                              static_cast<std::size_t>(it - params.begin()));
        } else if (t.Priority == TermKind::Value && t.Text == "_RND") {
            body->RandomTerms.push_back(at);
        }
        body->Terms.push_back(t);
    }
    return body;
}

DComplex TCompTinyParser::CallUserFunction(const std::string& name,
                                           const std::vector<DComplex>& args,
                                           const DComplex& last) {
    if (variables_ == nullptr)
        throw UserFunctionError("No variable store for " + name);
    auto tooMuch = [&]() -> UserFunctionError {
        budget_->LimitHit = true;
        return UserFunctionError("Too many nested or repeated calls of " + name);
    };
    if (budget_->LimitHit || depth_ + 1 > MaxCallDepth ||
        budget_->Calls >= MaxCallsPerCalculation)
        throw tooMuch();
    ++budget_->Calls;

    const std::shared_ptr<const BodyTemplate> body = ReadBody(name);
    if (!body->Failure.empty())
        throw UserFunctionError(body->Failure);

    const auto size = static_cast<std::int64_t>(body->Terms.size());
    if (budget_->BodyTerms + size > MaxBodyTermsPerCalculation ||
        budget_->LiveBodyTerms + size > MaxLiveBodyTerms)
        throw tooMuch();
    budget_->BodyTerms += size;
    struct Live {
        CallBudget& budget;
        std::int64_t size;
        Live(CallBudget& b, std::int64_t n) : budget(b), size(n) { budget.LiveBodyTerms += n; }
        ~Live() { budget.LiveBodyTerms -= size; }
    } live(*budget_, size);

    TCompTinyParser child(*this);
    for (const TCompTerm& t : body->Terms)
        child.terms_.Append(t.Priority, t.Value, t.Text);
    for (std::size_t i : body->RandomTerms)
        child.terms_[static_cast<Handle>(i)].Value = *ConstantValue("_RND", *rng_);

    // With c leading arguments, parameter p takes argument p+1 when p < c, the last
    // argument when p == c, and 0 beyond.
    const std::size_t c = args.size();
    for (const auto& [i, p] : body->Parameters)
        child.terms_[static_cast<Handle>(i)].Value =
            p == c ? last : (p < c ? args[p] : DComplex{});
    child.ReduceTerms();

    // A limit reached anywhere below fails every call that led to it, not only the
    // innermost one, so the outermost caller sees the failure.
    if (budget_->LimitHit) {
        if (depth_ == 0)
            budget_->LimitHit = false; // later, independent calls may still run
        throw UserFunctionError("Too many nested or repeated calls of " + name);
    }
    return child.resultValue_;
}

} // namespace vexmo
