#pragma once

#include <QList>
#include <QString>

namespace qm::bench {

struct BenchPage
{
    QString name;
    QString url; // file:// address of the generated page
};

// Writes the benchmark's pages (short, long, image-heavy, 40,000 px) into `folder`.
QList<BenchPage> WriteBenchPages(const QString& folder);

} // namespace qm::bench
