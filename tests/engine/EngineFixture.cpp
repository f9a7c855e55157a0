#include "tests/engine/EngineFixture.h"

#include <QImageReader>
#include <QJsonValue>

#include "capture/FullPageCapture.h"
#include "tests/support/EventLoop.h"

namespace qm::test {

cdp::Tab* OpenTab(cdp::Browser& browser)
{
    LoopRunner runner;
    cdp::Tab* tab = nullptr;
    QString error;
    browser.newTab([&](qm::Result<cdp::Tab*> r) {
        if (r)
            tab = *r;
        else
            error = r.error().message;
        runner.done();
    });
    EXPECT_TRUE(runner.run(60s)) << "no tab within 60 s";
    EXPECT_NE(tab, nullptr) << error.toStdString();
    return tab;
}

LoadOutcome Load(cdp::Tab& tab, const QString& url, std::chrono::milliseconds limit)
{
    LoadOutcome outcome;
    LoopRunner runner;
    auto c1 = QObject::connect(
        &tab, &cdp::Tab::documentComplete, &tab, [&](const QString& doneUrl, bool topLevel, const cdp::PageLoad& load) {
            if (!topLevel) {
                outcome.frameCompletions << doneUrl;
                return;
            }
            ++outcome.topLevelCompletions;
            if (outcome.finished)
                return;
            outcome.finished = outcome.complete = true;
            outcome.url = doneUrl;
            outcome.load = load;
            runner.done();
        });
    auto c2 = QObject::connect(&tab, &cdp::Tab::loadFailed, &tab, [&](const QString& failedUrl, const qm::Error& why) {
        if (outcome.finished)
            return;
        outcome.finished = true;
        outcome.url = failedUrl;
        outcome.error = why;
        runner.done();
    });
    tab.navigate(url, limit);
    runner.run(limit + 10s);
    QObject::disconnect(c1);
    QObject::disconnect(c2);
    return outcome;
}

qm::Result<cdp::Snapshot> Capture(cdp::Tab& tab, cdp::SnapshotRequest request)
{
    LoopRunner runner;
    std::optional<qm::Result<cdp::Snapshot>> result;
    CaptureFullPage(tab, request, [&](qm::Result<cdp::Snapshot> r) {
        result = std::move(r);
        runner.done();
    });
    if (!runner.run(request.timeLimit + 10s) || !result)
        return qm::fail(qm::Error::Code::Timeout, QStringLiteral("the capture never called back"));
    return std::move(*result);
}

qm::Result<QJsonValue> Evaluate(cdp::Tab& tab, const QString& expression)
{
    LoopRunner runner;
    qm::Result<QJsonValue> result = qm::fail(qm::Error::Code::Timeout, QStringLiteral("no answer"));
    tab.evaluate(expression, [&](qm::Result<QJsonValue> r) {
        result = std::move(r);
        runner.done();
    });
    runner.run(30s);
    return result;
}

QImage Pixels(const cdp::Snapshot& snapshot)
{
    if (!snapshot.image.isNull())
        return snapshot.image.convertToFormat(QImage::Format_RGB32);
    QImageReader::setAllocationLimit(0); // tall test pages exceed Qt's default reading limit
    return QImage::fromData(snapshot.encoded).convertToFormat(QImage::Format_RGB32);
}

int ColourDistance(QRgb a, QRgb b)
{
    return std::max({ std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b)) });
}

void EngineTest::SetUp()
{
    tab = OpenTab(SharedBrowser());
    ASSERT_NE(tab, nullptr);
}

void EngineTest::TearDown()
{
    if (tab) {
        tab->close();
        delete tab;
    }
}

void EngineTest::LoadPage(const QString& path, const QByteArray& html)
{
    server.page(path, html);
    const LoadOutcome outcome = Load(*tab, server.url(path));
    ASSERT_TRUE(outcome.complete) << outcome.error.message.toStdString();
}

} // namespace qm::test
