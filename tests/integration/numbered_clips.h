#pragma once

#include <QImage>
#include <QString>

// Clips whose every picture says which frame it is: eight vertical bars, bar k white
// when bit k of the frame number is set, and the lower half the same bars inverted.
// Codec noise cannot turn one number into another, and a black, blank or foreign
// picture reads as no frame at all.
namespace numbered_clips {

inline constexpr int kShortFrames = 25;  // 1 s at 25 fps
inline constexpr int kLongFrames = 100;  // 4 s at 25 fps

QString shortClip();  // no sound
// With a loud 1 kHz tone (amplitude 0.8) all along, 16-bit PCM at 48 kHz.
QString longClipWithTone();
// A text file named like an AVI.
QString textFileNamedAvi();

// The frame number a picture of these clips shows, or -1 if it shows none.
int frameNumber(const QImage &picture);

}  // namespace numbered_clips
