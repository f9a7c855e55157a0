#include <QByteArray>
#include <cstdint>
#include <cstdlib>

#include "settings/IniDocument.h"
#include "settings/TextLines.h"

// Any bytes as a settings file: reading must not crash, and a write must change only its own key:
// the value reads back, and every line of the old text but the replaced one is still there, in order.
namespace {

QList<QByteArray> contents(const QByteArray& bytes)
{
    QList<QByteArray> lines;
    const qsizetype bom = qm::text::BomLength(bytes);
    for (const qm::text::LineSpan& span : qm::text::SplitLines(QByteArrayView(bytes).sliced(bom)))
        lines.append(bytes.mid(bom + span.start, span.length));
    return lines;
}

bool keptInOrder(const QList<QByteArray>& before, const QList<QByteArray>& after)
{
    qsizetype missing = 0;
    qsizetype a = 0;
    for (const QByteArray& line : before) {
        qsizetype at = a;
        while (at < after.size() && after[at] != line)
            ++at;
        if (at == after.size()) {
            ++missing;
            continue;
        }
        a = at + 1;
    }
    return missing <= 1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray before(reinterpret_cast<const char*>(data), qsizetype(size));
    qm::IniDocument document(before);
    (void)document.value(QStringLiteral("set"), QStringLiteral("quality"));
    (void)document.value(QStringLiteral("watermark"), QStringLiteral("Itransparency"));

    // The name written depends on the input, so that existing, missing and odd sections are all tried.
    static const char* const sections[] = { "set", "watermark", "Set ", "\xc3\xa9" };
    static const char* const keys[] = { "quality", "Twz", "Itransparency ", "k" };
    const QString section = QString::fromUtf8(sections[size % 4]);
    const QString key = QString::fromUtf8(keys[(size / 4) % 4]);
    const QString value = QStringLiteral("a=[b] \tc");
    if (document.setValue(section, key, value) == qm::IniDocument::SetOutcome::Changed) {
        if (document.value(section, key) != value)
            std::abort();
        if (!keptInOrder(contents(before), contents(document.bytes())))
            std::abort();
    }
    return 0;
}
