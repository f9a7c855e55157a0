#include "run/ProgressDisplay.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <sys/ioctl.h>
#include <unistd.h>

#include "platform/VisibleText.h"

namespace qm::run {

namespace {

int terminalColumns(std::FILE* stream)
{
    winsize size {};
    if (ioctl(fileno(stream), TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

QString clockText(qint64 seconds)
{
    if (seconds >= 3600)
        return QStringLiteral("%1:%2:%3")
            .arg(seconds / 3600)
            .arg((seconds / 60) % 60, 2, 10, QLatin1Char('0'))
            .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

ProgressDisplay::ProgressDisplay(int total, Style style, bool json, std::FILE* out, std::FILE* err)
    : m_total(total)
    , m_style(style)
    , m_json(json)
    , m_out(out)
    , m_err(err)
{
    m_clock.start();
}

QByteArray ProgressDisplay::jsonLine(const QString& address, const PageOutcome& outcome)
{
    QJsonObject object;
    object.insert(QStringLiteral("address"), address);
    object.insert(QStringLiteral("status"), outcome.output ? QStringLiteral("OK") : QStringLiteral("Failed"));
    object.insert(QStringLiteral("output"), outcome.output ? QJsonValue(*outcome.output) : QJsonValue());
    // A converted error page (httperrors on) is OK, with its status as the reason.
    object.insert(QStringLiteral("reason"),
        !outcome.output                 ? outcome.output.error().message
            : outcome.httpStatus >= 400 ? outcome.httpStatusLine
                                        : QString());
    object.insert(QStringLiteral("httpStatus"), outcome.httpStatus);
    object.insert(QStringLiteral("milliseconds"), qint64(outcome.elapsed.count()));
    // Known once the page loaded; the size is the output picture's, 0 for PDF and text.
    object.insert(QStringLiteral("finalAddress"), outcome.finalAddress);
    object.insert(QStringLiteral("title"), outcome.title);
    object.insert(QStringLiteral("width"), outcome.pixelSize.isValid() ? outcome.pixelSize.width() : 0);
    object.insert(QStringLiteral("height"), outcome.pixelSize.isValid() ? outcome.pixelSize.height() : 0);
    if (!outcome.note.isEmpty())
        object.insert(QStringLiteral("note"), outcome.note);
    return TerminalSafeJson(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QString ProgressDisplay::barText(int done, int failed, int total, qint64 elapsedMs, int columns)
{
    QString tail = QStringLiteral(" %1/%2 done").arg(done).arg(total);
    if (failed > 0)
        tail += QStringLiteral(", %1 failed").arg(failed);
    if (done > 0 && done < total) {
        const qint64 left = (elapsedMs * (total - done) / done + 999) / 1000;
        tail += QStringLiteral(", about %1 left").arg(clockText(left));
    }
    const int width = std::clamp(columns - int(tail.size()) - 3, 10, 40);
    const int filled = total > 0 ? int(qint64(width) * done / total) : width;
    return QLatin1Char('[') + QString(filled, u'#') + QString(width - filled, u'-') + QLatin1Char(']') + tail;
}

void ProgressDisplay::clear()
{
    if (!m_barShown)
        return;
    std::fputs("\r\033[K", m_err);
    std::fflush(m_err);
    m_barShown = false;
}

void ProgressDisplay::refresh()
{
    if (m_style != Style::Bar)
        return;
    const QString text = barText(m_done, m_failed, m_total, m_clock.elapsed(), terminalColumns(m_err));
    std::fputs("\r\033[K", m_err);
    std::fputs(text.toLocal8Bit().constData(), m_err);
    std::fflush(m_err);
    m_barShown = true;
}

bool ProgressDisplay::pageFinished(const QString& address, const PageOutcome& outcome)
{
    ++m_done;
    if (!outcome.output)
        ++m_failed;
    clear();
    if (m_json) {
        writeLine(jsonLine(address, outcome));
    } else if (m_style != Style::Quiet) {
        QString line = outcome.output ? QStringLiteral("OK      %1 -> %2").arg(address, *outcome.output)
                                      : QStringLiteral("Failed  %1: %2").arg(address, outcome.output.error().message);
        if (outcome.output && outcome.httpStatus >= 400)
            line += QStringLiteral(" (%1)").arg(outcome.httpStatusLine);
        if (outcome.output && !outcome.note.isEmpty())
            line += QStringLiteral(" (%1)").arg(outcome.note);
        writeLine(VisibleText(line).toLocal8Bit());
    }
    refresh();
    return !m_outClosed;
}

void ProgressDisplay::writeLine(const QByteArray& line)
{
    if (m_outClosed)
        return;
    // Whoever read the output has gone (`| head -1`): the rest of the run would write for nobody.
    if (std::fputs(line.constData(), m_out) < 0 || std::fputc('\n', m_out) < 0 || std::fflush(m_out) != 0)
        m_outClosed = true;
}

} // namespace qm::run
