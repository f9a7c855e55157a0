#include <cstdint>
#include <cstdlib>

#include "batch/UrlListText.h"

// Any bytes as a URL list: what loads must save and load again unchanged.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QStringList addresses = qm::ParseUrlList(QByteArrayView(data, qsizetype(size)));
    QList<qm::UrlListEntry> rows;
    for (const QString& address : addresses)
        rows.append({ address, QStringLiteral("PNG") });
    if (qm::FirstUnwritableRow(rows) != -1)
        std::abort();
    if (qm::ParseUrlList(qm::FormatUrlList(rows)) != addresses)
        std::abort();
    return 0;
}
