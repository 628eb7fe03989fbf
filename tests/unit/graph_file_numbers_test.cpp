// The graph file's numbers are converted with std::to_chars and std::from_chars
// for speed. These tests hold them to printf's "%lf" and "%g" and to strtod,
// whose bytes and values they must reproduce exactly, on the hard cases: ties at
// the last digit, signed zeros, extremes, and every form strtod accepts.
#include "io/graph_file.h"
#include "io/number_text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

static std::string printed(const char* format, double value) {
    char text[1024];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

static uint64_t bitsOf(double value) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// Finite coordinates that stress the conversions: exact ties at the sixth
// decimal, values that round to a signed zero, the extremes of double and their
// neighbours, then random dyadic fractions (many of them exact ties), random
// bit patterns and random window positions.
static std::vector<double> hardValues() {
    std::vector<double> values = {0.0,
                                  -0.0,
                                  0.0078125,
                                  -0.0078125,
                                  0.0000005,
                                  -0.0000005,
                                  4e-7,
                                  -4e-7,
                                  2.5e-6,
                                  1.0000005,
                                  9.9999995,
                                  999999.9999995,
                                  0.1,
                                  1.0 / 3,
                                  0.5,
                                  -1.0,
                                  1e15 + 0.5,
                                  1e22,
                                  1e308,
                                  DBL_MAX,
                                  -DBL_MAX,
                                  DBL_MIN,
                                  std::numeric_limits<double>::denorm_min()};
    for (size_t i = 0, fixed = values.size(); i < fixed; ++i) {
        values.push_back(std::nextafter(values[i], HUGE_VAL));
        values.push_back(std::nextafter(values[i], -HUGE_VAL));
    }
    std::mt19937_64 random(20240611);
    std::uniform_real_distribution<double> window(-1, 1);
    for (int i = 0; i < 3000; ++i) {
        const auto numerator =
            static_cast<double>(static_cast<int64_t>(random() % 4000001) - 2000000);
        values.push_back(std::ldexp(numerator, -static_cast<int>(7 + random() % 18)));
        const uint64_t bits = random();
        double any = 0;
        std::memcpy(&any, &bits, sizeof any);
        values.push_back(any);
        values.push_back(window(random));
    }
    std::vector<double> finite;
    for (double value : values) {
        if (std::isfinite(value))
            finite.push_back(value);
    }
    return finite;
}

TEST(GraphFileNumbers, WriterMatchesPrintfFixedByteForByte) {
    for (double value : hardValues()) {
        std::vector<Vertex> list{Vertex(value, -value)};
        list[0].adjacency = {3, -7};
        const std::string expected =
            "-1\n-1\n-1\n1\n" + printed("%lf ", value) + printed("%lf 2\n", -value) + "3\n-7\n";
        ASSERT_EQ(formatGraph(list, -1, -1, -1), expected) << printed("%a", value);
    }
}

// Parses a one-vertex file whose coordinates are both written as token.
static FileStatus parseToken(const std::string& token, GraphFile& file) {
    return parseGraph("-1 -1 -1 1\n" + token + " " + token + " 0\n", file);
}

// A token is accepted exactly when strtod reads all of it to a finite value,
// and then to that same value, echoed as "%g" would write it.
static void expectReadAsStrtod(const std::string& token) {
    char* stop = nullptr;
    const double reference = std::strtod(token.c_str(), &stop);
    const bool accepted = *stop == '\0' && std::isfinite(reference);
    GraphFile file;
    const FileStatus status = parseToken(token, file);
    ASSERT_EQ(status.ok, accepted) << token << ": " << status.reason;
    if (!accepted)
        return;
    EXPECT_EQ(bitsOf(file.vertices.at(0).x), bitsOf(reference)) << token;
    EXPECT_EQ(file.echo, printed("%g ", reference) + printed("%g 0\n", reference)) << token;
}

TEST(GraphFileNumbers, ReaderMatchesStrtodInEveryForm) {
    const char* const forms[] = {"%.17g", "%lf", "%a", "+%.17g", "%.3e", "%.40f"};
    for (double value : hardValues()) {
        for (const char* form : forms)
            expectReadAsStrtod(printed(form, value));
    }
    const char* const odd[] = {
        "1e400",
        "-1e400",
        "1e-400",
        "-1e-400",
        "2.4703282292062327e-324",
        "4.9e-324",
        "0x1.8p1",
        "-0X1P-1",
        "0x",
        "0x.8",
        "+.5",
        "-.5e-2",
        ".5",
        "5.",
        ".",
        "-",
        "+",
        "1e",
        "1e+",
        "1E5",
        "inf",
        "-Infinity",
        "nan",
        "nan(1)",
        "0.1000000000000000055511151231257827",
        "123456789012345678901234567890",
        "00x1p3",
        "1x",
    };
    for (const char* token : odd)
        expectReadAsStrtod(token);
}

// Where the C++ library cannot convert doubles (Emscripten's), numbers are
// written through snprintf alone; both ways must give the same bytes. Reading
// needs no such test: the reader is held to strtod itself above.
TEST(GraphFileNumbers, PrintfWayWritesTheLibrarysBytes) {
    // Without the library's way there is nothing to compare, and saving is slow.
    ASSERT_TRUE(libraryConvertsDoubles);
    std::vector<double> values = hardValues();
    // Exact ties at the sixth significant digit, whole numbers too large to
    // write in full in the shortest form, and powers of two whose shortest
    // decimal is not the nearest one of its length.
    values.insert(values.end(),
                  {123456.5, 123457.5, -123456.5, 12345.25, 12345.75, 1000005.0, 1000015.0, 1e21,
                   123456789012345680000.0, 1e300, std::ldexp(1.0, -1017), std::ldexp(-1.0, -808)});
    char library[maxNumberText];
    char byPrintf[maxNumberText];
    const auto written = [](const char* start, const char* end) { return std::string(start, end); };
    for (double value : values) {
        for (NumberStyle style : {NumberStyle::fixed, NumberStyle::general})
            ASSERT_EQ(written(library, writeNumber(library, std::end(library), value, style)),
                      written(byPrintf,
                              writeNumberWithPrintf(byPrintf, std::end(byPrintf), value, style)))
                << printed("%a", value);
        ASSERT_EQ(written(library, writeShortest(library, std::end(library), value)),
                  written(byPrintf, writeShortestWithPrintf(byPrintf, std::end(byPrintf), value)))
            << printed("%a", value);
    }
}
