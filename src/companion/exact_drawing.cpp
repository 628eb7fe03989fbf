#include "companion/exact_drawing.h"

#include "io/number_text.h"
#include "model/graph.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

// The window's 2 units span as many points as it has pixels: a coordinate's
// millionths are points' ten-thousandths times pointsPerUnit / 100, after an
// offset of pointsPerUnit points.
static constexpr int64_t pointsPerUnit = windowPixels / 2;
static_assert(pointsPerUnit % 100 == 0, "a millionth of a unit is whole ten-thousandths of points");
static constexpr int64_t unitsPerMillionth = pointsPerUnit / 100;
static constexpr int64_t offsetUnits = pointsPerUnit * 10000;

// Reads optional '-', digits and an optional point with more digits from text
// as an integer count of 10^-places; returns false for anything else, or a
// count beyond an int64_t.
static bool readFixed(std::string_view text, int places, int64_t& count) {
    constexpr int64_t largest = std::numeric_limits<int64_t>::max();
    size_t at = 0;
    const bool negative = !text.empty() && text[0] == '-';
    at += negative ? 1 : 0;
    int64_t value = 0;
    bool digits = false;
    int decimals = -1; // digits after the point; -1 before it
    for (; at < text.size(); ++at) {
        const char c = text[at];
        if (c == '.' && decimals < 0) {
            decimals = 0;
            continue;
        }
        if (c < '0' || c > '9' || value > (largest - (c - '0')) / 10)
            return false;
        value = value * 10 + (c - '0');
        digits = true;
        if (decimals >= 0 && ++decimals > places)
            return false;
    }
    for (int i = decimals < 0 ? 0 : decimals; i < places; ++i) {
        if (value > largest / 10)
            return false;
        value *= 10;
    }
    count = negative ? -value : value;
    return digits;
}

// The coordinate rounded to six decimals, as the graph file writes it, counted
// in millionths; false beyond exactPointsLimit.
static bool toMillionths(double coordinate, int64_t& millionths) {
    if (!(std::fabs(coordinate) < exactPointsLimit))
        return false;
    // A product within a quarter of an integer rounds as the exact value does; the
    // product's own error is at most 1/16 below 10^15.
    const double scaled = coordinate * 1e6;
    const double nearest = std::round(scaled);
    if (std::fabs(scaled) < 1e15 && std::fabs(scaled - nearest) <= 0.25) {
        millionths = static_cast<int64_t>(nearest);
        return true;
    }
    // Otherwise the six-decimal text itself decides.
    char text[maxNumberText];
    const char* const end = writeNumber(text, text + sizeof text, coordinate, NumberStyle::fixed);
    return readFixed(std::string_view(text, static_cast<size_t>(end - text)), 6, millionths);
}

// The double nearest to millionths * 10^-6, as reading its six-decimal text gives.
static double fromMillionths(int64_t millionths) {
    constexpr int64_t exactInDouble = int64_t{1} << 53;
    if (millionths > -exactInDouble && millionths < exactInDouble)
        return static_cast<double>(millionths) / 1e6; // correctly rounded
    std::string text = std::to_string(millionths);
    text.insert(text.size() - 6, ".");
    double value = 0;
    readNumber(text.c_str(), text.c_str() + text.size(), value);
    return value;
}

char* writePoints(char* at, char* end, double coordinate) {
    int64_t millionths = 0;
    if (!toMillionths(coordinate, millionths)) {
        const double points = (coordinate + 1) * pointsPerUnit;
        return writeShortest(at, end,
                             std::isfinite(points) ? points : std::copysign(DBL_MAX, points));
    }
    int64_t units = offsetUnits + unitsPerMillionth * millionths;
    if (units < 0) {
        *at++ = '-';
        units = -units;
    }
    at = std::to_chars(at, end, units / 10000).ptr;
    int64_t fraction = units % 10000;
    if (fraction != 0) {
        *at++ = '.';
        for (int64_t digit = 1000; fraction != 0; digit /= 10) {
            *at++ = static_cast<char>('0' + fraction / digit);
            fraction %= digit;
        }
    }
    return at;
}

bool readPoints(std::string_view text, double& coordinate) {
    int64_t units = 0;
    if (readFixed(text, 4, units) && units % unitsPerMillionth == 0) {
        coordinate = fromMillionths((units - offsetUnits) / unitsPerMillionth);
        return true;
    }
    // Not written by writePoints: any number strtod reads, out of range as infinite.
    const std::string copy(text);
    double points = 0;
    const char* const end = copy.c_str() + copy.size();
    if (copy.empty() || readNumber(copy.c_str(), end, points) != end)
        return false;
    coordinate = points / pointsPerUnit - 1;
    return true;
}
