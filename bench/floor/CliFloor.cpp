// The floor of the command-line benchmark (bench/cli): the least Quillmark's own protocol client does for a
// page on Quillmark's default engine, started the way Quillmark starts it (cdp::Browser with its switches;
// each tab in its own browser context with the 1280 x 800 viewport). For each page: navigate, wait for the
// load event, then one whole-page capture by Quillmark's rule (CaptureFullPage, no scrolling box opened)
// or one untagged A4 print as PdfPrinter prints, written as Quillmark writes its files (synced, renamed).
// It does not apply page settings or controls, check the HTTP status, name outputs, retry, report, or
// start a second browser; it does wait for the page to settle and load lazy content, as the capture does.
// --context-per-page gives every page a new tab in a new browser context, closed after it, as Quillmark
// isolates its pages; without it a tab takes page after page, so the difference is what isolation costs.
// usage: cli_floor [--context-per-page] png|pdf OUTDIR TABS URL...   (outputs: OUTDIR/page<N>.png|pdf;
// exit 1 if a page failed)
#include <QCoreApplication>
#include <cstdio>
#include <functional>
#include <memory>

#include "FloorTab.h"
#include "platform/cdp/Browser.h"
#include "platform/cdp/Tab.h"

using namespace qm;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool contextPerPage = !args.isEmpty() && args[0] == "--context-per-page";
    if (contextPerPage)
        args.removeFirst();
    if (args.size() < 4 || (args[0] != "png" && args[0] != "pdf") || args[2].toInt() < 1) {
        std::fprintf(stderr, "usage: cli_floor [--context-per-page] png|pdf OUTDIR TABS URL...\n");
        return 2;
    }
    auto queue = std::make_shared<bench::FloorQueue>();
    queue->pdf = args[0] == "pdf";
    queue->folder = args[1];
    queue->urls = args.mid(3);
    const int tabs = std::min<int>(args[2].toInt(), queue->urls.size());

    cdp::Browser browser(cdp::BrowserOptions {});
    int running = tabs;
    // One worker: a tab that takes pages until none is left, or with --context-per-page one page, after
    // which its tab (and context) is closed and a new one opened while pages are left.
    std::function<void()> work = [&] {
        browser.newTab([&](Result<cdp::Tab*> tab) {
            if (!tab) {
                std::fprintf(stderr, "no browser: %s\n", qPrintable(tab.error().message));
                return QCoreApplication::exit(2);
            }
            auto* worker = new bench::FloorTab(**tab, queue, contextPerPage, *tab);
            QObject::connect(worker, &bench::FloorTab::finished, &app, [&, t = *tab] {
                t->close();
                t->deleteLater();
                if (contextPerPage && queue->next < queue->urls.size())
                    return work();
                if (--running == 0)
                    QCoreApplication::exit(queue->failed ? 1 : 0);
            });
            worker->start();
        });
    };
    for (int i = 0; i < tabs; ++i)
        work();
    const int code = app.exec();
    std::fprintf(stderr, "%d pages, %d failed, %d tabs\n", queue->done, queue->failed, tabs);
    return code;
}
