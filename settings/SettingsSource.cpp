#include "settings/SettingsSource.h"

#include <QFile>

#include <sys/stat.h>

#include "settings/IniDocument.h"
#include "settings/TextFile.h"
#include "settings/TextLines.h"

namespace qm {

namespace {

// What tells one version of the file from another without reading it.
struct Stamp
{
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified {};

    friend bool operator==(const Stamp& a, const Stamp& b)
    {
        return a.exists == b.exists && a.device == b.device && a.inode == b.inode && a.size == b.size
            && a.modified.tv_sec == b.modified.tv_sec && a.modified.tv_nsec == b.modified.tv_nsec;
    }
};

Stamp stampOf(const QString& path)
{
    struct stat info
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return Stamp { true, info.st_dev, info.st_ino, info.st_size, info.st_mtim };
}

} // namespace

struct FileSettings::Cache
{
    bool loaded = false;
    Stamp stamp;
    IniDocument document;
    QString problem;
    bool told = false;
};

FileSettings::FileSettings(QString path)
    : m_path(std::move(path))
    , m_cache(std::make_unique<Cache>())
{
}

FileSettings::~FileSettings() = default;

void FileSettings::refresh() const
{
    Cache& cache = *m_cache;
    const Stamp stamp = stampOf(m_path);
    if (cache.loaded && stamp == cache.stamp)
        return;
    cache.loaded = true;
    cache.stamp = stamp;
    cache.document = IniDocument();
    cache.problem.clear();
    if (!stamp.exists)
        return; // a missing file is no problem: the defaults apply
    const Result<QByteArray> bytes = ReadTextFile(m_path);
    if (!bytes) {
        if (bytes.error().code != Error::Code::NotFound)
            cache.problem = bytes.error().message;
    } else if (std::optional<QByteArray> text = text::AsUtf8Text(*bytes)) {
        cache.document = IniDocument(std::move(*text));
    } else {
        cache.problem = QStringLiteral("%1 is not a settings file (it holds binary data)").arg(m_path);
    }
    tell();
}

void FileSettings::tell() const
{
    if (m_cache->problem.isEmpty() || m_cache->told || !m_onProblem)
        return;
    m_cache->told = true;
    m_onProblem(QStringLiteral("the settings cannot be read: %1; the defaults are used").arg(m_cache->problem));
}

QString FileSettings::read(const QString& section, const QString& key) const
{
    refresh();
    return m_cache->document.value(section, key).value_or(QString());
}

void FileSettings::setProblemHandler(std::function<void(const QString& reason)> handler)
{
    m_onProblem = std::move(handler);
    refresh();
    tell();
}

QString FileSettings::problem() const
{
    refresh();
    return m_cache->problem;
}

QString OverriddenSettings::slot(const QString& section, const QString& key)
{
    return section.trimmed().toLower() + QLatin1Char('\n') + key.trimmed().toLower();
}

void OverriddenSettings::set(const QString& section, const QString& key, const QString& value)
{
    m_values.insert(slot(section, key), value);
}

QString OverriddenSettings::read(const QString& section, const QString& key) const
{
    const auto it = m_values.constFind(slot(section, key));
    return it != m_values.cend() ? *it : m_base.read(section, key);
}

} // namespace qm
