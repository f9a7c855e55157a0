#pragma once

#include <QIODevice>
#include <QString>
#include <memory>

#include "platform/Error.h"

namespace qm {

// An output being written: a hidden temporary file in the folder of `target` (the name the output is
// meant to get), which takes a visible name only once complete. Every write is checked and the first
// failure sticks: later writes fail at once, and the output is reported failed in the system's words
// ("No space left on device"), naming `target`. Encoders write into it as into any device (Qt's image
// writers hide their own write errors; this device keeps them). The temporary file is removed when
// the object goes, unless it has landed under a name.
class OutputFile : public QIODevice
{
public:
    // Also sweeps the folder's stale temporary files, once per folder and process. On failure errno
    // holds the system's error number.
    static Result<std::unique_ptr<OutputFile>> create(const QString& target);
    ~OutputFile() override;

    const QString& target() const { return m_target; }
    const QString& temporaryPath() const { return m_path; }

    // The first failure so far: a write, or (after finish) the flush to disk or the close.
    bool failed() const { return m_errno != 0; }
    int errorNumber() const { return m_errno; }
    Error failure() const;

    // All of `bytes`, checked.
    Result<void> writeAll(const QByteArray& bytes);

    // Reports the first failed write, else makes the content durable (fsync) and closes the file.
    // Only a finished file may land. Repeated calls give the first answer.
    Result<void> finish();

    // Moves the finished file to `name`. With `replace` a file there is replaced; without, anything
    // there (a file, a folder, a link) leaves both as they are and the answer is false. The claim is
    // exclusive (rename without replacing, else a hard link): two writers never get the same name, and
    // the name never shows anything but the complete file.
    Result<bool> land(const QString& name, bool replace);

    bool isSequential() const override { return false; }
    qint64 size() const override;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    OutputFile(int fd, QString path, QString target);
    Error errorFor(int number, const QString& name) const;
    void record(int number);

    int m_fd = -1;
    QString m_path;
    QString m_target;
    int m_errno = 0;
    bool m_finished = false;
    bool m_landed = false;
};

} // namespace qm
