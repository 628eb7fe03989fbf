#include "io/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>

// libstdc++ announces floating-point conversions with this macro; libc++ as of
// Emscripten 3.1 has neither them nor the macro.
#if defined(__cpp_lib_to_chars)
const bool libraryConvertsDoubles = true;
#else
const bool libraryConvertsDoubles = false;
#endif

// Copies text of the given length to at; returns the end.
static char* copyText(char* at, const char* text, int length) {
    return std::copy(text, text + std::max(length, 0), at);
}

char* writeNumberWithPrintf(char* at, char*, double value, NumberStyle style) {
    char text[maxNumberText + 1];
    const char* format = style == NumberStyle::fixed ? "%.6f" : "%.6g";
    return copyText(at, text, std::snprintf(text, sizeof text, format, value));
}

// A positive decimal number: digits d1 d2 ... dn standing for d1.d2...dn x 10^exponent.
struct Decimal {
    std::string digits;
    int exponent = 0;
};

// Reads printf's "%e" text of a positive number into a Decimal.
static Decimal decimalOf(const char* text) {
    Decimal d;
    const char* at = text;
    for (; *at != 'e'; ++at) {
        if (*at != '.')
            d.digits += *at;
    }
    d.exponent = std::atoi(at + 1);
    return d;
}

static bool readsBackAs(const Decimal& d, double magnitude) {
    const std::string text =
        d.digits.substr(0, 1) + "." + d.digits.substr(1) + "e" + std::to_string(d.exponent);
    return std::strtod(text.c_str(), nullptr) == magnitude;
}

// The next decimal up with as many digits: 9.99e0 becomes 1.00e1.
static Decimal nextUp(Decimal d) {
    size_t i = d.digits.size();
    while (i > 0 && d.digits[i - 1] == '9')
        d.digits[--i] = '0';
    if (i > 0) {
        ++d.digits[i - 1];
    } else {
        d.digits.insert(0, 1, '1');
        d.digits.pop_back();
        ++d.exponent;
    }
    return d;
}

// The fewest significant digits that read back as magnitude (positive or zero),
// the nearest of them when several do.
static Decimal shortestDecimal(double magnitude) {
    char text[40];
    // Seventeen digits always read back, so the loop ends at precision 16.
    for (int precision = 0;; ++precision) {
        std::snprintf(text, sizeof text, "%.*e", precision, magnitude);
        const Decimal nearest = decimalOf(text);
        if (precision == 16 || readsBackAs(nearest, magnitude))
            return nearest;
        // At a power of two the doubles below lie twice as close as those above,
        // so the nearest decimal below can miss while the next one up reads back.
        if (std::strtod(text, nullptr) < magnitude) {
            const Decimal up = nextUp(nearest);
            if (readsBackAs(up, magnitude))
                return up;
        }
    }
}

char* writeShortestWithPrintf(char* at, char*, double value) {
    if (std::signbit(value))
        *at++ = '-';
    const double magnitude = std::fabs(value);
    if (!std::isfinite(magnitude)) {
        const char* name = std::isnan(magnitude) ? "nan" : "inf";
        return copyText(at, name, 3);
    }
    Decimal d = shortestDecimal(magnitude);
    while (d.digits.size() > 1 && d.digits.back() == '0')
        d.digits.pop_back();
    const int count = static_cast<int>(d.digits.size());
    const int e = d.exponent;
    const int exponentDigits = std::max(2, static_cast<int>(std::to_string(std::abs(e)).size()));
    const int scientificLength = count + (count > 1 ? 1 : 0) + 2 + exponentDigits;
    const int fixedLength = e >= count - 1 ? e + 1 : (e >= 0 ? count + 1 : count + 1 - e);
    char text[maxNumberText + 1];
    if (scientificLength < fixedLength) {
        const std::string mantissa =
            count > 1 ? d.digits.substr(0, 1) + "." + d.digits.substr(1) : d.digits;
        return copyText(at, text,
                        std::snprintf(text, sizeof text, "%se%+03d", mantissa.c_str(), e));
    }
    // A whole number in fixed notation has all its digits, as "%.0f" writes them.
    if (e >= count - 1)
        return copyText(at, text, std::snprintf(text, sizeof text, "%.0f", magnitude));
    std::string fixed = e >= 0 ? d.digits.substr(0, static_cast<size_t>(e) + 1) + "." +
                                     d.digits.substr(static_cast<size_t>(e) + 1)
                               : "0." + std::string(static_cast<size_t>(-e - 1), '0') + d.digits;
    return copyText(at, fixed.c_str(), static_cast<int>(fixed.size()));
}

const char* readNumberWithStrtod(const char* at, const char*, double& value) {
    // strtod cannot run past the end: a NUL stops it there.
    char* stop = nullptr;
    value = std::strtod(at, &stop);
    return stop;
}

#if defined(__cpp_lib_to_chars)

char* writeNumber(char* at, char* end, double value, NumberStyle style) {
    const auto format =
        style == NumberStyle::fixed ? std::chars_format::fixed : std::chars_format::general;
    return std::to_chars(at, end, value, format, 6).ptr;
}

char* writeShortest(char* at, char* end, double value) {
    return std::to_chars(at, end, value).ptr;
}

// std::from_chars reads the same numbers as strtod to the same values, except
// that it refuses a leading '+', hexadecimal and a value out of range; those are
// left to strtod.
const char* readNumber(const char* at, const char* end, double& value) {
    const auto [stop, error] = std::from_chars(at, end, value);
    if (error == std::errc() && (stop == end || (*stop != 'x' && *stop != 'X')))
        return stop;
    return readNumberWithStrtod(at, end, value);
}

#else

char* writeNumber(char* at, char* end, double value, NumberStyle style) {
    return writeNumberWithPrintf(at, end, value, style);
}

char* writeShortest(char* at, char* end, double value) {
    return writeShortestWithPrintf(at, end, value);
}

const char* readNumber(const char* at, const char* end, double& value) {
    return readNumberWithStrtod(at, end, value);
}

#endif
