#include "tools/writers/mp3_writer.h"

#include <lame/lame.h>

#include <algorithm>

namespace writers {

std::vector<uint8_t> encodeMp3(const std::vector<int16_t>& samples, int rate, int channels,
                               int kbps) {
    lame_global_flags* lame = lame_init();
    if (!lame) return {};
    lame_set_in_samplerate(lame, rate);
    lame_set_out_samplerate(lame, rate);
    lame_set_num_channels(lame, channels);
    lame_set_mode(lame, channels == 1 ? MONO : JOINT_STEREO);
    lame_set_brate(lame, kbps);
    lame_set_quality(lame, 5);
    lame_set_bWriteVbrTag(lame, 1); // the Xing header gives decoders the exact length
    if (lame_init_params(lame) < 0) {
        lame_close(lame);
        return {};
    }
    std::vector<uint8_t> out;
    const int frames = static_cast<int>(samples.size() / static_cast<size_t>(channels));
    constexpr int kChunk = 8192;
    std::vector<uint8_t> buffer(static_cast<size_t>(kChunk * 5 / 4 + 7200));
    for (int at = 0; at < frames; at += kChunk) {
        const int n = std::min(kChunk, frames - at);
        const int16_t* in = samples.data() + static_cast<size_t>(at) * channels;
        int got = channels == 1 ? lame_encode_buffer(lame, in, in, n, buffer.data(),
                                                     static_cast<int>(buffer.size()))
                                : lame_encode_buffer_interleaved(lame, const_cast<short*>(in), n,
                                                                 buffer.data(),
                                                                 static_cast<int>(buffer.size()));
        if (got > 0) out.insert(out.end(), buffer.begin(), buffer.begin() + got);
    }
    const int tail = lame_encode_flush(lame, buffer.data(), static_cast<int>(buffer.size()));
    if (tail > 0) out.insert(out.end(), buffer.begin(), buffer.begin() + tail);
    // The Xing/LAME frame at the start, now that the length is known.
    std::vector<uint8_t> tag(8192);
    const size_t tagBytes = lame_get_lametag_frame(lame, tag.data(), tag.size());
    if (tagBytes > 0 && tagBytes <= out.size())
        std::copy(tag.begin(), tag.begin() + static_cast<long>(tagBytes), out.begin());
    lame_close(lame);
    return out;
}

} // namespace writers
