// The PNG picture: the window's pixels themselves, as the window's GL fills
// them (see window_shapes.h), written with libpng in a fixed way so that every
// build writes the same bytes for the same graph.
#include "export/export_formats.h"
#include "export/window_shapes.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using Rgb = std::array<unsigned char, 3>;

Rgb colourValue(ShapeColour colour) {
    switch (colour) {
    case ShapeColour::red:
        return {0xff, 0, 0};
    case ShapeColour::blue:
        return {0, 0, 0xff};
    case ShapeColour::black:
        break;
    }
    return {0, 0, 0};
}

// The window's pixels, row by row from the top, 3 bytes each.
class Canvas {
  public:
    Canvas() : bytes(static_cast<size_t>(windowPixels * windowPixels * 3), 0xff) {}

    // Paints columns first to end - 1 of row, where they lie in the window.
    void paint(int64_t row, int64_t first, int64_t end, ShapeColour colour) {
        if (row < 0 || row >= windowPixels)
            return;
        const Rgb rgb = colourValue(colour);
        for (int64_t x = std::max<int64_t>(first, 0); x < std::min(end, windowPixels); ++x)
            std::copy(rgb.begin(), rgb.end(), at(row, x));
    }

    // The bytes of pixel (x, y) of the window, and those to its right.
    unsigned char* at(int64_t y, int64_t x) {
        return bytes.data() + static_cast<size_t>((y * windowPixels + x) * 3);
    }
    const unsigned char* row(int64_t y) const {
        return bytes.data() + static_cast<size_t>(y * windowPixels * 3);
    }

  private:
    std::vector<unsigned char> bytes;
};

Canvas paintWindow(const GraphFile& file) {
    Canvas canvas;
    forEachSquare(file, [&](ShapeColour colour, const std::array<int64_t, 2>& corner) {
        for (int64_t row = corner[1]; row < corner[1] + pointSizePixels; ++row)
            canvas.paint(row, corner[0], corner[0] + pointSizePixels, colour);
    });
    forEachEdge(file, [&](ShapeColour colour, const std::array<SubpixelPoint, 4>&,
                          const std::vector<PixelRun>& pixels) {
        for (const PixelRun& run : pixels)
            canvas.paint(run.row, run.first, run.end, colour);
    });
    return canvas;
}

void appendToString(png_structp png, png_bytep data, size_t length) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<char*>(data), length);
}

void flushNothing(png_structp) {}

// Writes the canvas, each pixel a scale x scale block, as the PNG file out.
// Returns false, with out unspecified, when libpng fails (out of memory).
bool writePng(const Canvas& canvas, int scale, std::string& out) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    const auto side = static_cast<size_t>(windowPixels) * static_cast<size_t>(scale);
    std::vector<unsigned char> line(side * 3);
    // libpng reports a failure by jumping back here; nothing above owns memory
    // that the jump would leak but line, which outlives it.
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(png, &out, appendToString, flushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(side), static_cast<png_uint_32>(side), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    // Every setting that shapes the bytes is fixed, none left to the library's
    // defaults or heuristics: one filter, and zlib's parameters in full.
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    png_set_compression_level(png, 9);
    png_set_compression_strategy(png, Z_DEFAULT_STRATEGY);
    png_set_compression_window_bits(png, 15);
    png_set_compression_mem_level(png, 8);
    png_write_info(png, info);
    for (int64_t y = 0; y < windowPixels; ++y) {
        const unsigned char* pixels = canvas.row(y);
        unsigned char* at = line.data();
        for (const unsigned char* pixel = pixels; pixel != pixels + windowPixels * 3; pixel += 3)
            for (int copy = 0; copy < scale; ++copy)
                at = std::copy(pixel, pixel + 3, at);
        for (int copy = 0; copy < scale; ++copy)
            png_write_row(png, line.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

std::string exportPng(const GraphFile& file, int scale) {
    std::string out;
    if (!writePng(paintWindow(file), scale, out))
        out.clear();
    return out;
}
