// JPEG through libjpeg. Its error exit jumps back with longjmp, so the decoding function
// holds no object with a destructor: the image's storage is made by a callback.
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>

#include <jpeglib.h>

#include "picture/image32.h"
#include "platform/message_box.h"

namespace picture {

namespace {

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    const char* fileName; // for the messages; may be empty
    std::string* message; // where the message goes instead of a box, if given
    bool damaged;         // a warning came: data cut short or corrupt
};

// libjpeg's message, with the file's name in front when there is one.
void showMessage(j_common_ptr cinfo) {
    char text[JMSG_LENGTH_MAX] = {};
    (*cinfo->err->format_message)(cinfo, text);
    const JpegError* e = reinterpret_cast<const JpegError*>(cinfo->err);
    if (e->message) {
        *e->message = text;
        return;
    }
    platform::messageBox("JPEG Fatal Error", e->fileName && *e->fileName
                                                 ? std::string(e->fileName) + ": " + text
                                                 : text);
}

void errorExit(j_common_ptr cinfo) {
    showMessage(cinfo);
    std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

// A warning (premature end of the data, corrupt data) would leave a grey or smeared picture:
// the first one is shown like an error and the decoding stops there.
void warningExit(j_common_ptr cinfo, int level) {
    JpegError* e = reinterpret_cast<JpegError*>(cinfo->err);
    if (level >= 0) return; // trace messages
    e->damaged = true;
    showMessage(cinfo);
    std::longjmp(e->jump, 1);
}

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
    job->error.manager.emit_message = warningExit;
    if (setjmp(job->error.jump)) {
        jpeg_destroy_decompress(cinfo);
        job->out->create(0, 0); // nothing of a picture that did not decode
        return kDamaged;
    }
    jpeg_create_decompress(cinfo);
    jpeg_mem_src(cinfo, const_cast<unsigned char*>(job->data),
                 static_cast<unsigned long>(job->size));
    jpeg_read_header(cinfo, TRUE);
    // A picture far larger than its data could describe (even one colour takes some bits per
    // 16 x 16 block) is refused before the decoder makes its buffers, which for a progressive
    // file hold the whole picture.
    const uint64_t claimed = static_cast<uint64_t>(cinfo->image_width) * cinfo->image_height;
    if (cinfo->image_width < 1 || cinfo->image_width > kMaxImageSide || cinfo->image_height < 1 ||
        cinfo->image_height > kMaxImageSide || claimed > static_cast<uint64_t>(job->size) * 1024) {
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
    JSAMPARRAY line = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo),
                                                  JPOOL_IMAGE, static_cast<JDIMENSION>(w) * 3, 1);
    while (cinfo->output_scanline < cinfo->output_height) {
        const int r = static_cast<int>(cinfo->output_scanline);
        if (jpeg_read_scanlines(cinfo, line, 1) != 1) break;
        const JSAMPLE* p = line[0];
        uint32_t* row = pixels + static_cast<size_t>(r) * w;
        for (int i = 0; i < w; ++i, p += 3)
            row[i] = (p[0] << 16) | (p[1] << 8) | p[2];
    }
    if (cinfo->output_scanline < cinfo->output_height) {
        jpeg_abort_decompress(cinfo);
        jpeg_destroy_decompress(cinfo);
        job->out->create(0, 0);
        return kDamaged;
    }
    jpeg_finish_decompress(cinfo);
    jpeg_destroy_decompress(cinfo);
    return kLoaded;
}

} // namespace

LoadResult readJpeg(const uint8_t* data, size_t size, Image32& out, const char* fileName,
                    std::string* message) {
    JpegJob job;
    std::memset(&job, 0, sizeof job);
    job.data = data;
    job.size = size;
    job.out = &out;
    job.error.fileName = fileName;
    job.error.message = message;
    return static_cast<LoadResult>(decode(&job));
}

} // namespace picture
