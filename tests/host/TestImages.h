// Test pictures in DIB form and independent decoders (libpng, libjpeg) for
// reading the encoders' output back.
#pragma once

#include <png.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

#include <csetjmp>

#include "capture/ByteSink.h"
#include "capture/CaptureError.h"
#include "capture/DibView.h"

namespace snaplark::test {

// A bottom-up DIB with its padding bytes filled with junk, so a writer that
// leaks padding into its output is caught.
struct TestDib {
    int width = 0;
    int height = 0;
    int bitCount = 24;
    std::size_t stride = 0;
    std::vector<std::uint8_t> bits;
    std::vector<std::uint8_t> colorTable;  // BGRX

    TestDib(int w, int h, int bpp, std::size_t extraStride = 0)
        : width(w), height(h), bitCount(bpp), stride(DibStride(w, bpp) + extraStride),
          bits(stride * static_cast<std::size_t>(h), 0xA5)
    {
        if (bpp <= 8) {
            colorTable.resize(4u << bpp);
            for (std::size_t i = 0; i < colorTable.size() / 4; ++i) {
                colorTable[4 * i + 0] = static_cast<std::uint8_t>(i * 7 + 1);    // blue
                colorTable[4 * i + 1] = static_cast<std::uint8_t>(i * 13 + 50);  // green
                colorTable[4 * i + 2] = static_cast<std::uint8_t>(255 - i);      // red
                colorTable[4 * i + 3] = 0x77;
            }
        }
    }

    DibView View() const
    {
        DibView v;
        v.width = width;
        v.height = height;
        v.bitCount = bitCount;
        v.bits = bits.empty() ? nullptr : bits.data();
        v.stride = stride;
        v.colorTable = colorTable.empty() ? nullptr : colorTable.data();
        return v;
    }

    // Pixel (x, y) with y counted from the top of the picture.
    std::uint8_t* Pixel24(int x, int y)
    {
        return bits.data() + static_cast<std::size_t>(height - 1 - y) * stride + 3 * x;
    }

    unsigned Index(int x, int y) const
    {
        const std::uint8_t* row = bits.data() + static_cast<std::size_t>(height - 1 - y) * stride;
        const int perByte = 8 / bitCount;
        const int shift = 8 - bitCount * (x % perByte + 1);
        return (row[x / perByte] >> shift) & ((1u << bitCount) - 1);
    }

    // Random pixel bytes; the padding keeps its junk.
    void FillNoise(unsigned seed)
    {
        std::mt19937 rng(seed);
        const std::size_t rowBytes = DibRowBytes(width, bitCount);
        for (int y = 0; y < height; ++y)
            for (std::size_t i = 0; i < rowBytes; ++i)
                bits[y * stride + i] = static_cast<std::uint8_t>(rng());
    }
};

struct DecodedImage {
    bool ok = false;
    std::string error;
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;  // top-down, tightly packed

    const std::uint8_t* At(int x, int y) const { return &rgb[(static_cast<std::size_t>(y) * width + x) * 3]; }
};

// libpng checks signature, chunk CRCs, the zlib stream and the filters.
inline DecodedImage DecodePng(const std::vector<std::uint8_t>& file)
{
    DecodedImage out;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, file.data(), file.size())) {
        out.error = image.message;
        return out;
    }
    image.format = PNG_FORMAT_RGB;
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    out.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, out.rgb.data(), 0, nullptr)) {
        out.error = image.message;
        png_image_free(&image);
        return out;
    }
    out.ok = true;
    return out;
}

struct JpegDecodeError {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

inline DecodedImage DecodeJpeg(const std::vector<std::uint8_t>& file)
{
    DecodedImage out;
    jpeg_decompress_struct cinfo;
    JpegDecodeError err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = [](j_common_ptr c) {
        std::longjmp(reinterpret_cast<JpegDecodeError*>(c->err)->jump, 1);
    };
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        out.error = "libjpeg failed";
        return out;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    out.width = static_cast<int>(cinfo.output_width);
    out.height = static_cast<int>(cinfo.output_height);
    out.rgb.resize(static_cast<std::size_t>(out.width) * out.height * 3);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = &out.rgb[static_cast<std::size_t>(cinfo.output_scanline) * out.width * 3];
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    out.ok = true;
    return out;
}

// Stores up to `room` bytes and then fails the way a full disk does.
class FullDiskSink : public ByteSink {
public:
    explicit FullDiskSink(std::size_t room) : room_(room) {}
    void Write(const void*, std::size_t size) override
    {
        if (size > room_)
            throw Error("Stream write error");
        room_ -= size;
    }

private:
    std::size_t room_;
};

inline std::uint32_t BE32(const std::uint8_t* p)
{
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

struct PngChunk {
    std::string type;
    std::vector<std::uint8_t> data;
    std::uint32_t crc = 0;
};

// Splits a PNG file after its signature into chunks; stops at a truncation.
inline std::vector<PngChunk> ParsePngChunks(const std::vector<std::uint8_t>& file)
{
    std::vector<PngChunk> chunks;
    std::size_t pos = 8;
    while (pos + 12 <= file.size()) {
        const std::uint32_t length = BE32(&file[pos]);
        if (pos + 12 + length > file.size())
            break;
        PngChunk c;
        c.type.assign(reinterpret_cast<const char*>(&file[pos + 4]), 4);
        c.data.assign(file.begin() + pos + 8, file.begin() + pos + 8 + length);
        c.crc = BE32(&file[pos + 8 + length]);
        chunks.push_back(std::move(c));
        pos += 12 + length;
    }
    return chunks;
}

}  // namespace snaplark::test
