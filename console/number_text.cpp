#include "console/number_text.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

// ---------------------------------------------------------------------------
// Hex digits

constexpr int HexMostDigits = 8;
constexpr int BitsPerHexDigit = 4;
constexpr uint32_t HexDigitMask = 0xF;
constexpr char HexAlphabet[] = "0123456789ABCDEF";
constexpr int FirmwareShortMajorLimit = 9;
constexpr int BitsPerByte = 8;
constexpr uint16_t ByteMask = 0xFF;

// ---------------------------------------------------------------------------
// Exact decimal expansion of a float, for fixed-point text

// A finite float has at most 39 integer digits (2^128) and at most 149
// fraction digits (2^-149); a leading zero slot takes the carry of rounding.
constexpr int DecimalCapacity = 1 + 39 + 149 + 8;
constexpr int SignificantDigits = 10;
constexpr int DecimalBase = 10;
constexpr int HalfDigit = 5;

constexpr int FloatFractionBits = 23;
constexpr uint32_t FloatFractionMask = (1u << FloatFractionBits) - 1;
constexpr uint32_t FloatHiddenBit = 1u << FloatFractionBits;
constexpr uint32_t FloatExponentMask = 0xFF;
constexpr int FloatExponentBias = 127;
// A float is significand x 2^(exponent field - this), the significand taken
// as a 24-bit integer; subnormals use exponent field 1 without the hidden bit.
constexpr int FloatIntegerExponentBias = FloatExponentBias + FloatFractionBits;

// Decimal digits, most significant first; `integerDigits` of them stand
// before the point. Digits at or beyond `used` are zero.
struct DecimalDigits {
    std::array<uint8_t, DecimalCapacity> digit{};
    int used = 0;
    int integerDigits = 0;

    int At(int index) const { return index < used ? digit[index] : 0; }
};

DecimalDigits FromInteger(uint32_t value) {
    std::array<uint8_t, DecimalCapacity> reversed{};
    int count = 0;
    do {
        reversed[count++] = static_cast<uint8_t>(value % DecimalBase);
        value /= DecimalBase;
    } while (value != 0);
    DecimalDigits number;
    number.digit[0] = 0; // carry slot
    for (int i = 0; i < count; ++i)
        number.digit[1 + i] = reversed[count - 1 - i];
    number.used = count + 1;
    number.integerDigits = count + 1;
    return number;
}

void Double(DecimalDigits& number) {
    int carry = 0;
    for (int i = number.used - 1; i >= 0; --i) {
        int twice = number.digit[i] * 2 + carry;
        number.digit[i] = static_cast<uint8_t>(twice % DecimalBase);
        carry = twice / DecimalBase;
    }
    // The carry slot took any carry; open a new one so that it stays zero.
    if (number.digit[0] != 0) {
        std::copy_backward(number.digit.begin(), number.digit.begin() + number.used,
                           number.digit.begin() + number.used + 1);
        number.digit[0] = 0;
        ++number.used;
        ++number.integerDigits;
    }
}

void Halve(DecimalDigits& number) {
    int remainder = 0;
    for (int i = 0; i < number.used; ++i) {
        int current = remainder * DecimalBase + number.digit[i];
        number.digit[i] = static_cast<uint8_t>(current / 2);
        remainder = current % 2;
    }
    if (remainder != 0)
        number.digit[number.used++] = HalfDigit;
}

DecimalDigits ExactDecimal(float magnitude) {
    uint32_t bits = std::bit_cast<uint32_t>(magnitude);
    uint32_t exponentField = (bits >> FloatFractionBits) & FloatExponentMask;
    uint32_t significand = bits & FloatFractionMask;
    if (exponentField == 0)
        exponentField = 1;
    else
        significand |= FloatHiddenBit;
    DecimalDigits number = FromInteger(significand);
    int exponent = static_cast<int>(exponentField) - FloatIntegerExponentBias;
    for (; exponent > 0; --exponent)
        Double(number);
    for (; exponent < 0; ++exponent)
        Halve(number);
    return number;
}

// Drops the digits from `keep` on and adds one unit at the last kept place
// when asked. The carry slot keeps `keep` >= 1 and absorbs the carry.
void CutAt(DecimalDigits& number, int keep, bool roundUp) {
    for (int i = keep; i < number.used; ++i)
        number.digit[i] = 0;
    number.used = std::max(keep, number.integerDigits);
    for (int i = keep - 1; roundUp && i >= 0; --i) {
        roundUp = number.digit[i] == DecimalBase - 1;
        number.digit[i] = roundUp ? 0 : static_cast<uint8_t>(number.digit[i] + 1);
    }
}

bool AnyNonZeroFrom(const DecimalDigits& number, int index) {
    for (int i = index; i < number.used; ++i)
        if (number.digit[i] != 0)
            return true;
    return false;
}

void RoundToSignificantHalfEven(DecimalDigits& number, int significant) {
    int first = 0;
    while (first < number.used && number.digit[first] == 0)
        ++first;
    int keep = first + significant;
    if (first == number.used || keep >= number.used)
        return;
    int next = number.digit[keep];
    bool exactHalf = next == HalfDigit && !AnyNonZeroFrom(number, keep + 1);
    bool lastOdd = number.digit[keep - 1] % 2 != 0;
    bool roundUp = next > HalfDigit || (next == HalfDigit && (!exactHalf || lastOdd));
    CutAt(number, keep, roundUp);
}

void RoundToDecimalsHalfAway(DecimalDigits& number, int decimals) {
    int keep = number.integerDigits + decimals;
    if (keep >= number.used)
        return;
    CutAt(number, keep, number.digit[keep] >= HalfDigit);
}

std::string DigitsText(const DecimalDigits& number, int decimals) {
    std::string text;
    int first = 0;
    while (first < number.integerDigits - 1 && number.digit[first] == 0)
        ++first;
    for (int i = first; i < number.integerDigits; ++i)
        text += static_cast<char>('0' + number.At(i));
    if (decimals > 0)
        text += '.';
    for (int i = 0; i < decimals; ++i)
        text += static_cast<char>('0' + number.At(number.integerDigits + i));
    return text;
}

// ---------------------------------------------------------------------------
// Reading a typed number

constexpr char Blank = ' ';
constexpr char DecimalComma = ',';
constexpr char DecimalPoint = '.';
// Far beyond any exponent that still changes a single-precision result.
constexpr int ExponentSaturation = 100000;

// Decimal value digits x 10^exponent; `digits` holds at most 15 decimal digits
// because the text is cut to 15 characters.
struct DecimalNumber {
    bool negative = false;
    bool infinite = false;
    bool notANumber = false;
    uint64_t digits = 0;
    int exponent = 0;
};

// The C library's tolower follows the locale; the words are plain ASCII.
char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

int DecimalDigitCount(uint64_t value) {
    int count = 1;
    for (; value >= DecimalBase; value /= DecimalBase)
        ++count;
    return count;
}

// Cursor over the cut text with "," read as ".".
class TextCursor {
public:
    explicit TextCursor(const char* text) {
        while (length < ReadNumberMostCharacters && text[length] != '\0') {
            buffer[length] = text[length] == DecimalComma ? DecimalPoint : text[length];
            ++length;
        }
    }
    char Peek() const { return position < length ? buffer[position] : '\0'; }
    bool AtEnd() const { return position == length; }
    void Advance() { ++position; }
    bool Take(char wanted) {
        if (AtEnd() || Peek() != wanted)
            return false;
        Advance();
        return true;
    }
    bool TakeDigit(int& value) {
        char c = Peek();
        if (AtEnd() || c < '0' || c > '9')
            return false;
        value = c - '0';
        Advance();
        return true;
    }
    bool TakeWord(const char* word) {
        int start = position;
        for (; *word != '\0'; ++word, Advance())
            if (AtEnd() || AsciiLower(Peek()) != *word) {
                position = start;
                return false;
            }
        return true;
    }

private:
    std::array<char, ReadNumberMostCharacters> buffer{};
    int length = 0;
    int position = 0;
};

// Digits, point and fraction; false when there is no digit at all.
bool ReadSignificand(TextCursor& cursor, DecimalNumber& number) {
    int digitCount = 0;
    int digit = 0;
    while (cursor.TakeDigit(digit)) {
        number.digits = number.digits * DecimalBase + static_cast<uint64_t>(digit);
        ++digitCount;
    }
    if (cursor.Take(DecimalPoint)) {
        while (cursor.TakeDigit(digit)) {
            number.digits = number.digits * DecimalBase + static_cast<uint64_t>(digit);
            --number.exponent;
            ++digitCount;
        }
    }
    return digitCount > 0;
}

// "E"/"e", then at least one digit or a sign and any number of digits.
bool ReadExponent(TextCursor& cursor, DecimalNumber& number) {
    if (!cursor.Take('E') && !cursor.Take('e'))
        return true;
    bool negative = cursor.Take('-');
    bool hasSign = negative || cursor.Take('+');
    int value = 0;
    int digit = 0;
    bool anyDigit = false;
    while (cursor.TakeDigit(digit)) {
        value = std::min(value * DecimalBase + digit, ExponentSaturation);
        anyDigit = true;
    }
    if (!hasSign && !anyDigit)
        return false;
    number.exponent += negative ? -value : value;
    return true;
}

bool Parse(const char* text, DecimalNumber& number) {
    TextCursor cursor(text);
    while (cursor.Take(Blank)) {
    }
    number.negative = cursor.Take('-');
    if (!number.negative)
        cursor.Take('+');
    if (cursor.TakeWord("inf"))
        number.infinite = true;
    else if (cursor.TakeWord("nan"))
        number.notANumber = true;
    else if (!ReadSignificand(cursor, number) || !ReadExponent(cursor, number))
        return false;
    return cursor.AtEnd();
}

// A small fixed-width unsigned integer, wide enough for every quotient that
// ConvertToFloat forms (10^60 x 2^64 x 2 fits in 16 x 32 bits).
class WideUnsigned {
public:
    static constexpr int Limbs = 16;
    static constexpr int LimbBits = 32;

    explicit WideUnsigned(uint64_t value) {
        limb[0] = static_cast<uint32_t>(value);
        limb[1] = static_cast<uint32_t>(value >> LimbBits);
    }

    void MultiplyBy(uint32_t factor) {
        uint64_t carry = 0;
        for (uint32_t& part : limb) {
            uint64_t product = static_cast<uint64_t>(part) * factor + carry;
            part = static_cast<uint32_t>(product);
            carry = product >> LimbBits;
        }
    }

    WideUnsigned ShiftedLeft(int bits) const {
        WideUnsigned result(0);
        int whole = bits / LimbBits;
        int rest = bits % LimbBits;
        for (int i = Limbs - 1; i >= whole; --i) {
            uint64_t high = static_cast<uint64_t>(limb[i - whole]) << rest;
            uint64_t low = i - whole - 1 >= 0 && rest != 0
                               ? static_cast<uint64_t>(limb[i - whole - 1]) >> (LimbBits - rest)
                               : 0;
            result.limb[i] = static_cast<uint32_t>(high | low);
        }
        return result;
    }

    int BitLength() const {
        for (int i = Limbs - 1; i >= 0; --i)
            if (limb[i] != 0)
                return i * LimbBits + std::bit_width(limb[i]);
        return 0;
    }

    friend bool operator<(const WideUnsigned& a, const WideUnsigned& b) {
        for (int i = Limbs - 1; i >= 0; --i)
            if (a.limb[i] != b.limb[i])
                return a.limb[i] < b.limb[i];
        return false;
    }

    friend bool operator==(const WideUnsigned& a, const WideUnsigned& b) = default;

    void Subtract(const WideUnsigned& other) {
        uint64_t borrow = 0;
        for (int i = 0; i < Limbs; ++i) {
            uint64_t difference = static_cast<uint64_t>(limb[i]) - other.limb[i] - borrow;
            limb[i] = static_cast<uint32_t>(difference);
            borrow = (difference >> LimbBits) & 1;
        }
    }

private:
    std::array<uint32_t, Limbs> limb{};
};

constexpr int ExtendedSignificandBits = 64;
constexpr int SingleSignificandBits = 24;
constexpr int SingleLowestExponent = -149; // place of the smallest subnormal
// Decimal magnitudes past which the single result is fixed: 10^39 is beyond
// the largest float plus half a unit, 10^-46 is below half the smallest
// subnormal, in the extended format and in single precision alike.
constexpr int OverflowDecimalMagnitude = 39;
constexpr int UnderflowDecimalMagnitude = -46;

// Round to nearest with ties to even: whether the kept part goes up by one,
// given how the dropped part compares with half a unit.
bool RoundsUp(bool moreThanHalf, bool exactlyHalf, uint64_t kept) {
    return moreThanHalf || (exactlyHalf && (kept & 1) != 0);
}

struct ExtendedValue {
    uint64_t significand = 0; // top bit set
    int exponent = 0;         // value = significand x 2^exponent
};

// digits x 10^exponent rounded to the 64-bit significand of the extended
// format; the caller keeps the value within its normal range.
ExtendedValue RoundToExtended(uint64_t digits, int exponent) {
    WideUnsigned numerator(digits);
    WideUnsigned denominator(1);
    for (int i = 0; i < exponent; ++i)
        numerator.MultiplyBy(DecimalBase);
    for (int i = 0; i > exponent; --i)
        denominator.MultiplyBy(DecimalBase);
    // Scale so that the quotient lies in [2^63, 2^64).
    int shift = (ExtendedSignificandBits - 1) - (numerator.BitLength() - denominator.BitLength());
    if (shift >= 0)
        numerator = numerator.ShiftedLeft(shift);
    else
        denominator = denominator.ShiftedLeft(-shift);
    if (numerator < denominator.ShiftedLeft(ExtendedSignificandBits - 1)) {
        numerator = numerator.ShiftedLeft(1);
        ++shift;
    }
    uint64_t quotient = 0;
    for (int bit = ExtendedSignificandBits - 1; bit >= 0; --bit) {
        WideUnsigned part = denominator.ShiftedLeft(bit);
        if (!(numerator < part)) {
            numerator.Subtract(part);
            quotient |= uint64_t{1} << bit;
        }
    }
    WideUnsigned twiceRemainder = numerator.ShiftedLeft(1);
    ExtendedValue result{quotient, -shift};
    if (RoundsUp(denominator < twiceRemainder, twiceRemainder == denominator, quotient)) {
        if (quotient == std::numeric_limits<uint64_t>::max()) {
            result.significand = uint64_t{1} << (ExtendedSignificandBits - 1);
            ++result.exponent;
        } else {
            ++result.significand;
        }
    }
    return result;
}

float RoundToSingle(ExtendedValue value) {
    int topBit = value.exponent + ExtendedSignificandBits - 1;
    int quantum = std::max(topBit - (SingleSignificandBits - 1), SingleLowestExponent);
    int dropped = quantum - value.exponent;
    if (dropped > ExtendedSignificandBits)
        return 0.0f; // below half the quantum
    uint64_t kept = dropped == ExtendedSignificandBits ? 0 : value.significand >> dropped;
    uint64_t droppedBits = dropped == ExtendedSignificandBits
                               ? value.significand
                               : value.significand & ((uint64_t{1} << dropped) - 1);
    uint64_t half = uint64_t{1} << (dropped - 1);
    if (RoundsUp(droppedBits > half, droppedBits == half, kept))
        ++kept;
    return std::ldexp(static_cast<float>(kept), quantum);
}

float ConvertToFloat(const DecimalNumber& number) {
    constexpr float Infinity = std::numeric_limits<float>::infinity();
    if (number.notANumber)
        return std::copysign(std::numeric_limits<float>::quiet_NaN(),
                             number.negative ? -1.0f : 1.0f);
    float magnitude = 0.0f;
    if (number.infinite) {
        magnitude = Infinity;
    } else if (number.digits != 0) {
        int magnitudeOrder = DecimalDigitCount(number.digits) + number.exponent;
        if (magnitudeOrder > OverflowDecimalMagnitude)
            magnitude = Infinity;
        else if (magnitudeOrder >= UnderflowDecimalMagnitude)
            magnitude = RoundToSingle(RoundToExtended(number.digits, number.exponent));
    }
    return number.negative ? -magnitude : magnitude;
}

// ---------------------------------------------------------------------------
// Corrections

constexpr long double CorrectionHighestExact = 327.67L;
constexpr long double CorrectionLowestExact = -327.68L;
constexpr float CorrectionHighest = 327.67f;
constexpr float CorrectionLowest = -327.68f;
constexpr long double CorrectionScale = 100.0L;
constexpr long double Half = 0.5L;

long double RoundHalfEven(long double value) {
    long double below = std::floor(value);
    long double fraction = value - below;
    if (fraction > Half)
        return below + 1;
    if (fraction < Half)
        return below;
    return std::fmod(below, 2.0L) == 0 ? below : below + 1;
}

} // namespace

const char* HexDigits(uint32_t value, uint8_t count) {
    static char text[HexMostDigits + 1];
    int digits = std::min<int>(count, HexMostDigits);
    for (int i = digits - 1; i >= 0; --i) {
        text[i] = HexAlphabet[value & HexDigitMask];
        value >>= BitsPerHexDigit;
    }
    text[digits] = '\0';
    return text;
}

std::string IntegerText(int32_t value) {
    std::array<char, std::numeric_limits<int32_t>::digits10 + 3> buffer{};
    auto end = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value).ptr;
    return std::string(buffer.data(), end);
}

std::string FixedText(float value, int decimals) {
    decimals = std::clamp(decimals, 0, FixedTextMostDecimals);
    std::string sign = std::signbit(value) ? "-" : "";
    if (std::isnan(value))
        return "Nan";
    if (std::isinf(value))
        return sign + "Inf";
    DecimalDigits number = ExactDecimal(std::fabs(value));
    RoundToSignificantHalfEven(number, SignificantDigits);
    RoundToDecimalsHalfAway(number, decimals);
    return sign + DigitsText(number, decimals);
}

std::string FirmwareText(uint16_t version) {
    uint32_t major = version >> BitsPerByte;
    uint32_t minor = version & ByteMask;
    std::string text = HexDigits(major, major <= FirmwareShortMajorLimit ? 1 : 2);
    return text + "." + HexDigits(minor, 2);
}

float ReadNumber(const char* text) {
    float value = 0.0f;
    TryReadNumber(text, value);
    return value;
}

bool TryReadNumber(const char* text, float& value) {
    DecimalNumber number;
    if (text == nullptr || !Parse(text, number))
        return false;
    value = ConvertToFloat(number);
    return true;
}

float ScaledValue(int16_t raw, int divisor) {
    return static_cast<float>(static_cast<double>(raw) / divisor);
}

float LimitCorrection(float x) {
    if (std::isnan(x))
        return 0.0f;
    if (static_cast<long double>(x) > CorrectionHighestExact)
        return CorrectionHighest;
    if (static_cast<long double>(x) < CorrectionLowestExact)
        return CorrectionLowest;
    return x;
}

int16_t CorrectionRaw(float x) {
    long double scaled = static_cast<long double>(LimitCorrection(x)) * CorrectionScale;
    return static_cast<int16_t>(RoundHalfEven(scaled));
}
