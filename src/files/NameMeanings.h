#pragma once
// What completion shows beside each built-in name: a function's signature or a constant's
// value, and the manual's one-line meaning in the interface language.

#include "document/gui/Completion.h"

#include <span>
#include <string_view>
#include <vector>

namespace vexmo {

struct NameMeaning {
    std::string_view Name;
    bool Function;
    std::string_view Detail; // a function's signature, a constant's value
};

std::span<const NameMeaning> NameMeaningTable();

// The completion catalogue of the built-in names in the interface language.
std::vector<CatalogueEntry> BuiltinCatalogue(int language);
// How completion describes the store's entries.
QString VariableMeaning(int language);
QString UserFunctionMeaning(int language);

} // namespace vexmo
