#include "make_document.h"

#include <array>

namespace vexmo::bench {

std::string MakeTypicalDocument(std::size_t lines, const char* lineBreak)
{
    // Numbers vary with the line so that nothing repeats exactly.
    const std::array<std::string (*)(std::size_t), 12> kinds = {
        [](std::size_t i) { return "R" + std::to_string(i % 7) + ":=" + std::to_string(1 + i % 90) + "K"; },
        [](std::size_t i) { return "R" + std::to_string(i % 7) + "//R" + std::to_string((i + 3) % 7); },
        [](std::size_t i) { return "(" + std::to_string(i % 13) + "+2.5)*3-4/" + std::to_string(1 + i % 9); },
        [](std::size_t i) { return "SIN(_PI/" + std::to_string(1 + i % 12) + ")+COS(0." + std::to_string(i % 10) + ")"; },
        [](std::size_t i) { return "F(" + std::to_string(i % 50) + ".5)"; },
        [](std::size_t i) { return "10K//22K//" + std::to_string(1 + i % 9) + ".7K ;divider"; },
        [](std::size_t i) { return "SQRT(" + std::to_string(2 + i % 40) + ")*1E3"; },
        [](std::size_t i) { return "N:=N+" + std::to_string(i % 5) + " $counter"; },
        [](std::size_t i) { return "ABS(3 +_I " + std::to_string(i % 11) + ")"; },
        [](std::size_t i) { return "LOG(1000)+LN(" + std::to_string(2 + i % 20) + ")"; },
        [](std::size_t i) { return "G(" + std::to_string(i % 17) + ",4.7U)"; },
        [](std::size_t i) { return "ANS*2-" + std::to_string(i % 100) + "M"; },
    };
    std::string text = "F(X):=X^2+2*X+1";
    text += lineBreak;
    text += "G(T,C):=1/(2*_PI*T*C+1)";
    text += lineBreak;
    for (std::size_t i = 2; i < lines; ++i) {
        text += kinds[i % kinds.size()](i);
        text += lineBreak;
    }
    return text;
}

} // namespace vexmo::bench
