#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <span>

#include "report/ReportRow.h"

namespace qm {

// The counts and times at the top of every page of the report.
struct ReportSummary
{
    int pages = 0; // rows in the list
    int ok = 0;
    int failed = 0;
    int retried = 0; // rows that took more than one try
    double seconds = 0; // the batch's running time, every session of it
    QString started; // when the batch began, local time as text
    bool finished = false;
};

inline constexpr int ReportCardsPerPage = 200;

// report.html, report-2.html ...: the name of the 0-based `page`.
QString ReportPageName(int page);
int ReportPageCount(int rows);

// One page of the report: the summary, links to every page, and the cards of `rows` (at most
// ReportCardsPerPage). Self-contained: inline style, no script, nothing from the network.
QByteArray RenderReportPage(const ReportSummary& summary, std::span<const ReportRow> rows, int page, int pageCount);

} // namespace qm
