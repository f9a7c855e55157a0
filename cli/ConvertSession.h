#pragma once

#include <QObject>
#include <QStringList>
#include <memory>

#include "cli/ConvertOptions.h"

namespace qm::cli {

// One run of `quillmark convert`: checks the setup, starts the browsers, converts the addresses through
// the batch driver and reports each page. run() returns the exit status.
class ConvertSession : public QObject
{
    Q_OBJECT
public:
    explicit ConvertSession(ConvertOptions options, QObject* parent = nullptr);
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
    void finished();
    int setupError(const Error& error) const;

    ConvertOptions m_options;
    std::unique_ptr<Parts> d;
    int m_exitCode = 0;
    bool m_interrupted = false;
    int m_interruptSignal = 0; // SIGTERM ends with 143, Ctrl+C with 130
};

} // namespace qm::cli
