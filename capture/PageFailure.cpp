#include "capture/PageFailure.h"

#include <QRegularExpression>

#include "platform/VerboseLog.h"

namespace qm {

namespace {

constexpr qsizetype ReasonLimit = 300;

// "Runtime.evaluate timed out after ...", "Page.navigate failed: ...": the browser's own words.
bool SpeaksProtocol(const QString& message)
{
    static const QRegularExpression pattern(
        QStringLiteral("\\b[A-Z][A-Za-z]+\\.[a-z][A-Za-z]+ (failed|timed out|got no answer|was not sent)"));
    return pattern.match(message).hasMatch();
}

QString OneLine(QString text)
{
    text = text.section(u'\n', 0, 0).trimmed();
    if (text.size() > ReasonLimit)
        text = text.left(ReasonLimit - 1) + QChar(0x2026);
    return text;
}

} // namespace

QString PageTimeLimitText(std::chrono::milliseconds limit)
{
    return QStringLiteral("the page did not finish loading within %1 s")
        .arg(QString::number(double(limit.count()) / 1000.0, 'g', 6));
}

Error UserFacingFailure(const Error& raw, const PageFailureFacts& facts)
{
    VerboseLog(QStringLiteral("%1: %2").arg(facts.address, raw.message));
    QString text = raw.message;
    const QString ended = QStringLiteral("the browser ended unexpectedly");
    switch (raw.code) {
    case Error::Code::Timeout:
        text = facts.limitReached ? PageTimeLimitText(facts.limit) : QStringLiteral("the page stopped responding");
        break;
    case Error::Code::Crashed:
        text = QStringLiteral("the page crashed");
        break;
    case Error::Code::BrowserGone:
        if (const qsizetype at = text.indexOf(ended); at >= 0)
            text = text.mid(at);
        else
            text = QStringLiteral("the browser closed the page unexpectedly");
        break;
    default:
        if (SpeaksProtocol(text))
            text = raw.code == Error::Code::Protocol ? QStringLiteral("the browser could not convert the page")
                                                     : QStringLiteral("the page could not be converted");
        break;
    }
    // The row already names its address.
    if (!facts.address.isEmpty() && text.startsWith(facts.address + QStringLiteral(": ")))
        text = text.mid(facts.address.size() + 2);
    return Error::make(raw.code, OneLine(text));
}

} // namespace qm
