#include "platform/AppHome.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "platform/FileWrites.h"

namespace qm {

QString AppHome::defaultPath()
{
    const QString env = qEnvironmentVariable("QUILLMARK_HOME");
    if (!env.isEmpty())
        return QDir(env).absolutePath();
    QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (data.isEmpty())
        data = QDir::homePath() + QStringLiteral("/.local/share");
    return data + QStringLiteral("/quillmark");
}

Result<AppHome> AppHome::open(const QString& path)
{
    const QString absolute = QDir(path).absolutePath();
    if (!QDir().mkpath(absolute))
        return fail(Error::Code::Io, QStringLiteral("cannot create the app home %1").arg(absolute));
    AppHome home(absolute);
    const QString settings = home.settingsPath();
    if (!QFileInfo::exists(settings)) {
        const QString firstRun = shareFile(QStringLiteral("settings.dat"));
        QFile source(firstRun);
        if (source.open(QIODevice::ReadOnly)) {
            // The output folder of a new user lies under their Pictures folder, wherever that is.
            QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
            if (pictures.isEmpty())
                pictures = QDir::homePath() + QStringLiteral("/Pictures");
            QByteArray text = source.readAll();
            text.replace("@PICTURES@", pictures.toUtf8());
            // A copy cut short would pass for settings a user wrote: none is better than half of one.
            if (auto copied = ReplaceFile(settings, text, Durability::Synced); !copied)
                return fail(Error::Code::Io,
                    QStringLiteral("cannot copy the first-run settings into the app home: %1")
                        .arg(copied.error().message));
        }
    }
    return home;
}

QString AppHome::file(const QString& name) const
{
    return m_path + QLatin1Char('/') + name;
}

QString AppHome::shareDir()
{
    const QString env = qEnvironmentVariable("QUILLMARK_SHARE");
    if (!env.isEmpty())
        return env;
    if (QCoreApplication::instance()) {
        const QString installed
            = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("../share/quillmark"));
        if (QFileInfo::exists(installed + QStringLiteral("/settings.dat")))
            return QDir(installed).canonicalPath();
    }
    if (QFileInfo::exists(QStringLiteral(QUILLMARK_SOURCE_SHARE "/settings.dat")))
        return QStringLiteral(QUILLMARK_SOURCE_SHARE);
    return QStringLiteral(QUILLMARK_INSTALL_SHARE);
}

QString AppHome::shareFile(const QString& name)
{
    return shareDir() + QLatin1Char('/') + name;
}

} // namespace qm
