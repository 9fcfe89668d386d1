#include <gtest/gtest.h>

#include <cstdlib>

#include "capture/CaptureError.h"
#include "capture/JpegEncoder.h"
#include "TestImages.h"

namespace snaplark {
namespace {

using test::TestDib;

struct Segment {
    std::uint8_t marker;
    std::vector<std::uint8_t> data;  // without the length field
};

// The marker segments from SOI up to and including SOS.
std::vector<Segment> ParseHeaders(const std::vector<std::uint8_t>& file)
{
    std::vector<Segment> out;
    if (file.size() < 2 || file[0] != 0xFF || file[1] != 0xD8)
        return out;
    out.push_back({0xD8, {}});
    std::size_t pos = 2;
    while (pos + 4 <= file.size() && file[pos] == 0xFF) {
        const std::uint8_t marker = file[pos + 1];
        const std::size_t length = (file[pos + 2] << 8) | file[pos + 3];
        if (length < 2 || pos + 2 + length > file.size())
            break;
        out.push_back({marker, {file.begin() + pos + 4, file.begin() + pos + 2 + length}});
        pos += 2 + length;
        if (marker == 0xDA)
            break;
    }
    return out;
}

std::vector<std::uint8_t> EncodeJpeg(const TestDib& dib)
{
    VectorSink sink;
    WriteJpeg(sink, dib.View());
    EXPECT_EQ(sink.writes, 1);  // the whole file in one write
    return sink.bytes;
}

void Fill(TestDib& dib, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    for (int y = 0; y < dib.height; ++y)
        for (int x = 0; x < dib.width; ++x) {
            std::uint8_t* p = dib.Pixel24(x, y);
            p[0] = b;
            p[1] = g;
            p[2] = r;
        }
}

TEST(JpegEncoder, BaselineJfifLayout)
{
    TestDib dib(37, 21, 24);
    dib.FillNoise(5);
    const auto file = EncodeJpeg(dib);

    const std::vector<std::uint8_t> start = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 0x4A, 0x46, 0x49, 0x46,
                                             0x00, 0x01, 0x01, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00};
    ASSERT_GE(file.size(), start.size());
    EXPECT_TRUE(std::equal(start.begin(), start.end(), file.begin()));
    EXPECT_EQ(file[file.size() - 2], 0xFF);
    EXPECT_EQ(file[file.size() - 1], 0xD9);

    const auto segments = ParseHeaders(file);
    std::vector<std::uint8_t> markers;
    for (const Segment& s : segments)
        markers.push_back(s.marker);
    // SOI APP0 DQT DQT SOF0 DHT DHT DHT DHT SOS: one baseline scan, no restart interval.
    const std::vector<std::uint8_t> order = {0xD8, 0xE0, 0xDB, 0xDB, 0xC0, 0xC4, 0xC4, 0xC4, 0xC4, 0xDA};
    ASSERT_EQ(markers, order);

    EXPECT_EQ(segments[2].data[0], 0x00);  // 8-bit table 0
    EXPECT_EQ(segments[3].data[0], 0x01);  // 8-bit table 1
    // Huffman tables: DC 0, AC 0, DC 1, AC 1.
    EXPECT_EQ(segments[5].data[0], 0x00);
    EXPECT_EQ(segments[6].data[0], 0x10);
    EXPECT_EQ(segments[7].data[0], 0x01);
    EXPECT_EQ(segments[8].data[0], 0x11);

    const std::vector<std::uint8_t> sof = {8,    0, 21,  0, 37, 3,  // precision, height, width, components
                                           1, 0x22, 0,               // Y: 2x2, table 0
                                           2, 0x11, 1,               // Cb: 1x1, table 1
                                           3, 0x11, 1};              // Cr: 1x1, table 1
    EXPECT_EQ(segments[4].data, sof);
}

// Quality 70 scales the standard tables to 60 %: (entry * 60 + 50) / 100.
TEST(JpegEncoder, QualitySeventyTables)
{
    static const int kLuminance[64] = {
        16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
        14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
        18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
        49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
    static const int kChrominance[64] = {
        17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99, 24, 26, 56, 99, 99, 99,
        99, 99, 47, 66, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
        99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};
    // Position in the natural order of the k-th coefficient in zigzag order.
    static const int kZigzag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                    12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                    35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                    58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

    TestDib dib(16, 16, 24);
    const auto segments = ParseHeaders(EncodeJpeg(dib));
    ASSERT_GE(segments.size(), 4u);
    const int* standard[2] = {kLuminance, kChrominance};
    for (int t = 0; t < 2; ++t) {
        const auto& dqt = segments[2 + t].data;
        ASSERT_EQ(dqt.size(), 65u);
        for (int k = 0; k < 64; ++k) {
            const int expected = std::clamp((standard[t][kZigzag[k]] * 60 + 50) / 100, 1, 255);
            EXPECT_EQ(dqt[1 + k], expected) << "table " << t << " zigzag " << k;
        }
    }
    EXPECT_EQ(segments[2].data[1], 10);  // 16 -> 10
}

// Decoded by libjpeg, flat colours come back as themselves: the DIB's
// blue-green-red order must not leak into the file as swapped channels.
TEST(JpegEncoder, DecodesToTrueColours)
{
    struct Colour { std::uint8_t r, g, b; };
    for (const Colour c : {Colour{255, 0, 0}, Colour{0, 255, 0}, Colour{0, 0, 255}, Colour{40, 120, 200}}) {
        SCOPED_TRACE(testing::Message() << int(c.r) << "," << int(c.g) << "," << int(c.b));
        TestDib dib(19, 11, 24);
        Fill(dib, c.r, c.g, c.b);
        const auto decoded = test::DecodeJpeg(EncodeJpeg(dib));
        ASSERT_TRUE(decoded.ok) << decoded.error;
        ASSERT_EQ(decoded.width, 19);
        ASSERT_EQ(decoded.height, 11);
        for (int y = 0; y < 11; ++y)
            for (int x = 0; x < 19; ++x) {
                const std::uint8_t* p = decoded.At(x, y);
                ASSERT_NEAR(p[0], c.r, 4);
                ASSERT_NEAR(p[1], c.g, 4);
                ASSERT_NEAR(p[2], c.b, 4);
            }
    }
}

// A smooth picture at odd sizes and padded strides survives within the
// loss of quality 70, with the top row on top.
TEST(JpegEncoder, SmoothPictureRoundTrips)
{
    for (const auto& [w, h, extra] : {std::tuple{1, 1, 0}, std::tuple{13, 7, 0}, std::tuple{33, 17, 4},
                                     std::tuple{64, 48, 0}}) {
        SCOPED_TRACE(testing::Message() << w << "x" << h);
        TestDib dib(w, h, 24, extra);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                std::uint8_t* p = dib.Pixel24(x, y);
                p[2] = static_cast<std::uint8_t>(40 + 160 * x / w);  // red grows to the right
                p[1] = static_cast<std::uint8_t>(40 + 160 * y / h);  // green grows downwards
                p[0] = 90;
            }
        const auto decoded = test::DecodeJpeg(EncodeJpeg(dib));
        ASSERT_TRUE(decoded.ok) << decoded.error;
        ASSERT_EQ(decoded.width, w);
        ASSERT_EQ(decoded.height, h);
        long total = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const std::uint8_t* bgr = dib.Pixel24(x, y);
                const std::uint8_t* rgb = decoded.At(x, y);
                for (int c = 0; c < 3; ++c) {
                    const int error = std::abs(rgb[c] - bgr[2 - c]);
                    EXPECT_LE(error, 16) << x << "," << y << " channel " << c;
                    total += error;
                }
            }
        EXPECT_LE(total / (3.0 * w * h), 5.0);  // steep gradients on tiny pictures lose most
    }
}

// Noise compresses badly, so the output outgrows the first memory buffer
// several times; the file must still be whole.
TEST(JpegEncoder, NoiseOutgrowsFirstBuffer)
{
    TestDib dib(512, 256, 24);
    dib.FillNoise(11);
    const auto file = EncodeJpeg(dib);
    EXPECT_GT(file.size(), 512 * 256 / 2 + 4096u);  // the first buffer's size
    const auto decoded = test::DecodeJpeg(file);
    ASSERT_TRUE(decoded.ok) << decoded.error;
    EXPECT_EQ(decoded.width, 512);
    EXPECT_EQ(decoded.height, 256);
}

TEST(JpegEncoder, EmptyBitmapWritesNothing)
{
    for (const auto& [w, h] : {std::pair{0, 10}, std::pair{10, 0}, std::pair{0, 0}}) {
        DibView view;
        view.width = w;
        view.height = h;
        VectorSink sink;
        WriteJpeg(sink, view);
        EXPECT_EQ(sink.writes, 0);
    }
}

// libjpeg's own failure comes back as "JPEG error #<code>" and no data.
TEST(JpegEncoder, LibjpegErrorBecomesErrorWithCode)
{
    TestDib dib(70000, 1, 24);  // wider than JPEG allows (65500)
    VectorSink sink;
    try {
        WriteJpeg(sink, dib.View());
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), "JPEG error #" + std::to_string(JERR_IMAGE_TOO_BIG));
    }
    EXPECT_EQ(sink.writes, 0);
    // The compressor was torn down cleanly: the next picture encodes.
    TestDib small(8, 8, 24);
    EXPECT_TRUE(test::DecodeJpeg(EncodeJpeg(small)).ok);
}

TEST(JpegEncoder, RejectsOtherDepthsAndShortWrites)
{
    TestDib dib(8, 8, 32);
    VectorSink sink;
    EXPECT_THROW(WriteJpeg(sink, dib.View()), Error);

    TestDib colour(40, 40, 24);
    colour.FillNoise(9);
    test::FullDiskSink full(100);
    try {
        WriteJpeg(full, colour.View());
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Stream write error");
    }
}

}  // namespace
}  // namespace snaplark
