#pragma once

#include <QImage>
#include <QString>

#include "platform/Error.h"

namespace qm {

// Text attributes of a drawing surface; they apply to the next drawText on that surface.
struct ImageFont
{
    quint32 colour = 0; // Windows RGB: red in the low byte (255 red, 16711680 blue)
    QString faceName; // empty or unknown: the system's default face
    int size = 12; // points at 96 dpi (1 pt = 4/3 px); 0 or less means 12
    int quality = 1; // 0: no antialiasing; any other value: antialiased
    int rotation = 0; // degrees, counter-clockwise, about the anchor
    float transparency = 0.0f; // 0 solid .. 1 invisible: 0.35 is 35 % see-through
};

// How a drawn image is blended: `opacity` (0..1) multiplies the overlay's own alpha; when a key
// colour (Windows RGB, 0..16777215) is given, every overlay pixel whose red, green and blue each
// differ from the key's by at most `tolerance` becomes fully transparent. A key outside that
// range means no key colour.
struct BlendOptions
{
    double opacity = 1.0;
    double keyColour = -1.0;
    double tolerance = 0.0;
};

class Image;

// Draws on the picture of one Image. The anchor of text is the top-left corner of the text's box
// (its left edge and the top of its ascent), so text grows right and down from it before rotation.
class DrawingSurface
{
public:
    ImageFont& font() { return m_font; }
    Result<void> drawText(int x, int y, const QString& text);
    // The overlay's top-left corner lands at (x, y); parts outside the picture are cut off.
    Result<void> drawImage(int x, int y, const Image& overlay, const BlendOptions& blend = {});

private:
    friend class Image;
    explicit DrawingSurface(QImage& picture)
        : m_picture(picture)
    {
    }
    QImage& m_picture;
    ImageFont m_font;
};

// The imaging component: one picture that is loaded, resized, drawn on and saved. Not copyable;
// each use makes its own.
class Image
{
public:
    Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    // BMP, JPEG, GIF, PNG or TIFF, by content. A failure leaves the object empty.
    Result<void> load(const QString& path);
    // Takes a picture already in memory (as if it had been loaded).
    void assign(QImage picture);
    // The type follows the extension: .bmp, .jpg/.jpeg (quality 90), .png, .gif, .tif/.tiff;
    // written atomically, so saving over the loaded file is safe.
    Result<void> save(const QString& path) const;

    int width() const { return m_picture.width(); }
    int height() const { return m_picture.height(); }
    // Each write resamples at once: area-averaging when shrinking, bilinear when enlarging.
    Result<void> setWidth(int width);
    Result<void> setHeight(int height);
    int loadedWidth() const { return m_loadedWidth; }
    int loadedHeight() const { return m_loadedHeight; }

    void close();
    DrawingSurface& surface() { return m_surface; }

    bool isEmpty() const { return m_picture.isNull(); }
    const QImage& picture() const { return m_picture; }
    QImage takePicture();

private:
    Result<void> resize(int width, int height);
    QImage m_picture;
    int m_loadedWidth = 0;
    int m_loadedHeight = 0;
    DrawingSurface m_surface;
};

} // namespace qm
