#include "queue/WorkerBounds.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include "capture/PageAddress.h"
#include "queue/RealPaths.h"
#include "settings/SettingKeys.h"

namespace qm::queue {

namespace {

void put(JobSettings& settings, const SettingKey& key, const QString& value)
{
    settings.set(key.sectionName(), key.keyName(), value);
}

// A style sheet or script setting holds the text itself, or names a file the page controls then read.
bool NamesAFile(const QString& value)
{
    return !value.isEmpty() && !value.contains(u'\n') && QDir::isAbsolutePath(value)
        && (QFileInfo::exists(value) || QFileInfo(value).isSymLink());
}

} // namespace

WorkerBounds::WorkerBounds(OutputRoot root, FileAllowance files, QStringList authHosts, QString credentials)
    : m_root(std::move(root))
    , m_files(std::move(files))
    , m_credentials(std::move(credentials))
{
    for (const QString& host : authHosts)
        m_authHosts.append(host.toLower());
}

Result<void> WorkerBounds::admitFiles(const FileAllowance& files, const JobSettings& settings) const
{
    const auto check = [&](const QString& path, const QString& what) -> Result<void> {
        return path.isEmpty() ? Result<void>() : files.admitsFile(path, what);
    };
    if (auto ok = check(ReadText(settings, keys::Cookies).trimmed(), QStringLiteral("the cookies file")); !ok)
        return ok;
    if (ReadFlag(settings, keys::ImageWatermark)) {
        if (auto ok = check(ReadText(settings, keys::WatermarkPicture), QStringLiteral("the watermark picture")); !ok)
            return ok;
    }
    const std::pair<const SettingKey*, const char*> texts[]
        = { { &keys::Style, "the style sheet" }, { &keys::Script, "the script" } };
    for (const auto& [key, what] : texts) {
        const QString value = ReadText(settings, *key);
        if (NamesAFile(value)) {
            if (auto ok = files.admitsFile(value, QString::fromLatin1(what)); !ok)
                return ok;
        }
    }
    return {};
}

bool WorkerBounds::givesCredentials(const QString& address) const
{
    if (m_credentials.isEmpty())
        return false;
    const QUrl url(address);
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return false;
    return m_authHosts.contains(url.host().toLower());
}

Result<WorkerBounds::Admitted> WorkerBounds::admit(const Job& job) const
{
    if (auto name = OutputRoot::checkName(job.name); !name)
        return std::unexpected(name.error());
    auto address = NormalisedAddress(job.address);
    if (!address)
        return std::unexpected(address.error());

    Admitted admitted { *address, JobSettings(job.settings) };
    JobSettings& settings = admitted.settings;
    const FileAllowance files = m_files.narrowedTo(ReadText(settings, keys::AllowFiles));
    QUrl url(*address);
    if (url.isLocalFile()) {
        const QString path = url.toLocalFile();
        if (auto ok = files.admitsPage(path); !ok)
            return std::unexpected(ok.error());
        // The tab loads the page where it really is, so that its own folder is the one looked at here.
        if (const QString real = RealPath(QDir::cleanPath(path)); !real.isEmpty() && QFileInfo::exists(real)) {
            url.setHost(QString());
            url.setPath(real, QUrl::DecodedMode);
            admitted.address = url.toString(QUrl::FullyEncoded);
        }
    }
    if (auto ok = admitFiles(files, settings); !ok)
        return std::unexpected(ok.error());
    put(settings, keys::AllowFiles, files.setting());

    auto folder = m_root.folderFor(ReadText(settings, keys::OutputFolder));
    if (!folder)
        return std::unexpected(folder.error());
    put(settings, keys::OutputFolder, *folder);

    if (givesCredentials(admitted.address))
        put(settings, keys::Auth, m_credentials);
    return admitted;
}

} // namespace qm::queue
