// Portable elementary functions for the soundtrack. The C library's sin, exp
// and friends may differ in their last bit between processors and library
// versions, and the soundtrack must come out byte for byte the same on every
// machine; these use nothing but IEEE addition, multiplication, division and
// exact scaling, which round identically everywhere. Accurate to about 1e-15
// relative within the ranges the synthesiser uses.
#pragma once

// e to the power x.
double PortableExp(double x);

// 2 to the power x.
double PortableExp2(double x);

// Sine and cosine of x radians (best for |x| up to a few thousand).
double PortableSin(double x);
double PortableCos(double x);

// Tangent of x radians, for |x| < π/2.
double PortableTan(double x);

// Hyperbolic tangent.
double PortableTanh(double x);
