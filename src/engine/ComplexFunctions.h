#pragma once
// The elementary functions of complex values beyond those DorvSub.h declares: the degree
// forms, which reduce their angles exactly before converting them, and the logarithm of a
// magnitude kept in extended precision.

#include "engine/DorvSub.h"

namespace vexmo {

// sin, cos, tan, sinh, cosh and tanh of z·π/180. The angle (the real part for the circular
// functions, the imaginary part for the hyperbolic ones) is reduced modulo 360 exactly first,
// so SIND(30) is 0.5 and SIND(180) 0 to the last bit. TAND at an odd multiple of 90 fails
// with "Division by zero".
DComplex ComplexSinDeg(const DComplex& z);
DComplex ComplexCosDeg(const DComplex& z);
DComplex ComplexTanDeg(const DComplex& z);
DComplex ComplexSinHDeg(const DComplex& z);
DComplex ComplexCosHDeg(const DComplex& z);
DComplex ComplexTanHDeg(const DComplex& z);

// The inverse functions with their results in degrees, converted before rounding.
DComplex ComplexArcSinDeg(const DComplex& z);
DComplex ComplexArcCosDeg(const DComplex& z);
DComplex ComplexArcTanDeg(const DComplex& z);
DComplex ComplexArcSinHDeg(const DComplex& z);
DComplex ComplexArcCosHDeg(const DComplex& z);
DComplex ComplexArcTanHDeg(const DComplex& z);

// ln |z| for a nonzero z, without rounding |z| to a double first: near |z| = 1 every digit of
// |z| - 1 counts.
long double ComplexLnAbs(const DComplex& z);

} // namespace vexmo
