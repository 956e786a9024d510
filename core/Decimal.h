#pragma once

#include <QAnyStringView>
#include <QLatin1StringView>
#include <QMetaType>

#include <array>
#include <compare>
#include <concepts>

// An exact decimal number: amounts as the database hands them over and sums of them, never
// through binary floating point. The value is ±coefficient × 10^-scale with a 256-bit binary
// coefficient, held in 40 bytes: making, rounding, adding and formatting one costs no allocation.
//
// Every number of up to 77 significant digits with a scale within ±maxScale fits: all values of
// an SQL decimal(38,s), money or bigint column, every finite double, and sums of millions of
// them. A value or sum beyond that is an invalid Decimal, never a rounded or wrapped one.
class Decimal {
public:
    static constexpr int maxDigits = 77;
    static constexpr int maxScale = 9999;

    Decimal() = default; // invalid

    static Decimal fromInteger(std::integral auto value) {
        if constexpr (std::signed_integral<decltype(value)>)
            return fromMagnitude(value < 0 ? 0 - quint64(value) : quint64(value), value < 0);
        else
            return fromMagnitude(quint64(value), false);
    }
    // Reads "[+-]digits[.digits][e[+-]digits]", spaces around it ignored. Returns an invalid
    // Decimal for anything else and for a number that does not fit.
    static Decimal fromText(QAnyStringView text);
    // The shortest decimal that reads back as the same double: where a driver offers nothing
    // exact, that is the decimal that was stored. Invalid for infinities and NaN.
    static Decimal fromDouble(double value);

    bool isValid() const { return valid; }
    bool isNegative() const { return negative; }

    // The significant digits of the magnitude, most significant first, written into the buffer
    // without allocating; the value is ±digits × 10^-scale(). Zero has no digits. The first
    // (count - scale) digits are the integer part, followed by zeros when the scale is negative;
    // a scale beyond the count means leading zeros in the fraction.
    using DigitBuffer = std::array<char, maxDigits + 1>;
    QLatin1StringView digits(DigitBuffer &buffer) const;
    // How many of the digits are fraction digits; trailing zeros are never kept, so 1500 has
    // the digits "15" and the scale -2.
    int scale() const { return exponentScale; }

    // Rounded half away from zero to at most the given number of fraction digits.
    Decimal rounded(int decimals) const;

    // The exact sum. Invalid when either operand is invalid or the sum does not fit.
    Decimal &operator+=(const Decimal &other);
    friend Decimal operator+(Decimal a, const Decimal &b) { return a += b; }

    // By value, whatever the scales. An invalid Decimal is unordered and unequal even to
    // itself, as NaN is: check isValid() where that matters.
    friend std::partial_ordering operator<=>(const Decimal &a, const Decimal &b);
    friend bool operator==(const Decimal &a, const Decimal &b) { return (a <=> b) == 0; }

private:
    std::array<quint64, 4> coefficient{}; // least significant word first
    int exponentScale = 0;
    bool negative = false; // never for zero
    bool valid = false;

    static Decimal fromMagnitude(quint64 magnitude, bool negative);
    template <typename Char> static Decimal parse(const Char *begin, const Char *end);
    void normalise();
};

Q_DECLARE_METATYPE(Decimal)
