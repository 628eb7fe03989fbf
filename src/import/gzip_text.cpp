#include "import/gzip_text.h"

#include <zlib.h>

#include <algorithm>
#include <new>

bool isGzip(std::string_view bytes) {
    return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0x1f &&
           static_cast<unsigned char>(bytes[1]) == 0x8b;
}

namespace {

// A zlib stream that reads gzip, ended when the object goes.
class Inflater {
  public:
    Inflater() {
        // 15 bits of window, + 16: a gzip header and trailer around the data.
        if (inflateInit2(&stream, 15 + 16) != Z_OK)
            throw std::bad_alloc();
    }
    ~Inflater() { inflateEnd(&stream); }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    z_stream stream{}; // zlib's state; its input and output are set by the caller
};

// Why zlib stopped, in words for a message.
std::string whyStopped(const z_stream& stream, int code) {
    if (code == Z_MEM_ERROR)
        throw std::bad_alloc();
    return std::string("not gzip data: ") + (stream.msg != nullptr ? stream.msg : "corrupt");
}

} // namespace

FileStatus inflateGzip(std::string& bytes, size_t limit) {
    // zlib counts in unsigned int; pieces of a megabyte stay well within it.
    constexpr size_t piece = size_t{1} << 20;
    Inflater inflater;
    z_stream& stream = inflater.stream;
    std::string out;
    size_t in = 0; // bytes of the input handed to zlib so far
    for (;;) {
        if (stream.avail_in == 0 && in < bytes.size()) {
            const size_t length = std::min(piece, bytes.size() - in);
            stream.next_in = reinterpret_cast<Bytef*>(&bytes[in]);
            stream.avail_in = static_cast<uInt>(length);
            in += length;
        }
        const size_t before = out.size();
        if (before >= limit)
            return {false, "decompresses to more than " + std::to_string(limit >> 20) + " MB"};
        const size_t room = std::min(piece, limit - before);
        out.resize(before + room);
        stream.next_out = reinterpret_cast<Bytef*>(&out[before]);
        stream.avail_out = static_cast<uInt>(room);
        const int code = inflate(&stream, Z_NO_FLUSH);
        out.resize(before + room - stream.avail_out);
        if (code == Z_STREAM_END) {
            const size_t left = stream.avail_in + (bytes.size() - in);
            if (left == 0)
                break;
            // Another member may follow, as "cat a.gz b.gz" makes.
            const std::string_view rest(bytes.data() + bytes.size() - left, left);
            if (!isGzip(rest))
                return {false, "not gzip data: something follows the compressed data"};
            inflateReset(&stream);
        } else if (code == Z_BUF_ERROR && stream.avail_in == 0 && in == bytes.size()) {
            return {false, "the compressed data is cut short"};
        } else if (code != Z_OK && code != Z_BUF_ERROR) {
            return {false, whyStopped(stream, code)};
        }
    }
    bytes.swap(out);
    return {};
}
