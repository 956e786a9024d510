#pragma once

#include <QMetaType>
#include <QString>

// An exact decimal number as the database hands it over (text such as "-1234.50"), kept as
// digits so that amounts never pass through binary floating point on their way to the screen.
class Decimal {
public:
    Decimal() = default;

    // Reads "[+-]digits[.digits][e[+-]digits]". Returns an invalid Decimal for anything else.
    static Decimal fromText(const QString &text);

    bool isValid() const { return valid; }
    bool isNegative() const { return negative; }
    // The integer digits (at least "0") and the fraction digits, trailing zeros removed.
    QString integerDigits() const;
    QString fractionDigits() const;

    // Rounded half away from zero to the given number of fraction digits (padded with zeros).
    Decimal rounded(int decimals) const;
    // The fraction digits padded with zeros to at least the given count.
    QString fractionDigits(int minimum) const;

    bool operator==(const Decimal &other) const = default;

private:
    bool valid = false;
    bool negative = false;
    QString digits; // all digits without leading zeros, may be empty for zero
    int scale = 0;  // how many of the digits belong to the fraction
    void normalise();
};

Q_DECLARE_METATYPE(Decimal)
