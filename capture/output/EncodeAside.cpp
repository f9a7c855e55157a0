#include "capture/output/EncodeAside.h"

#include <QPromise>
#include <QThreadPool>

#include "capture/output/EncodePicture.h"
#include "platform/MessageSink.h"

namespace qm {

namespace {

// Keeps the encoder's messages for the event thread.
class HeldMessages : public MessageSink
{
public:
    void information(const QString&, std::function<void()>) override { }
    void error(const QString& text, std::function<void()>) override { errors.append(text); }
    QStringList errors;
};

} // namespace

void AsideEncoding::reportTo(MessageSink* messages) const
{
    if (!messages)
        return;
    for (const QString& text : errors)
        messages->error(text);
}

QFuture<AsideEncoding> EncodeAside(QImage picture, std::shared_ptr<OutputFile> file, const QString& format, int quality,
    int colourDepth, int compression)
{
    auto promise = std::make_shared<QPromise<AsideEncoding>>();
    QFuture<AsideEncoding> future = promise->future();
    promise->start();
    QThreadPool::globalInstance()->start([promise, picture, file, format, quality, colourDepth, compression] {
        HeldMessages held;
        AsideEncoding done { EncodePicture(picture, *file, format, quality, colourDepth, compression, &held), {} };
        done.errors = held.errors;
        promise->addResult(std::move(done));
        promise->finish();
    });
    return future;
}

} // namespace qm
