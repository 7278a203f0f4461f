#pragma once
// The painting surface of the schedule grid and the calendar month: a widget that keeps
// its picture in a QImage and shows it. Drawing goes into the image at once (so a widget
// can repaint one row while the user drags), and the image is shown on the next paint
// of the widget.
//
// Lines leave out their end point and are exact to the pixel (no antialiasing); texts
// are drawn without antialiasing too, so drawing the same text again over itself leaves
// the same pixels. Images come from a numbered icon store the host gives the surface.
//
// Mouse events leave as signals with the button (1 left, 2 right, 4 middle; for moves
// the buttons held, summed), the shift state (1 Shift, 2 Ctrl, 4 Alt, summed) and the
// position in surface pixels. paintRequested asks the host to draw the whole picture:
// after refresh() (which clears it first) and after a resize.

#include "core/widgets/paintsurface.h"

#include <QColor>
#include <QImage>
#include <QSize>
#include <QWidget>

namespace korvel::platform {

class IconStore;

// Size of the day-type images (the calendar places them 12.5 pixels left of a date
// box's right edge; 11 pixels keep them inside the box).
inline constexpr int kDayTypeImageSize = 11;

// Pixel size of the surface's font unless the host sets another.
inline constexpr int kDefaultFontPixelSize = 11;

// The 16 images of the special day types (image n for day type n + 6), our own drawings:
// eight hues, as discs for 1..8 and as diamonds for 9..16.
IconStore DayTypeImages();

class PaintSurfaceWidget final : public QWidget, public korvel::PaintSurface {
    Q_OBJECT
public:
    explicit PaintSurfaceWidget(QWidget* parent = nullptr);

    // The picture (it follows the widget's size when the widget is drawn on or resized).
    const QImage& image() const { return m_Image; }
    // The desktop's window colour until one is set; setting it clears the picture.
    QColor backgroundColour() const { return m_Background; }
    void setBackgroundColour(const QColor& colour);
    // The store drawImage takes images from (not owned; must outlive the surface or be
    // replaced) and the size its images are drawn at.
    void setImageStore(const IconStore* store, QSize imageSize = QSize(kDayTypeImageSize, kDayTypeImageSize));
    // Fills the picture with the background.
    void clear();
    // Clears the picture and asks the host to draw it again (paintRequested).
    void refresh();
    // The colour a Colour stands for on this surface.
    QColor resolve(korvel::Colour colour) const;

    // korvel::PaintSurface
    void drawLine(int x1, int y1, int x2, int y2, korvel::Colour colour) override;
    void fillRect(int x, int y, int width, int height, korvel::Colour colour) override;
    void setForeColour(korvel::Colour colour) override { m_Fore = colour; }
    void setBold(bool bold) override;
    void drawText(int x, int y, std::string_view text) override;
    int textWidth(std::string_view text) override;
    int textHeight(std::string_view text) override;
    void drawImage(int number, int x, int y, bool transparent) override;
    void setPointer(korvel::PointerShape shape) override;
    void setToolTipText(std::string_view text) override;

signals:
    void paintRequested();
    void mousePressed(int button, int shift, double x, double y);
    void mouseMoved(int button, int shift, double x, double y);
    void mouseReleased(int button, int shift, double x, double y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QFont textFont() const;
    void setPixel(int x, int y, QRgb rgb);
    // Brings the picture to the widget's size (a hidden widget gets no resize event);
    // true when it changed.
    bool syncImageSize();

    QImage m_Image;
    QColor m_Background;
    bool m_BackgroundFromPalette = true; // follows the desktop until one is set
    korvel::Colour m_Fore = korvel::Colour::ButtonText();
    bool m_Bold = false;
    const IconStore* m_Images = nullptr;
    QSize m_ImageSize{kDayTypeImageSize, kDayTypeImageSize};
};

} // namespace korvel::platform
