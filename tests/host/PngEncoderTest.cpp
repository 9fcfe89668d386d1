#include <gtest/gtest.h>

#include <zlib.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "capture/CaptureError.h"
#include "capture/PngEncoder.h"
#include "TestImages.h"

namespace snaplark {
namespace {

using test::ParsePngChunks;
using test::PngChunk;
using test::TestDib;

std::vector<std::uint8_t> EncodePng(const DibView& view, const DeflateThreads& threads = {})
{
    VectorSink sink;
    WritePng(sink, view, threads);
    return sink.bytes;
}

DeflateThreads Threads(unsigned threads, std::size_t stripeBytes = kDeflateStripeBytes)
{
    DeflateThreads t;
    t.threads = threads;
    t.stripeBytes = stripeBytes;
    return t;
}

// Workers that take a stripe and then get no time, as on a machine whose
// cores are all busy: each waits until its stripe is no longer wanted, or
// gives up after a while and counts that as a write that waited for it.
DeflateThreads Held(unsigned threads, std::size_t stripeBytes, std::atomic<int>& waitedFor)
{
    DeflateThreads t = Threads(threads, stripeBytes);
    t.stripeTaken = [&waitedFor](const std::function<bool()>& wanted) {
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (wanted())
            if (std::chrono::steady_clock::now() > giveUp) {
                ++waitedFor;
                return;
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
    };
    return t;
}

std::vector<std::uint8_t> JoinIdat(const std::vector<PngChunk>& chunks)
{
    std::vector<std::uint8_t> stream;
    for (const PngChunk& c : chunks)
        if (c.type == "IDAT")
            stream.insert(stream.end(), c.data.begin(), c.data.end());
    return stream;
}

std::vector<std::uint8_t> Inflate(const std::vector<std::uint8_t>& stream, std::size_t expected)
{
    std::vector<std::uint8_t> out(expected + 1);
    uLongf size = out.size();
    EXPECT_EQ(uncompress(out.data(), &size, stream.data(), stream.size()), Z_OK);
    out.resize(size);
    return out;
}

// Inflates the stream whole (zlib checks the Adler-32 at its end) and checks
// that it holds every row top to bottom, filter type 1 in front, Sub undone
// by hand giving the source row, and no padding.
void ExpectSubFilteredRows(const std::vector<std::uint8_t>& stream, const TestDib& dib)
{
    const std::size_t rowBytes = dib.bitCount == 24 ? 3 * dib.width : DibRowBytes(dib.width, dib.bitCount);
    const std::size_t expected = dib.height * (1 + rowBytes);
    const auto raw = Inflate(stream, expected);
    ASSERT_EQ(raw.size(), expected);
    const std::size_t p = dib.bitCount == 24 ? 3 : 1;
    for (int y = 0; y < dib.height; ++y) {
        const std::uint8_t* line = &raw[y * (1 + rowBytes)];
        ASSERT_EQ(line[0], 1) << "row " << y;
        const std::uint8_t* src = &dib.bits[(dib.height - 1 - y) * dib.stride];
        std::vector<std::uint8_t> row(line + 1, line + 1 + rowBytes);
        for (std::size_t i = p; i < rowBytes; ++i)
            row[i] = static_cast<std::uint8_t>(row[i] + row[i - p]);
        for (std::size_t i = 0; i < rowBytes; ++i) {
            const std::size_t s = dib.bitCount == 24 ? (i / 3) * 3 + (2 - i % 3) : i;
            ASSERT_EQ(row[i], src[s]) << "row " << y << " byte " << i;
        }
    }
}

// Chunk order, IHDR fields and, through libpng's decoding (which checks every
// CRC, the zlib stream and the filters), exact pixels: odd widths and junk in
// the row padding included.
TEST(PngEncoder, TruecolourDecodesToSamePixels)
{
    for (int width : {1, 3, 7, 13, 64}) {
        for (int height : {1, 2, 5}) {
            for (std::size_t extraStride : {std::size_t{0}, std::size_t{8}}) {
                SCOPED_TRACE(testing::Message() << width << "x" << height << " +" << extraStride);
                TestDib dib(width, height, 24, extraStride);
                dib.FillNoise(static_cast<unsigned>(width * 31 + height));
                const auto file = EncodePng(dib.View());

                const auto chunks = ParsePngChunks(file);
                ASSERT_GE(chunks.size(), 3u);
                EXPECT_EQ(chunks.front().type, "IHDR");
                EXPECT_EQ(chunks.back().type, "IEND");
                EXPECT_TRUE(chunks.back().data.empty());
                for (std::size_t i = 1; i + 1 < chunks.size(); ++i)
                    EXPECT_EQ(chunks[i].type, "IDAT");
                const std::vector<std::uint8_t> ihdr = {0, 0, 0, static_cast<std::uint8_t>(width), 0, 0, 0,
                                                        static_cast<std::uint8_t>(height), 8, 2, 0, 0, 0};
                EXPECT_EQ(chunks.front().data, ihdr);

                const auto decoded = test::DecodePng(file);
                ASSERT_TRUE(decoded.ok) << decoded.error;
                ASSERT_EQ(decoded.width, width);
                ASSERT_EQ(decoded.height, height);
                for (int y = 0; y < height; ++y)
                    for (int x = 0; x < width; ++x) {
                        const std::uint8_t* bgr = dib.Pixel24(x, y);
                        const std::uint8_t* rgb = decoded.At(x, y);
                        ASSERT_EQ(rgb[0], bgr[2]) << x << "," << y;
                        ASSERT_EQ(rgb[1], bgr[1]) << x << "," << y;
                        ASSERT_EQ(rgb[2], bgr[0]) << x << "," << y;
                    }
            }
        }
    }
}

// A PLTE of 2^B entries whatever the picture uses, and every pixel decoding to
// its colour-table entry.
TEST(PngEncoder, IndexedDecodesThroughFullPalette)
{
    for (int bpp : {1, 4, 8}) {
        for (int width : {1, 3, 7, 13}) {
            SCOPED_TRACE(testing::Message() << width << "x4@" << bpp);
            TestDib dib(width, 4, bpp);
            dib.FillNoise(static_cast<unsigned>(bpp * 100 + width));
            const auto file = EncodePng(dib.View());

            const auto chunks = ParsePngChunks(file);
            ASSERT_GE(chunks.size(), 4u);
            EXPECT_EQ(chunks[0].type, "IHDR");
            EXPECT_EQ(chunks[0].data[8], bpp);  // bit depth
            EXPECT_EQ(chunks[0].data[9], 3);    // indexed colour
            ASSERT_EQ(chunks[1].type, "PLTE");
            ASSERT_EQ(chunks[1].data.size(), 3u << bpp);
            for (std::size_t i = 0; i < (1u << bpp); ++i) {
                EXPECT_EQ(chunks[1].data[3 * i + 0], dib.colorTable[4 * i + 2]);
                EXPECT_EQ(chunks[1].data[3 * i + 1], dib.colorTable[4 * i + 1]);
                EXPECT_EQ(chunks[1].data[3 * i + 2], dib.colorTable[4 * i + 0]);
            }
            EXPECT_EQ(chunks[2].type, "IDAT");

            const auto decoded = test::DecodePng(file);
            ASSERT_TRUE(decoded.ok) << decoded.error;
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < width; ++x) {
                    const std::uint8_t* entry = &dib.colorTable[4 * dib.Index(x, y)];
                    const std::uint8_t* rgb = decoded.At(x, y);
                    ASSERT_EQ(rgb[0], entry[2]);
                    ASSERT_EQ(rgb[1], entry[1]);
                    ASSERT_EQ(rgb[2], entry[0]);
                }
        }
    }
}

// One zlib stream at level 7 with the default window (78 DA), every row
// carrying filter type 1, rows top to bottom, and no padding.
TEST(PngEncoder, ZlibStreamHoldsSubFilteredRows)
{
    struct Case { int w, h, bpp; };
    for (const Case c : {Case{13, 9, 24}, Case{7, 5, 8}, Case{13, 3, 4}, Case{9, 3, 1}}) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << "@" << c.bpp);
        TestDib dib(c.w, c.h, c.bpp);
        dib.FillNoise(7);
        const auto stream = JoinIdat(ParsePngChunks(EncodePng(dib.View())));
        ASSERT_GE(stream.size(), 2u);
        EXPECT_EQ(stream[0], 0x78);
        EXPECT_EQ(stream[1], 0xDA);

        ExpectSubFilteredRows(stream, dib);
    }
}

// Rows that repeat every few rows, so deflate finds matches reaching back
// into earlier stripes.
void RepeatRows(TestDib& dib, int period)
{
    for (int y = period; y < dib.height; ++y)
        std::copy_n(&dib.bits[(y % period) * dib.stride], dib.stride, &dib.bits[y * dib.stride]);
}

// libpng decodes the file to the DIB's pixels, through the palette when indexed.
void ExpectDecodesTo(const std::vector<std::uint8_t>& file, const TestDib& dib)
{
    const auto decoded = test::DecodePng(file);
    ASSERT_TRUE(decoded.ok) << decoded.error;
    ASSERT_EQ(decoded.width, dib.width);
    ASSERT_EQ(decoded.height, dib.height);
    for (int y = 0; y < dib.height; ++y)
        for (int x = 0; x < dib.width; ++x) {
            const std::uint8_t* bgr = dib.bitCount == 24
                                          ? &dib.bits[(dib.height - 1 - y) * dib.stride + 3 * x]
                                          : &dib.colorTable[4 * dib.Index(x, y)];
            const std::uint8_t* rgb = decoded.At(x, y);
            ASSERT_TRUE(rgb[0] == bgr[2] && rgb[1] == bgr[1] && rgb[2] == bgr[0]) << x << "," << y;
        }
}

// Stripes lie where the picture alone puts them, so the file is the same on
// any number of threads, also when the workers get no time and the calling
// thread never waits for them; and it is one zlib stream: it inflates whole with
// its Adler-32, libpng decodes it to exact pixels, and the chunks stay
// 65535 bytes. Stripes of one row or a few, odd widths and every depth put
// stripe ends at every point of the chunks; repeated rows make deflate reach
// back into the stripe before, through its dictionary.
TEST(PngEncoder, StripesGiveOneStreamAndTheSameFileOnAnyThreads)
{
    struct Case { int w, h, bpp, period; std::size_t stripeBytes; };
    for (const Case c : {Case{301, 97, 24, 0, 1}, Case{301, 97, 24, 5, 1}, Case{257, 160, 24, 0, 20000},
                         Case{257, 160, 24, 3, 5000}, Case{333, 61, 8, 4, 1000}, Case{99, 40, 4, 0, 1},
                         Case{999, 50, 1, 7, 300}}) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << "@" << c.bpp << " repeating " << c.period
                                        << ", stripes of " << c.stripeBytes);
        TestDib dib(c.w, c.h, c.bpp, 4);
        dib.FillNoise(static_cast<unsigned>(c.w + c.h));
        if (c.period != 0)
            RepeatRows(dib, c.period);
        const auto file = EncodePng(dib.View(), Threads(1, c.stripeBytes));
        for (unsigned threads : {2u, 3u, 8u})
            ASSERT_EQ(EncodePng(dib.View(), Threads(threads, c.stripeBytes)), file) << threads << " threads";
        std::atomic<int> waitedFor{0};
        ASSERT_EQ(EncodePng(dib.View(), Held(4, c.stripeBytes, waitedFor)), file) << "held workers";
        EXPECT_EQ(waitedFor, 0) << "the write waited for a held worker";

        ExpectDecodesTo(file, dib);
        const auto chunks = ParsePngChunks(file);
        const auto stream = JoinIdat(chunks);
        ASSERT_GE(stream.size(), 2u);
        EXPECT_EQ(stream[0], 0x78);
        EXPECT_EQ(stream[1], 0xDA);
        ExpectSubFilteredRows(stream, dib);
        std::vector<std::size_t> sizes;
        for (const PngChunk& chunk : chunks)
            if (chunk.type == "IDAT")
                sizes.push_back(chunk.data.size());
        for (std::size_t i = 0; i + 1 < sizes.size(); ++i)
            EXPECT_EQ(sizes[i], 65535u) << "IDAT " << i;
        // Without the rows before it as dictionary, a stripe of one repeated
        // row would not shrink at all.
        if (c.period != 0)
            EXPECT_LT(stream.size(), dib.bits.size() / 4);
    }
}

// Rows of less than two stripes stay one stream on the calling thread, byte
// for byte what zlib's own compress2 at level 7 (window 15, memory level 8,
// default strategy) makes of them, as before the writer used every core;
// larger pictures go to a worker beside the calling thread.
TEST(PngEncoder, SmallPicturesStayOneStreamOnTheCallingThread)
{
    struct Case { int w, h; bool parallel; };
    for (const Case c : {Case{640, 480, false}, Case{605, 577, false}, Case{800, 600, true}}) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h);
        TestDib dib(c.w, c.h, 24);
        dib.FillNoise(5);
        RepeatRows(dib, 9);
        std::atomic<int> started{0};
        DeflateThreads threads = Threads(2);
        threads.workerStart = [&] { ++started; };
        const auto stream = JoinIdat(ParsePngChunks(EncodePng(dib.View(), threads)));
        if (!c.parallel)
            EXPECT_EQ(started, 0) << "a thread started for one stream";

        const auto raw = Inflate(stream, c.h * (1 + 3 * c.w));
        std::vector<std::uint8_t> single(compressBound(raw.size()));
        uLongf size = single.size();
        ASSERT_EQ(compress2(single.data(), &size, raw.data(), raw.size(), 7), Z_OK);
        single.resize(size);
        EXPECT_EQ(stream == single, !c.parallel);
    }
}

// An error on any thread is the writer's error, raised once every thread
// has ended, even when the others could get the whole picture done: at a
// worker's start, or in the middle of a stripe while others are at work on
// theirs. And the stream never gets its end, so no reader takes it for a
// whole picture.
TEST(PngEncoder, AnErrorOnAnyThreadIsTheWritersError)
{
    constexpr std::size_t kRows = 100, kRowBytes = 601;  // 200 pixels and the filter byte
    struct Case {
        const char* where;
        int failingWorker;     // at its start: 1 the first, 2 the second; 0 none
        std::size_t failingRow;  // while it is made for a stripe; kRows for none
    };
    for (const Case c : {Case{"the first worker at its start", 1, kRows},
                         Case{"the second worker at its start", 2, kRows},
                         Case{"inside the first stripe", 0, 1},
                         Case{"inside the last stripe", 0, kRows - 2}}) {
        SCOPED_TRACE(c.where);
        std::atomic<int> started{0};
        DeflateThreads threads = Threads(3, 10 * kRowBytes);  // ten stripes, two workers
        threads.workerStart = [&] {
            const int n = ++started;
            // The pause only gives the other threads time to finish the whole
            // picture alone; the writer must fail with or without it.
            if (n == 2)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            if (n == c.failingWorker)
                throw Error("Out of memory");
        };
        RowSource rows;
        rows.count = kRows;
        rows.bytes = kRowBytes;
        rows.fill = [&](std::size_t index, std::uint8_t* out) {
            if (index == c.failingRow)
                throw Error("Out of memory");
            for (std::size_t k = 0; k < kRowBytes; ++k)
                out[k] = static_cast<std::uint8_t>((index * 7919 + k * 104729) >> 3);
        };
        VectorSink sink;
        sink.Write("\x89PNG\r\n\x1a\n", 8);
        IdatChunker chunks(sink);
        try {
            DeflateRows(rows, chunks, threads);
            ADD_FAILURE() << "no error";
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), "Out of memory");
        }
        const auto stream = JoinIdat(ParsePngChunks(sink.bytes));
        z_stream z{};
        ASSERT_EQ(inflateInit(&z), Z_OK);
        std::vector<std::uint8_t> out(kRows * kRowBytes);
        z.next_in = const_cast<Bytef*>(stream.data());
        z.avail_in = static_cast<uInt>(stream.size());
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        EXPECT_NE(inflate(&z, Z_FINISH), Z_STREAM_END) << "the stream was ended";
        inflateEnd(&z);
    }
}

// Noise does not compress, so 256x200 truecolour gives more than two full
// chunks of compressed data.
TEST(PngEncoder, SplitsIdatAtExactly65535Bytes)
{
    TestDib dib(256, 200, 24);
    dib.FillNoise(1);
    const auto file = EncodePng(dib.View());
    const auto chunks = ParsePngChunks(file);

    std::vector<std::size_t> sizes;
    for (const PngChunk& c : chunks)
        if (c.type == "IDAT")
            sizes.push_back(c.data.size());
    ASSERT_GE(sizes.size(), 3u);
    for (std::size_t i = 0; i + 1 < sizes.size(); ++i)
        EXPECT_EQ(sizes[i], 65535u);
    EXPECT_GT(sizes.back(), 0u);
    EXPECT_LE(sizes.back(), 65535u);
    EXPECT_TRUE(test::DecodePng(file).ok);
}

TEST(IdatChunker, CutsStreamIntoFullChunksAndNoEmptyOne)
{
    struct Case { std::size_t total, piece; std::vector<std::size_t> expected; };
    for (const Case& c : {Case{150000, 1000, {65535, 65535, 18930}}, Case{150000, 150000, {65535, 65535, 18930}},
                          Case{131070, 4096, {65535, 65535}}, Case{1, 1, {1}}, Case{0, 1, {}}}) {
        SCOPED_TRACE(testing::Message() << c.total << " in pieces of " << c.piece);
        std::vector<std::uint8_t> data(c.total);
        for (std::size_t i = 0; i < data.size(); ++i)
            data[i] = static_cast<std::uint8_t>(i * 2654435761u >> 13);

        VectorSink sink;
        IdatChunker chunker(sink);
        for (std::size_t at = 0; at < c.total; at += c.piece)
            chunker.Put(data.data() + at, std::min(c.piece, c.total - at));
        chunker.Finish();

        // Each chunk leaves in one write: length, type, data, CRC over type and data.
        EXPECT_EQ(sink.writes, static_cast<int>(c.expected.size()));
        std::vector<std::uint8_t> file(8, 0);
        file.insert(file.end(), sink.bytes.begin(), sink.bytes.end());
        const auto chunks = ParsePngChunks(file);
        ASSERT_EQ(chunks.size(), c.expected.size());
        std::vector<std::uint8_t> joined;
        for (std::size_t i = 0; i < chunks.size(); ++i) {
            EXPECT_EQ(chunks[i].type, "IDAT");
            EXPECT_EQ(chunks[i].data.size(), c.expected[i]);
            uLong crc = crc32(0, reinterpret_cast<const Bytef*>("IDAT"), 4);
            crc = crc32(crc, chunks[i].data.data(), static_cast<uInt>(chunks[i].data.size()));
            EXPECT_EQ(chunks[i].crc, crc);
            joined.insert(joined.end(), chunks[i].data.begin(), chunks[i].data.end());
        }
        EXPECT_EQ(joined, data);
    }
}

TEST(PngEncoder, FixedChunksHaveStandardBytes)
{
    TestDib dib(2, 1, 24);
    const auto file = EncodePng(dib.View());
    const std::vector<std::uint8_t> signature = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    EXPECT_TRUE(std::equal(signature.begin(), signature.end(), file.begin()));
    // IEND is always the same 12 bytes (its CRC is AE 42 60 82).
    const std::vector<std::uint8_t> iend = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
    EXPECT_TRUE(std::equal(iend.begin(), iend.end(), file.end() - 12));
}

// A bitmap of width or height 0 gives an empty file, like BMP and JPEG.
TEST(PngEncoder, EmptyBitmapWritesNothing)
{
    for (int bpp : {24, 8}) {
        for (const auto& [w, h] : {std::pair{0, 10}, std::pair{10, 0}, std::pair{0, 0}}) {
            DibView view;
            view.width = w;
            view.height = h;
            view.bitCount = bpp;
            VectorSink sink;
            WritePng(sink, view);
            EXPECT_EQ(sink.writes, 0);
        }
    }
}

TEST(PngEncoder, RejectsInconsistentInputBeforeWriting)
{
    TestDib dib(8, 2, 24);
    VectorSink sink;
    DibView view = dib.View();
    view.bitCount = 32;
    EXPECT_THROW(WritePng(sink, view), Error);
    view = dib.View();
    view.stride = 23;  // shorter than 8 pixels of 3 bytes
    EXPECT_THROW(WritePng(sink, view), Error);
    TestDib indexed(8, 2, 8);
    view = indexed.View();
    view.colorTable = nullptr;
    EXPECT_THROW(WritePng(sink, view), Error);
    EXPECT_EQ(sink.writes, 0);
}

// A sink that runs out of room ends the writer with its error at every point
// of the file, never with a silent success.
TEST(PngEncoder, ShortWritePropagates)
{
    TestDib dib(256, 200, 24);
    dib.FillNoise(3);
    // One stream, and stripes on worker threads that must all be stopped.
    for (const DeflateThreads& threads : {Threads(1), Threads(3, 4000)}) {
        const std::size_t full = EncodePng(dib.View(), threads).size();
        for (std::size_t room : {std::size_t{0}, std::size_t{40}, std::size_t{70000}, full - 1}) {
            test::FullDiskSink sink(room);
            try {
                WritePng(sink, dib.View(), threads);
                ADD_FAILURE() << "no error with room for " << room << " bytes";
            } catch (const Error& e) {
                EXPECT_STREQ(e.what(), "Stream write error");
            }
        }
    }
}

}  // namespace
}  // namespace snaplark
