// Files compressed with gzip (".gz", yEd's ".graphmlz"), read through zlib.
#pragma once

#include "io/file_system.h"

#include <cstddef>
#include <string>
#include <string_view>

// The most a compressed file may grow to: far beyond any graph ruvo-import can
// lay out, and far below what a "gzip bomb" would take of memory.
inline constexpr size_t maxInflatedBytes = size_t{512} << 20;

// Tells whether bytes begin with gzip's magic bytes.
bool isGzip(std::string_view bytes);

// Replaces bytes, one or more gzip members one after another, with what they
// decompress to, piece by piece. Refuses, leaving bytes unspecified, data that
// is corrupt, ends early, is followed by anything but another member, or would
// grow past limit bytes.
FileStatus inflateGzip(std::string& bytes, size_t limit = maxInflatedBytes);
