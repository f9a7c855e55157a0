#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QList>
#include <QStringList>
#include <functional>
#include <memory>

#include "platform/Error.h"
#include "report/ReportHtml.h"
#include "report/ReportRow.h"

namespace qm {

// The report of one batch in its output folder: report.json (every row, machine-readable) and
// report.html, report-2.html ... (cards with thumbnails, 200 a page), thumbnails in report-files/.
// Every file is replaced in one step, never written through a link (see ReplaceFile), and a write
// that fails leaves the file before it whole. After each page only two HTML pages are rendered again (the
// page's own and the first, which holds the summary); the other pages are brought up to date when the
// batch finishes. report.json is written again after each page (flushed to disk, from rows serialised once
// each) while it is small; a large one (thousands of rows) costs a write of megabytes, so then each
// page's row is appended to report-journal.jsonl instead and report.json is written again every 200
// pages and at the end. Opening a report replays its journal.
class BatchReport
{
public:
    static constexpr const char* JsonName = "report.json";
    static constexpr const char* FilesFolder = "report-files";
    static constexpr const char* JournalName = "report-journal.jsonl";
    // report.json up to this size is written again after each page; beyond it the journal takes the rows.
    static constexpr qsizetype RewriteLimit = 512 * 1024;

    // A new report of `addresses` in `folder`, replacing one there.
    static Result<std::unique_ptr<BatchReport>> create(const QString& folder, const QStringList& addresses);
    // The report in `folder`, to go on with: rows not OK (or whose output is gone) are converted again.
    static Result<std::unique_ptr<BatchReport>> open(const QString& folder);

    const QString& folder() const { return m_folder; }
    QString htmlPath() const;
    QString jsonPath() const;
    QString filesFolder() const; // the thumbnails'
    int rowCount() const { return int(m_rows.size()); }
    const ReportRow& row(int index) const { return m_rows[index]; }
    QStringList addresses() const;
    bool isDone(int index) const { return m_rows[index].state == ReportRow::State::Ok; }

    // An interrupted run may have written a page's output and been killed before it was recorded.
    // Such outputs (in the report's folder, written since the batch began, named by no row) are taken
    // for the pending rows whose output name starts with `baseNameOf(address)`, so that no page is
    // converted twice. Returns how many were taken.
    int adoptUnrecorded(const std::function<QString(const QString& address)>& baseNameOf);

    // The page at `index` ended (`tries` tries); its card and report.json are written again.
    Result<void> record(int index, const PageOutcome& outcome, int tries);
    // The batch ended: every page is written with the final summary.
    Result<void> finish();
    bool finished() const { return m_finished; }

    ReportSummary summary() const;

private:
    BatchReport() = default;
    void setOutput(ReportRow& row, const QString& output, const QString& picture);
    Result<void> writeJson();
    Result<void> saveRow(int index);
    void replayJournal();
    Result<void> writePage(int page);
    Result<void> writeAll();
    void removeStaleFiles() const;
    void removeTemporaries() const;

    QString m_folder;
    QList<ReportRow> m_rows;
    QList<QByteArray> m_rowJson; // each row serialised once, when it changes
    QDateTime m_started;
    double m_earlierSeconds = 0; // sessions before this one
    QElapsedTimer m_session;
    bool m_finished = false;
    qsizetype m_jsonBytes = 0; // of the last report.json written
    int m_journalRows = 0; // rows appended since report.json was last written
};

} // namespace qm
