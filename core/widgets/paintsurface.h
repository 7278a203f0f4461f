#pragma once
// The drawing surface the schedule grid and the calendar month draw on: a retained
// picture in pixels, (0, 0) at its top left. The platform layer supplies one on a QImage
// (platform/paintsurface.h); tests record the calls.
//
// Texts are Windows-1252 bytes, as everywhere in the core.

#include <cstdint>
#include <string_view>

namespace korvel {

// A colour: an RGB value, or one of the colours the surface takes from the desktop's
// palette (resolved by the surface when it draws).
struct Colour {
    enum class Kind : uint8_t {
        Rgb,
        GrayText,   // the desktop's grey (disabled) text colour
        ButtonText, // the desktop's button text colour
        Background, // the surface's own background colour
    };
    Kind kind = Kind::Rgb;
    uint8_t r = 0, g = 0, b = 0;

    static constexpr Colour Rgb(int red, int green, int blue) {
        return Colour{Kind::Rgb, static_cast<uint8_t>(red), static_cast<uint8_t>(green), static_cast<uint8_t>(blue)};
    }
    static constexpr Colour GrayText() { return Colour{Kind::GrayText, 0, 0, 0}; }
    static constexpr Colour ButtonText() { return Colour{Kind::ButtonText, 0, 0, 0}; }
    static constexpr Colour Background() { return Colour{Kind::Background, 0, 0, 0}; }
    bool operator==(const Colour&) const = default;
};

inline constexpr Colour kBlack = Colour::Rgb(0, 0, 0);
inline constexpr Colour kWhite = Colour::Rgb(255, 255, 255);

// Mouse pointer shapes the widgets use.
enum class PointerShape : int {
    Default = 0,
    SizeWestEast = 9, // the west-east sizing arrow
};

// Mouse buttons and shift keys as the widgets receive them.
inline constexpr int kLeftButton = 1;
inline constexpr int kRightButton = 2;
inline constexpr int kMiddleButton = 4;
inline constexpr int kShiftKey = 1;
inline constexpr int kCtrlKey = 2;
inline constexpr int kAltKey = 4;

class PaintSurface {
public:
    virtual ~PaintSurface() = default;

    // A one-pixel line from (x1, y1) towards (x2, y2); the end point itself is left out,
    // so a line from (30, 5) to (318, 5) covers x = 30..317. A line to its own start
    // draws nothing.
    virtual void drawLine(int x1, int y1, int x2, int y2, Colour colour) = 0;
    // A filled rectangle of width x height pixels with its top left at (x, y).
    virtual void fillRect(int x, int y, int width, int height, Colour colour) = 0;

    // Colour and weight of the texts drawn from now on.
    virtual void setForeColour(Colour colour) = 0;
    virtual void setBold(bool bold) = 0;
    // A text with its top left at (x, y), on a transparent background.
    virtual void drawText(int x, int y, std::string_view text) = 0;
    // Size of a text in the current font; the height is the font's line height.
    virtual int textWidth(std::string_view text) = 0;
    virtual int textHeight(std::string_view text) = 0;

    // Image number (1-based) of the surface's numbered image store with its top left at
    // (x, y); transparent draws only the image's own pixels, otherwise its box is first
    // filled with the background. A number with no image draws nothing.
    virtual void drawImage(int number, int x, int y, bool transparent) = 0;

    virtual void setPointer(PointerShape shape) = 0;
    // The tool tip shown over the surface; empty shows none.
    virtual void setToolTipText(std::string_view text) = 0;
};

} // namespace korvel
