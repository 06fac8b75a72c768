#pragma once
// Regular-expression substitution: the component holding the current pattern with its
// cache of compiled automata (TRegularExpression), the matching routines
// (TMatchCORE) and the AWK-style replace-all (TAWKStr).
//
// Matches are leftmost-longest. Text and patterns are UTF-8, one character per code point.

#include "regex/REAutomaton.h"
#include "regex/REParser.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vexmo {

class TRegularExpression {
  public:
    static constexpr int MaxCacheEntries = 30;

    TRegularExpression();
    virtual ~TRegularExpression() = default;

    const std::string& RegExp() const { return FRegExp; }
    // Compiles the pattern or takes it from the cache. On ERegExpParser the current pattern
    // becomes the empty one and RegExp() becomes empty.
    void SetRegExp(const std::string& pattern);

    // Dictionary rewriting of the pattern is not provided; the switches are kept for the
    // component's interface and have no effect.
    bool UseFuzzyCharDic() const { return FUseFuzzyCharDic; }
    void SetUseFuzzyCharDic(bool value) { FUseFuzzyCharDic = value; }
    bool UseSynonymDic() const { return FUseSynonymDic; }
    void SetUseSynonymDic(bool value) { FUseSynonymDic = value; }

    int CacheCount() const { return static_cast<int>(FCache.size()); }
    const std::string& CachePattern(int index) const {
        return FCache[static_cast<std::size_t>(index)].Pattern;
    }
    const TRE_DFA& CompiledPattern() const { return *FCurrent; }

  protected:
    // The anchored search is used when the pattern contains "^" or "$".
    bool Anchored() const { return FCurrent->UsesLineHead() || FCurrent->UsesLineTail(); }

  private:
    struct TCacheEntry {
        std::string Pattern;
        std::shared_ptr<const TRE_DFA> DFA;
    };
    std::vector<TCacheEntry> FCache;
    std::shared_ptr<const TRE_DFA> FCurrent;
    std::string FRegExp;
    bool FUseFuzzyCharDic = false;
    bool FUseSynonymDic = false;
};

enum class TMatchCORE_LineSeparator { mcls_CRLF, mcls_LF };

// Pairs of automaton state and text position from which no match can be completed, found
// by failed runs. Kept per state (one bit per position, made when a state first needs it),
// so runs from different starts that pass a position in different states do not overwrite
// each other's record and repeated searches stay linear in the text.
class TDeadEnds {
  public:
    bool Empty() const { return FEmpty; }
    bool Contains(int state, std::size_t q) const {
        const auto st = static_cast<std::size_t>(state);
        return st < FBits.size() && !FBits[st].empty() && ((FBits[st][q >> 6] >> (q & 63)) & 1U);
    }
    void Add(int state, std::size_t q, std::size_t textSize) {
        const auto st = static_cast<std::size_t>(state);
        if (st >= FBits.size()) FBits.resize(st + 1);
        if (FBits[st].empty()) FBits[st].assign(textSize / 64 + 1, 0);
        FBits[st][q >> 6] |= std::uint64_t{1} << (q & 63);
        FEmpty = false;
    }

  private:
    std::vector<std::vector<std::uint64_t>> FBits;
    bool FEmpty = true;
};

class TMatchCORE : public TRegularExpression {
  public:
    TMatchCORE_LineSeparator LineSeparator() const { return FLineSeparator; }
    void SetLineSeparator(TMatchCORE_LineSeparator value) { FLineSeparator = value; }

    // The leftmost-longest match of the current pattern in text; the start of the text
    // counts as a line start.
    bool Match(std::string_view text, std::size_t& start, std::size_t& length) const;

  protected:
    // Searches text from byte offset from on. fromIsLineStart tells whether "^" may match
    // at from; later positions are line starts when they follow an LF. deadEnds belongs to
    // the caller and must start empty for each text, so repeated searches stay linear.
    bool Search(std::string_view text, std::size_t from, bool fromIsLineStart, std::size_t& start,
                std::size_t& end, TDeadEnds& deadEnds) const;

  private:
    template <bool Anchored>
    bool SearchWith(std::string_view text, std::size_t from, bool fromIsLineStart,
                    std::size_t& start, std::size_t& end, TDeadEnds& deadEnds) const;

    TMatchCORE_LineSeparator FLineSeparator = TMatchCORE_LineSeparator::mcls_CRLF;
};

class TAWKStr : public TMatchCORE {
  public:
    // Replaces every match of the current pattern in text, left to right, by the
    // expanded replacement; returns the number of replacements. In the replacement the
    // pattern escapes are decoded, "&" stands for the matched text and "\&" for "&".
    int ReplaceAll(std::string_view replacement, std::string& text) const;
};

} // namespace vexmo
