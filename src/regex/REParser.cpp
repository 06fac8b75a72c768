#include "regex/REParser.h"

#include <algorithm>

namespace vexmo {

void NormaliseRanges(std::vector<TRERange>& ranges) {
    if (ranges.empty()) return;
    std::sort(ranges.begin(), ranges.end(),
              [](const TRERange& a, const TRERange& b) { return a.Lo < b.Lo; });
    std::size_t out = 0;
    for (std::size_t i = 1; i < ranges.size(); ++i) {
        if (ranges[i].Lo <= ranges[out].Hi + 1)
            ranges[out].Hi = std::max(ranges[out].Hi, ranges[i].Hi);
        else
            ranges[++out] = ranges[i];
    }
    ranges.resize(out + 1);
}

std::vector<TRERange> AnyCharRanges() {
    return {{1, 9}, {11, 12}, {14, RECodeMaxText}};
}

std::vector<TRERange> NegatedRanges(const std::vector<TRERange>& members) {
    std::vector<TRERange> result;
    for (TRERange any : AnyCharRanges()) {
        TRECode next = any.Lo;
        for (const TRERange& m : members) {
            if (m.Hi < next || m.Lo > any.Hi) continue;
            if (m.Lo > next) result.push_back({next, m.Lo - 1});
            next = m.Hi + 1;
            if (next > any.Hi) break;
        }
        if (next <= any.Hi) result.push_back({next, any.Hi});
    }
    return result;
}

namespace {

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

unsigned HexValue(char c) {
    if (c <= '9') return static_cast<unsigned>(c - '0');
    return static_cast<unsigned>((c | 0x20) - 'a' + 10);
}

} // namespace

TRECode TREScanner::ReadChar() {
    TRECode code;
    std::size_t len;
    const auto* bytes = reinterpret_cast<const unsigned char*>(FText.data());
    if (!DecodeUtf8(bytes, FText.size(), FByte, code, len))
        throw ERegExpParser(RegExpMessages::InvalidMultiByte, FChar);
    FByte += len;
    ++FChar;
    return code;
}

// Called with the backslash current.
TRECode TREScanner::ReadEscape() {
    const int position = FChar;
    Skip();
    if (AtEnd()) throw ERegExpParser(RegExpMessages::CharAfterBackslash, position);
    const char c = Peek();
    switch (c) {
    case 'b':
        Skip();
        return 8;
    case 'n':
        Skip();
        return 10;
    case 'r':
        Skip();
        return 13;
    case 't':
        Skip();
        return 9;
    case 'x': {
        Skip();
        TRECode value = 0;
        int digits = 0;
        while (digits < 4 && !AtEnd() && IsHexDigit(Peek())) {
            value = value * 16 + HexValue(Peek());
            Skip();
            ++digits;
        }
        if (digits == 0) throw ERegExpParser(RegExpMessages::InvalidHexCode, position);
        return value;
    }
    default:
        break;
    }
    if (c >= '0' && c <= '7') {
        TRECode value = 0;
        for (int digits = 0; digits < 6 && !AtEnd() && Peek() >= '0' && Peek() <= '7'; ++digits) {
            value = value * 8 + static_cast<TRECode>(Peek() - '0');
            Skip();
        }
        if (value > 0xFFFF) throw ERegExpParser(RegExpMessages::InvalidOctalCode, position);
        return value;
    }
    return ReadChar();
}

// Called after "[" (and "^" of a negated class) has been consumed.
TREToken TREScanner::ReadClass(int position) {
    bool negated = false;
    if (!AtEnd() && Peek() == '^') {
        negated = true;
        Skip();
    }
    std::vector<TRERange> members;
    for (;;) {
        if (AtEnd()) throw ERegExpParser(RegExpMessages::RightBracketNeeded, FChar);
        if (Peek() == ']') {
            if (members.empty()) throw ERegExpParser(RegExpMessages::InvalidClass, FChar);
            Skip();
            break;
        }
        const TRECode lo = Peek() == '\\' ? ReadEscape() : ReadChar();
        TRECode hi = lo;
        if (!AtEnd() && Peek() == '-' && FByte + 1 < FText.size() && FText[FByte + 1] != ']') {
            Skip();
            const int endPosition = FChar;
            hi = Peek() == '\\' ? ReadEscape() : ReadChar();
            if (hi < lo) throw ERegExpParser(RegExpMessages::InvalidRange, endPosition);
        }
        members.push_back({lo, hi});
    }
    NormaliseRanges(members);
    TREToken token;
    token.Kind = TRETokenKind::Class;
    token.Position = position;
    token.Ranges = negated ? NegatedRanges(members) : std::move(members);
    return token;
}

TREToken TREScanner::Next() {
    TREToken token;
    token.Position = FChar;
    if (AtEnd()) return token;
    const char c = Peek();
    auto simple = [&](TRETokenKind kind) {
        Skip();
        token.Kind = kind;
        return token;
    };
    switch (c) {
    case '|':
        return simple(TRETokenKind::Union);
    case '(':
        return simple(TRETokenKind::LPar);
    case ')':
        return simple(TRETokenKind::RPar);
    case '*':
        return simple(TRETokenKind::Star);
    case '+':
        return simple(TRETokenKind::Plus);
    case '?':
        return simple(TRETokenKind::Query);
    case '.':
        return simple(TRETokenKind::Any);
    case ']':
        return simple(TRETokenKind::RBracket);
    case '^':
        return simple(TRETokenKind::LineHead);
    case '$':
        return simple(TRETokenKind::LineTail);
    case '[':
        Skip();
        return ReadClass(token.Position);
    case '\\':
        token.Kind = TRETokenKind::Char;
        token.Code = ReadEscape();
        return token;
    default:
        token.Kind = TRETokenKind::Char;
        token.Code = ReadChar();
        return token;
    }
}

namespace {

// One open group while parsing: the finished alternatives and the branch being built.
struct TREGroup {
    int Alternatives = -1; // union of the finished alternatives, -1 when none yet
    int Branch = -1;       // concatenation of the pieces so far, -1 for an empty branch
};

class TreeBuilder {
  public:
    explicit TreeBuilder(TREParseTree& tree) : FTree(tree) {}

    int Add(TRENodeKind kind, int left = -1, int right = -1) {
        TRENode node;
        node.Kind = kind;
        node.Left = left;
        node.Right = right;
        FTree.Nodes.push_back(std::move(node));
        return static_cast<int>(FTree.Nodes.size()) - 1;
    }

    int AddRanges(std::vector<TRERange> ranges) {
        const int id = Add(TRENodeKind::Ranges);
        FTree.Nodes[static_cast<std::size_t>(id)].Ranges = std::move(ranges);
        return id;
    }

    void Append(TREGroup& group, int piece) {
        group.Branch = group.Branch < 0 ? piece : Add(TRENodeKind::Concat, group.Branch, piece);
    }

    void EndBranch(TREGroup& group) {
        const int branch = group.Branch < 0 ? Add(TRENodeKind::Empty) : group.Branch;
        group.Alternatives =
            group.Alternatives < 0 ? branch : Add(TRENodeKind::Union, group.Alternatives, branch);
        group.Branch = -1;
    }

    int Finish(TREGroup& group) {
        EndBranch(group);
        return group.Alternatives;
    }

  private:
    TREParseTree& FTree;
};

} // namespace

TREParseTree TREParser::Parse(std::string_view pattern) {
    TREParseTree tree;
    TreeBuilder build(tree);
    TREScanner scanner(pattern);
    std::vector<TREGroup> groups(1);
    TREToken token = scanner.Next();

    // Wraps an atom in the repetition operator that follows it, if any.
    auto piece = [&](int atom) {
        switch (token.Kind) {
        case TRETokenKind::Star:
            atom = build.Add(TRENodeKind::Star, atom);
            break;
        case TRETokenKind::Plus:
            atom = build.Add(TRENodeKind::Plus, atom);
            break;
        case TRETokenKind::Query:
            atom = build.Add(TRENodeKind::Union, atom, build.Add(TRENodeKind::Empty));
            break;
        default:
            return atom;
        }
        token = scanner.Next();
        return atom;
    };

    for (;;) {
        int atom = -1;
        switch (token.Kind) {
        case TRETokenKind::End:
            if (groups.size() > 1)
                throw ERegExpParser(RegExpMessages::RightParenNeeded, token.Position);
            tree.Root = build.Finish(groups.back());
            return tree;
        case TRETokenKind::Union:
            build.EndBranch(groups.back());
            token = scanner.Next();
            continue;
        case TRETokenKind::LPar:
            groups.emplace_back();
            token = scanner.Next();
            continue;
        case TRETokenKind::RPar:
            if (groups.size() == 1)
                throw ERegExpParser(RegExpMessages::ExtraCharacters, token.Position);
            atom = build.Finish(groups.back());
            groups.pop_back();
            break;
        case TRETokenKind::Star:
        case TRETokenKind::Plus:
        case TRETokenKind::Query:
        case TRETokenKind::RBracket:
            throw ERegExpParser(RegExpMessages::AtomExpected, token.Position);
        case TRETokenKind::Char:
            atom = build.AddRanges({{token.Code, token.Code}});
            break;
        case TRETokenKind::Class:
            atom = build.AddRanges(std::move(token.Ranges));
            break;
        case TRETokenKind::Any:
            atom = build.AddRanges(AnyCharRanges());
            break;
        case TRETokenKind::LineHead:
            atom = build.Add(TRENodeKind::LineHead);
            tree.UsesLineHead = true;
            break;
        case TRETokenKind::LineTail:
            atom = build.Add(TRENodeKind::LineTail);
            tree.UsesLineTail = true;
            break;
        }
        token = scanner.Next();
        build.Append(groups.back(), piece(atom));
    }
}

} // namespace vexmo
