// The position-keeping scanner cuts a line exactly as the engine does, and the facts it
// draws from the tokens name what a line uses and what it assigns.
#include "engine/ExpressionTokens.h"

#include <gtest/gtest.h>

using namespace vexmo;

namespace {

TEST(ExpressionTokensTest, TokensAreTheEnginesTerms) {
    const char* lines[] = {
        "1+2*3",
        "A := 10K + 4.7U*90DEG",
        "sin(x)cos y",
        "1E-5+2E+3",
        "SINE + SIN 2",
        "F(X, Y) := X^2 + Y",
        "A[2] := B[1] // 3",
        "2(3) _PI PI",
        "X >>= 2 <<= 1 != 3",
        "  lead   and trail  ",
        "\xce\xb1+1",
        "(",
    };
    const ExpressionScanner scanner;
    TCompTinyParser engine;
    for (const char* line : lines) {
        SCOPED_TRACE(line);
        std::vector<ExpressionToken> tokens;
        scanner.Scan(line, tokens);
        engine.SetExpression(line);
        engine.ScanExpression();
        std::vector<std::string> terms;
        // Juxtaposition inserts products that stand nowhere in the text.
        const auto handles = engine.Terms().InOrder();
        for (std::size_t i = 0; i < handles.size(); ++i) {
            const TCompTerm& t = engine.Terms()[handles[i]];
            terms.emplace_back(t.Text.View());
        }
        std::vector<std::string> cut;
        for (const ExpressionToken& t : tokens) {
            std::string text(std::string_view(line).substr(t.Start, t.Length));
            for (char& c : text)
                c = (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
            cut.push_back(text);
        }
        std::vector<std::string> withoutProducts;
        std::size_t k = 0;
        for (const std::string& term : terms) {
            if (k < cut.size() && cut[k] == term)
                withoutProducts.push_back(cut[k++]);
            else
                EXPECT_EQ(term, "*"); // only an inserted product may be missing
        }
        EXPECT_EQ(withoutProducts, cut);
    }
}

TEST(ExpressionTokensTest, FactsOfLines) {
    using V = std::vector<std::string>;
    struct Row {
        const char* name;
        const char* line;
        V uses;
        V assigns;
        bool defines;
    } rows[] = {
        {"assignment", "b := a*2 + c", {"A", "C"}, {"B"}, false},
        {"element write", "M[i] := 3", {"M", "I"}, {"M"}, false},
        {"element read", "M[2] + 1", {"M"}, {}, false},
        {"call", "g(1) + f(x)", {"G(", "F(", "X"}, {}, false},
        {"definition", "h(x, y) := x*k + f(y)", {"K", "F("}, {"H("}, true},
        {"constants are not names", "_PI * R + PI", {"R"}, {}, false},
        {"comment, hidden text, answer", "q $ p ; r ==> 3 ", {"Q"}, {}, false},
        {"chained assignment", "a := b := 4", {}, {"A", "B"}, false},
    };
    const ExpressionScanner scanner;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const ExpressionFacts facts = scanner.Facts(row.line);
        EXPECT_EQ(facts.Uses, row.uses);
        EXPECT_EQ(facts.Assigns, row.assigns);
        EXPECT_EQ(facts.Defines, row.defines);
    }
}

} // namespace
