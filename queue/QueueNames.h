#pragma once

#include <QByteArray>
#include <QString>

namespace qm::queue {

// The Redis keys of one queue, all under the stream's name: the job stream itself, and per batch its
// description, result stream and sets of finished pages; per worker a key that lives while it beats.
struct QueueNames
{
    QByteArray stream = "quillmark";
    QByteArray group = "quillmark";

    QByteArray jobs() const { return stream; }
    QByteArray batches() const { return stream + ":batches"; } // sorted set: batch id by submit time
    QByteArray batch(const QByteArray& id) const { return stream + ":batch:" + id; } // hash
    QByteArray results(const QByteArray& id) const { return stream + ":results:" + id; } // stream
    QByteArray done(const QByteArray& id) const { return stream + ":done:" + id; } // set of page numbers
    QByteArray failed(const QByteArray& id) const { return stream + ":failed:" + id; } // set of page numbers
    QByteArray workers() const { return stream + ":workers"; } // set of worker names
    QByteArray worker(const QByteArray& name) const { return stream + ":worker:" + name; } // expires
};

} // namespace qm::queue
