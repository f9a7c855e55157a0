#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace qm {

// Standard base64 (padded, no line breaks, as the browser sends pictures and files) decoded a few
// times faster than QByteArray::fromBase64; anything else is left to that.
QByteArray DecodeBase64(QByteArrayView text);

} // namespace qm
