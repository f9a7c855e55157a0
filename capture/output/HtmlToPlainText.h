#pragma once

#include <QString>

namespace qm {

// Plain text of a page's HTML in one left-to-right pass: only the body (when there is a "<body"), tags
// dropped except a few that become line breaks (CR LF) or "|", runs of spaces and line ends folded to
// one space, and character references decoded to the characters they name: numeric ones, the Latin-1
// names and the common typographic ones (an unknown name stays as written). Every other character
// passes through as it is; callers write the result as UTF-8.
QString HtmlToPlainText(const QString& html);

} // namespace qm
