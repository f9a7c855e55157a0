#pragma once

#include <QObject>
#include <QStringList>
#include <memory>

#include "run/ConvertOptions.h"
#include "run/ProgressDisplay.h"

namespace qm::cli {

// One run of `quillmark convert`: checks the setup, starts the browsers, converts the addresses through
// the batch driver and reports each page. run() returns the exit status: 0, 1 (a page failed, or the
// report could not be written), 2 (setup), 130 and 143 (Ctrl+C, SIGTERM) or ClosedOutputStatus.
class ConvertSession : public QObject
{
    Q_OBJECT
public:
    explicit ConvertSession(run::ConvertOptions options, QObject* parent = nullptr);
    ~ConvertSession() override;

    int run();

private:
    struct Parts;

    Result<void> prepare();
    Result<QStringList> addresses() const;
    Result<void> checkOutputFolder() const;
    void startBatch();
    void reportProblem(const Result<void>& written);
    void interrupted(int signalNumber);
    // Ends the run with `exitCode`: pages in flight dropped, no partial file, the browsers closed.
    void stop(int exitCode, const QString& message);
    void finished();
    int setupError(const Error& error) const;

    run::ConvertOptions m_options;
    std::unique_ptr<Parts> d;
    int m_exitCode = 0;
    int m_stopCode = 0; // set when the run was stopped before its end
};

} // namespace qm::cli
