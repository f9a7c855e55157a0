#include "tests/support/ProgramRun.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>

#include "tests/support/EventLoop.h"

namespace qm::test {

QString Binary()
{
    return qEnvironmentVariable("QUILLMARK_BINARY");
}

ProgramRun RunProgram(const QStringList& arguments, const QStringList& environment,
    std::function<void(QProcess&)> started, std::chrono::milliseconds limit)
{
    ProgramRun run;
    QProcess process;
    process.setProgram(Binary());
    process.setArguments(arguments);
    if (!environment.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString& entry : environment)
            env.insert(entry.section('=', 0, 0), entry.section('=', 1));
        process.setProcessEnvironment(env);
    }
    LoopRunner loop;
    QObject::connect(&process, &QProcess::finished, [&] { loop.done(); });
    QObject::connect(&process, &QProcess::errorOccurred, [&](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            loop.done();
    });
    process.start();
    if (started)
        started(process);
    run.finished = loop.run(limit);
    if (!run.finished) {
        process.kill();
        process.waitForFinished(5000);
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

ProgramRun Convert(
    const QStringList& arguments, std::function<void(QProcess&)> started, std::chrono::milliseconds limit)
{
    return RunProgram(QStringList { "convert" } + arguments, {}, std::move(started), limit);
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QHash<QString, QJsonObject> JsonRowsByAddress(const ProgramRun& run)
{
    QHash<QString, QJsonObject> rows;
    for (const QByteArray& line : run.out.trimmed().split('\n')) {
        const QJsonObject row = QJsonDocument::fromJson(line).object();
        rows.insert(row.value("address").toString(), row);
    }
    return rows;
}

QList<QByteArray> ErrorLines(const ProgramRun& run)
{
    QList<QByteArray> lines;
    for (const QByteArray& line : run.err.split('\n')) {
        if (!line.isEmpty() && !line.startsWith("QStandardPaths"))
            lines.append(line);
    }
    return lines;
}

QList<qint64> Children(qint64 pid)
{
    QList<qint64> out;
    const QDir tasks(QStringLiteral("/proc/%1/task").arg(pid));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        for (const QByteArray& child : ReadAll(tasks.filePath(task) + "/children").split(' ')) {
            if (!child.trimmed().isEmpty())
                out.append(child.trimmed().toLongLong());
        }
    }
    return out;
}

bool Alive(qint64 pid)
{
    const QByteArray status = ReadAll(QStringLiteral("/proc/%1/stat").arg(pid));
    return !status.isEmpty() && !status.contains(") Z ");
}

} // namespace qm::test
