// Every JPEG must decode with libjpeg at the size it was given.
#include <cstdio>
#include <jpeglib.h>

#include <csetjmp>
#include <cstdlib>

#include "capture/JpegEncoder.h"
#include "FuzzImage.h"

using namespace snaplark;

namespace {

struct DecodeError {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

void Check(const std::vector<std::uint8_t>& file, int width, int height)
{
    jpeg_decompress_struct cinfo;
    DecodeError err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = [](j_common_ptr c) { std::longjmp(reinterpret_cast<DecodeError*>(c->err)->jump, 1); };
    if (setjmp(err.jump))
        std::abort();
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    if (static_cast<int>(cinfo.output_width) != width || static_cast<int>(cinfo.output_height) != height ||
        cinfo.output_components != 3)
        std::abort();
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 3);
    JSAMPROW rows[1] = {row.data()};
    while (cinfo.output_scanline < cinfo.output_height)
        jpeg_read_scanlines(&cinfo, rows, 1);
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const int kDepths[] = {24};
    fuzz::FuzzImage image;
    if (!fuzz::MakeFuzzImage(data, size, kDepths, 1, image))
        return 0;

    VectorSink sink;
    WriteJpeg(sink, image.view);
    if (image.view.width == 0 || image.view.height == 0) {
        if (!sink.bytes.empty())
            std::abort();
        return 0;
    }
    if (sink.writes != 1)
        std::abort();
    Check(sink.bytes, image.view.width, image.view.height);
    return 0;
}
