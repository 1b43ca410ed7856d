#pragma once
// Number conversions shared by the text and ini readers. They behave like the C
// conversions the data files were written for (leading blanks, optional sign,
// stop at the first other character) but never overflow: out-of-range integers
// are clamped to the 32-bit range.
#include <cstdint>

// Decimal integer, as atoi reads it; no digits give 0.
int32_t ParseDecimalInt(const char* text);
// Decimal floating-point number, as atof reads it, rounded to single precision.
float ParseDecimalFloat(const char* text);

// Reads up to n blank-separated numbers from the start of the text, as a scan with
// the pattern "%f %f ..." (or "%d %d ...") does: stops at the first text that is no
// number. Fields past the last number read keep their values. Returns how many
// were read.
int ScanFloats(const char* text, float* out, int n);
int ScanInts(const char* text, int32_t* out, int n);
