// Encoder speed on real 1920x1080 pictures (Debian's desktop-base wallpapers),
// a synthetic desktop and a 3840x2160 picture: ours against libpng and
// libjpeg-turbo driven directly at the same settings, BMP against one plain
// fwrite. Then a summary of interleaved best-of-N timings (the PNG writer on
// 1, 2 and all cores, and on all cores with workers that get no time), sizes
// and the PNG writer's peak memory.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <png.h>
#include <zlib.h>

#include <cstdio>
#include <jpeglib.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "capture/BmpLayout.h"
#include "capture/CaptureError.h"
#include "capture/JpegEncoder.h"
#include "capture/PngEncoder.h"

using namespace snaplark;

// ---- allocation counting: every malloc of the process while enabled --------

extern "C" void* __libc_malloc(std::size_t);
extern "C" void* __libc_calloc(std::size_t, std::size_t);
extern "C" void* __libc_realloc(void*, std::size_t);
extern "C" void __libc_free(void*);

namespace {
std::atomic<bool> g_counting{false};
// The PNG writer's worker threads allocate too.
std::atomic<long long> g_current{0};
std::atomic<long long> g_peak{0};

void Count(void* p, bool add)
{
    if (p == nullptr || !g_counting.load(std::memory_order_relaxed))
        return;
    const long long n = static_cast<long long>(malloc_usable_size(p));
    const long long now = (g_current += add ? n : -n);
    long long peak = g_peak.load();
    while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
    }
}
}  // namespace

extern "C" void* malloc(std::size_t n)
{
    void* p = __libc_malloc(n);
    Count(p, true);
    return p;
}
extern "C" void* calloc(std::size_t n, std::size_t m)
{
    void* p = __libc_calloc(n, m);
    Count(p, true);
    return p;
}
extern "C" void* realloc(void* old, std::size_t n)
{
    Count(old, false);
    void* p = __libc_realloc(old, n);
    Count(p, true);
    return p;
}
extern "C" void free(void* p)
{
    Count(p, false);
    __libc_free(p);
}

namespace {

// ---- pictures ---------------------------------------------------------------

struct Picture {
    std::string name;
    int width = 0;
    int height = 0;
    std::size_t stride = 0;
    std::vector<std::uint8_t> bits;  // 24-bit bottom-up DIB rows

    DibView View() const
    {
        DibView v;
        v.width = width;
        v.height = height;
        v.bitCount = 24;
        v.bits = bits.data();
        v.stride = stride;
        return v;
    }
    double Megapixels() const { return width * static_cast<double>(height) / 1e6; }
};

bool LoadPng(const std::filesystem::path& path, Picture& out)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return false;
    image.format = PNG_FORMAT_BGR;
    if (image.width != 1920 || image.height != 1080) {
        png_image_free(&image);
        return false;
    }
    std::vector<std::uint8_t> top(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, top.data(), 0, nullptr))
        return false;
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    out.stride = DibStride(out.width, 24);
    out.bits.assign(out.stride * out.height, 0);
    for (int y = 0; y < out.height; ++y)
        std::memcpy(&out.bits[(out.height - 1 - y) * out.stride], &top[y * 3 * out.width], 3 * out.width);
    return true;
}

// Flat windows with title bars, borders, buttons and lines of text-like
// glyphs on a plain desktop: what most screenshots look like.
Picture MakeDesktop()
{
    Picture p;
    p.name = "synthetic-desktop";
    p.width = 1920;
    p.height = 1080;
    p.stride = DibStride(p.width, 24);
    p.bits.assign(p.stride * p.height, 0);
    auto set = [&](int x, int y, std::uint32_t rgb) {
        if (x < 0 || y < 0 || x >= p.width || y >= p.height)
            return;
        std::uint8_t* q = &p.bits[(p.height - 1 - y) * p.stride + 3 * x];
        q[0] = rgb & 0xFF;
        q[1] = (rgb >> 8) & 0xFF;
        q[2] = (rgb >> 16) & 0xFF;
    };
    auto rect = [&](int x0, int y0, int x1, int y1, std::uint32_t rgb) {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                set(x, y, rgb);
    };
    std::mt19937 rng(2024);
    rect(0, 0, 1920, 1080, 0x3A6EA5);
    rect(0, 1040, 1920, 1080, 0xD4D0C8);  // taskbar
    for (int i = 0; i < 8; ++i)
        rect(4 + 160 * i, 1044, 156 + 160 * i, 1076, i == 2 ? 0xFFFFFF : 0xC0C0C0);
    const int windows[][4] = {{60, 40, 1100, 760}, {700, 200, 1800, 980}, {200, 500, 900, 1000}};
    for (const auto& w : windows) {
        rect(w[0], w[1], w[2], w[3], 0x808080);
        rect(w[0] + 2, w[1] + 2, w[2] - 2, w[3] - 2, 0xD4D0C8);
        for (int x = w[0] + 3; x < w[2] - 3; ++x) {  // title bar gradient
            const int t = 255 * (x - w[0]) / (w[2] - w[0]);
            rect(x, w[1] + 3, x + 1, w[1] + 24, (10 + t / 3) << 16 | (36 + t / 2) << 8 | (106 + t / 2));
        }
        for (int b = 0; b < 3; ++b)
            rect(w[2] - 70 + 22 * b, w[1] + 6, w[2] - 52 + 22 * b, w[1] + 21, 0xD4D0C8);
        rect(w[0] + 6, w[1] + 50, w[2] - 6, w[3] - 6, 0xFFFFFF);
        for (int y = w[1] + 58; y + 12 < w[3] - 6; y += 16) {  // lines of "text"
            int x = w[0] + 12;
            const int end = w[2] - 20 - static_cast<int>(rng() % 200);
            while (x < end) {
                const int letters = 2 + static_cast<int>(rng() % 9);
                for (int l = 0; l < letters && x < end; ++l, x += 7) {
                    const unsigned glyph = rng();
                    for (int s = 0; s < 6; ++s) {  // a few strokes per letter
                        if (!(glyph >> s & 1))
                            continue;
                        if (s < 3)
                            rect(x + 2 * s, y + (s == 1 ? 3 : 0), x + 2 * s + 1, y + 9, 0x000000);
                        else
                            rect(x, y + 3 * (s - 3), x + 5, y + 3 * (s - 3) + 1, 0x000000);
                    }
                }
                x += 5;
            }
        }
    }
    return p;
}

// Twice the size each way, interpolated: a photo-like 3840x2160 screen.
Picture Upscale(const Picture& s, const std::string& name)
{
    Picture p;
    p.name = name;
    p.width = 2 * s.width;
    p.height = 2 * s.height;
    p.stride = DibStride(p.width, 24);
    p.bits.assign(p.stride * p.height, 0);
    for (int y = 0; y < p.height; ++y) {
        const int y0 = y / 2, y1 = std::min(y0 + y % 2, s.height - 1);
        for (int x = 0; x < p.width; ++x) {
            const int x0 = x / 2, x1 = std::min(x0 + x % 2, s.width - 1);
            for (int c = 0; c < 3; ++c) {
                const int sum = s.bits[y0 * s.stride + 3 * x0 + c] + s.bits[y0 * s.stride + 3 * x1 + c] +
                                s.bits[y1 * s.stride + 3 * x0 + c] + s.bits[y1 * s.stride + 3 * x1 + c];
                p.bits[y * p.stride + 3 * x + c] = static_cast<std::uint8_t>((sum + 2) / 4);
            }
        }
    }
    return p;
}

std::vector<Picture> LoadPictures()
{
    std::vector<Picture> pictures;
    std::set<std::filesystem::path> seen;
    const std::filesystem::path root = "/usr/share/desktop-base";
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() < 8 || name.compare(name.size() - 8, 8, "16x9.png") != 0)
            continue;
        const auto real = std::filesystem::canonical(it->path(), ec);
        if (ec || !seen.insert(real).second)
            continue;
        Picture p;
        if (!LoadPng(real, p))
            continue;
        p.name = std::filesystem::relative(real, root).string();
        pictures.push_back(std::move(p));
    }
    std::sort(pictures.begin(), pictures.end(), [](const Picture& a, const Picture& b) { return a.name < b.name; });
    pictures.push_back(MakeDesktop());
    for (const Picture& p : pictures)
        if (p.name.rfind("softwaves", 0) == 0) {
            pictures.push_back(Upscale(p, "softwaves 2x, 3840x2160"));
            break;
        }
    return pictures;
}

// ---- sinks and reference encoders -------------------------------------------

// Appends to a buffer that keeps its capacity between runs.
struct BufferSink : ByteSink {
    std::vector<std::uint8_t> bytes;
    void Write(const void* data, std::size_t size) override
    {
        const auto* p = static_cast<const std::uint8_t*>(data);
        bytes.insert(bytes.end(), p, p + size);
    }
};

// Counts bytes only, so the memory figure is the encoder's alone.
struct CountingSink : ByteSink {
    std::size_t size = 0;
    void Write(const void*, std::size_t n) override { size += n; }
};

struct FileSink : ByteSink {
    std::FILE* file;
    explicit FileSink(std::FILE* f) : file(f) {}
    void Write(const void* data, std::size_t size) override
    {
        if (std::fwrite(data, 1, size, file) != size)
            throw Error("Stream write error");
    }
};

void LibpngWrite(png_structp png, png_bytep data, png_size_t size)
{
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + size);
}
void LibpngFlush(png_structp) {}

// libpng at our settings: Sub only, level 7, window 15, memory level 8, the
// default strategy (libpng would otherwise pick Z_FILTERED), 65535-byte IDAT.
void LibpngEncode(const Picture& p, std::vector<std::uint8_t>& out)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        std::fprintf(stderr, "libpng failed\n");
        std::abort();
    }
    png_set_write_fn(png, &out, LibpngWrite, LibpngFlush);
    png_set_IHDR(png, info, p.width, p.height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    png_set_compression_level(png, 7);
    png_set_compression_mem_level(png, 8);
    png_set_compression_window_bits(png, 15);
    png_set_compression_strategy(png, Z_DEFAULT_STRATEGY);
    png_set_compression_buffer_size(png, 65535);
    png_write_info(png, info);
    png_set_bgr(png);
    for (int y = p.height - 1; y >= 0; --y)
        png_write_row(png, const_cast<png_bytep>(&p.bits[y * p.stride]));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
}

// libjpeg-turbo on its own: same settings, its memory destination.
void LibjpegEncode(const Picture& p, std::vector<std::uint8_t>& out)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = p.width;
    cinfo.image_height = p.height;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 70, TRUE);
    cinfo.dct_method = JDCT_FLOAT;
    cinfo.comp_info[0].h_samp_factor = cinfo.comp_info[0].v_samp_factor = 2;
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPROW> rows(p.height);
    for (int y = 0; y < p.height; ++y)
        rows[y] = const_cast<JSAMPROW>(&p.bits[(p.height - 1 - y) * p.stride]);
    jpeg_write_scanlines(&cinfo, rows.data(), p.height);
    jpeg_finish_compress(&cinfo);
    out.assign(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
}

std::vector<std::uint8_t> BmpBytes(const Picture& p)
{
    BufferSink sink;
    WriteBmp(sink, p.View());
    return sink.bytes;
}

std::FILE* ScratchFile()
{
    std::FILE* f = std::tmpfile();
    if (f == nullptr) {
        std::perror("tmpfile");
        std::exit(1);
    }
    return f;
}

// ---- Google Benchmark cases -------------------------------------------------

std::vector<Picture> g_pictures;

void SetRate(benchmark::State& state, const Picture& p)
{
    state.counters["MP/s"] = benchmark::Counter(p.Megapixels(), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_PngOurs(benchmark::State& state, const Picture* p)
{
    BufferSink sink;
    sink.bytes.reserve(p->bits.size());
    for (auto _ : state) {
        sink.bytes.clear();
        WritePng(sink, p->View());
    }
    SetRate(state, *p);
}

void BM_PngLibpng(benchmark::State& state, const Picture* p)
{
    std::vector<std::uint8_t> out;
    out.reserve(p->bits.size());
    for (auto _ : state) {
        out.clear();
        LibpngEncode(*p, out);
    }
    SetRate(state, *p);
}

void BM_JpegOurs(benchmark::State& state, const Picture* p)
{
    BufferSink sink;
    sink.bytes.reserve(p->bits.size());
    for (auto _ : state) {
        sink.bytes.clear();
        WriteJpeg(sink, p->View());
    }
    SetRate(state, *p);
}

void BM_JpegLibjpeg(benchmark::State& state, const Picture* p)
{
    std::vector<std::uint8_t> out;
    for (auto _ : state)
        LibjpegEncode(*p, out);
    SetRate(state, *p);
}

void BM_BmpOurs(benchmark::State& state, const Picture* p)
{
    std::FILE* f = ScratchFile();
    FileSink sink(f);
    for (auto _ : state) {
        std::rewind(f);
        WriteBmp(sink, p->View());
        std::fflush(f);
    }
    std::fclose(f);
    SetRate(state, *p);
}

void BM_BmpFwrite(benchmark::State& state, const Picture* p)
{
    const auto bytes = BmpBytes(*p);
    std::FILE* f = ScratchFile();
    for (auto _ : state) {
        std::rewind(f);
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fflush(f);
    }
    std::fclose(f);
    SetRate(state, *p);
}

// ---- summary: interleaved best-of-N, so both sides see the same machine -----

template <class F>
double Seconds(F&& f)
{
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Best time of each function over `rounds` rounds, the functions taking turns.
template <class... F>
std::array<double, sizeof...(F)> BestOf(int rounds, F&&... f)
{
    std::array<double, sizeof...(F)> best;
    best.fill(1e9);
    for (int i = 0; i < rounds; ++i) {
        std::size_t k = 0;
        ((best[k] = std::min(best[k], Seconds(f)), ++k), ...);
    }
    return best;
}

std::size_t g_stripeBytes = kDeflateStripeBytes;

DeflateThreads OnCores(unsigned threads)
{
    DeflateThreads t;
    t.threads = threads;
    t.stripeBytes = g_stripeBytes;
    return t;
}

// All cores, but each worker, once it has taken a stripe, gets no time until
// the stripe is no longer wanted: a machine whose cores another program keeps
// busy, with the workers below it.
DeflateThreads HeldBack()
{
    DeflateThreads t = OnCores(0);
    t.stripeTaken = [](const std::function<bool()>& wanted) {
        while (wanted())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    return t;
}

// Peak memory above what existed before the call, the pixels excluded (they
// are the caller's).
template <class F>
long long PeakOf(F&& f)
{
    g_current = 0;
    g_peak = 0;
    g_counting = true;
    f();
    g_counting = false;
    return g_peak;
}

void PngSummary(int rounds)
{
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    std::printf("\nPNG (best of %d interleaved runs; ratio = ours / libpng time; stripes of %zu KiB; "
                "%u cores)\n", rounds, g_stripeBytes / 1024, cores);
    std::printf("%-32s %8s %8s %6s %8s %6s %8s %6s %8s %6s %9s %5s %8s\n", "picture", "libpng", "1 core",
                "ratio", "2 cores", "ratio", "all", "ratio", "held", "/1core", "size diff", "same", "peak KiB");
    double total[5] = {};
    for (const Picture& p : g_pictures) {
        std::vector<std::uint8_t> ref;
        ref.reserve(p.bits.size());
        BufferSink one, two, all, held;
        for (BufferSink* s : {&one, &two, &all, &held})
            s->bytes.reserve(p.bits.size());
        const auto t = BestOf(
            rounds, [&] { ref.clear(); LibpngEncode(p, ref); },
            [&] { one.bytes.clear(); WritePng(one, p.View(), OnCores(1)); },
            [&] { two.bytes.clear(); WritePng(two, p.View(), OnCores(2)); },
            [&] { all.bytes.clear(); WritePng(all, p.View(), OnCores(0)); },
            [&] { held.bytes.clear(); WritePng(held, p.View(), HeldBack()); });
        for (int i = 0; i < 5; ++i)
            total[i] += t[i];
        const double sizeDiff = 100.0 * (double(all.bytes.size()) - double(ref.size())) / double(ref.size());
        const bool same = one.bytes == two.bytes && two.bytes == all.bytes && all.bytes == held.bytes;
        CountingSink counting;
        const long long peak = PeakOf([&] { WritePng(counting, p.View(), OnCores(0)); });
        std::printf("%-32.32s %6.1fms %6.1fms %6.3f %6.1fms %6.3f %6.1fms %6.3f %6.1fms %6.3f %8.3f%% %5s %8lld\n",
                    p.name.c_str(), t[0] * 1e3, t[1] * 1e3, t[1] / t[0], t[2] * 1e3, t[2] / t[0], t[3] * 1e3,
                    t[3] / t[0], t[4] * 1e3, t[4] / t[1], sizeDiff, same ? "yes" : "NO", peak / 1024);
    }
    std::printf("%-32s %6.0fms %6.0fms %6.3f %6.0fms %6.3f %6.0fms %6.3f %6.0fms %6.3f\n", "all pictures",
                total[0] * 1e3, total[1] * 1e3, total[1] / total[0], total[2] * 1e3, total[2] / total[0],
                total[3] * 1e3, total[3] / total[0], total[4] * 1e3, total[4] / total[1]);
    std::printf("targets: all cores, softwaves 1920x1080 ratio <= 0.55, every other picture <= 1.00; "
                "size within +0.5%%; held workers: /1core about 1.00, never much above\n");
    std::printf("(held: all cores, each worker stopped once it has taken a stripe, as when no core is free; "
                "/1core = held / 1 core time)\n");
    std::printf("(same: the file is byte for byte the same on 1, 2 and all cores and with held workers)\n");

    // One thread, as the writer ran before it used every core.
    const Picture& first = g_pictures.front();
    CountingSink counting;
    const long long one = PeakOf([&] { WritePng(counting, first.View(), OnCores(1)); });
    std::vector<std::uint8_t> discard;
    discard.reserve(first.bits.size());
    const long long lib = PeakOf([&] { LibpngEncode(first, discard); });
    std::printf("PNG writer peak extra memory on %s: %lld KiB on 1 core (libpng: %lld KiB)\n",
                first.name.c_str(), one / 1024, lib / 1024);
}

void JpegBmpSummary(int rounds)
{
    std::printf("\nJPEG and BMP (best of %d interleaved runs; ratio = ours / reference time)\n", rounds);
    std::printf("%-42s %8s %8s %7s %8s %8s %7s\n", "picture", "jpg MP/s", "libjpeg", "ratio", "bmp MP/s",
                "fwrite", "ratio");
    double jpgOurs = 0, jpgRef = 0, bmpOurs = 0, bmpRef = 0, mp = 0;
    for (const Picture& p : g_pictures) {
        BufferSink sink;
        sink.bytes.reserve(p.bits.size());
        std::vector<std::uint8_t> ref;
        const auto jpg = BestOf(
            rounds, [&] { sink.bytes.clear(); WriteJpeg(sink, p.View()); }, [&] { LibjpegEncode(p, ref); });

        const auto bytes = BmpBytes(p);
        std::FILE* f = ScratchFile();
        FileSink fileSink(f);
        const auto bmp = BestOf(
            rounds, [&] { std::rewind(f); WriteBmp(fileSink, p.View()); std::fflush(f); },
            [&] { std::rewind(f); std::fwrite(bytes.data(), 1, bytes.size(), f); std::fflush(f); });
        std::fclose(f);

        const double m = p.Megapixels();
        std::printf("%-42s %8.1f %8.1f %7.3f %8.0f %8.0f %7.3f\n", p.name.c_str(), m / jpg[0], m / jpg[1],
                    jpg[0] / jpg[1], m / bmp[0], m / bmp[1], bmp[0] / bmp[1]);
        jpgOurs += jpg[0];
        jpgRef += jpg[1];
        bmpOurs += bmp[0];
        bmpRef += bmp[1];
        mp += m;
    }
    std::printf("%-42s %8.1f %8.1f %7.3f %8.0f %8.0f %7.3f\n", "all pictures", mp / jpgOurs, mp / jpgRef,
                jpgOurs / jpgRef, mp / bmpOurs, mp / bmpRef, bmpOurs / bmpRef);
    std::printf("target: JPEG ratio <= 1.05\n");

    const Picture& p = g_pictures.front();
    CountingSink jpegCounting;
    const long long jpeg = PeakOf([&] { WriteJpeg(jpegCounting, p.View()); });
    std::printf("JPEG writer peak extra memory: %lld KiB (compressed file %zu KiB included)\n", jpeg / 1024,
                jpegCounting.size / 1024);
}

}  // namespace

int main(int argc, char** argv)
{
    g_pictures = LoadPictures();
    std::printf("%zu pictures:", g_pictures.size());
    for (const Picture& p : g_pictures)
        std::printf(" %s", p.name.c_str());
    std::printf("\n");

    int rounds = 5;
    bool pngOnly = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--rounds=", 9) == 0)
            rounds = std::max(1, std::atoi(argv[i] + 9));
        else if (std::strncmp(argv[i], "--stripe-kib=", 13) == 0)
            g_stripeBytes = 1024 * static_cast<std::size_t>(std::max(1, std::atoi(argv[i] + 13)));
        else if (std::strcmp(argv[i], "--png-only") == 0)
            pngOnly = true;
    }

    // Timed on the wall clock, as a user waits: the PNG writer's work runs on
    // other threads too, which the calling thread's CPU time leaves out.
    const auto add = [](const std::string& name, void (*run)(benchmark::State&, const Picture*),
                        const Picture& p) {
        benchmark::RegisterBenchmark(name.c_str(), run, &p)->Unit(benchmark::kMillisecond)->UseRealTime();
    };
    for (const Picture& p : g_pictures) {
        add("png/ours/" + p.name, BM_PngOurs, p);
        add("png/libpng/" + p.name, BM_PngLibpng, p);
        add("jpeg/ours/" + p.name, BM_JpegOurs, p);
        add("jpeg/libjpeg/" + p.name, BM_JpegLibjpeg, p);
        add("bmp/ours/" + p.name, BM_BmpOurs, p);
        add("bmp/fwrite/" + p.name, BM_BmpFwrite, p);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    PngSummary(rounds);
    if (!pngOnly)
        JpegBmpSummary(rounds);
    return 0;
}
