#include "platform/mci/audio/null_audio_sink.h"

#include <memory>

namespace mci {

std::unique_ptr<AudioSink> makeNullAudioSink() { return std::make_unique<NullAudioSink>(); }

}  // namespace mci
