#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

#include "platform/Error.h"

namespace qm {

namespace cdp {
class PageDeadline;
class Tab;
} // namespace cdp
class OutputFile;
class PdfPrinter;

namespace bench {

// The pages the floor's tabs share: each tab takes the next one until none is left.
struct FloorQueue
{
    QStringList urls;
    QString folder; // outputs are page<index>.png or .pdf, index in `urls`
    bool pdf = false;
    int next = 0;
    int done = 0;
    int failed = 0;
};

// One tab of the floor: for each page, navigate, wait for the top-level load event, then one capture of
// the whole page by Quillmark's own rule (PNG) or one print as Quillmark prints (PDF), written the way
// Quillmark writes outputs (a temporary file, synced, then renamed). Emits finished() when the queue is
// empty.
class FloorTab : public QObject
{
    Q_OBJECT
public:
    // `onePage`: finished after one page (the caller then closes the tab with its context).
    FloorTab(cdp::Tab& tab, std::shared_ptr<FloorQueue> queue, bool onePage, QObject* parent = nullptr);
    ~FloorTab() override;

    void start();

signals:
    void finished();

private:
    void takeNext();
    void capture(int index);
    void print(int index);
    void write(int index, const QByteArray& bytes);
    void land(int index, Result<std::unique_ptr<OutputFile>> file);
    void pageDone(int index, const Result<void>& outcome);
    QString target(int index) const;

    cdp::Tab& m_tab;
    std::shared_ptr<FloorQueue> m_queue;
    bool m_onePage = false;
    bool m_tookOne = false;
    QList<QMetaObject::Connection> m_load;
    std::unique_ptr<cdp::PageDeadline> m_deadline;
    std::unique_ptr<PdfPrinter> m_printer;
};

} // namespace bench
} // namespace qm
