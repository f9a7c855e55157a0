#pragma once

#include <QByteArray>
#include <QString>

namespace qm {

// Text from pages, servers and lists as it may be shown to a user: control characters (C0, DEL, C1),
// the line and paragraph separators and the bidirectional overrides and isolates are written as
// visible escapes (`\x1b`, `\u202e`), so that no such text can drive a terminal, break a line or
// turn the text around it. Everything else is left as it is.
QString VisibleText(const QString& text);

// Compact JSON (one value) with the same characters written as \u escapes: the same JSON value, which
// a terminal shows without obeying any of them. JSON writers escape C0 controls only.
QByteArray TerminalSafeJson(const QByteArray& json);

} // namespace qm
