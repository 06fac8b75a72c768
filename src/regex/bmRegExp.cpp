#include "regex/bmRegExp.h"

namespace vexmo {

// ---- TRegularExpression ----

TRegularExpression::TRegularExpression() {
    FCache.push_back({std::string(), std::make_shared<const TRE_DFA>(TREParser::Parse(""))});
    FCurrent = FCache.front().DFA;
}

void TRegularExpression::SetRegExp(const std::string& pattern) {
    for (const TCacheEntry& entry : FCache) {
        if (entry.Pattern == pattern) {
            FCurrent = entry.DFA;
            FRegExp = pattern;
            return;
        }
    }
    std::shared_ptr<const TRE_DFA> dfa;
    try {
        dfa = std::make_shared<const TRE_DFA>(TREParser::Parse(pattern));
    } catch (const ERegExpParser&) {
        FCurrent = FCache.front().DFA;
        FRegExp.clear();
        throw;
    }
    // Compiled before anything is evicted, so a bad pattern costs no cache entry.
    if (FCache.size() >= static_cast<std::size_t>(MaxCacheEntries)) FCache.pop_back();
    FCache.insert(FCache.begin() + 1, {pattern, dfa});
    FCurrent = std::move(dfa);
    FRegExp = pattern;
}

// ---- TMatchCORE ----

template <bool Anchored>
bool TMatchCORE::SearchWith(std::string_view text, std::size_t from, bool fromIsLineStart,
                            std::size_t& start, std::size_t& end, TDeadEnds& deadEnds) const {
    const TRE_DFA& dfa = CompiledPattern();
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    const unsigned char lineEnd =
        LineSeparator() == TMatchCORE_LineSeparator::mcls_CRLF ? '\r' : '\n';
    auto atLineEnd = [&](std::size_t q) { return q == n || s[q] == lineEnd; };
    auto accepts = [&](int st, std::size_t q) {
        if constexpr (Anchored)
            return dfa.Accepting(st) || (dfa.AcceptingAtLineEnd(st) && atLineEnd(q));
        else
            return dfa.Accepting(st);
    };
    // One step of the automaton at q: the next state (or -1) and the character's length.
    auto step = [&](int st, std::size_t q, std::size_t& len) {
        if (s[q] < 0x80) {
            len = 1;
            return dfa.NextAscii(st, s[q]);
        }
        TRECode code;
        DecodeUtf8(s, n, q, code, len);
        return dfa.Next(st, code);
    };
    auto deadEnd = [&](std::size_t q, int st) {
        return !deadEnds.Empty() && deadEnds.Contains(st, q);
    };

    for (std::size_t p = from;;) {
        if (p < n && !dfa.MayStartWith(s[p])) {
            ++p;
            continue;
        }
        int startState = dfa.StartState();
        if constexpr (Anchored) {
            const bool lineStart = p == from ? fromIsLineStart : s[p - 1] == '\n';
            if (lineStart) startState = dfa.LineHeadStartState();
        }
        int state = startState;
        std::size_t last = accepts(state, p) ? p : std::string_view::npos;
        std::size_t q = p;
        while (q < n) {
            std::size_t len;
            const int next = step(state, q, len);
            if (next < 0) break;
            state = next;
            q += len;
            // An earlier failed run passed here in this state: nothing accepts from here on.
            if (deadEnd(q, state)) break;
            if (accepts(state, q)) last = q;
        }
        if (last != std::string_view::npos) {
            start = p;
            end = last;
            return true;
        }
        // Long failed runs are remembered so that later starts inside them stop early.
        constexpr std::size_t rememberFrom = 16;
        if (q - p >= rememberFrom) {
            state = startState;
            for (std::size_t r = p; r < q;) {
                std::size_t len;
                state = step(state, r, len);
                r += len;
                deadEnds.Add(state, r, n);
            }
        }
        if (p >= n) return false;
        p += Utf8CharLength(s, n, p);
    }
}

bool TMatchCORE::Search(std::string_view text, std::size_t from, bool fromIsLineStart,
                        std::size_t& start, std::size_t& end, TDeadEnds& deadEnds) const {
    return Anchored() ? SearchWith<true>(text, from, fromIsLineStart, start, end, deadEnds)
                      : SearchWith<false>(text, from, fromIsLineStart, start, end, deadEnds);
}

bool TMatchCORE::Match(std::string_view text, std::size_t& start, std::size_t& length) const {
    std::size_t end = 0;
    TDeadEnds deadEnds;
    if (!Search(text, 0, true, start, end, deadEnds)) return false;
    length = end - start;
    return true;
}

// ---- TAWKStr ----

namespace {

// A replacement text cut into literal runs and references to the matched text.
struct TReplacement {
    struct Part {
        bool Matched = false;
        std::string Literal;
    };
    std::vector<Part> Parts;

    explicit TReplacement(std::string_view r) {
        std::string literal;
        auto flush = [&] {
            if (!literal.empty()) Parts.push_back({false, std::move(literal)});
            literal.clear();
        };
        const auto* s = reinterpret_cast<const unsigned char*>(r.data());
        const std::size_t n = r.size();
        std::size_t i = 0;
        while (i < n) {
            const char c = r[i];
            if (c == '&') {
                flush();
                Parts.push_back({true, {}});
                ++i;
                continue;
            }
            if (c != '\\' || i + 1 == n) {
                // A lone backslash at the end stays as it is.
                const std::size_t len = Utf8CharLength(s, n, i);
                literal.append(r.substr(i, len));
                i += len;
                continue;
            }
            ++i;
            const char e = r[i];
            auto isHex = [](char h) {
                return (h >= '0' && h <= '9') || (h >= 'a' && h <= 'f') || (h >= 'A' && h <= 'F');
            };
            if (e == 'b' || e == 'n' || e == 'r' || e == 't') {
                literal += e == 'b' ? '\b' : e == 'n' ? '\n' : e == 'r' ? '\r' : '\t';
                ++i;
            } else if (e == 'x' && i + 1 < n && isHex(r[i + 1])) {
                ++i;
                TRECode value = 0;
                for (int d = 0; d < 4 && i < n && isHex(r[i]); ++d, ++i)
                    value = value * 16 + static_cast<TRECode>(
                                             r[i] <= '9' ? r[i] - '0' : (r[i] | 0x20) - 'a' + 10);
                AppendUtf8(literal, value);
            } else if (e >= '0' && e <= '7') {
                // Digits are taken while the code stays within 16 bits.
                TRECode value = 0;
                for (int d = 0; d < 6 && i < n && r[i] >= '0' && r[i] <= '7'; ++d, ++i) {
                    const TRECode next = value * 8 + static_cast<TRECode>(r[i] - '0');
                    if (next > 0xFFFF) break;
                    value = next;
                }
                AppendUtf8(literal, value);
            } else {
                const std::size_t len = Utf8CharLength(s, n, i);
                literal.append(r.substr(i, len));
                i += len;
            }
        }
        flush();
    }

    void AppendTo(std::string& out, std::string_view matched) const {
        for (const Part& part : Parts) {
            if (part.Matched)
                out.append(matched);
            else
                out.append(part.Literal);
        }
    }
};

} // namespace

int TAWKStr::ReplaceAll(std::string_view replacement, std::string& text) const {
    std::size_t start = 0;
    std::size_t end = 0;
    TDeadEnds deadEnds;
    if (!Search(text, 0, true, start, end, deadEnds)) return 0;
    const TReplacement expanded(replacement);
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    const bool crlf = LineSeparator() == TMatchCORE_LineSeparator::mcls_CRLF;

    // One output buffer and an offset into the input: linear in the text.
    std::string out;
    out.reserve(n + n / 8);
    std::size_t pos = 0;
    int count = 0;
    for (;;) {
        out.append(text, pos, start - pos);
        expanded.AppendTo(out, std::string_view(text).substr(start, end - start));
        pos = end;
        if (start == end && pos < n) {
            // An empty match: copy the character at it and go on after it, so that the
            // same place cannot match again. A CR LF pair is one line break here.
            std::size_t len = Utf8CharLength(s, n, pos);
            if (crlf && s[pos] == '\r' && pos + 1 < n && s[pos + 1] == '\n') len = 2;
            out.append(text, pos, len);
            pos += len;
        }
        ++count;
        if (pos >= n) break;
        if (!Search(text, pos, s[pos - 1] == '\n', start, end, deadEnds)) break;
    }
    out.append(text, pos, std::string::npos);
    text = std::move(out);
    return count;
}

} // namespace vexmo
