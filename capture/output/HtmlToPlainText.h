#pragma once

#include <QString>

namespace qm {

// Plain text of a page's HTML in one left-to-right pass: only the body (when there is a "<body"), tags
// dropped except a few that become line breaks (CR LF) or "|", runs of spaces and line ends folded to
// one space, and a fixed table of named entities decoded (most non-ASCII Latin-1 names give "?",
// "yuml" gives U+00FF; unknown and numeric ones stay as written). Callers write the result as UTF-8.
QString HtmlToPlainText(const QString& html);

} // namespace qm
