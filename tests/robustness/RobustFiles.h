#pragma once
// Hostile file contents and small file helpers shared by the robustness tests.

#include "TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace vexmo::robust {

namespace fs = std::filesystem;

using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

inline std::string RandomBytes(std::size_t size, unsigned seed, bool withNul) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random() & 0xFF);
        if (!withNul && c == '\0') c = '\x01';
    }
    if (withNul && size > 0) bytes[size / 2] = '\0'; // certain, not left to chance
    return bytes;
}

// One line of printable ASCII, operators, letters and brackets mixed.
inline std::string RandomPrintableLine(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string line(size, ' ');
    for (char& c : line)
        c = static_cast<char>(' ' + random() % 95);
    return line;
}

// Lines that are not UTF-8 (Windows-1252 letters, stray continuation bytes, an overlong
// form, an encoded surrogate, a sequence cut short at the end), each calculable.
inline std::string InvalidUtf8Document() {
    return "1+2 ; caf\xe9\r\n"
           "\xff\xfe\xc3\x28 + 1\r\n"
           "X:=\xe9\xe9\r\n"
           "\xc0\xaf\r\n"
           "\xed\xa0\x80\r\n"
           "2*3 ; \xe2\x82\r\n";
}

inline std::string LongSum(std::size_t size) {
    std::string line;
    line.reserve(size + 1);
    while (line.size() + 2 <= size)
        line += "1+";
    line += '1';
    return line;
}

// "0+1", "1+1", ... one per line, CR LF, ending in a line break.
inline std::string NumberedLines(std::size_t count) {
    std::string text;
    text.reserve(count * 12);
    for (std::size_t i = 0; i < count; ++i)
        text += std::to_string(i) + "+1\r\n";
    return text;
}

inline std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    return lines;
}

} // namespace vexmo::robust
