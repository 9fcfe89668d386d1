#include <gtest/gtest.h>

#include "capture/BmpLayout.h"
#include "capture/CaptureError.h"
#include "TestImages.h"

namespace snaplark {
namespace {

std::uint32_t LE32(const std::uint8_t* p)
{
    return p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}
std::uint16_t LE16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

struct HeaderCase {
    int width, height, bitCount;
    bool bitFields;
    std::uint32_t stride, imageSize, fileSize, pixelOffset, colorCount;
};

class BmpHeaderTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(BmpHeaderTest, FieldsAndBytes)
{
    const HeaderCase c = GetParam();
    const BmpLayout l = ComputeBmpLayout(c.width, c.height, c.bitCount, c.bitFields);
    EXPECT_EQ(l.stride, c.stride);
    EXPECT_EQ(l.imageSize, c.imageSize);
    EXPECT_EQ(l.fileSize, c.fileSize);
    EXPECT_EQ(l.pixelOffset, c.pixelOffset);
    EXPECT_EQ(l.colorCount, c.colorCount);

    const auto fh = SerializeBmpFileHeader(l);
    EXPECT_EQ(fh[0], 'B');
    EXPECT_EQ(fh[1], 'M');
    EXPECT_EQ(LE32(&fh[2]), c.fileSize);
    EXPECT_EQ(LE32(&fh[6]), 0u);  // both reserved words
    EXPECT_EQ(LE32(&fh[10]), c.pixelOffset);

    const auto ih = SerializeBmpInfoHeader(l);
    EXPECT_EQ(LE32(&ih[0]), 40u);
    EXPECT_EQ(static_cast<std::int32_t>(LE32(&ih[4])), c.width);
    EXPECT_EQ(static_cast<std::int32_t>(LE32(&ih[8])), c.height);  // positive: bottom-up
    EXPECT_EQ(LE16(&ih[12]), 1);
    EXPECT_EQ(LE16(&ih[14]), c.bitCount);
    EXPECT_EQ(LE32(&ih[16]), c.bitFields ? 3u : 0u);
    EXPECT_EQ(LE32(&ih[20]), c.imageSize);
    EXPECT_EQ(LE32(&ih[24]), 0u);
    EXPECT_EQ(LE32(&ih[28]), 0u);
    EXPECT_EQ(LE32(&ih[32]), c.colorCount);
    EXPECT_EQ(LE32(&ih[36]), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    KnownLayouts, BmpHeaderTest,
    ::testing::Values(HeaderCase{200, 200, 32, false, 800, 160000, 160054, 54, 0},
                      HeaderCase{201, 100, 24, false, 604, 60400, 60454, 54, 0},
                      HeaderCase{1024, 768, 16, true, 2048, 1572864, 1572930, 66, 0},
                      HeaderCase{640, 480, 8, false, 640, 307200, 308278, 1078, 256},
                      HeaderCase{3, 2, 1, false, 4, 8, 70, 62, 2},
                      HeaderCase{3, 2, 4, false, 4, 8, 126, 118, 16}));

TEST(BmpLayout, RejectsWhatNoHeaderCanDescribe)
{
    EXPECT_THROW(ComputeBmpLayout(10, 10, 12, false), Error);
    EXPECT_THROW(ComputeBmpLayout(10, 10, 24, true), Error);  // bit fields only at 16 bits
    EXPECT_THROW(ComputeBmpLayout(-1, 10, 24, false), Error);
    // 17 GB of pixels would overflow bfSize; never write a header that lies.
    EXPECT_THROW(ComputeBmpLayout(65535, 65535, 32, false), Error);
}

// The whole file: header, masks, colour table and pixels in at most five
// writes, adding up to bfSize, the pixels unchanged.
TEST(BmpWriter, FileMatchesLayout)
{
    struct Case { int w, h, bpp; bool bitFields; int writes; };
    for (const Case c : {Case{7, 5, 24, false, 3}, Case{13, 4, 32, false, 3}, Case{9, 3, 16, true, 4},
                         Case{9, 3, 16, false, 3}, Case{11, 6, 8, false, 4}, Case{5, 2, 1, false, 4},
                         Case{5, 2, 4, false, 4}}) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << "@" << c.bpp);
        test::TestDib dib(c.w, c.h, c.bpp);
        dib.FillNoise(42);
        DibView view = dib.View();
        view.bitFields = c.bitFields;

        VectorSink sink;
        WriteBmp(sink, view);
        EXPECT_EQ(sink.writes, c.writes);
        EXPECT_LE(sink.writes, 5);

        const BmpLayout l = ComputeBmpLayout(c.w, c.h, c.bpp, c.bitFields);
        ASSERT_EQ(sink.bytes.size(), l.fileSize);
        std::size_t pos = 54;
        if (c.bitFields) {
            EXPECT_EQ(LE32(&sink.bytes[54]), 0xF800u);
            EXPECT_EQ(LE32(&sink.bytes[58]), 0x07E0u);
            EXPECT_EQ(LE32(&sink.bytes[62]), 0x001Fu);
            pos += 12;
        }
        for (std::uint32_t i = 0; i < l.colorCount; ++i, pos += 4) {
            EXPECT_EQ(sink.bytes[pos + 0], dib.colorTable[4 * i + 0]);
            EXPECT_EQ(sink.bytes[pos + 1], dib.colorTable[4 * i + 1]);
            EXPECT_EQ(sink.bytes[pos + 2], dib.colorTable[4 * i + 2]);
            EXPECT_EQ(sink.bytes[pos + 3], 0);
        }
        ASSERT_EQ(pos, l.pixelOffset);
        EXPECT_TRUE(std::equal(dib.bits.begin(), dib.bits.end(), sink.bytes.begin() + pos));
    }
}

TEST(BmpWriter, EmptyBitmapWritesNothing)
{
    for (const auto& [w, h] : {std::pair{0, 10}, std::pair{10, 0}, std::pair{0, 0}}) {
        DibView view;
        view.width = w;
        view.height = h;
        view.bitCount = 32;
        VectorSink sink;
        WriteBmp(sink, view);
        EXPECT_EQ(sink.writes, 0);
        EXPECT_TRUE(sink.bytes.empty());
    }
}

TEST(BmpWriter, RefusesRowsThatAreNotOneBlock)
{
    test::TestDib dib(7, 3, 24, 4);  // stride larger than the DIB's
    VectorSink sink;
    EXPECT_THROW(WriteBmp(sink, dib.View()), Error);
    EXPECT_TRUE(sink.bytes.empty());
}

}  // namespace
}  // namespace snaplark
