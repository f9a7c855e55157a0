#pragma once

#include <QElapsedTimer>
#include <QString>
#include <cstdio>

#include "capture/PageRunner.h"

namespace qm::run {

// The output's reader went away (`| head -1`): the status a shell reports for a death by SIGPIPE.
inline constexpr int ClosedOutputStatus = 141;

// What the command line shows while it converts: on a terminal a bar with pages done and failed and
// an estimate of the time left; otherwise one line per page; with --json one JSON object per page.
// Text from pages and servers is shown with its control characters escaped (VisibleText); JSON
// escapes them as JSON does.
class ProgressDisplay
{
public:
    enum class Style { Bar, Lines, Quiet };

    ProgressDisplay(int total, Style style, bool json, std::FILE* out, std::FILE* err);

    // Shows the page's line; false once the output cannot be written (its reader has gone).
    bool pageFinished(const QString& address, const PageOutcome& outcome);
    void refresh(); // redraws the bar (its time estimate moves on)
    void clear(); // takes the bar off the terminal before other output

    int done() const { return m_done; }
    int failed() const { return m_failed; }
    bool outputClosed() const { return m_outClosed; }

    // The JSON object of one finished page, on one line.
    static QByteArray jsonLine(const QString& address, const PageOutcome& outcome);
    // "3/10 done, 1 failed, about 0:12 left" and the bar before it, fitted to `columns`.
    static QString barText(int done, int failed, int total, qint64 elapsedMs, int columns);

private:
    void writeLine(const QByteArray& line);

    int m_total;
    Style m_style;
    bool m_json;
    std::FILE* m_out;
    std::FILE* m_err;
    int m_done = 0;
    int m_failed = 0;
    bool m_barShown = false;
    bool m_outClosed = false;
    QElapsedTimer m_clock;
};

} // namespace qm::run
