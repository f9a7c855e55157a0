#pragma once

#include <QByteArray>
#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>
#include <ostream>

#include "platform/MessageSink.h"

// Readable values in failed assertions.
std::ostream& operator<<(std::ostream& out, const QString& text);
void PrintTo(const QRect& rect, std::ostream* out);
void PrintTo(const QImage& image, std::ostream* out);

namespace qm::test {

// A page-like picture: soft vertical and horizontal gradients with some hard-edged blocks, opaque.
QImage MakePage(int width, int height);
QImage Solid(int width, int height, QColor colour);

// The bounding box of the pixels that `match` accepts (empty when none do).
QRect BoxOf(const QImage& image, const std::function<bool(QRgb)>& match);
bool IsRed(QRgb p);
// The most frequent colour inside `area` that `match` accepts.
QRgb MostCommon(const QImage& image, const QRect& area, const std::function<bool(QRgb)>& match);
// Mean absolute difference per channel (R, G, B together), 0..255.
double MeanAbsError(const QImage& a, const QImage& b);
// The same after averaging both pictures over `block` x `block` squares: what the eye sees of dithering.
double MeanAbsErrorSeen(const QImage& a, const QImage& b, int block = 4);
int DistinctColours(const QImage& image);

QByteArray FileBytes(const QString& path);
void WriteBytes(const QString& path, const QByteArray& bytes);

// Keeps every message instead of showing it.
class RecordingSink : public MessageSink
{
public:
    void information(const QString& text, std::function<void()> dismissed) override;
    void error(const QString& text, std::function<void()> dismissed) override;
    QStringList errors;
    QStringList infos;
};

} // namespace qm::test
