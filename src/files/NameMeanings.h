#pragma once
// One-line meanings of the built-in functions and constants in both languages, with the
// signature completion shows beside each name.

#include "document/gui/Completion.h"

#include <span>
#include <string_view>
#include <vector>

namespace vexmo {

struct NameMeaning {
    std::string_view Name;
    bool Function;
    std::string_view Detail; // a function's signature, a constant's value
    std::string_view English;
    std::string_view Japanese;
};

std::span<const NameMeaning> NameMeaningTable();

// The completion catalogue of the built-in names in the interface language.
std::vector<CatalogueEntry> BuiltinCatalogue(int language);
// How completion describes the store's entries.
QString VariableMeaning(int language);
QString UserFunctionMeaning(int language);

} // namespace vexmo
