#pragma once

#include <cstdint>
#include <string>

// Text rules for the numbers the console shows and reads. None of them needs a
// window, and none depends on the C locale: the decimal separator is always
// "." on output, and "," or "." on input.

// Exactly `count` uppercase hexadecimal digits of the low 4 x count bits of
// `value`, most significant first; count 0 gives "" and counts above 8 are
// taken as 8. The text lives in one static buffer that the next call
// overwrites, so copy it before calling again.
const char* HexDigits(uint32_t value, uint8_t count);

// Shortest decimal text, with "-" for negative values: -2147483648 included.
std::string IntegerText(int32_t value);

// Fixed-point text with `decimals` digits after the point (none and no point
// for 0; negative counts are taken as 0, counts above FixedTextMostDecimals as
// that). The float is taken exactly, first rounded to 10 significant digits
// (exact halves to even), then to `decimals` places (halves away from zero).
// The sign follows the float's sign bit, so -0.001 and -0.0f with 2 decimals
// both give "-0.00". Infinities give "Inf" and "-Inf" and NaN gives "Nan",
// the words ReadNumber takes back. The text is never cut: values the console
// shows need at most 11 characters.
constexpr int FixedTextMostDecimals = 64;
std::string FixedText(float value, int decimals);

// Firmware version: the high byte as one hex digit when it is at most 9, two
// otherwise, ".", then the low byte as two hex digits. A version held in
// binary-coded decimal (0x0112) thus reads as its decimal digits ("1.12").
std::string FirmwareText(uint16_t version);

// Reads a typed number; 0 for anything that is not one. Only the first
// ReadNumberMostCharacters characters count, as an edit's text is read into
// 16 bytes. Every "," counts as ".". Syntax, covering the whole text: spaces,
// an optional sign, then either "Inf" or "Nan" in any letter case, or digits
// with an optional point and fraction (either part may be empty, not both)
// and an optional exponent: "E"/"e" followed by at least one digit, or by a
// sign and any number of digits ("1e+" reads 1, "1e" is not a number).
// The value is rounded to nearest (ties to even) to the 64-bit-significand
// extended format and that to single precision, as the console always did.
// Values beyond the single range give +-infinity ("1e39"), values below half
// the smallest subnormal give +-0. "Inf" gives +-infinity and "Nan" a quiet
// NaN with the typed sign; callers that must not pass those on limit them
// (LimitCorrection).
constexpr int ReadNumberMostCharacters = 15;
float ReadNumber(const char* text);

// The same reading for callers that must tell a typed 0 from a text that is
// no number: false, with `value` untouched, for the texts ReadNumber reads as 0
// because they break the syntax.
bool TryReadNumber(const char* text, float& value);

// A raw signed 16-bit register value as the shown quantity: divided in double
// precision, the quotient rounded to single precision. `divisor` is non-zero.
float ScaledValue(int16_t raw, int divisor);

// A correction is limited to CorrectionLowest..CorrectionHighest (compared
// against the exact decimal limits in extended precision; the replacements are
// the floats nearest to them). NaN reads as 0, so a typed "nan" writes 0.
float LimitCorrection(float x);

// Register value of a correction: x x 100 in extended precision, rounded to
// nearest with halves to even (0.125 gives 12). x is limited first, so the
// result always fits and NaN gives 0.
int16_t CorrectionRaw(float x);
