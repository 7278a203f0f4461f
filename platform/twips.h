#pragma once
// Screen positions and sizes of the controls are given in twips; the widget layer works
// in pixels at one fixed scale for the whole program.

namespace korvel::platform {

inline constexpr int kTwipsPerPixel = 15;

constexpr int TwipsToPixels(int twips) { return twips / kTwipsPerPixel; }
constexpr int PixelsToTwips(int pixels) { return pixels * kTwipsPerPixel; }

} // namespace korvel::platform
