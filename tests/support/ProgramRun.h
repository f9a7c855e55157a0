#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>

class QProcess;

namespace qm::test {

// One run of the built `quillmark` program, as a user starts it.
struct ProgramRun
{
    int exitCode = -1; // -1 when it did not exit normally
    bool finished = false;
    QByteArray out;
    QByteArray err;
};

// The built program, from QUILLMARK_BINARY.
QString Binary();

// Runs `quillmark convert ARGUMENTS`; `started` runs once it is running (to interrupt it, for instance).
// A run still going after `limit` is killed and reported unfinished.
ProgramRun Convert(const QStringList& arguments, std::function<void(QProcess&)> started = {},
    std::chrono::milliseconds limit = std::chrono::seconds(120));

// Runs `quillmark ARGUMENTS` with extra environment entries ("NAME=value").
ProgramRun RunProgram(const QStringList& arguments, const QStringList& environment = {},
    std::function<void(QProcess&)> started = {}, std::chrono::milliseconds limit = std::chrono::seconds(120));

QByteArray ReadAll(const QString& path);

// The --json lines of a run, by their "address".
QHash<QString, QJsonObject> JsonRowsByAddress(const ProgramRun& run);

// The error lines of a run, without Qt's own start-up notes.
QList<QByteArray> ErrorLines(const ProgramRun& run);

// The process ids of the children of `pid`, and whether a process is alive (not a zombie).
QList<qint64> Children(qint64 pid);
bool Alive(qint64 pid);

} // namespace qm::test
