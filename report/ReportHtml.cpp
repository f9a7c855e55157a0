#include "report/ReportHtml.h"

#include <QLocale>

#include "platform/VisibleText.h"

namespace qm {

namespace {

const char* const kStyle = R"(
body{font:14px/1.4 "DejaVu Sans",sans-serif;margin:0;background:#f3f4f6;color:#1f2937}
header{background:#1f2937;color:#fff;padding:14px 20px}
header h1{margin:0 0 6px;font-size:20px}
.counts span{display:inline-block;margin-right:18px}
.counts .bad{color:#fca5a5}
nav{padding:8px 20px;background:#e5e7eb}
nav a,nav strong{display:inline-block;padding:2px 7px;margin:2px;border-radius:3px}
nav strong{background:#1f2937;color:#fff}
main{display:grid;grid-template-columns:repeat(auto-fill,minmax(260px,1fr));gap:14px;padding:16px 20px}
.card{background:#fff;border-radius:6px;box-shadow:0 1px 3px #0003;overflow:hidden;display:flex;flex-direction:column}
.card.failed{outline:2px solid #dc2626}
.shot{display:block;aspect-ratio:4/3;background:#fff;border-bottom:1px solid #e5e7eb;overflow:hidden;text-align:center}
.shot img{display:block;width:100%;height:auto}
.tile{display:flex;align-items:center;justify-content:center;aspect-ratio:4/3;background:#e5e7eb;color:#4b5563;
font-size:28px;font-weight:bold;text-decoration:none;border-bottom:1px solid #d1d5db}
.failed .tile{background:#fee2e2;color:#b91c1c;font-size:18px}
.pending .tile{font-size:16px;font-weight:normal}
.info{padding:8px 10px;font-size:12px}
.info h2{font-size:13px;margin:0 0 4px;word-break:break-all}
.info dl{margin:0;display:grid;grid-template-columns:auto 1fr;gap:1px 8px}
.info dt{color:#6b7280}
.info dd{margin:0;word-break:break-all}
.reason{color:#dc2626;font-weight:bold;margin:6px 0 0;word-break:break-word}
)";

// Text for the page: outside text (addresses, titles, reasons) shows its control characters escaped.
QString esc(const QString& text)
{
    return VisibleText(text).toHtmlEscaped();
}

// An address for a link: what VisibleText would escape is percent-encoded instead, so that the link
// still leads where the address does.
QString linkTo(const QString& address)
{
    if (VisibleText(address) == address)
        return address.toHtmlEscaped();
    QString out;
    for (const QChar c : address) {
        const QString one(c);
        if (VisibleText(one) == one || c.isSurrogate())
            out += c;
        else
            out += QString::fromLatin1(one.toUtf8().toPercentEncoding());
    }
    return out.toHtmlEscaped();
}

QString bytesText(qint64 bytes)
{
    return QLocale::c().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

QString secondsText(double seconds)
{
    if (seconds < 60)
        return QString::number(seconds, 'f', 1) + QStringLiteral(" s");
    const qint64 whole = qint64(seconds);
    return QStringLiteral("%1 min %2 s").arg(whole / 60).arg(whole % 60);
}

void card(QString& out, const ReportRow& row)
{
    const char* kind = row.state == ReportRow::State::Ok ? "ok"
        : row.state == ReportRow::State::Failed          ? "failed"
                                                         : "pending";
    out += QStringLiteral("<article class=\"card %1\" id=\"row-%2\">").arg(QLatin1String(kind)).arg(row.number);
    if (row.state == ReportRow::State::Ok && !row.outcome.thumbnail.isEmpty()) {
        out += QStringLiteral("<a class=\"shot\" href=\"%1\"><img src=\"%2\" alt=\"%3\" width=\"320\"></a>")
                   .arg(esc(RelativeHref(row.output())), esc(RelativeHref(row.outcome.thumbnail)), esc(row.output()));
    } else if (row.state == ReportRow::State::Ok) {
        const QString suffix = row.output().section(u'.', -1).toUpper();
        out += QStringLiteral("<a class=\"tile\" href=\"%1\">%2</a>").arg(esc(RelativeHref(row.output())), esc(suffix));
    } else {
        out += QStringLiteral("<div class=\"tile\">%1</div>")
                   .arg(row.state == ReportRow::State::Failed ? QStringLiteral("Failed")
                                                              : QStringLiteral("Not yet converted"));
    }
    // Only what a browser opens as a page is a link: never a script address from a list.
    const bool linkable = row.address.startsWith(QLatin1String("http:"), Qt::CaseInsensitive)
        || row.address.startsWith(QLatin1String("https:"), Qt::CaseInsensitive)
        || row.address.startsWith(QLatin1String("file:"), Qt::CaseInsensitive);
    out += linkable ? QStringLiteral("<div class=\"info\"><h2>%1. <a href=\"%2\">%3</a></h2><dl>")
                          .arg(row.number)
                          .arg(linkTo(row.address), esc(row.address))
                    : QStringLiteral("<div class=\"info\"><h2>%1. %2</h2><dl>").arg(row.number).arg(esc(row.address));
    const auto item = [&out](const char* name, const QString& value) {
        if (!value.isEmpty())
            out += QStringLiteral("<dt>%1</dt><dd>%2</dd>").arg(QLatin1String(name), esc(value));
    };
    if (row.outcome.finalAddress != row.address)
        item("Final address", row.outcome.finalAddress);
    item("Title", row.outcome.title);
    item("HTTP",
        row.outcome.httpStatusLine.isEmpty() && row.outcome.httpStatus ? QString::number(row.outcome.httpStatus)
                                                                       : row.outcome.httpStatusLine);
    if (row.state == ReportRow::State::Ok) {
        item("Output", row.output());
        if (row.outcome.pixelSize.isValid())
            item("Pixels",
                QStringLiteral("%1 × %2").arg(row.outcome.pixelSize.width()).arg(row.outcome.pixelSize.height()));
        item("Size", bytesText(row.bytes));
    }
    if (row.state != ReportRow::State::Pending) {
        item("Time", secondsText(row.outcome.elapsed.count() / 1000.0));
        item("Tries", QString::number(row.tries));
    }
    item("Note", row.outcome.note);
    out += QStringLiteral("</dl>");
    if (row.state == ReportRow::State::Failed)
        out += QStringLiteral("<p class=\"reason\">%1</p>").arg(esc(row.reason()));
    out += QStringLiteral("</div></article>\n");
}

} // namespace

QString ReportPageName(int page)
{
    return page == 0 ? QStringLiteral("report.html") : QStringLiteral("report-%1.html").arg(page + 1);
}

int ReportPageCount(int rows)
{
    return std::max(1, (rows + ReportCardsPerPage - 1) / ReportCardsPerPage);
}

QByteArray RenderReportPage(const ReportSummary& s, std::span<const ReportRow> rows, int page, int pageCount)
{
    QString out;
    out.reserve(int(rows.size()) * 900 + 4000);
    out += QStringLiteral("<!doctype html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
                          "<meta name=\"viewport\" content=\"width=device-width\">"
                          "<title>Quillmark report%1</title><style>")
               .arg(pageCount > 1 ? QStringLiteral(" (page %1 of %2)").arg(page + 1).arg(pageCount) : QString());
    out += QLatin1String(kStyle);
    out += QStringLiteral("</style></head><body><header><h1>Quillmark report</h1><div class=\"counts\">");
    const int done = s.ok + s.failed;
    out += QStringLiteral("<span>%1 pages</span><span>%2 OK</span>").arg(s.pages).arg(s.ok);
    out += QStringLiteral("<span%1>%2 failed</span>")
               .arg(s.failed ? QStringLiteral(" class=\"bad\"") : QString())
               .arg(s.failed);
    if (s.retried)
        out += QStringLiteral("<span>%1 tried again</span>").arg(s.retried);
    if (done < s.pages)
        out += QStringLiteral("<span>%1 not yet converted</span>").arg(s.pages - done);
    out += QStringLiteral("<span>total time %1</span>").arg(secondsText(s.seconds));
    if (s.seconds > 0 && done > 0)
        out += QStringLiteral("<span>%1 pages/s</span>").arg(QString::number(done / s.seconds, 'f', 2));
    out += QStringLiteral("<span>started %1%2</span></div></header>\n")
               .arg(esc(s.started), s.finished ? QString() : QStringLiteral(" (still running)"));
    if (pageCount > 1) {
        out += QStringLiteral("<nav>Pages: ");
        for (int p = 0; p < pageCount; ++p) {
            const int first = p * ReportCardsPerPage + 1;
            const QString range
                = QStringLiteral("%1–%2").arg(first).arg(std::min(s.pages, first + ReportCardsPerPage - 1));
            out += p == page ? QStringLiteral("<strong>%1</strong>").arg(range)
                             : QStringLiteral("<a href=\"%1\">%2</a>").arg(ReportPageName(p), range);
        }
        out += QStringLiteral("</nav>\n");
    }
    out += QStringLiteral("<main>\n");
    for (const ReportRow& row : rows)
        card(out, row);
    out += QStringLiteral("</main></body></html>\n");
    return out.toUtf8();
}

} // namespace qm
