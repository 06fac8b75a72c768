// Clipboard text through every text rule with settings taken from the first bytes.
#include "document/core/ClipText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const int array = data[0] % 5;
    const int idx = static_cast<int>(data[1] % 24) - 2;
    const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);
    if (text.size() > 1 << 16) return 0;

    const std::string normal = vexmo::NormaliseClipText(text, array);
    // Trimming happens first and no pattern can start or end at a kept outer character.
    if (!normal.empty() && (static_cast<unsigned char>(normal.front()) <= ' ' ||
                            static_cast<unsigned char>(normal.back()) <= ' '))
        std::abort();

    const auto elements = vexmo::ClipArrayElements(text, array, data[0] / 5 % 3);
    (void)vexmo::ClipVariableText(text, array, data[0] / 5 % 3);
    (void)vexmo::JoinArrayText(elements, array);

    vexmo::NumberFormatSettings settings;
    settings.OptNumFormatArray = array;
    settings.OptNumFormatComplex = data[0] / 5 % 3;
    settings.OptNumFormatClipboard = data[0] / 15 % 3;
    const auto written = vexmo::ClipAssignmentText(text, "1.5 -_I 2", idx, settings);
    if (written.has_value() != (idx >= -1)) std::abort();
    // Elements are written back unquoted, so only the new element's presence is certain.
    if (written && idx >= 0 &&
        written->find(vexmo::ClipboardNumberText({1.5, -2.0}, settings)) == std::string::npos)
        std::abort();
    return 0;
}
