// Any bytes as a number literal and as a value text: a value or a conversion/arithmetic error,
// and a value written as text must read back unchanged to 15 significant digits.
#include "engine/DorvSub.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

bool SameTo15Digits(double a, double b) {
    if (a == b)
        return true;
    // Subnormals carry fewer digits than 15; allow their spacing too.
    return std::fabs(a - b) <= std::fmax(std::fabs(a), std::fabs(b)) * 1e-14 + 1e-323;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        (void)vexmo::DorvStrToFloat(text);
    } catch (const vexmo::EConvertError&) {
    } catch (const vexmo::EMathError&) {
    }
    vexmo::DComplex z;
    try {
        z = vexmo::StrToDComplex(text);
    } catch (const vexmo::EConvertError&) {
        return 0;
    } catch (const vexmo::EMathError&) {
        return 0;
    }
    vexmo::DComplex back;
    try {
        back = vexmo::StrToDComplex(vexmo::DComplexToStr(z));
    } catch (const vexmo::EMathError&) {
        // Within half a unit of the 15th digit of the largest double the text rounds past it.
        if (std::fmax(std::fabs(z.Real), std::fabs(z.Imaginary)) > 1.797693134862315e308)
            return 0;
        std::abort();
    }
    if (!SameTo15Digits(z.Real, back.Real) || !SameTo15Digits(z.Imaginary, back.Imaginary))
        std::abort();
    return 0;
}
