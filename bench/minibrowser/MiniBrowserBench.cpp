// How live the mini browser feels: frames per second while the wheel scrolls a long page, and the time
// from a click to the first frame that shows its effect. Each is set against a floor measured in the
// same run on the same tab: the frames a page animating itself gets through the screencast, and the
// time from a script's change to its frame (no input path).
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonValue>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QWheelEvent>
#include <algorithm>
#include <cstdio>
#include <functional>

#include "browser/MiniBrowserWindow.h"
#include "browser/PageViewWidget.h"
#include "platform/AppHome.h"
#include "platform/MessageSink.h"
#include "platform/cdp/Browser.h"
#include "platform/cdp/Tab.h"
#include "settings/SettingsSource.h"

using namespace qm;

namespace {

// A long striped page; a fixed square flips colour on mousedown or flip(); animate() recolours a
// fixed strip every frame.
const char kPage[] = R"HTML(<!doctype html><html><head><style>
body { margin: 0 }
.row { height: 40px; font: 16px sans-serif; padding-left: 260px }
.row:nth-child(odd) { background: #e8eef8 }
#flip { position: fixed; left: 20px; top: 20px; width: 200px; height: 200px; background: rgb(255,0,0) }
#strip { position: fixed; right: 0; top: 0; width: 40px; height: 100%; background: #000 }
</style></head><body>
<div id="flip"></div><div id="strip"></div><div id="rows"></div>
<script>
const rows = document.getElementById('rows');
for (let i = 0; i < 800; ++i) { const d = document.createElement('div'); d.className = 'row';
  d.textContent = 'Row ' + i + ' of a long page to scroll through'; rows.appendChild(d); }
let red = true;
function flip() { red = !red; document.getElementById('flip').style.background = red ? 'rgb(255,0,0)' : 'rgb(0,0,255)'; }
document.getElementById('flip').addEventListener('mousedown', flip);
let animating = false, n = 0;
function step() { if (!animating) return; n = (n + 37) % 256;
  document.getElementById('strip').style.background = 'rgb(' + n + ',' + (255 - n) + ',128)'; requestAnimationFrame(step); }
function animate(on) { animating = on; if (on) requestAnimationFrame(step); }
</script></body></html>)HTML";

class Quiet : public MessageSink
{
public:
    void information(const QString&, std::function<void()> dismissed) override
    {
        if (dismissed)
            dismissed();
    }
    void error(const QString& text, std::function<void()> dismissed) override
    {
        std::fprintf(stderr, "%s\n", qPrintable(text));
        if (dismissed)
            dismissed();
    }
};

using Next = std::function<void()>;
using Step = std::function<void(Next)>;

void RunSteps(std::shared_ptr<QList<Step>> steps, int index = 0)
{
    if (index >= steps->size())
        return;
    (*steps)[index]([steps, index] { QTimer::singleShot(0, [steps, index] { RunSteps(steps, index + 1); }); });
}

void Fail(const char* what)
{
    std::fprintf(stderr, "minibrowser_bench: %s\n", what);
    QCoreApplication::exit(1);
}

double Median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

double Percentile90(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(std::min<qsizetype>(values.size() - 1, values.size() * 9 / 10));
}

class Bench
{
public:
    Bench(int clicks, QString screenshot)
        : m_clicks(clicks)
        , m_screenshot(std::move(screenshot))
        , m_settings(m_home.filePath(QStringLiteral("settings.dat")))
    {
    }

    void start()
    {
        QString address;
        if (m_screenshot.isEmpty()) {
            QFile page(m_home.filePath(QStringLiteral("long.html")));
            if (!page.open(QIODevice::WriteOnly) || page.write(kPage) < 0)
                return Fail("cannot write the page");
            page.close();
            address = QUrl::fromLocalFile(page.fileName()).toString();
        } else {
            address = QUrl::fromLocalFile(AppHome::shareFile(QStringLiteral("web/home.html"))).toString();
        }
        MiniBrowserSetup setup;
        setup.engine = &m_engine;
        setup.settings = &m_settings;
        setup.appHome = m_home.path();
        setup.messages = &m_messages;
        setup.applySkin = [](QWidget* window) {
            QFile skin(AppHome::shareFile(QStringLiteral("skins/frmmain.skn")));
            if (skin.open(QIODevice::ReadOnly))
                window->setStyleSheet(QString::fromUtf8(skin.readAll()));
        };
        m_form = new MiniBrowserWindow(std::move(setup), address);
        m_view = m_form->pageView();
        QObject::connect(m_form, &MiniBrowserWindow::tabFailed, [](const QString& why) { Fail(qPrintable(why)); });
        QObject::connect(m_form, &MiniBrowserWindow::tabReady, m_form, [this] {
            QObject::connect(
                m_form->tab(), &cdp::Tab::documentComplete, m_form,
                [this](const QString&, bool topLevel) {
                    if (topLevel)
                        loaded();
                },
                Qt::SingleShotConnection);
        });
        m_form->show();
        m_watchdog.setSingleShot(true);
        QObject::connect(&m_watchdog, &QTimer::timeout, [] { Fail("the benchmark ran out of time"); });
        m_watchdog.start(180000);
    }

private:
    void loaded()
    {
        // The first frame after the load, or what is there after a second when the page does not change.
        auto shown = std::make_shared<bool>(false);
        auto go = [this, shown] {
            if (*shown)
                return;
            *shown = true;
            m_screenshot.isEmpty() ? measure() : saveScreenshot();
        };
        QObject::connect(m_view, &PageViewWidget::frameShown, m_form, go, Qt::SingleShotConnection);
        QTimer::singleShot(1000, m_form, go);
    }

    void saveScreenshot()
    {
        const bool saved = m_form->grab().save(m_screenshot, "PNG");
        std::printf("%s %s\n", saved ? "wrote" : "could not write", qPrintable(m_screenshot));
        QCoreApplication::exit(saved ? 0 : 1);
    }

    void measure()
    {
        auto steps = std::make_shared<QList<Step>>();
        steps->append([this](Next next) { countFrames(QStringLiteral("animate(true)"), false, &m_floorFps, next); });
        steps->append([this](Next next) { script(QStringLiteral("animate(false)"), next); });
        steps->append([this](Next next) { countFrames({}, true, &m_scrollFps, next); });
        steps->append([this](Next next) { script(QStringLiteral("scrollTo(0, 0)"), next); });
        steps->append([this](Next next) { flips(false, &m_scriptLatency, next); });
        steps->append([this](Next next) { flips(true, &m_clickLatency, next); });
        steps->append([this](Next) { report(); });
        RunSteps(steps);
    }

    void script(const QString& expression, Next next)
    {
        m_form->tab()->evaluate(expression, [next](Result<QJsonValue>) { next(); });
    }

    // Frames shown in three seconds, with the wheel turning 60 times a second when `scroll`.
    void countFrames(const QString& expression, bool scroll, double* fps, Next next)
    {
        if (!expression.isEmpty())
            m_form->tab()->evaluate(expression, [](Result<QJsonValue>) {});
        const qint64 first = m_view->framesShown();
        auto wheel = std::make_shared<QTimer>();
        if (scroll) {
            QObject::connect(wheel.get(), &QTimer::timeout, m_view, [this] {
                const QPointF at(600, 300);
                QWheelEvent event(at, m_view->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
                QApplication::sendEvent(m_view, &event);
            });
            wheel->start(16);
        }
        QTimer::singleShot(3000, m_view, [this, first, fps, next, wheel] {
            wheel->stop();
            *fps = (m_view->framesShown() - first) / 3.0;
            next();
        });
    }

    // `m_clicks` colour flips of the square, each timed to the first frame that shows the new colour;
    // by a click through the page view, or by the page's own script.
    void flips(bool byClick, QList<double>* latencies, Next next)
    {
        auto remaining = std::make_shared<int>(m_clicks);
        auto blue = std::make_shared<bool>(false);
        auto clock = std::make_shared<QElapsedTimer>();
        auto one = std::make_shared<std::function<void()>>();
        *one = [=, this] {
            if ((*remaining)-- == 0) {
                *one = nullptr; // ends the cycle the closure holds
                return next();
            }
            *blue = !*blue;
            const QRgb wanted = *blue ? qRgb(0, 0, 255) : qRgb(255, 0, 0);
            m_flipWatch = QObject::connect(m_view, &PageViewWidget::frameShown, m_view, [=, this] {
                const QImage frame = m_view->currentFrame();
                if (frame.isNull() || qAbs(qBlue(frame.pixel(120, 120)) - qBlue(wanted)) > 60)
                    return;
                latencies->append(clock->nsecsElapsed() / 1e6);
                QObject::disconnect(m_flipWatch);
                QTimer::singleShot(0, m_view, *one);
            });
            clock->start();
            if (byClick) {
                const QPointF at(120, 120);
                QMouseEvent press(QEvent::MouseButtonPress, at, m_view->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
                QApplication::sendEvent(m_view, &press);
                QMouseEvent release(QEvent::MouseButtonRelease, at, m_view->mapToGlobal(at), Qt::LeftButton,
                    Qt::NoButton, Qt::NoModifier);
                QApplication::sendEvent(m_view, &release);
            } else {
                m_form->tab()->evaluate(QStringLiteral("flip()"), [](Result<QJsonValue>) {});
            }
        };
        (*one)();
    }

    void report()
    {
        const double clickMedian = Median(m_clickLatency);
        const double scriptMedian = Median(m_scriptLatency);
        std::printf("scroll:          %.1f frames/s while the wheel turns (floor, page animating itself: %.1f frames/s;"
                    " ratio %.2f)\n",
            m_scrollFps, m_floorFps, m_floorFps > 0 ? m_scrollFps / m_floorFps : 0.0);
        std::printf("click to frame:  median %.1f ms, 90th percentile %.1f ms over %lld clicks (floor, script to "
                    "frame: median %.1f ms; ratio %.2f)\n",
            clickMedian, Percentile90(m_clickLatency), qlonglong(m_clickLatency.size()), scriptMedian,
            scriptMedian > 0 ? clickMedian / scriptMedian : 0.0);
        const bool met = m_scrollFps >= 15 && clickMedian < 150 && m_clickLatency.size() == m_clicks;
        std::printf("targets (>= 15 frames/s, median < 150 ms): %s\n", met ? "met" : "NOT met");
        QCoreApplication::exit(met ? 0 : 3);
    }

    int m_clicks;
    QString m_screenshot;
    QTemporaryDir m_home;
    FileSettings m_settings;
    Quiet m_messages;
    cdp::Browser m_engine { cdp::BrowserOptions {} };
    MiniBrowserWindow* m_form = nullptr;
    PageViewWidget* m_view = nullptr;
    QTimer m_watchdog;
    QMetaObject::Connection m_flipWatch;
    double m_floorFps = 0;
    double m_scrollFps = 0;
    QList<double> m_clickLatency;
    QList<double> m_scriptLatency;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillmark"));
    int clicks = 30;
    QString screenshot;
    const QStringList args = QApplication::arguments();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--clicks"))
            clicks = std::max(1, args[i + 1].toInt());
        else if (args[i] == QLatin1String("--screenshot"))
            screenshot = args[i + 1];
    }
    Bench bench(clicks, screenshot);
    bench.start();
    return app.exec();
}
