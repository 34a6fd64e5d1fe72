#pragma once
// A soundtrack whose position the test sets.
#include "platform/audio_stream.h"

namespace testing_files {

class SetPositionStream : public platform::AudioStream {
  public:
    void play() override {}
    void playFrom(uint64_t bytes, uint64_t) override { at = bytes; }
    uint64_t position() override { return at; }
    uint64_t length() const override { return UINT64_MAX; }
    bool audible() const override { return false; }
    uint64_t at = 0;
};

} // namespace testing_files
