#pragma once

#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>

#include "capture/output/PdfOutput.h"
#include "platform/Error.h"
#include "platform/cdp/Snapshot.h"

namespace qm {

namespace cdp {
class Tab;
}
class OutputFile;

// Paginated PDF (see PdfPrinter) of the page at `address` (the tab's loaded page when it shows that
// address, else the tab navigates there first); written atomically; nothing written on failure. The
// page settles, and its scrolling boxes are opened as `expand` asks before printing (else an app-shell
// page prints as one sheet) and given back afterwards.
void MakePdfFromPage(cdp::Tab& tab, const QString& address, const QString& outputPath, std::chrono::milliseconds limit,
    cdp::ScrollerExpansion expand, bool tagged, std::function<void(qm::Result<void>)> done);

// The same document of the page the tab shows, never loaded again (a page control may have changed its
// address within the page), streamed into `file`; `done` gets it back complete but not finished or
// landed, or the failure (the file then is dropped, which removes it). `address` names it in errors.
// What the document's outcome should say (a virtual list kept at its height) is added to `notes`.
void MakePdfInto(cdp::Tab& tab, const QString& address, std::unique_ptr<OutputFile> file,
    std::chrono::milliseconds limit, cdp::ScrollerExpansion expand, bool tagged, PdfDone done,
    std::shared_ptr<QStringList> notes = nullptr);

} // namespace qm
