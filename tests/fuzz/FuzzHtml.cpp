#include <QString>
#include <cstdint>
#include <cstdlib>

#include "capture/output/HtmlToPlainText.h"

// Any text as a page: the pass ends, and the output never outgrows the input by more than "<p>" does.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString html = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString text = qm::HtmlToPlainText(html);
    if (text.size() > html.size() * 4 / 3 + 1)
        std::abort();
    return 0;
}
