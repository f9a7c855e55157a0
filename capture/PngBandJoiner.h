#pragma once

#include <QByteArray>
#include <QSize>

#include "platform/Error.h"

namespace qm {

// Joins the browser's PNG bands of one tall page, top to bottom, into one PNG file without decoding
// them: each band's compressed rows are read through once, to find where its last block ends, and are
// then taken over as they are. A band that cannot stand below another as it is (its first row leans
// on the row above, or its pixel format differs from the first band's) is decoded and compressed
// again. Only the joined file grows in memory.
class PngBandJoiner
{
public:
    explicit PngBandJoiner(QSize size);
    qm::Result<void> addBand(const QByteArray& png, int rows); // full width; rows continue the band before
    qm::Result<QByteArray> finish(); // the complete file, once every row has arrived
    int recompressedBands() const { return m_recompressed; }

private:
    struct Band;
    void start(const Band& first);
    bool takeOver(const Band& band);
    qm::Result<void> recompress(const QByteArray& png, int rows);
    void appendChunk(const char* type, const QByteArray& data);

    QSize m_size;
    int m_rows = 0;
    int m_channels = 3; // of the joined picture: 3 (RGB) or 4 (RGBA), 8 bits each
    bool m_started = false;
    bool m_passThrough = false; // the first band's format can carry the others' compressed rows
    quint32 m_adler = 1;
    int m_recompressed = 0;
    QByteArray m_out;
};

} // namespace qm
