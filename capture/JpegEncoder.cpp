#include "capture/JpegEncoder.h"

// jpeglib.h needs size_t and FILE declared before it.
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>

#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "capture/CaptureError.h"

namespace snaplark {

namespace {

// libjpeg reports a fatal error by calling error_exit, which must not return.
// A C++ exception thrown from there would unwind through libjpeg's C frames,
// which carry no guarantee of unwind support (and on Windows the library is a
// separately built static C archive). So error_exit longjmps back to the one
// setjmp in JpegCompressor::Compress, whose frame and the C frames between
// hold nothing with a destructor; the error turns into an exception only once
// we are back in plain C++ code.
struct ErrorManager {
    jpeg_error_mgr pub;  // first, so libjpeg's pointer to it is ours too
    std::jmp_buf jump;
    int code;
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    err->code = err->pub.msg_code;
    std::longjmp(err->jump, 1);
}

// Warnings and trace messages are dropped.
void EmitMessage(j_common_ptr, int) {}
void OutputMessage(j_common_ptr) {}

// Collects the compressed file in a growing buffer. Plain new[] rather than
// a vector: the buffer is written by libjpeg, so zero-filling it is wasted time.
struct MemoryDestination {
    jpeg_destination_mgr pub;  // first, as for the error manager
    std::unique_ptr<std::uint8_t[]> buffer;
    std::size_t capacity;
    std::size_t initialSize;
};

void InitDestination(j_compress_ptr cinfo)
{
    auto* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
    dest->buffer.reset(new (std::nothrow) std::uint8_t[dest->initialSize]);
    if (!dest->buffer)
        ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
    dest->capacity = dest->initialSize;
    dest->pub.next_output_byte = dest->buffer.get();
    dest->pub.free_in_buffer = dest->capacity;
}

// Called only when the whole buffer is full: double it and go on after the end.
boolean EmptyOutputBuffer(j_compress_ptr cinfo)
{
    auto* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
    const std::size_t used = dest->capacity;
    // A raw pointer until the copy is done: no destructor may be live when
    // ERREXIT longjmps out of this frame.
    auto* bigger = new (std::nothrow) std::uint8_t[2 * used];
    if (bigger == nullptr)
        ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
    std::memcpy(bigger, dest->buffer.get(), used);
    dest->buffer.reset(bigger);
    dest->capacity = 2 * used;
    dest->pub.next_output_byte = dest->buffer.get() + used;
    dest->pub.free_in_buffer = dest->capacity - used;
    return TRUE;
}

// The compressed size is capacity - free_in_buffer; nothing to do here.
void TermDestination(j_compress_ptr) {}

// Owns one libjpeg compressor; jpeg_destroy_compress runs on every path.
class JpegCompressor {
public:
    JpegCompressor(const DibView& image, int quality) : image_(image), quality_(quality)
    {
        std::memset(&cinfo_, 0, sizeof cinfo_);  // destroy is safe on a zeroed struct
        std::memset(&err_, 0, sizeof err_);
        cinfo_.err = jpeg_std_error(&err_.pub);
        err_.pub.error_exit = ErrorExit;
        err_.pub.emit_message = EmitMessage;
        err_.pub.output_message = OutputMessage;

        dest_.pub.init_destination = InitDestination;
        dest_.pub.empty_output_buffer = EmptyOutputBuffer;
        dest_.pub.term_destination = TermDestination;
        // Enough for most screens at quality 70 without growing.
        const std::size_t pixels =
            static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height);
        dest_.initialSize = pixels / 2 + 4096;
#ifndef JCS_EXTENSIONS
        swapped_.resize(static_cast<std::size_t>(kRowsPerCall) * 3 * image.width);
#endif
    }
    ~JpegCompressor() { jpeg_destroy_compress(&cinfo_); }
    JpegCompressor(const JpegCompressor&) = delete;
    JpegCompressor& operator=(const JpegCompressor&) = delete;

    // Returns 0 on success, otherwise libjpeg's message code.
    int Compress()
    {
        if (setjmp(err_.jump) != 0)
            return err_.code;
        Run();
        return 0;
    }

    // The compressed file, valid after a successful Compress().
    std::unique_ptr<std::uint8_t[]> TakeOutput(std::size_t& size)
    {
        size = dest_.capacity - dest_.pub.free_in_buffer;
        return std::move(dest_.buffer);
    }

private:
    static constexpr int kRowsPerCall = 16;  // one MCU row at 2x2 sampling

    void Run()
    {
        jpeg_create_compress(&cinfo_);
        cinfo_.dest = &dest_.pub;

        cinfo_.image_width = static_cast<JDIMENSION>(image_.width);
        cinfo_.image_height = static_cast<JDIMENSION>(image_.height);
        cinfo_.input_components = 3;
#ifdef JCS_EXTENSIONS
        // libjpeg-turbo reads the DIB's blue, green, red order itself.
        cinfo_.in_color_space = JCS_EXT_BGR;
#else
        cinfo_.in_color_space = JCS_RGB;
#endif
        jpeg_set_defaults(&cinfo_);
        jpeg_set_quality(&cinfo_, quality_, TRUE);
        cinfo_.dct_method = JDCT_FLOAT;
        cinfo_.optimize_coding = FALSE;
        cinfo_.arith_code = FALSE;
        cinfo_.restart_interval = 0;
        cinfo_.restart_in_rows = 0;
        cinfo_.smoothing_factor = 0;
        cinfo_.write_JFIF_header = TRUE;
        cinfo_.JFIF_major_version = 1;
        cinfo_.JFIF_minor_version = 1;
        cinfo_.density_unit = 0;
        cinfo_.X_density = 1;
        cinfo_.Y_density = 1;
        cinfo_.comp_info[0].h_samp_factor = 2;
        cinfo_.comp_info[0].v_samp_factor = 2;
        for (int c = 1; c < 3; ++c) {
            cinfo_.comp_info[c].h_samp_factor = 1;
            cinfo_.comp_info[c].v_samp_factor = 1;
        }

        jpeg_start_compress(&cinfo_, TRUE);
        JSAMPROW rows[kRowsPerCall];
        while (cinfo_.next_scanline < cinfo_.image_height) {
            const JDIMENSION top = cinfo_.next_scanline;
            const JDIMENSION left = cinfo_.image_height - top;
            const int count = left < kRowsPerCall ? static_cast<int>(left) : kRowsPerCall;
            for (int i = 0; i < count; ++i) {
                // Top of the picture first: the DIB keeps it in its last row.
                const int dibRow = image_.height - 1 - static_cast<int>(top) - i;
                rows[i] = RowForLibjpeg(dibRow, i);
            }
            jpeg_write_scanlines(&cinfo_, rows, static_cast<JDIMENSION>(count));
        }
        jpeg_finish_compress(&cinfo_);
    }

#ifdef JCS_EXTENSIONS
    JSAMPROW RowForLibjpeg(int dibRow, int)
    {
        // libjpeg only reads input rows; its row type is just not const.
        return const_cast<JSAMPROW>(image_.Row(dibRow));
    }
#else
    JSAMPROW RowForLibjpeg(int dibRow, int slot)
    {
        const std::size_t width = static_cast<std::size_t>(image_.width);
        std::uint8_t* out = swapped_.data() + static_cast<std::size_t>(slot) * 3 * width;
        const std::uint8_t* in = image_.Row(dibRow);
        for (std::size_t x = 0; x < width; ++x) {
            out[3 * x + 0] = in[3 * x + 2];
            out[3 * x + 1] = in[3 * x + 1];
            out[3 * x + 2] = in[3 * x + 0];
        }
        return out;
    }
    std::vector<std::uint8_t> swapped_;
#endif

    const DibView& image_;
    const int quality_;
    jpeg_compress_struct cinfo_;
    ErrorManager err_;
    MemoryDestination dest_{};
};

}  // namespace

void WriteJpeg(ByteSink& sink, const DibView& image, int quality)
{
    if (image.width < 0 || image.height < 0 || image.bitCount != 24)
        throw Error("Unsupported bitmap format");
    if (image.width == 0 || image.height == 0)
        return;
    if (image.bits == nullptr || image.stride < 3 * static_cast<std::size_t>(image.width))
        throw Error("Unsupported bitmap format");

    std::unique_ptr<std::uint8_t[]> file;
    std::size_t size = 0;
    int code = 0;
    {
        JpegCompressor compressor(image, quality);
        code = compressor.Compress();
        if (code == 0)
            file = compressor.TakeOutput(size);
    }  // the compressor is destroyed before anything is raised or written
    if (code != 0)
        throw Error("JPEG error #" + std::to_string(code));
    sink.Write(file.get(), size);
}

}  // namespace snaplark
