#pragma once

#include <QFuture>
#include <QImage>
#include <QString>
#include <memory>

#include "platform/Error.h"

namespace qm {

class MessageSink;
class OutputFile;

// What an encoding on a worker thread gives back: its outcome, and the messages the encoder had for the
// user, which are sent from the event thread (message sinks show dialogs there).
struct AsideEncoding
{
    Result<void> written;
    QStringList errors;

    void reportTo(MessageSink* messages) const;
};

// EncodePicture (see EncodePicture.h) on the global thread pool. Encoding a tall page takes seconds; the
// event thread meanwhile keeps speaking to the browsers of the other pages. `file` is written there and
// nowhere else until the future is done.
QFuture<AsideEncoding> EncodeAside(QImage picture, std::shared_ptr<OutputFile> file, const QString& format, int quality,
    int colourDepth, int compression);

} // namespace qm
