#include "core/Decimal.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <type_traits>

namespace {
using Limbs = std::array<quint64, 4>;
using Wide = unsigned __int128;

constexpr int wordDigits = 19; // 10^19 is the largest power of ten in 64 bits
constexpr std::array<quint64, wordDigits + 1> powersOfTen = [] {
    std::array<quint64, wordDigits + 1> p{};
    p[0] = 1;
    for (int i = 1; i <= wordDigits; ++i)
        p[i] = p[i - 1] * 10;
    return p;
}();

bool isZero(const Limbs &a) {
    return (a[0] | a[1] | a[2] | a[3]) == 0;
}

// a = a * factor + addend. False when the result does not fit (a is then garbage).
bool multiplyAdd(Limbs &a, quint64 factor, quint64 addend) {
    quint64 carry = addend;
    for (quint64 &word : a) {
        const Wide product = Wide(word) * factor + carry;
        word = quint64(product);
        carry = quint64(product >> 64);
    }
    return carry == 0;
}

bool multiplyByPowerOfTen(Limbs &a, qint64 exponent) {
    if (isZero(a))
        return true;
    for (; exponent > 0; exponent -= wordDigits)
        if (!multiplyAdd(a, powersOfTen[std::min<qint64>(exponent, wordDigits)], 0))
            return false;
    return true;
}

// a = a / divisor; returns the remainder.
quint64 divide(Limbs &a, quint64 divisor) {
    if ((a[1] | a[2] | a[3]) == 0) {
        const quint64 remainder = a[0] % divisor;
        a[0] /= divisor;
        return remainder;
    }
    quint64 remainder = 0;
    for (int i = 3; i >= 0; --i) {
        const Wide current = (Wide(remainder) << 64) | a[i];
        a[i] = quint64(current / divisor);
        remainder = quint64(current % divisor);
    }
    return remainder;
}

void divideByPowerOfTen(Limbs &a, qint64 exponent) {
    for (; exponent > 0 && !isZero(a); exponent -= wordDigits)
        divide(a, powersOfTen[std::min<qint64>(exponent, wordDigits)]);
}

bool add(Limbs &a, const Limbs &b) {
    bool carry = false;
    for (int i = 0; i < 4; ++i) {
        quint64 sum = 0;
        const bool first = __builtin_add_overflow(a[i], b[i], &sum);
        const bool second = __builtin_add_overflow(sum, quint64(carry), &a[i]);
        carry = first || second;
    }
    return !carry;
}

// a = a - b for a >= b.
void subtract(Limbs &a, const Limbs &b) {
    bool borrow = false;
    for (int i = 0; i < 4; ++i) {
        quint64 difference = 0;
        const bool first = __builtin_sub_overflow(a[i], b[i], &difference);
        const bool second = __builtin_sub_overflow(difference, quint64(borrow), &a[i]);
        borrow = first || second;
    }
}

std::strong_ordering compare(const Limbs &a, const Limbs &b) {
    for (int i = 3; i >= 0; --i)
        if (a[i] != b[i])
            return a[i] <=> b[i];
    return std::strong_ordering::equal;
}

template <typename Char> char32_t codeOf(Char c) {
    if constexpr (sizeof(Char) == 1)
        return static_cast<unsigned char>(c);
    else
        return char32_t(c);
}

bool isSpace(char32_t c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
} // namespace

Decimal Decimal::fromMagnitude(quint64 magnitude, bool negative) {
    Decimal d;
    d.coefficient[0] = magnitude;
    d.negative = negative;
    d.valid = true;
    d.normalise();
    return d;
}

Decimal Decimal::fromText(QAnyStringView text) {
    return text.visit([](auto view) {
        if constexpr (std::is_same_v<decltype(view), QStringView>)
            return parse(view.utf16(), view.utf16() + view.size());
        else
            return parse(view.data(), view.data() + view.size());
    });
}

Decimal Decimal::fromDouble(double value) {
    if (!std::isfinite(value))
        return {};
    char text[32]; // the longest shortest form is "-2.2250738585072014e-308"
    // From 2^53 on, doubles are integers and the shortest form writes their exact digits.
    if (std::fabs(value) >= 0x1p53) {
        const auto written = std::to_chars(text, text + sizeof text, value);
        return written.ec == std::errc() ? parse(text, written.ptr) : Decimal();
    }
    // Below, the scientific form "[-]d[.ddd]e[+-]xx" has the same digits: at most 17, never a
    // leading or trailing zero but in zero itself, so they go into one word as they are, at
    // half the cost of the general parser on the preview's hot path.
    const auto written =
        std::to_chars(text, text + sizeof text, value, std::chars_format::scientific);
    if (written.ec != std::errc())
        return {};
    const char *p = text;
    const bool negative = *p == '-';
    p += negative;
    quint64 digits = 0;
    int count = 0;
    for (; *p != 'e'; ++p) {
        if (*p != '.') {
            digits = digits * 10 + quint64(*p - '0');
            ++count;
        }
    }
    const bool negativeExponent = *++p == '-';
    int exponent = 0;
    for (++p; p != written.ptr; ++p)
        exponent = exponent * 10 + (*p - '0');
    if (digits == 0)
        return fromInteger(0);
    Decimal d;
    d.coefficient[0] = digits;
    d.exponentScale = count - 1 + (negativeExponent ? exponent : -exponent);
    d.negative = negative;
    d.valid = true;
    return d;
}

// Digits go into a 64-bit chunk and from there into the coefficient 19 at a time. Zeros wait
// until a later digit needs them, so that leading and trailing zeros never take room.
template <typename Char> Decimal Decimal::parse(const Char *p, const Char *end) {
    while (p != end && isSpace(codeOf(*p)))
        ++p;
    while (end != p && isSpace(codeOf(end[-1])))
        --end;
    bool negative = false;
    if (p != end && (codeOf(*p) == '-' || codeOf(*p) == '+'))
        negative = codeOf(*p++) == '-';

    Limbs c{};
    quint64 chunk = 0;
    int chunkDigits = 0;
    qint64 zeros = 0;
    qint64 fractionDigits = 0;
    bool started = false; // a digit other than 0 seen
    bool anyDigit = false;
    bool point = false;
    for (; p != end; ++p) {
        const char32_t ch = codeOf(*p);
        if (ch == '.' && !point) {
            point = true;
            continue;
        }
        if (ch < '0' || ch > '9')
            break;
        anyDigit = true;
        fractionDigits += point;
        if (ch == '0') {
            zeros += started;
            continue;
        }
        started = true;
        if (chunkDigits + zeros + 1 <= wordDigits) {
            chunk = chunk * powersOfTen[zeros + 1] + (ch - '0');
            chunkDigits += int(zeros) + 1;
        } else {
            if (!multiplyAdd(c, powersOfTen[chunkDigits], chunk) || !multiplyByPowerOfTen(c, zeros))
                return {};
            chunk = ch - '0';
            chunkDigits = 1;
        }
        zeros = 0;
    }
    if (!anyDigit)
        return {};

    qint64 exponent = 0;
    if (p != end) {
        if (codeOf(*p) != 'e' && codeOf(*p) != 'E')
            return {};
        bool negativeExponent = false;
        if (++p != end && (codeOf(*p) == '-' || codeOf(*p) == '+'))
            negativeExponent = codeOf(*p++) == '-';
        if (p == end)
            return {};
        for (; p != end; ++p) {
            const char32_t ch = codeOf(*p);
            if (ch < '0' || ch > '9')
                return {};
            // Saturated far beyond any scale that fits.
            exponent = std::min<qint64>(exponent * 10 + (ch - '0'), 1'000'000'000);
        }
        if (negativeExponent)
            exponent = -exponent;
    }
    if (!multiplyAdd(c, powersOfTen[chunkDigits], chunk))
        return {};

    Decimal d;
    d.valid = true;
    if (isZero(c))
        return d;
    const qint64 scale = fractionDigits - exponent - zeros;
    if (scale > maxScale || scale < -maxScale)
        return {};
    d.coefficient = c;
    d.exponentScale = int(scale);
    d.negative = negative;
    return d;
}

void Decimal::normalise() {
    if (isZero(coefficient)) {
        exponentScale = 0;
        negative = false;
        return;
    }
    for (Limbs quotient = coefficient; divide(quotient, 10) == 0; quotient = coefficient) {
        coefficient = quotient;
        --exponentScale;
    }
    if (exponentScale > maxScale || exponentScale < -maxScale)
        *this = Decimal();
}

QLatin1StringView Decimal::digits(DigitBuffer &buffer) const {
    char *const begin = buffer.data();
    char *const end = begin + buffer.size();
    if ((coefficient[1] | coefficient[2] | coefficient[3]) == 0)
        return coefficient[0] == 0
                   ? QLatin1StringView(begin, qsizetype(0))
                   : QLatin1StringView(begin, std::to_chars(begin, end, coefficient[0]).ptr);
    // Wider: 19 digits at a time, least significant first.
    std::array<quint64, 5> chunks{};
    int count = 0;
    for (Limbs rest = coefficient; !isZero(rest);)
        chunks[count++] = divide(rest, powersOfTen[wordDigits]);
    char *out = std::to_chars(begin, end, chunks[--count]).ptr;
    while (count > 0) {
        quint64 chunk = chunks[--count];
        for (char *q = out + wordDigits; q != out; chunk /= 10)
            *--q = char('0' + chunk % 10);
        out += wordDigits;
    }
    return QLatin1StringView(begin, out);
}

Decimal Decimal::rounded(int decimals) const {
    if (!valid || exponentScale <= decimals)
        return *this;
    Decimal r = *this;
    // Half away from zero: the first dropped digit alone decides.
    divideByPowerOfTen(r.coefficient, qint64(exponentScale) - decimals - 1);
    if (divide(r.coefficient, 10) >= 5)
        multiplyAdd(r.coefficient, 1, 1); // cannot overflow: below the unrounded coefficient
    r.exponentScale = decimals;
    r.normalise();
    return r;
}

Decimal &Decimal::operator+=(const Decimal &other) {
    if (!valid || !other.valid)
        return *this = Decimal();
    if (isZero(other.coefficient))
        return *this;
    if (isZero(coefficient))
        return *this = other;
    const int scale = std::max(exponentScale, other.exponentScale);
    Limbs a = coefficient;
    Limbs b = other.coefficient;
    if (!multiplyByPowerOfTen(a, scale - exponentScale) ||
        !multiplyByPowerOfTen(b, scale - other.exponentScale))
        return *this = Decimal();
    if (negative == other.negative) {
        if (!add(a, b))
            return *this = Decimal();
    } else if (compare(a, b) >= 0) {
        subtract(a, b);
    } else {
        subtract(b, a);
        a = b;
        negative = other.negative;
    }
    coefficient = a;
    exponentScale = scale;
    normalise();
    return *this;
}

std::partial_ordering operator<=>(const Decimal &a, const Decimal &b) {
    if (!a.valid || !b.valid)
        return std::partial_ordering::unordered;
    if (a.negative != b.negative)
        return a.negative ? std::partial_ordering::less : std::partial_ordering::greater;
    std::strong_ordering magnitude = std::strong_ordering::equal;
    if (isZero(a.coefficient) || isZero(b.coefficient)) {
        magnitude = !isZero(a.coefficient) <=> !isZero(b.coefficient);
    } else {
        // First by the position of the leading digit; where it is the same, bringing both to
        // one scale makes neither longer than the longer one, so that fits.
        Decimal::DigitBuffer buffer;
        const qint64 aLeading = a.digits(buffer).size() - a.exponentScale;
        const qint64 bLeading = b.digits(buffer).size() - b.exponentScale;
        if (aLeading != bLeading) {
            magnitude = aLeading <=> bLeading;
        } else {
            Limbs x = a.coefficient;
            Limbs y = b.coefficient;
            multiplyByPowerOfTen(x, b.exponentScale - a.exponentScale);
            multiplyByPowerOfTen(y, a.exponentScale - b.exponentScale);
            magnitude = compare(x, y);
        }
    }
    return a.negative ? 0 <=> magnitude : magnitude;
}
