#include "document/core/NameReference.h"

#include <algorithm>

namespace vexmo {

namespace {

std::vector<std::string_view> SplitTabs(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
        if (tab == std::string_view::npos) return fields;
        start = tab + 1;
    }
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               auto upper = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; };
               return upper(x) == upper(y);
           });
}

} // namespace

const NameEntry* NameReference::Find(std::string_view name) const {
    for (const NameEntry& entry : Entries)
        if (SameNameIgnoringCase(entry.Name, name)) return &entry;
    return nullptr;
}

const std::string& NameReference::Meaning(const NameEntry& entry, int language) const {
    return language == 1 ? entry.MeaningEn : entry.MeaningJa;
}

NameReference ParseNameReference(std::string_view text) {
    NameReference reference;
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        const std::vector<std::string_view> f = SplitTabs(line);
        auto fail = [&](const char* what) {
            reference.Errors.push_back("line " + std::to_string(lineNumber) + ": " + what);
        };
        if (f[0] == "group") {
            if (f.size() != 4) {
                fail("a group needs a key and two titles");
                continue;
            }
            reference.Groups.push_back({std::string(f[1]), std::string(f[2]), std::string(f[3])});
        } else if (f[0] == "constant" || f[0] == "function") {
            if (f.size() != 7) {
                fail("a name needs a group, two meanings, an example and its answer");
                continue;
            }
            const bool known = std::any_of(reference.Groups.begin(), reference.Groups.end(),
                                           [&](const NameGroup& g) { return g.Key == f[2]; });
            if (!known) {
                fail("the group is not defined above");
                continue;
            }
            reference.Entries.push_back(
                {f[0] == "constant" ? NameKind::Constant : NameKind::Function, std::string(f[1]),
                 std::string(f[2]), std::string(f[3]), std::string(f[4]), std::string(f[5]),
                 std::string(f[6])});
        } else {
            fail("unknown kind of line");
        }
    }
    return reference;
}

const NameReference& BuiltinNameReference() {
    static const NameReference reference = ParseNameReference(NameReferenceText());
    return reference;
}

} // namespace vexmo
