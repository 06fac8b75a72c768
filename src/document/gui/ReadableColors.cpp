#include "document/gui/ReadableColors.h"

#include <algorithm>
#include <cmath>

namespace vexmo {

namespace {

double Linear(double channel) {
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}

} // namespace

double RelativeLuminance(const QColor& colour) {
    const QColor c = colour.toRgb();
    return 0.2126 * Linear(c.redF()) + 0.7152 * Linear(c.greenF()) + 0.0722 * Linear(c.blueF());
}

double ContrastRatio(const QColor& a, const QColor& b) {
    const double la = RelativeLuminance(a);
    const double lb = RelativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

bool IsDarkBackground(const QColor& background) {
    // Dark when white text stands out more than black text would.
    return ContrastRatio(background, Qt::white) > ContrastRatio(background, Qt::black);
}

QColor WithContrast(const QColor& colour, const QColor& background, double minimum) {
    if (ContrastRatio(colour, background) >= minimum) return colour;
    const QColor hsl = colour.toHsl();
    const float hue = hsl.hslHueF();
    const float saturation = hsl.hslSaturationF();
    const float lightness = hsl.lightnessF();
    const bool lighter = IsDarkBackground(background);
    auto at = [&](float l) { return QColor::fromHslF(hue, saturation, l).toRgb(); };
    // Small steps from the colour towards black or white; the first that reaches the
    // minimum changes the colour least.
    constexpr int Steps = 200;
    const float end = lighter ? 1.0f : 0.0f;
    for (int i = 1; i <= Steps; ++i) {
        const QColor candidate = at(lightness + (end - lightness) * float(i) / Steps);
        if (ContrastRatio(candidate, background) >= minimum) return candidate;
    }
    return at(end);
}

} // namespace vexmo
