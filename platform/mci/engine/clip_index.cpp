#include "platform/mci/engine/clip_index.h"

#include "platform/mci/clip_limits.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mci {

namespace {

bool decodable(const AVCodecParameters *par) {
    return par->codec_id != AV_CODEC_ID_NONE && avcodec_find_decoder(par->codec_id) != nullptr;
}

// Whether a video packet starts a picture that decodes on its own. Intra-only codecs
// always do; for the others the bitstream itself is asked, because AVI indexes are
// often wrong about it (every frame flagged, or none).
class KeyFrameJudge {
public:
    explicit KeyFrameJudge(const AVCodecParameters *par) {
        const AVCodecDescriptor *desc = avcodec_descriptor_get(par->codec_id);
        m_intraOnly = desc && (desc->props & AV_CODEC_PROP_INTRA_ONLY);
        if (m_intraOnly) return;
        m_parser.reset(av_parser_init(par->codec_id));
        if (!m_parser) return;
        m_parser->flags |= PARSER_FLAG_COMPLETE_FRAMES;
        const AVCodec *codec = avcodec_find_decoder(par->codec_id);
        m_context.reset(avcodec_alloc_context3(codec));
        if (!m_context || avcodec_parameters_to_context(m_context.get(), par) < 0) m_parser.reset();
    }

    bool isKey(const AVPacket *pkt) {
        if (m_intraOnly) return true;
        if (!m_parser) return pkt->flags & AV_PKT_FLAG_KEY;
        uint8_t *out = nullptr;
        int outSize = 0;
        av_parser_parse2(m_parser.get(), m_context.get(), &out, &outSize, pkt->data, pkt->size,
                         AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
        return m_parser->key_frame == 1 ||
               (m_parser->key_frame == -1 && m_parser->pict_type == AV_PICTURE_TYPE_I);
    }

private:
    bool m_intraOnly = false;
    ParserPtr m_parser;
    CodecContextPtr m_context;
};

}  // namespace

std::variant<std::shared_ptr<const ClipIndex>, MciError> ClipIndex::open(const std::string &path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return makeError(kErrFileNotFound);
    // A pipe or a device would block the open, or never end: only files are clips.
    if (!S_ISREG(st.st_mode)) return makeError(kErrInvalidFile);

    std::shared_ptr<ClipIndex> clip(new ClipIndex());
    clip->m_path = path;
    clip->m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (clip->m_fd < 0) return makeError(errno == ENOENT ? kErrFileNotFound : kErrInvalidFile);
    // The name may have been swapped for something else since it was looked at.
    if (::fstat(clip->m_fd, &st) != 0 || !S_ISREG(st.st_mode)) return makeError(kErrInvalidFile);

    // The AVI demuxer alone: a renamed MP4 or WAV is not an AVI, whatever it holds.
    const AVInputFormat *avi = av_find_input_format("avi");
    if (!avi) return makeError(kErrCannotLoadDriver);
    AVFormatContext *raw = avformat_alloc_context();
    if (!raw) return makeError(kErrCannotLoadDriver);
    // The file's own chunks, unparsed: positions and sizes must name bytes in the file.
    raw->flags |= AVFMT_FLAG_NOPARSE | AVFMT_FLAG_NOFILLIN;
    if (avformat_open_input(&raw, path.c_str(), avi, nullptr) < 0) return makeError(kErrInvalidFile);
    FormatContextPtr fmt(raw);

    int videoIndex = -1, audioIndex = -1;
    for (unsigned i = 0; i < fmt->nb_streams; ++i) {
        const AVCodecParameters *par = fmt->streams[i]->codecpar;
        if (videoIndex < 0 && par->codec_type == AVMEDIA_TYPE_VIDEO && decodable(par) && par->width > 0 &&
            par->height > 0)
            videoIndex = static_cast<int>(i);
        // Sound in a format no real file has is left out: the picture plays silently.
        if (audioIndex < 0 && par->codec_type == AVMEDIA_TYPE_AUDIO && decodable(par) &&
            clip_limits::soundFits(par->sample_rate, par->ch_layout.nb_channels))
            audioIndex = static_cast<int>(i);
    }
    if (videoIndex < 0) return makeError(kErrInvalidFile);
    const AVCodecParameters *vpar = fmt->streams[videoIndex]->codecpar;
    if (!clip_limits::pictureFits(vpar->width, vpar->height)) return makeError(kErrInvalidFile);

    auto copyParams = [](const AVCodecParameters *from) {
        ParametersPtr p(avcodec_parameters_alloc());
        if (!p || avcodec_parameters_copy(p.get(), from) < 0) return std::shared_ptr<const AVCodecParameters>();
        return std::shared_ptr<const AVCodecParameters>(p.release(), [](const AVCodecParameters *q) {
            auto *m = const_cast<AVCodecParameters *>(q);
            avcodec_parameters_free(&m);
        });
    };
    const AVStream *vs = fmt->streams[videoIndex];
    clip->m_video.streamIndex = videoIndex;
    clip->m_video.params = copyParams(vs->codecpar);
    clip->m_video.timeBase = vs->time_base;
    if (audioIndex >= 0) {
        clip->m_audio.streamIndex = audioIndex;
        clip->m_audio.params = copyParams(fmt->streams[audioIndex]->codecpar);
        clip->m_audio.timeBase = fmt->streams[audioIndex]->time_base;
    }
    if (!clip->m_video.params || (audioIndex >= 0 && !clip->m_audio.params)) return makeError(kErrCannotLoadDriver);

    // AVI stamps video chunks in frame slots; the stream's time base is one slot.
    AVRational rate = av_inv_q(vs->time_base);
    if (rate.num <= 0 || rate.den <= 0 || av_q2d(rate) > 1000 || av_q2d(rate) < 0.1) rate = AVRational{25, 1};
    clip->m_frameRate = rate;
    // The stream header's pixel shape, else the codec's.
    for (AVRational sar : {vs->sample_aspect_ratio, vs->codecpar->sample_aspect_ratio}) {
        if (sar.num > 0 && sar.den > 0) {
            clip->m_sampleAspect = sar;
            break;
        }
    }

    KeyFrameJudge judge(vs->codecpar);
    PacketPtr pkt = makePacket();
    std::int64_t nextSlot = 0;
    std::vector<std::int64_t> slotOfPacket;
    const std::int64_t maxLead =
        std::max<std::int64_t>(clip_limits::kMinLeadSlots, std::int64_t(av_q2d(rate) * clip_limits::kMaxLeadSeconds));
    for (;;) {
        const int rc = av_read_frame(fmt.get(), pkt.get());
        if (rc == AVERROR(EAGAIN)) continue;
        if (rc < 0) break;  // end of file, or the rest is unreadable: keep what was read
        const bool isVideo = pkt->stream_index == videoIndex;
        const bool isAudio = pkt->stream_index == audioIndex;
        if ((isVideo || isAudio) && pkt->pos >= 0 && pkt->size > 0) {
            PacketRef ref{pkt->pos, pkt->size, pkt->pts, pkt->dts, pkt->duration, false};
            if (isVideo) {
                std::int64_t slot = pkt->dts != AV_NOPTS_VALUE ? pkt->dts : nextSlot;
                if (slot < nextSlot) slot = nextSlot;  // never two chunks in one slot
                if (slot > nextSlot + 100000) break;  // a wild stamp: the file is damaged from here
                if (slotOfPacket.empty() && slot > maxLead) return makeError(kErrInvalidFile);
                if (slot >= clip_limits::kMaxSlots) return makeError(kErrInvalidFile);
                ref.key = judge.isKey(pkt.get());
                ref.palette = clip->keepPalette(*pkt);
                clip->m_video.packets.push_back(ref);
                slotOfPacket.push_back(slot);
                nextSlot = slot + 1;
            } else if (std::ssize(clip->m_audio.packets) < clip_limits::kMaxSoundChunks) {
                clip->m_audio.packets.push_back(ref);
            }
        }
        av_packet_unref(pkt.get());
    }
    if (clip->m_video.packets.empty()) return makeError(kErrInvalidFile);

    clip->m_slotPacket.assign(static_cast<std::size_t>(nextSlot), -1);
    for (std::size_t i = 0; i < slotOfPacket.size(); ++i) {
        clip->m_slotPacket[slotOfPacket[i]] = static_cast<int>(i);
        if (clip->m_video.packets[i].key || i == 0) clip->m_keySlots.push_back(static_cast<int>(slotOfPacket[i]));
    }
    for (std::size_t k = 0; k < clip->m_keySlots.size(); ++k) {
        const int end = k + 1 < clip->m_keySlots.size() ? clip->m_keySlots[k + 1] : clip->length();
        clip->m_longestGroup = std::max(clip->m_longestGroup, end - clip->m_keySlots[k]);
    }
    return std::shared_ptr<const ClipIndex>(std::move(clip));
}

std::int32_t ClipIndex::keepPalette(const AVPacket &pkt) {
    constexpr std::size_t kMaxPalettes = 4096;  // a change at every chunk of a long clip is no real file
    std::size_t size = 0;
    const std::uint8_t *data = av_packet_get_side_data(&pkt, AV_PKT_DATA_PALETTE, &size);
    if (data && size >= AVPALETTE_SIZE && m_palettes.size() < kMaxPalettes) {
        std::array<std::uint8_t, AVPALETTE_SIZE> palette;
        std::copy_n(data, AVPALETTE_SIZE, palette.begin());
        if (m_palettes.empty() || m_palettes.back() != palette) m_palettes.push_back(palette);
    }
    return static_cast<std::int32_t>(m_palettes.size()) - 1;
}

ClipIndex::~ClipIndex() {
    if (m_fd >= 0) ::close(m_fd);
}

int ClipIndex::keySlotAtOrBefore(int slot) const {
    auto it = std::upper_bound(m_keySlots.begin(), m_keySlots.end(), slot);
    return it == m_keySlots.begin() ? m_keySlots.front() : *std::prev(it);
}

PacketPtr ClipIndex::readPacket(const StreamTable &stream, std::size_t i) const {
    const PacketRef &ref = stream.packets.at(i);
    PacketPtr pkt = makePacket();
    if (!pkt || av_new_packet(pkt.get(), ref.size) < 0) return nullptr;
    std::int64_t done = 0;
    while (done < ref.size) {
        const ssize_t n = ::pread(m_fd, pkt->data + done, ref.size - done, ref.pos + done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    if (done < ref.size) {
        m_cut.store(true, std::memory_order_relaxed);
        return nullptr;
    }
    pkt->pts = ref.pts;
    pkt->dts = ref.dts;
    pkt->duration = ref.duration;
    pkt->stream_index = stream.streamIndex;
    if (ref.key) pkt->flags |= AV_PKT_FLAG_KEY;
    if (ref.palette >= 0 && static_cast<std::size_t>(ref.palette) < m_palettes.size()) {
        std::uint8_t *palette = av_packet_new_side_data(pkt.get(), AV_PKT_DATA_PALETTE, AVPALETTE_SIZE);
        if (!palette) return nullptr;
        std::copy(m_palettes[ref.palette].begin(), m_palettes[ref.palette].end(), palette);
    }
    pkt->pos = ref.pos;
    return pkt;
}

}  // namespace mci
