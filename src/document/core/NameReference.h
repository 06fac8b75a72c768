#pragma once
// The names the engine knows (constants and functions), each with a one-line meaning in
// English and Japanese, its group and an example with its answer. The table is kept with the
// manual (docs/reference.tsv) and compiled into the program, so the manual, the program and
// the tests all read the same text. Standard library only.

#include <string>
#include <string_view>
#include <vector>

namespace vexmo {

enum class NameKind { Constant, Function };

struct NameGroup {
    std::string Key;
    std::string TitleEn;
    std::string TitleJa;
};

struct NameEntry {
    NameKind Kind = NameKind::Constant;
    std::string Name;
    std::string Group; // a NameGroup's key
    std::string MeaningEn;
    std::string MeaningJa;
    std::string Example;
    std::string Answer; // the answer text the example gives in the default number format
};

struct NameReference {
    std::vector<NameGroup> Groups;   // in table order
    std::vector<NameEntry> Entries;  // in table order
    std::vector<std::string> Errors; // lines that could not be read, with their numbers

    // nullptr when the name is not in the table; names compare without regard to case.
    const NameEntry* Find(std::string_view name) const;
    // 1 selects English, any other language Japanese.
    const std::string& Meaning(const NameEntry& entry, int language) const;
};

// Reads the tab-separated table. Lines beginning with "#" and empty lines are skipped.
NameReference ParseNameReference(std::string_view text);

// The table compiled into the program, read once.
const NameReference& BuiltinNameReference();
// Its text as kept in the manual's sources.
std::string_view NameReferenceText();

} // namespace vexmo
