// Throughput and memory of full-page capture against a floor measured in the same run: the same tab
// doing only navigate + one full-size screenshot, with no preparation and no settling.
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QJsonObject>
#include <QMap>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <functional>

#include "BenchPages.h"
#include "capture/FullPageCapture.h"
#include "platform/cdp/Browser.h"
#include "platform/cdp/Session.h"
#include "platform/cdp/Tab.h"

using namespace std::chrono_literals;
using namespace qm;

namespace {

qint64 statusKiB(const char* field)
{
    QFile file("/proc/self/status");
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

// Resets the peak resident size to the current one (Linux).
void resetPeak()
{
    QFile file("/proc/self/clear_refs");
    if (file.open(QIODevice::WriteOnly))
        file.write("5");
}

using Step = std::function<void(std::function<void()> next)>;

void runSteps(std::shared_ptr<QList<Step>> steps, int index = 0)
{
    if (index >= steps->size())
        return;
    (*steps)[index]([steps, index] { QTimer::singleShot(0, [steps, index] { runSteps(steps, index + 1); }); });
}

// Navigation to `url`, then `then` (or a failure message).
void load(cdp::Tab& tab, const QString& url, std::function<void(bool)> then)
{
    auto finished = std::make_shared<bool>(false);
    auto connections = std::make_shared<QList<QMetaObject::Connection>>();
    auto end = [finished, connections, then](bool ok) {
        if (*finished)
            return;
        *finished = true;
        for (const auto& c : *connections)
            QObject::disconnect(c);
        then(ok);
    };
    connections->append(QObject::connect(&tab, &cdp::Tab::documentComplete, &tab, [end](const QString&, bool topLevel) {
        if (topLevel)
            end(true);
    }));
    connections->append(QObject::connect(&tab, &cdp::Tab::loadFailed, &tab, [end] { end(false); }));
    tab.navigate(url, 60s);
}

// The floor: measure, one screenshot of the whole page, keep its bytes.
void floorCapture(cdp::Tab& tab, std::function<void(qint64 bytes)> then)
{
    tab.session().send("Page.getLayoutMetrics", {}, [&tab, then](qm::Result<QJsonObject> r) {
        const QJsonObject size = r ? r->value("cssContentSize").toObject() : QJsonObject {};
        const QJsonObject clip { { "x", 0 }, { "y", 0 }, { "width", size.value("width").toDouble(1280) },
            { "height", size.value("height").toDouble(800) }, { "scale", 1 } };
        tab.session().send(
            "Page.captureScreenshot", { { "format", "png" }, { "captureBeyondViewport", true }, { "clip", clip } },
            [then](qm::Result<QJsonObject> r) {
                then(r ? QByteArray::fromBase64(r->value("data").toString().toLatin1()).size() : -1);
            },
            120s);
    });
}

void ourCapture(cdp::Tab& tab, cdp::SnapshotEncoding encoding, std::function<void(qint64 bytes, QSize size)> then)
{
    CaptureFullPage(tab, { .encoding = encoding, .timeLimit = 120s }, [then](qm::Result<cdp::Snapshot> r) {
        if (!r) {
            std::fprintf(stderr, "capture failed: %s\n", qPrintable(r.error().message));
            then(-1, {});
            return;
        }
        then(r->encoded.isEmpty() ? r->image.sizeInBytes() : r->encoded.size(), r->size);
    });
}

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 3;
    QTemporaryDir folder;
    const auto pages = bench::WriteBenchPages(folder.path());

    cdp::Browser browser(cdp::BrowserOptions {});
    cdp::Tab* tab = nullptr;
    auto steps = std::make_shared<QList<Step>>();
    struct Totals
    {
        qint64 floorMs = 0, oursMs = 0;
        int floorPages = 0, oursPages = 0;
        QMap<QString, qint64> floorByPage, oursByPage;
    };
    auto totals = std::make_shared<Totals>();
    int exitCode = 0;

    steps->append([&](auto next) {
        browser.newTab([&, next](qm::Result<cdp::Tab*> r) {
            if (!r) {
                std::fprintf(stderr, "no browser: %s\n", qPrintable(r.error().message));
                app.exit(2);
                return;
            }
            tab = *r;
            next();
        });
    });
    // Warm-up: every page once each way, so caches and the renderer are in the same state for both.
    for (const auto& page : pages) {
        steps->append([&, page](auto next) {
            load(*tab, page.url, [&, next](bool) { floorCapture(*tab, [next](qint64) { next(); }); });
        });
        steps->append([&, page](auto next) {
            load(*tab, page.url,
                [&, next](bool) { ourCapture(*tab, cdp::SnapshotEncoding::Png, [next](qint64, QSize) { next(); }); });
        });
    }
    // Throughput: floor and ours alternate page by page.
    for (int round = 0; round < rounds; ++round) {
        for (const auto& page : pages) {
            steps->append([&, page, totals](auto next) {
                auto timer = std::make_shared<QElapsedTimer>();
                timer->start();
                load(*tab, page.url, [&, next, timer, totals](bool ok) {
                    floorCapture(*tab, [next, timer, totals, ok, page](qint64 bytes) {
                        if (ok && bytes > 0) {
                            totals->floorByPage[page.name] += timer->elapsed();
                            totals->floorMs += timer->elapsed();
                            ++totals->floorPages;
                        }
                        next();
                    });
                });
            });
            steps->append([&, page, totals](auto next) {
                auto timer = std::make_shared<QElapsedTimer>();
                timer->start();
                load(*tab, page.url, [&, next, timer, totals](bool ok) {
                    ourCapture(*tab, cdp::SnapshotEncoding::Png, [next, timer, totals, ok, page](qint64 bytes, QSize) {
                        if (ok && bytes > 0) {
                            totals->oursByPage[page.name] += timer->elapsed();
                            totals->oursMs += timer->elapsed();
                            ++totals->oursPages;
                        }
                        next();
                    });
                });
            });
        }
    }
    // Memory for the 40,000 px page: peak resident size above the idle process, per pixel.
    const QString tallUrl = pages.last().url;
    struct Memory
    {
        const char* name;
        int mode; // 0 floor, 1 ours PNG, 2 ours decoded
        double bytesPerPixel = 0;
        qint64 peakKiB = 0;
    };
    auto memory = std::make_shared<QList<Memory>>(
        QList<Memory> { { "floor (PNG bytes)", 0 }, { "ours, PNG fast path", 1 }, { "ours, decoded", 2 } });
    for (int i = 0; i < memory->size(); ++i) {
        steps->append([&, i, memory, tallUrl](auto next) {
            load(*tab, tallUrl, [&, i, memory, next](bool) {
                const qint64 idle = statusKiB("VmRSS:");
                resetPeak();
                auto record = [i, memory, idle, next](qint64 bytes) {
                    const qint64 peak = statusKiB("VmHWM:");
                    (*memory)[i].peakKiB = peak - idle;
                    (*memory)[i].bytesPerPixel = bytes > 0 ? (peak - idle) * 1024.0 / (1280.0 * 40000.0) : -1;
                    next();
                };
                const int mode = (*memory)[i].mode;
                if (mode == 0)
                    floorCapture(*tab, record);
                else
                    ourCapture(*tab, mode == 1 ? cdp::SnapshotEncoding::Png : cdp::SnapshotEncoding::Decoded,
                        [record](qint64 bytes, QSize) { record(bytes); });
            });
        });
    }
    steps->append([&, totals, memory](auto) {
        const double floorRate = totals->floorPages * 1000.0 / std::max<qint64>(1, totals->floorMs);
        const double oursRate = totals->oursPages * 1000.0 / std::max<qint64>(1, totals->oursMs);
        const double ratio = oursRate / floorRate;
        std::printf("Chromium: %s\n", qPrintable(browser.version()));
        std::printf("pages: short, long, images, 40000 px; %d rounds\n", rounds);
        std::printf("floor (navigate + one screenshot): %d pages in %lld ms = %.2f pages/s\n", totals->floorPages,
            static_cast<long long>(totals->floorMs), floorRate);
        std::printf("ours (full capture, PNG):          %d pages in %lld ms = %.2f pages/s\n", totals->oursPages,
            static_cast<long long>(totals->oursMs), oursRate);
        for (auto it = totals->floorByPage.cbegin(); it != totals->floorByPage.cend(); ++it)
            std::printf("  %-7s floor %6.0f ms/page, ours %6.0f ms/page\n", qPrintable(it.key()),
                double(it.value()) / rounds, double(totals->oursByPage.value(it.key())) / rounds);
        std::printf("throughput ratio ours/floor: %.3f (target >= 0.85) %s\n", ratio, ratio >= 0.85 ? "OK" : "MISSED");
        for (const auto& m : *memory) {
            const double target = m.mode == 2 ? 5.0 : 1.0;
            std::printf("peak RSS above idle, 40000 px page, %-20s %7lld KiB = %.3f bytes/pixel%s\n", m.name,
                static_cast<long long>(m.peakKiB), m.bytesPerPixel,
                m.mode == 0 ? "" : (m.bytesPerPixel < target ? " (OK)" : " (MISSED)"));
        }
        if (totals->oursPages != totals->floorPages)
            exitCode = 1;
        app.exit(exitCode);
    });
    QTimer::singleShot(0, [steps] { runSteps(steps); });
    return app.exec();
}
