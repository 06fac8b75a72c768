#pragma once
// The variables file: one store entry per line, name=value, CR LF, in store order. It is
// written in UTF-8; reading accepts CR LF, CR and LF and a file in the legacy code page, and
// refuses a file with NUL bytes, a file beyond the size limit and anything not a regular file.

#include "document/core/FileIo.h"
#include "document/core/TextEncoding.h"
#include "engine/Variables.h"

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vexmo {

// The file's text for the store. A line break inside a name or value is written as a
// blank, so that every entry reads back as one entry.
std::string VariablesFileText(const Variables& store);

// The lines of a file's text that have a name part (text before the first "="), in order,
// duplicates and empty values included.
std::vector<Variables::Line> ParseVariablesFileText(std::string_view text);

struct VariablesFileRead : FileResult {
    std::vector<Variables::Line> Lines;
    bool Legacy = false; // the file was not UTF-8 and went through the legacy decoder
};

FileResult WriteVariablesFile(const std::filesystem::path& path, const Variables& store);
VariablesFileRead ReadVariablesFile(const std::filesystem::path& path,
                                    const LegacyDecoder& decoder = {});

// Empties the store and fills it from a file's lines: each name takes the value of its
// first line, and an empty value makes no entry. `show` is told of every line, in order,
// with the value that counts (so a Variables window shows what the store holds).
using ShowVariableFn = std::function<void(const std::string& name, const std::string& value)>;
void LoadVariables(const std::vector<Variables::Line>& lines, Variables& store,
                   const ShowVariableFn& show = {});

} // namespace vexmo
