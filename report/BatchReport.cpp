#include "report/BatchReport.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>

#include <unistd.h>

#include "capture/PageOutcome.h"
#include "platform/FileWrites.h"
#include "platform/VisibleText.h"
#include "report/ReportThumbnail.h"

namespace qm {

namespace {

constexpr qint64 LargestReport = qint64(512) << 20;

// A row as report.json holds it: JSON, whose text a terminal shows without obeying any control in it.
QByteArray serialised(const ReportRow& row)
{
    return TerminalSafeJson(QJsonDocument(row.toJson()).toJson(QJsonDocument::Compact));
}

} // namespace

QString BatchReport::htmlPath() const
{
    return m_folder + u'/' + ReportPageName(0);
}

QString BatchReport::filesFolder() const
{
    return m_folder + u'/' + QLatin1String(FilesFolder);
}

QString BatchReport::jsonPath() const
{
    return m_folder + u'/' + QLatin1String(JsonName);
}

QStringList BatchReport::addresses() const
{
    QStringList out;
    out.reserve(m_rows.size());
    for (const ReportRow& row : m_rows)
        out.append(row.address);
    return out;
}

Result<std::unique_ptr<BatchReport>> BatchReport::create(const QString& folder, const QStringList& addresses)
{
    std::unique_ptr<BatchReport> report(new BatchReport);
    report->m_folder = QDir::cleanPath(folder);
    report->m_started = QDateTime::currentDateTime();
    report->m_session.start();
    for (qsizetype i = 0; i < addresses.size(); ++i) {
        ReportRow row;
        row.number = int(i + 1);
        row.address = addresses[i];
        report->m_rowJson.append(serialised(row));
        report->m_rows.append(std::move(row));
    }
    if (!QDir().mkpath(report->m_folder))
        return fail(Error::Code::Io, QStringLiteral("cannot create %1").arg(report->m_folder));
    if (auto files = RealFolder(report->filesFolder()); !files)
        return std::unexpected(files.error());
    report->removeStaleFiles();
    report->removeTemporaries();
    if (auto written = report->writeAll(); !written)
        return std::unexpected(written.error());
    return report;
}

Result<std::unique_ptr<BatchReport>> BatchReport::open(const QString& folder)
{
    std::unique_ptr<BatchReport> report(new BatchReport);
    report->m_folder = QDir::cleanPath(folder);
    QFile file(report->jsonPath());
    if (!file.exists())
        return fail(Error::Code::NotFound, QStringLiteral("%1 holds no report to go on with").arg(report->m_folder));
    if (file.size() > LargestReport || !file.open(QIODevice::ReadOnly))
        return fail(Error::Code::Io, QStringLiteral("cannot read %1").arg(report->jsonPath()));
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    const QJsonObject top = document.object();
    if (error.error != QJsonParseError::NoError
        || top.value(QLatin1String("report")).toString() != QLatin1String("quillmark"))
        return fail(Error::Code::Io, QStringLiteral("%1 is not a Quillmark report").arg(report->jsonPath()));
    report->m_started = QDateTime::fromString(top.value(QLatin1String("started")).toString(), Qt::ISODateWithMs);
    report->m_earlierSeconds = top.value(QLatin1String("seconds")).toDouble();
    report->m_session.start();
    const QJsonArray rows = top.value(QLatin1String("rows")).toArray();
    for (const QJsonValue& value : rows) {
        ReportRow row = ReportRow::fromJson(value.toObject());
        row.number = int(report->m_rows.size() + 1);
        // An output removed since is converted again.
        if (row.state == ReportRow::State::Ok && !QFileInfo(report->m_folder + u'/' + row.output()).isFile())
            row.state = ReportRow::State::Pending;
        report->m_rowJson.append(serialised(row));
        report->m_rows.append(std::move(row));
    }
    report->replayJournal();
    if (auto files = RealFolder(report->filesFolder()); !files)
        return std::unexpected(files.error());
    report->removeTemporaries();
    if (auto written = report->writeAll(); !written)
        return std::unexpected(written.error());
    return report;
}

int BatchReport::adoptUnrecorded(const std::function<QString(const QString& address)>& baseNameOf)
{
    QSet<QString> recorded;
    for (const ReportRow& row : std::as_const(m_rows))
        if (!row.output().isEmpty())
            recorded.insert(row.output());
    // Outputs of this batch that no row names, oldest first (the order their pages landed).
    QFileInfoList unrecorded;
    const QFileInfoList files = QDir(m_folder).entryInfoList(QDir::Files, QDir::Time | QDir::Reversed);
    for (const QFileInfo& info : files) {
        const QString name = info.fileName();
        static const QRegularExpression ownFile(QStringLiteral("^report(-\\d+|-journal)?\\.(html|json|jsonl)$"));
        if (recorded.contains(name) || ownFile.match(name).hasMatch() || name.endsWith(QLatin1String("_Thumbnail.jpg"))
            || (m_started.isValid() && info.lastModified() < m_started.addSecs(-1)))
            continue;
        unrecorded.append(info);
    }
    int adopted = 0;
    for (int i = 0; i < m_rows.size() && !unrecorded.isEmpty(); ++i) {
        ReportRow& row = m_rows[i];
        if (row.state == ReportRow::State::Ok)
            continue;
        const QRegularExpression own(
            QStringLiteral("^%1(_\\d+)?\\.[A-Za-z]+$").arg(QRegularExpression::escape(baseNameOf(row.address))));
        for (qsizetype k = 0; k < unrecorded.size(); ++k) {
            if (!own.match(unrecorded[k].fileName()).hasMatch())
                continue;
            row.state = ReportRow::State::Ok;
            row.tries += 1;
            row.outcome.note = QStringLiteral("written by the interrupted run");
            setOutput(row, unrecorded[k].absoluteFilePath(), unrecorded[k].absoluteFilePath());
            m_rowJson[i] = serialised(row);
            unrecorded.removeAt(k);
            ++adopted;
            break;
        }
    }
    if (adopted > 0)
        (void)writeAll(); // the resumed run writes again after each page and says when it cannot
    return adopted;
}

void BatchReport::setOutput(ReportRow& row, const QString& output, const QString& picture)
{
    row.outcome.output = RelativeTo(m_folder, output);
    row.bytes = QFileInfo(output).size();
    const QSize size = PictureSize(output);
    if (!row.outcome.pixelSize.isValid())
        row.outcome.pixelSize = size;
    row.outcome.thumbnail.clear();
    if (!size.isValid())
        return; // PDF and text get a plain tile
    const QString thumbnail
        = QStringLiteral("%1/%2.jpg").arg(QLatin1String(FilesFolder)).arg(row.number, 6, 10, QLatin1Char('0'));
    // A card without its thumbnail shows a plain tile; the folder is checked again, as anyone who may
    // write the output folder may have put a link in its place since.
    if (RealFolder(filesFolder()) && WriteReportThumbnail(picture, m_folder + u'/' + thumbnail))
        row.outcome.thumbnail = thumbnail;
}

Result<void> BatchReport::record(int index, const PageOutcome& outcome, int tries)
{
    if (index < 0 || index >= m_rows.size())
        return {};
    ReportRow& row = m_rows[index];
    row.tries = tries;
    row.outcome = outcome;
    if (outcome.output) {
        row.state = ReportRow::State::Ok;
        // The capture's own thumbnail, where it made one, is a smaller picture to read.
        const QString picture = !outcome.thumbnail.isEmpty() && QFileInfo(outcome.thumbnail).isFile()
            ? outcome.thumbnail
            : *outcome.output;
        setOutput(row, *outcome.output, picture);
    } else {
        row.state = ReportRow::State::Failed;
        row.outcome.thumbnail.clear();
        row.bytes = 0;
    }
    m_rowJson[index] = serialised(row);
    auto json = saveRow(index);
    auto own = writePage(index / ReportCardsPerPage);
    auto first = index / ReportCardsPerPage == 0 ? Result<void>() : writePage(0);
    if (!json)
        return json;
    return !own ? own : first;
}

Result<void> BatchReport::finish()
{
    m_finished = true;
    return writeAll();
}

ReportSummary BatchReport::summary() const
{
    ReportSummary s;
    s.pages = int(m_rows.size());
    for (const ReportRow& row : m_rows) {
        s.ok += row.state == ReportRow::State::Ok;
        s.failed += row.state == ReportRow::State::Failed;
        s.retried += row.tries > 1;
    }
    s.seconds = m_earlierSeconds + m_session.elapsed() / 1000.0;
    s.started = QLocale::c().toString(m_started, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    s.finished = m_finished;
    return s;
}

Result<void> BatchReport::saveRow(int index)
{
    if (m_jsonBytes <= RewriteLimit || m_journalRows + 1 >= ReportCardsPerPage)
        return writeJson();
    // One write of a whole line; a line cut by a kill is skipped when the journal is read.
    if (auto appended
        = AppendToFile(m_folder + u'/' + QLatin1String(JournalName), m_rowJson[index] + '\n', Durability::Synced);
        !appended)
        return appended;
    ++m_journalRows;
    return {};
}

void BatchReport::replayJournal()
{
    QFile journal(m_folder + u'/' + QLatin1String(JournalName));
    if (!journal.open(QIODevice::ReadOnly))
        return;
    while (!journal.atEnd()) {
        const QByteArray line = journal.readLine();
        const QJsonObject object = QJsonDocument::fromJson(line).object();
        const int index = object.value(QLatin1String("number")).toInt() - 1;
        if (!line.endsWith('\n') || index < 0 || index >= m_rows.size()
            || object.value(QLatin1String("address")).toString() != m_rows[index].address)
            continue;
        ReportRow row = ReportRow::fromJson(object);
        if (row.state == ReportRow::State::Ok && !QFileInfo(m_folder + u'/' + row.output()).isFile())
            row.state = ReportRow::State::Pending;
        m_rowJson[index] = serialised(row);
        m_rows[index] = std::move(row);
    }
}

Result<void> BatchReport::writeJson()
{
    const ReportSummary s = summary();
    const int done = s.ok + s.failed;
    const QJsonObject head { { "report", "quillmark" }, { "version", 1 },
        { "started", m_started.toString(Qt::ISODateWithMs) }, { "seconds", s.seconds }, { "finished", m_finished },
        { "summary",
            QJsonObject { { "pages", s.pages }, { "ok", s.ok }, { "failed", s.failed }, { "pending", s.pages - done },
                { "retried", s.retried }, { "pagesPerSecond", s.seconds > 0 ? done / s.seconds : 0.0 } } } };
    // The head, then the rows as serialised when they last changed, one a line.
    QByteArray bytes = QJsonDocument(head).toJson(QJsonDocument::Compact);
    bytes.chop(1);
    qsizetype size = bytes.size() + 16;
    for (const QByteArray& row : std::as_const(m_rowJson))
        size += row.size() + 2;
    bytes.reserve(size);
    bytes += ",\"rows\":[\n";
    for (qsizetype i = 0; i < m_rowJson.size(); ++i) {
        bytes += m_rowJson[i];
        bytes += i + 1 < m_rowJson.size() ? ",\n" : "\n";
    }
    bytes += "]}\n";
    // Flushed to disk before the rename: report.json is what a resumed run trusts.
    if (auto written = ReplaceFile(jsonPath(), bytes, Durability::Synced); !written)
        return written;
    m_jsonBytes = bytes.size();
    // Every row of the journal is in report.json now.
    ::unlink(QFile::encodeName(m_folder + u'/' + QLatin1String(JournalName)).constData());
    m_journalRows = 0;
    return {};
}

Result<void> BatchReport::writePage(int page)
{
    const int first = page * ReportCardsPerPage;
    const int count = std::clamp(int(m_rows.size()) - first, 0, ReportCardsPerPage);
    const std::span<const ReportRow> rows(m_rows.constData() + first, size_t(count));
    // Not waited for on the disk: the next write or the end of the batch makes the page again anyway.
    return ReplaceFile(m_folder + u'/' + ReportPageName(page),
        RenderReportPage(summary(), rows, page, ReportPageCount(int(m_rows.size()))), Durability::Flushed);
}

Result<void> BatchReport::writeAll()
{
    if (auto json = writeJson(); !json)
        return json;
    for (int page = 0; page < ReportPageCount(int(m_rows.size())); ++page)
        if (auto written = writePage(page); !written)
            return written;
    return {};
}

void BatchReport::removeTemporaries() const
{
    // Left by a run killed while it replaced a file of its report (the last two: by earlier versions).
    QDir folder(m_folder);
    static const QRegularExpression temporary(QStringLiteral(
        "^(\\.report(-\\d+)?\\.(html|json)-[A-Za-z0-9]{6}\\.tmp|\\.report-.{6}\\.tmp|report\\.json\\..{6})$"));
    for (const QString& name : folder.entryList({ QStringLiteral(".report*"), QStringLiteral("report.json.*") },
             QDir::Files | QDir::Hidden | QDir::System))
        if (temporary.match(name).hasMatch())
            folder.remove(name);
    QDir files(filesFolder());
    static const QRegularExpression thumbnail(QStringLiteral("^\\.\\d{6}\\.jpg-[A-Za-z0-9]{6}\\.tmp$"));
    for (const QString& name : files.entryList({ QStringLiteral(".*.tmp") }, QDir::Files | QDir::Hidden))
        if (thumbnail.match(name).hasMatch())
            files.remove(name);
}

void BatchReport::removeStaleFiles() const
{
    // A larger list's report may have been here before: its pages and thumbnails beyond this one go.
    QDir folder(m_folder);
    static const QRegularExpression page(QStringLiteral("^report-\\d+\\.html$"));
    for (const QString& name : folder.entryList({ QStringLiteral("report-*.html") }, QDir::Files))
        if (page.match(name).hasMatch())
            folder.remove(name);
    QDir files(filesFolder());
    static const QRegularExpression thumbnail(QStringLiteral("^\\d{6}\\.jpg$"));
    for (const QString& name : files.entryList({ QStringLiteral("*.jpg") }, QDir::Files))
        if (thumbnail.match(name).hasMatch())
            files.remove(name);
}

} // namespace qm
