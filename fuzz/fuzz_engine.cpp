// Lines of any bytes calculated one after another by one engine over one variable store, so
// assignments, arrays and function definitions of earlier lines meet later ones. Only the
// number-text errors may leave Calculate; anything else escaping is a fault.
#include "engine/CompTinyParseEngine.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    vexmo::Variables vars;
    vars.Write("A", "2 +_I 1");
    vars.Write("L", "\"1 +_I 0\",\"2 +_I 0\",\"3 +_I 0\"");
    vars.Write("SQ(X)", "X*X");
    vars.Write("REC(X)", "REC(X)+REC(X)");
    vars.Write("_F", "1000 +_I 0");
    vexmo::TCompTinyParser engine;
    engine.SetVariables(&vars);
    int notices = 0;
    engine.SetOnSubstitute([&](vexmo::TCompTinyParser&, std::string& name, std::string&, int) {
        ++notices;
        if (name.empty())
            std::abort();
    });

    std::string_view rest(reinterpret_cast<const char*>(data), size);
    while (!rest.empty()) {
        const std::size_t nl = rest.find('\n');
        const std::string_view line = rest.substr(0, nl);
        rest = nl == std::string_view::npos ? std::string_view() : rest.substr(nl + 1);
        engine.SetExpression(line);
        try {
            const vexmo::DComplex v = engine.ResultValue();
            const int e = engine.ErrorState();
            if (e < 0 || e > 2)
                std::abort();
            const std::string& text = engine.ResultText();
            if (!text.empty() && text != vexmo::DComplexToStr(v))
                std::abort();
        } catch (const vexmo::EConvertError&) {
            // The engine stays stale: the next read calculates and fails again.
        }
    }
    return 0;
}
