// JPEG through libjpeg. Its error exit jumps back with longjmp, so the decoding function
// holds no object with a destructor: the image's storage is made by a callback.
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

#include "picture/image32.h"
#include "platform/message_box.h"

namespace picture {

namespace {

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void errorExit(j_common_ptr cinfo) {
    char text[JMSG_LENGTH_MAX] = {};
    (*cinfo->err->format_message)(cinfo, text);
    platform::messageBox("JPEG Fatal Error", text);
    std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

// Warnings (premature end, corrupt data) are not errors: decoding goes on with what is there.
void quietMessage(j_common_ptr, int) {}

struct JpegJob {
    const uint8_t* data;
    size_t size;
    Image32* out;
    jpeg_decompress_struct cinfo;
    JpegError error;
};

uint32_t* makeStorage(Image32& image, int w, int h) {
    image.create(w, h);
    return image.pixels;
}

int decode(JpegJob* job) {
    jpeg_decompress_struct* cinfo = &job->cinfo;
    cinfo->err = jpeg_std_error(&job->error.manager);
    job->error.manager.error_exit = errorExit;
    job->error.manager.emit_message = quietMessage;
    if (setjmp(job->error.jump)) {
        jpeg_destroy_decompress(cinfo);
        return kCannotOpen;
    }
    jpeg_create_decompress(cinfo);
    jpeg_mem_src(cinfo, const_cast<unsigned char*>(job->data), static_cast<unsigned long>(job->size));
    jpeg_read_header(cinfo, TRUE);
    if (cinfo->image_width < 1 || cinfo->image_width > kMaxImageSide || cinfo->image_height < 1 ||
        cinfo->image_height > kMaxImageSide) {
        jpeg_destroy_decompress(cinfo);
        return kDamaged;
    }
    jpeg_start_decompress(cinfo);
    if (cinfo->output_components != 3) { // greyscale is 8 bits deep; CMYK is not 8/8/8 either
        jpeg_destroy_decompress(cinfo);
        return kNot24Bit;
    }
    const int w = static_cast<int>(cinfo->output_width), h = static_cast<int>(cinfo->output_height);
    uint32_t* pixels = makeStorage(*job->out, w, h);
    JSAMPARRAY line = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                                   static_cast<JDIMENSION>(w) * 3, 1);
    while (cinfo->output_scanline < cinfo->output_height) {
        const int r = static_cast<int>(cinfo->output_scanline);
        if (jpeg_read_scanlines(cinfo, line, 1) != 1) break;
        const JSAMPLE* p = line[0];
        uint32_t* row = pixels + static_cast<size_t>(r) * w;
        for (int i = 0; i < w; ++i, p += 3) row[i] = (p[0] << 16) | (p[1] << 8) | p[2];
    }
    if (cinfo->output_scanline < cinfo->output_height)
        jpeg_abort_decompress(cinfo);
    else
        jpeg_finish_decompress(cinfo);
    jpeg_destroy_decompress(cinfo);
    return kLoaded;
}

} // namespace

LoadResult readJpeg(const uint8_t* data, size_t size, Image32& out) {
    JpegJob job;
    std::memset(&job, 0, sizeof job);
    job.data = data;
    job.size = size;
    job.out = &out;
    return static_cast<LoadResult>(decode(&job));
}

} // namespace picture
