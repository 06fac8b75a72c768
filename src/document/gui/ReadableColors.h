#pragma once
// Contrast between two colours as screens show them (the ratio of their relative
// luminances, 1 to 21), and the nearest colour of the same hue that reaches a contrast.

#include <QColor>

namespace vexmo {

// What faint helpers (the live value, the out-of-date marks) reach at least against the
// pane's background.
inline constexpr double FaintContrast = 3.0;

// Relative luminance, 0 for black to 1 for white (sRGB channels linearised).
double RelativeLuminance(const QColor& colour);
// (lighter + 0.05) / (darker + 0.05): 1 for equal colours, 21 for black on white.
double ContrastRatio(const QColor& a, const QColor& b);
// `colour` itself when it already reaches `minimum` against `background`; otherwise the
// colour of the same hue and saturation made darker (on a light background) or lighter (on a
// dark one) just enough to reach it, or as far as it goes.
QColor WithContrast(const QColor& colour, const QColor& background, double minimum);
// Whether text on `background` should be light: it is dark.
bool IsDarkBackground(const QColor& background);

} // namespace vexmo
