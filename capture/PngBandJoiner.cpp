#include "capture/PngBandJoiner.h"

#include <QImage>
#include <QList>
#include <QtEndian>
#include <array>
#include <cstring>
#include <optional>
#include <vector>

#include <zlib.h>

namespace qm {

namespace {

constexpr char Signature[] = "\x89PNG\r\n\x1a\n";
constexpr qsizetype SignatureBytes = 8;
constexpr qsizetype MostChunkBytes = qsizetype(1) << 28;
constexpr qint64 WindowBytes = 32768; // how far back a deflate block may copy from
constexpr quint32 AdlerBase = 65521;

quint32 ReadU32(const char* at)
{
    return qFromBigEndian<quint32>(reinterpret_cast<const uchar*>(at));
}

void AppendU32(QByteArray& out, quint32 value)
{
    std::array<uchar, 4> bytes;
    qToBigEndian(value, bytes.data());
    out.append(reinterpret_cast<const char*>(bytes.data()), 4);
}

qm::Error Unreadable(const QString& why)
{
    return qm::Error::make(qm::Error::Code::Protocol, why);
}

// Where a band's blocks lie in its compressed rows, in bits from the start of the zlib stream.
struct BlockScan
{
    struct Start
    {
        qint64 bit; // the block's "last block" flag; its type follows
        qint64 raw; // rows' bytes before it
    };
    QList<Start> starts;
    qint64 endBit = -1; // just past the final block
    qint64 rawBytes = 0;
    QByteArray head; // with `headBytes`: the rows before the first block starting at least that far in

    int typeAt(const QByteArray& zlib, qsizetype block) const
    {
        const qint64 bit = starts[block].bit + 1;
        const auto bitAt = [&](qint64 b) { return (uchar(zlib.at(b / 8)) >> (b % 8)) & 1; };
        return bitAt(bit) | bitAt(bit + 1) << 1;
    }
};

// Reads the stream through once, block by block (zlib stops at every block boundary and says how many
// bits of the last byte it read are still unused), checking its length and checksum on the way.
std::optional<BlockScan> ScanBlocks(const QByteArray& zlib, qint64 headBytes)
{
    z_stream stream {};
    if (inflateInit(&stream) != Z_OK)
        return std::nullopt;
    const auto* base = reinterpret_cast<const Bytef*>(zlib.constData());
    stream.next_in = const_cast<Bytef*>(base);
    stream.avail_in = uInt(zlib.size());
    static thread_local std::vector<Bytef> sink(1 << 18);
    BlockScan scan;
    bool keep = headBytes > 0;
    bool ended = false;
    for (;;) {
        stream.next_out = sink.data();
        stream.avail_out = uInt(sink.size());
        const int result = inflate(&stream, Z_BLOCK);
        const qint64 produced = qint64(sink.size() - stream.avail_out);
        if (keep)
            scan.head.append(reinterpret_cast<const char*>(sink.data()), qsizetype(produced));
        scan.rawBytes += produced;
        if (result == Z_STREAM_END) {
            ended = true;
            break;
        }
        if (result != Z_OK || (stream.avail_in == 0 && produced == 0))
            break;
        if (stream.data_type & 128) {
            const qint64 bit = qint64(stream.next_in - base) * 8 - (stream.data_type & 7);
            if (stream.data_type & 64)
                scan.endBit = bit;
            else
                scan.starts.append({ bit, scan.rawBytes });
            keep = keep && scan.rawBytes < headBytes;
        }
    }
    inflateEnd(&stream);
    if (!ended || scan.endBit < 0 || scan.starts.isEmpty() || scan.starts.front().bit != 16)
        return std::nullopt;
    return scan;
}

// Bits [from, to) of `source` appended to `out` from a byte boundary on; the bits past `to` in the
// last byte are zero.
void AppendBits(QByteArray& out, const QByteArray& source, qint64 from, qint64 to)
{
    const auto* in = reinterpret_cast<const uchar*>(source.constData());
    const qsizetype count = qsizetype((to - from + 7) / 8);
    const qsizetype start = out.size();
    out.resize(start + count);
    auto* dst = reinterpret_cast<uchar*>(out.data()) + start;
    const qsizetype first = qsizetype(from / 8);
    const int shift = int(from % 8);
    if (shift == 0) {
        std::memcpy(dst, in + first, size_t(count));
    } else {
        for (qsizetype i = 0; i < count; ++i) {
            const qsizetype at = first + i;
            const uint next = at + 1 < source.size() ? in[at + 1] : 0;
            dst[i] = uchar((in[at] >> shift) | (next << (8 - shift)));
        }
    }
    if (const int used = int((to - from) % 8))
        dst[count - 1] &= uchar((1 << used) - 1);
}

// A first row's bytes as they are, from the row filtered against a row of zeros above it; its filter
// becomes "none".
void UnfilterFirstRow(uchar* row, qsizetype bytes, int pixelBytes)
{
    const int filter = row[0];
    uchar* px = row + 1;
    for (qsizetype i = 0; i < bytes - 1; ++i) {
        const uchar left = i >= pixelBytes ? px[i - pixelBytes] : 0;
        if (filter == 1 || filter == 4) // sub; Paeth with nothing above picks the left byte
            px[i] = uchar(px[i] + left);
        else if (filter == 3)
            px[i] = uchar(px[i] + left / 2);
    }
    row[0] = 0;
}

// The Adler-32 of `total` bytes after the bytes at their start changed from `before` to `after`: each
// byte counts once in the low sum and (total - index) times in the high one.
quint32 AdlerAfterChange(quint32 adler, qint64 total, const QByteArray& before, const uchar* after)
{
    qint64 low = adler & 0xffff;
    qint64 high = adler >> 16;
    for (qsizetype i = 0; i < before.size(); ++i) {
        const qint64 delta = qint64(after[i]) - uchar(before[i]);
        if (delta == 0)
            continue;
        low += delta;
        high += ((total - i) % AdlerBase) * delta;
        low %= AdlerBase;
        high %= AdlerBase;
    }
    low = (low + AdlerBase) % AdlerBase;
    high = (high + AdlerBase) % AdlerBase;
    return quint32(low | (high << 16));
}

// Raw deflate at the fastest level, each piece ending on a byte boundary with no final block.
class RawDeflate
{
public:
    RawDeflate() { m_ok = deflateInit2(&m_stream, 1, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) == Z_OK; }
    ~RawDeflate() { deflateEnd(&m_stream); }
    RawDeflate(const RawDeflate&) = delete;
    RawDeflate& operator=(const RawDeflate&) = delete;

    bool add(const uchar* data, qsizetype size, bool last, QByteArray& out)
    {
        if (!m_ok)
            return false;
        m_stream.next_in = const_cast<Bytef*>(data);
        m_stream.avail_in = uInt(size);
        std::array<Bytef, 1 << 16> buffer;
        do {
            m_stream.next_out = buffer.data();
            m_stream.avail_out = uInt(buffer.size());
            if (deflate(&m_stream, last ? Z_SYNC_FLUSH : Z_NO_FLUSH) == Z_STREAM_ERROR)
                return m_ok = false;
            out.append(reinterpret_cast<const char*>(buffer.data()), qsizetype(buffer.size() - m_stream.avail_out));
        } while (m_stream.avail_out == 0);
        return true;
    }

private:
    z_stream m_stream {};
    bool m_ok = false;
};

} // namespace

struct PngBandJoiner::Band
{
    quint32 width = 0;
    quint32 height = 0;
    int depth = 0;
    int colour = 0;
    int interlace = 0;
    QByteArray zlib; // every IDAT chunk's data, in order
    QList<std::pair<QByteArray, QByteArray>> extras; // (type, data) of the chunks between IHDR and IDAT

    bool joinable() const { return depth == 8 && (colour == 2 || colour == 6) && interlace == 0; }
    int channels() const { return colour == 6 ? 4 : 3; }

    static std::optional<Band> parse(const QByteArray& png)
    {
        if (!png.startsWith(QByteArray(Signature, SignatureBytes)))
            return std::nullopt;
        Band band;
        bool header = false;
        for (qsizetype at = SignatureBytes; at + 12 <= png.size();) {
            const qsizetype length = ReadU32(png.constData() + at);
            const QByteArray type = png.mid(at + 4, 4);
            if (length > png.size() - at - 12)
                return std::nullopt;
            const char* data = png.constData() + at + 8;
            if (type == "IHDR" && length == 13) {
                band.width = ReadU32(data);
                band.height = ReadU32(data + 4);
                band.depth = uchar(data[8]);
                band.colour = uchar(data[9]);
                band.interlace = data[10] || data[11] ? -1 : uchar(data[12]); // other methods: not joinable
                header = true;
            } else if (type == "IDAT") {
                band.zlib.append(data, length);
            } else if (type == "IEND") {
                break;
            } else if (band.zlib.isEmpty() && type != "PLTE") {
                band.extras.append({ type, QByteArray(data, length) });
            }
            at += 12 + length;
        }
        if (!header || band.zlib.size() < 6)
            return std::nullopt;
        return band;
    }
};

PngBandJoiner::PngBandJoiner(QSize size)
    : m_size(size)
{
}

void PngBandJoiner::start(const Band& first)
{
    m_started = true;
    m_passThrough = first.joinable();
    m_channels = m_passThrough ? first.channels() : 3;
    m_out.append(Signature, SignatureBytes);
    QByteArray header;
    AppendU32(header, quint32(m_size.width()));
    AppendU32(header, quint32(m_size.height()));
    header.append(char(8));
    header.append(char(m_channels == 4 ? 6 : 2));
    header.append(3, '\0');
    appendChunk("IHDR", header);
    // The browser's colour-space notes, as a picture taken in one piece carries them.
    if (m_passThrough)
        for (const auto& [type, data] : first.extras)
            appendChunk(type.constData(), data);
    appendChunk("IDAT", QByteArray("\x78\x01", 2)); // zlib header: deflate, 32 KiB window
}

qm::Result<void> PngBandJoiner::addBand(const QByteArray& png, int rows)
{
    if (rows <= 0 || m_rows + rows > m_size.height())
        return std::unexpected(Unreadable(QStringLiteral("A band does not fit the picture")));
    const std::optional<Band> band = Band::parse(png);
    if (!m_started)
        start(band ? *band : Band {});
    const bool sameFormat = band && band->joinable() && band->channels() == m_channels
        && band->width == quint32(m_size.width()) && band->height == quint32(rows);
    if (!(m_passThrough && sameFormat && takeOver(*band))) {
        if (auto redone = recompress(png, rows); !redone)
            return redone;
    }
    m_rows += rows;
    return {};
}

// The band's deflate blocks go in as they are, up to its last block with rows in it (the browser
// ends with empty ones), which becomes an ordinary block followed by an empty stored block: that ends
// on a byte boundary, where the next band's blocks start. Below another band, a first row filtered
// against the row above (the browser's encoder does so) would be read against the wrong row: the
// blocks up to one window past that row are made again with the row unfiltered, and the rest follow
// as they are, for none of them can copy from it.
bool PngBandJoiner::takeOver(const Band& band)
{
    const QByteArray& zlib = band.zlib;
    if (zlib.at(1) & 0x20) // a preset dictionary: never in a PNG
        return false;
    const qint64 rowBytes = 1 + qint64(m_size.width()) * m_channels;
    const qint64 headBytes = rowBytes + WindowBytes;
    std::optional<BlockScan> scan = ScanBlocks(zlib, m_rows > 0 ? headBytes : 0);
    if (!scan || scan->rawBytes != rowBytes * band.height || (scan->endBit + 7) / 8 != zlib.size() - 4)
        return false;
    const QList<BlockScan::Start>& starts = scan->starts;
    const qsizetype blocks = starts.size();
    const auto rawAfter = [&](qsizetype i) { return i + 1 < blocks ? starts[i + 1].raw : scan->rawBytes; };
    const auto bitAfter = [&](qsizetype i) { return i + 1 < blocks ? starts[i + 1].bit : scan->endBit; };
    qsizetype lastFull = blocks - 1;
    while (lastFull > 0 && rawAfter(lastFull) == starts[lastFull].raw)
        --lastFull;
    const qint64 end = bitAfter(lastFull);
    // The final block must say it is final.
    if (!((uchar(zlib.at(starts.back().bit / 8)) >> (starts.back().bit % 8)) & 1))
        return false;

    quint32 adler = ReadU32(zlib.constData() + zlib.size() - 4);
    QByteArray piece;
    qsizetype first = 0; // the first block taken over as it is
    if (m_rows > 0 && uchar(scan->head.at(0)) > 1) {
        while (first < blocks && starts[first].raw < headBytes)
            ++first;
        if (first > lastFull)
            first = blocks; // nothing is left to take over
        const qint64 made = first < blocks ? starts[first].raw : scan->rawBytes;
        if (scan->head.size() < made)
            return false;
        scan->head.truncate(made);
        const QByteArray before = scan->head.left(rowBytes);
        auto* rows = reinterpret_cast<uchar*>(scan->head.data());
        UnfilterFirstRow(rows, rowBytes, m_channels);
        adler = AdlerAfterChange(adler, scan->rawBytes, before, rows);
        RawDeflate deflater;
        if (!deflater.add(rows, scan->head.size(), true, piece))
            return false;
    }
    if (first <= lastFull) {
        const qint64 from = starts[first].bit;
        // A stored block keeps its length on a byte boundary: it can only move by whole bytes.
        for (qsizetype i = first; i <= lastFull && from % 8 != 0; ++i)
            if (scan->typeAt(zlib, i) == 0)
                return false;
        const qsizetype at = piece.size();
        AppendBits(piece, zlib, from, end);
        if (lastFull == blocks - 1) {
            const qint64 flag = starts.back().bit - from;
            piece[at + flag / 8] = char(uchar(piece[at + flag / 8]) & ~(1 << (flag % 8)));
        }
        const int used = int((end - from) % 8);
        if (used == 0 || used > 5) // the stored block's three header bits need one more byte
            piece.append('\0');
        piece.append("\0\0\xff\xff", 4);
    }
    m_adler = quint32(adler32_combine(m_adler, adler, z_off_t(scan->rawBytes)));
    appendChunk("IDAT", piece);
    return true;
}

qm::Result<void> PngBandJoiner::recompress(const QByteArray& png, int rows)
{
    const QImage decoded = QImage::fromData(png, "PNG");
    if (decoded.size() != QSize(m_size.width(), rows))
        return std::unexpected(Unreadable(QStringLiteral("The browser returned a band of the wrong size")));
    const QImage image = decoded.convertToFormat(m_channels == 4 ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
    ++m_recompressed;
    const qsizetype rowBytes = 1 + qsizetype(m_size.width()) * m_channels;
    QByteArray filtered(rowBytes, '\0');
    auto* out = reinterpret_cast<uchar*>(filtered.data());
    QByteArray piece;
    RawDeflate deflater;
    for (int y = 0; y < rows; ++y) {
        // Each byte less the one a pixel to its left: the row stands on its own.
        const uchar* line = image.constScanLine(y);
        out[0] = 1;
        for (qsizetype i = 0; i < rowBytes - 1; ++i)
            out[1 + i] = uchar(line[i] - (i >= m_channels ? line[i - m_channels] : 0));
        m_adler = quint32(adler32(m_adler, out, uInt(rowBytes)));
        if (!deflater.add(out, rowBytes, y + 1 == rows, piece))
            return std::unexpected(Unreadable(QStringLiteral("The PNG encoder failed")));
    }
    appendChunk("IDAT", piece);
    return {};
}

qm::Result<QByteArray> PngBandJoiner::finish()
{
    if (!m_started || m_rows != m_size.height())
        return std::unexpected(Unreadable(QStringLiteral("The picture is missing rows")));
    QByteArray end("\x03\x00", 2); // an empty final block
    AppendU32(end, m_adler);
    appendChunk("IDAT", end);
    appendChunk("IEND", {});
    return std::move(m_out);
}

void PngBandJoiner::appendChunk(const char* type, const QByteArray& data)
{
    for (qsizetype at = 0; at < data.size() || at == 0; at += MostChunkBytes) {
        const QByteArrayView part = QByteArrayView(data).sliced(at, std::min(MostChunkBytes, data.size() - at));
        AppendU32(m_out, quint32(part.size()));
        const qsizetype typeAt = m_out.size();
        m_out.append(type, 4);
        m_out.append(part);
        const auto* checked = reinterpret_cast<const Bytef*>(m_out.constData() + typeAt);
        AppendU32(m_out, quint32(crc32(0, checked, uInt(4 + part.size()))));
    }
}

} // namespace qm
