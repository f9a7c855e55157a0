#pragma once

#include <QObject>

#include "queue/QueueOptions.h"

namespace qm::queue {

class RedisConnection;

// `quillmark status`: per batch (or the one asked for) its pages pending, done and failed, then the
// workers whose heartbeat is alive.
class QueueStatus : public QObject
{
    Q_OBJECT
public:
    explicit QueueStatus(QueueOptions options, QObject* parent = nullptr);
    int run();

private:
    void batches();
    void counts(const QByteArrayList& ids);
    void workers();

    QueueOptions m_options;
    RedisConnection* m_redis = nullptr;
};

} // namespace qm::queue
