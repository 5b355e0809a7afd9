#pragma once

#include "platform/mci/av_handles.h"

#include <QImage>

// Turns decoded frames of any pixel format into RGB32 images, honouring the frame's
// colour matrix and range. Keeps its scaler between calls; not thread-safe.
class PictureConverter {
public:
    QImage convert(const AVFrame &frame);  // a null image if the format cannot be converted

private:
    struct Source {
        int width = 0;
        int height = 0;
        int format = AV_PIX_FMT_NONE;
        AVColorRange range = AVCOL_RANGE_UNSPECIFIED;
        AVColorSpace matrix = AVCOL_SPC_UNSPECIFIED;
        bool operator==(const Source &) const = default;
    };

    bool prepare(const Source &source);

    mci::SwsPtr m_sws;
    Source m_source;  // what m_sws is set up for
};
