// Variables-file reader: any bytes load what can be read, never crash, and what was
// loaded is written and read back unchanged.

#include "document/core/VariablesFile.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    bool legacy = false;
    const std::string text = vexmo::DecodeFileText(bytes, {}, &legacy);
    if (!vexmo::IsValidUtf8(text))
        std::abort();
    if (legacy && vexmo::EncodeWindows1252(text) != bytes)
        std::abort(); // every Windows-1252 byte survives the round trip

    vexmo::Variables store;
    vexmo::LoadVariables(vexmo::ParseVariablesFileText(text), store);
    for (const auto& line : store.Lines()) {
        if (line.Name.empty() || line.Value.empty())
            std::abort();
    }
    vexmo::Variables again;
    vexmo::LoadVariables(vexmo::ParseVariablesFileText(vexmo::VariablesFileText(store)), again);
    if (again.Count() != store.Count())
        std::abort();
    for (std::size_t i = 0; i < store.Count(); ++i) {
        if (again.At(i).Name != store.At(i).Name || again.At(i).Value != store.At(i).Value)
            std::abort();
    }
    return 0;
}
