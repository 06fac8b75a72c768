#pragma once
// Pattern text -> tokens -> parse tree. Both stages are iterative, so nesting depth is
// limited only by memory.

#include "regex/REText.h"

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vexmo {

// A pattern that cannot be compiled: the message and the 1-based character position in
// the pattern (one past the last character when the pattern ended too early).
class ERegExpParser : public std::runtime_error {
  public:
    ERegExpParser(const std::string& message, int position)
        : std::runtime_error(message), FPosition(position) {}
    int Position() const { return FPosition; }

  private:
    int FPosition;
};

namespace RegExpMessages {
inline constexpr const char* InvalidMultiByte = "不正な２バイト文字コードです。";
inline constexpr const char* CharAfterBackslash = "\"\\\"の次には文字が必要です。";
inline constexpr const char* InvalidHexCode = "不正な１６進数コード表記です。";
inline constexpr const char* InvalidOctalCode = "不正な８進数コード表記です。";
inline constexpr const char* RightBracketNeeded = "右ブラケット\"]\"が必要です";
inline constexpr const char* InvalidRange = "不正なキャラクタ範囲です";
inline constexpr const char* InvalidClass = "不正なキャラクタクラス指定です。";
inline constexpr const char* RightParenNeeded = "右(閉じ)括弧が必要です";
inline constexpr const char* AtomExpected = "普通の文字、または左括弧\"(\"が必要です";
inline constexpr const char* ExtraCharacters = "正規表現に余分な文字があります";
// The automaton would grow past its size limits.
inline constexpr const char* TooComplex =
    "正規表現が複雑すぎます。オートマトンの状態数が上限を超えました。";
} // namespace RegExpMessages

struct TRERange {
    TRECode Lo = 0;
    TRECode Hi = 0;
    friend bool operator==(const TRERange&, const TRERange&) = default;
};

// Sorts and merges ranges into disjoint, non-adjacent ones.
void NormaliseRanges(std::vector<TRERange>& ranges);
// Every character "." matches: all but NUL, LF and CR.
std::vector<TRERange> AnyCharRanges();
// The any-character set minus the given (normalised) members.
std::vector<TRERange> NegatedRanges(const std::vector<TRERange>& members);

enum class TRETokenKind {
    Char,
    Class,
    Any,
    Union,
    LPar,
    RPar,
    Star,
    Plus,
    Query,
    RBracket,
    LineHead,
    LineTail,
    End
};

struct TREToken {
    TRETokenKind Kind = TRETokenKind::End;
    int Position = 1;             // 1-based character position of the token's start
    TRECode Code = 0;             // Char
    std::vector<TRERange> Ranges; // Class: normalised members (negation already applied)
};

class TREScanner {
  public:
    explicit TREScanner(std::string_view pattern) : FText(pattern) {}
    TREToken Next();

  private:
    bool AtEnd() const { return FByte >= FText.size(); }
    char Peek() const { return FText[FByte]; }
    void Skip() { ++FByte, ++FChar; }
    TRECode ReadChar();
    TRECode ReadEscape();
    TREToken ReadClass(int position);

    std::string_view FText;
    std::size_t FByte = 0;
    int FChar = 1;
};

enum class TRENodeKind { Ranges, LineHead, LineTail, Concat, Union, Star, Plus, Empty };

struct TRENode {
    TRENodeKind Kind = TRENodeKind::Empty;
    int Left = -1;
    int Right = -1;
    std::vector<TRERange> Ranges;
};

// Nodes are stored children first: every child has a smaller index than its parent.
struct TREParseTree {
    std::vector<TRENode> Nodes;
    int Root = -1;
    bool UsesLineHead = false;
    bool UsesLineTail = false;
};

class TREParser {
  public:
    static TREParseTree Parse(std::string_view pattern);
};

} // namespace vexmo
