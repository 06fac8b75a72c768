#include "engine/ExpressionTokens.h"

#include "engine/BuiltinFunctions.h"
#include "engine/EngineText.h"
#include "engine/ExpressionCutter.h"

#include <algorithm>

namespace vexmo {

namespace {

using engine_text::IsTrimmed;

// The answer run starts at the first " ==> ", else at the first " >>> ".
std::size_t ExpressionEnd(std::string_view line) {
    std::size_t arrow = line.find(" ==> ");
    if (arrow == std::string_view::npos) arrow = line.find(" >>> ");
    return arrow == std::string_view::npos ? line.size() : arrow;
}

// [from, to) without trimmed characters at either end; empty when nothing is left.
void TrimRange(std::string_view s, std::size_t& from, std::size_t& to) {
    while (from < to && IsTrimmed(s[from]))
        ++from;
    while (to > from && IsTrimmed(s[to - 1]))
        --to;
}

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = engine_text::UpperAscii(c);
    return out;
}

void AddKey(std::vector<std::string>& keys, std::string key) {
    if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(std::move(key));
}

bool IsText(std::string_view line, const ExpressionToken& t, std::string_view text) {
    return t.Kind == TokenKind::Operator && line.substr(t.Start, t.Length) == text;
}

} // namespace

ExpressionScanner::ExpressionScanner() {
    BuildOperatorTable(table_);
}

void ExpressionScanner::Scan(std::string_view line, std::vector<ExpressionToken>& tokens) const {
    tokens.clear();
    const std::size_t exprEnd = ExpressionEnd(line);
    std::size_t calcEnd = line.substr(0, exprEnd).find(';');
    std::size_t commentAt = std::string_view::npos;
    if (calcEnd != std::string_view::npos)
        commentAt = calcEnd;
    else
        calcEnd = exprEnd;
    std::size_t hiddenAt = line.substr(0, calcEnd).find('$');
    const std::size_t end0 = hiddenAt == std::string_view::npos ? calcEnd : hiddenAt;

    // Cut as the engine cuts, over an upper-cased copy of the calculation text.
    const std::string s = Upper(line.substr(0, end0));
    std::size_t pos = 0;
    std::size_t end = s.size();
    TrimRange(s, pos, end);
    auto addOperand = [&](std::size_t from, std::size_t to, bool numeric) {
        TrimRange(s, from, to);
        if (from < to)
            tokens.push_back({from, to - from, numeric ? TokenKind::Number : TokenKind::Name});
    };
    CutExpression(s, pos, end, table_, addOperand, [&](std::size_t at, const TOpe& op) {
        const bool isFunction = engine_text::IsUpperLetter(op.Text[0]);
        tokens.push_back({at, op.Text.size(), isFunction ? TokenKind::Function : TokenKind::Operator});
    });

    // A name before "[" reads an element, before "(" calls a user function; as in the
    // engine, a bracket in the last place is not looked at.
    const std::size_t n = tokens.size();
    for (std::size_t i = 1; i + 1 < n; ++i) {
        if (tokens[i - 1].Kind != TokenKind::Name) continue;
        if (IsText(s, tokens[i], "["))
            tokens[i - 1].Kind = TokenKind::ArrayName;
        else if (IsText(s, tokens[i], "("))
            tokens[i - 1].Kind = TokenKind::UserCall;
    }

    // The parameters of a definition F(P1, ...) := body, in the header and in the body.
    std::vector<std::string> params;
    if (n > 4 && tokens[0].Kind == TokenKind::UserCall && IsText(s, tokens[1], "(")) {
        std::size_t k = 2;
        while (k + 1 < n && !(IsText(s, tokens[k], ")") && IsText(s, tokens[k + 1], ":=")))
            ++k;
        if (k + 1 < n) {
            for (std::size_t i = 2; i < k; ++i)
                if (tokens[i].Kind == TokenKind::Name) {
                    tokens[i].Kind = TokenKind::Parameter;
                    params.push_back(s.substr(tokens[i].Start, tokens[i].Length));
                }
            for (std::size_t i = k + 2; i < n; ++i)
                if (tokens[i].Kind == TokenKind::Name &&
                    std::find(params.begin(), params.end(),
                              s.substr(tokens[i].Start, tokens[i].Length)) != params.end())
                    tokens[i].Kind = TokenKind::Parameter;
        }
    }

    // Constants are the names the engine resolves as such: not an assignment target.
    for (std::size_t i = 0; i < n; ++i) {
        ExpressionToken& t = tokens[i];
        if (t.Kind != TokenKind::Name) continue;
        if (i + 1 < n && IsText(s, tokens[i + 1], ":=")) continue;
        if (IsConstantName(std::string_view(s).substr(t.Start, t.Length)))
            t.Kind = TokenKind::Constant;
    }

    if (hiddenAt != std::string_view::npos) {
        std::size_t from = hiddenAt;
        std::size_t to = calcEnd;
        TrimRange(line, from, to);
        if (from < to) tokens.push_back({from, to - from, TokenKind::Hidden});
    }
    if (commentAt != std::string_view::npos) {
        std::size_t from = commentAt;
        std::size_t to = exprEnd;
        TrimRange(line, from, to);
        if (from < to) tokens.push_back({from, to - from, TokenKind::Comment});
    }
}

ExpressionFacts ExpressionScanner::Facts(std::string_view line,
                                         const std::vector<ExpressionToken>& tokens) {
    ExpressionFacts facts;
    const std::size_t n = tokens.size();
    auto text = [&](std::size_t i) {
        return Upper(line.substr(tokens[i].Start, tokens[i].Length));
    };
    auto isOp = [&](std::size_t i, std::string_view op) {
        return i < n && tokens[i].Kind == TokenKind::Operator &&
               line.substr(tokens[i].Start, tokens[i].Length) == op;
    };

    std::size_t bodyFrom = 0;
    if (n > 4 && tokens[0].Kind == TokenKind::UserCall && isOp(1, "(")) {
        for (std::size_t k = 2; k + 1 < n; ++k)
            if (isOp(k, ")") && isOp(k + 1, ":=")) {
                facts.Defines = true;
                facts.Assigns.push_back(text(0) + "(");
                bodyFrom = k + 2;
                break;
            }
    }
    for (std::size_t i = bodyFrom; i < n; ++i) {
        const ExpressionToken& t = tokens[i];
        switch (t.Kind) {
        case TokenKind::Name:
            if (!facts.Defines && isOp(i + 1, ":="))
                AddKey(facts.Assigns, text(i));
            else
                AddKey(facts.Uses, text(i));
            break;
        case TokenKind::ArrayName: {
            AddKey(facts.Uses, text(i));
            if (facts.Defines) break;
            // NAME[...] := writes the array.
            int depth = 0;
            std::size_t j = i + 1;
            for (; j < n; ++j) {
                if (isOp(j, "["))
                    ++depth;
                else if (isOp(j, "]") && --depth == 0)
                    break;
            }
            if (isOp(j + 1, ":=")) AddKey(facts.Assigns, text(i));
            break;
        }
        case TokenKind::UserCall:
            AddKey(facts.Uses, text(i) + "(");
            break;
        default:
            break;
        }
    }
    return facts;
}

ExpressionFacts ExpressionScanner::Facts(std::string_view line) const {
    std::vector<ExpressionToken> tokens;
    Scan(line, tokens);
    return Facts(line, tokens);
}

std::string ExpressionScanner::FunctionKey(std::string_view header) {
    const std::size_t bracket = header.find('(');
    if (bracket == std::string_view::npos || bracket == 0) return {};
    return Upper(engine_text::Trim(header.substr(0, bracket))) + "(";
}

} // namespace vexmo
