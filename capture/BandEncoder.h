#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <memory>

#include "platform/Error.h"

namespace qm {

// Encodes a picture that arrives in horizontal bands, top to bottom, without ever holding all of its
// pixels: only the encoded file grows in memory. Used for JPEG pages too tall for one capture.
class BandEncoder
{
public:
    virtual ~BandEncoder() = default;
    virtual qm::Result<void> addBand(const QImage& band) = 0; // full width; rows continue the previous band
    virtual qm::Result<QByteArray> finish() = 0; // the complete file, once every row has arrived
};

std::unique_ptr<BandEncoder> MakeJpegBandEncoder(QSize size, int quality);

} // namespace qm
