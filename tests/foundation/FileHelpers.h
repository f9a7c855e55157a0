#pragma once

#include <QByteArray>
#include <QString>
#include <ostream>

namespace qm::test {

QByteArray readBytes(const QString& path);
void writeBytes(const QString& path, const QByteArray& bytes);

} // namespace qm::test
