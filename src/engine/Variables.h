#pragma once
// The variable store: ordered "name=value" lines. Names are matched without regard to
// (ASCII) case and the first matching line wins. The engine, the Variables window, the
// variables file and vexmo-calc all share this one class.

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vexmo {

class Variables {
  public:
    struct Line {
        std::string Name;
        std::string Value;
    };

    // The value of the first line whose name equals `name` (case-insensitive); "" if none.
    std::string Read(std::string_view name) const;
    // Replaces the value of that line in place, or appends a line. An empty value removes it.
    void Write(std::string_view name, std::string_view value);
    // Index of the first line with that name, or -1.
    int IndexOf(std::string_view name) const;
    void Remove(std::string_view name);
    void Clear();

    std::size_t Count() const;
    const Line& At(std::size_t i) const;
    const std::vector<Line>& Lines() const;
    // Appends a line as it stands (no lookup); used when loading a file in order.
    void Append(std::string_view name, std::string_view value);

    // A change made to the store, recorded so that the same change can be made to another
    // store holding the same lines: a calculation done on a copy of the store is brought
    // into the store itself, change by change.
    struct Change {
        enum class Kind { Write, Remove, Clear, Append };
        Kind What = Kind::Write;
        std::string Name;
        std::string Value;
    };
    // Every change from now on is added to `journal` (null: none is). A copy of the store
    // records nothing until it is given a journal of its own.
    void SetJournal(std::vector<Change>* journal) { journal_.To = journal; }
    void Apply(Change::Kind what, std::string_view name, std::string_view value);

  private:
    // Hash and equality of names without regard to ASCII case; transparent, so lookups by
    // string_view need no copy.
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view name) const noexcept;
    };
    struct NameEqual {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const noexcept;
    };

    void EraseLine(std::size_t i);
    void AppendLine(std::string_view name, std::string_view value);
    void Record(Change::Kind what, std::string_view name = {}, std::string_view value = {});

    std::vector<Line> lines_;
    // Name -> index of its first line. Keeps lookups constant-time, so a document with many
    // distinct names does not become quadratic.
    std::unordered_map<std::string, std::size_t, NameHash, NameEqual> index_;
    // Not copied: a copy of the store keeps its own record, if any.
    struct Journal {
        std::vector<Change>* To = nullptr;
        Journal() = default;
        Journal(const Journal&) noexcept {}
        Journal& operator=(const Journal&) noexcept { return *this; }
    };
    Journal journal_;
};

// Comma text: elements separated by commas; an element holding a blank, comma or double
// quote is quoted, inner quotes doubled. Reading skips blanks around separators; an
// unquoted element ends at the next comma or blank.
std::string JoinCommaText(const std::vector<std::string>& elements);
std::vector<std::string> SplitCommaText(std::string_view text);
// Reads a quoted element starting at the opening quote text[p]: up to the closing quote, a
// doubled quote standing for one. Leaves p after the closing quote (or at the end).
std::string ReadQuotedElement(std::string_view text, std::size_t& p);

} // namespace vexmo
