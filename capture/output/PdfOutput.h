#pragma once

#include <QString>
#include <functional>
#include <memory>

#include "platform/Error.h"

namespace qm {

namespace cdp {
class PageDeadline;
class Tab;
} // namespace cdp
class OutputFile;

using PdfDone = std::function<void(Result<std::unique_ptr<OutputFile>>)>;

// Prints the page a tab shows, as it is now, into a file: A4 paper, 24 pt margins left and right, 48 pt
// top and bottom, backgrounds printed. The document is streamed from the browser in pieces, so long
// documents never travel as one message. `tagged` adds the document structure screen readers use: about
// twice the size and a sixth more work. Its commands run against the caller's deadline, whose failures
// the caller passes on to abandon().
class PdfPrinter
{
public:
    PdfPrinter(cdp::Tab& tab, cdp::PageDeadline& deadline);

    // `done` gets the file back complete but not finished or landed, or the failure (the file is then
    // dropped, which removes it).
    void print(bool tagged, std::unique_ptr<OutputFile> file, PdfDone done);

    // Ends the print: the browser's stream is closed and the file dropped; `done` hears `why`.
    void abandon(const Error& why);

private:
    void readChunk();
    void closeStream();
    void finish(Result<std::unique_ptr<OutputFile>> result);

    cdp::Tab& m_tab;
    cdp::PageDeadline& m_deadline;
    std::unique_ptr<OutputFile> m_file; // dropped, and so removed, unless handed on complete
    PdfDone m_done;
    QString m_stream;
};

} // namespace qm
