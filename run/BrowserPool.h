#pragma once

#include <QStringList>
#include <memory>
#include <optional>

#include "platform/Error.h"

namespace qm {

class EnginePool;

namespace run {

// What a run asks of its browsers.
struct BrowserNeeds
{
    QStringList given; // --browser: executables or remote endpoints, as BrowserArgument made them
    int pagesAtOnce = 1;
    std::optional<qsizetype> pages; // how many pages the run has; unset for a worker, which does not know
    bool picturesEach = true; // whether each page is captured into a picture (not PDF or text alone)
};

// The browsers of a run, not yet started. The browsers given are taken as they are, one each. Without
// them, the local browser is started once for each page converted at once when pages are made into
// pictures (a browser draws every picture it takes in its one process, which would be one core for
// all of them); PDF and text share one browser's tabs. Never more local browsers than pages. The pool
// lasts the run: pages take turns in its browsers.
Result<std::unique_ptr<EnginePool>> MakeBrowserPool(const BrowserNeeds& needs);

// Pages converted at once: as asked, else as the setting says, but one for each browser given.
int PagesAtOnce(std::optional<int> asked, int setting, qsizetype browsersGiven);

// A --browser value: a remote endpoint as it is, a bare name ("chromium") found on PATH as a shell
// finds it, a path made absolute against `workingFolder`.
QString BrowserArgument(const QString& value, const QString& workingFolder);

} // namespace run
} // namespace qm
