#include "queue/RedisAddress.h"

#include <QFile>
#include <QUrl>

namespace qm::queue {

namespace {

Result<RedisAddress> bad(const QString& message)
{
    return fail(Error::Code::Usage, message);
}

} // namespace

Result<RedisAddress> RedisAddress::parse(const QString& text, const QString& passwordFile)
{
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("rediss"))
        return bad(QStringLiteral("rediss:// (TLS) is not supported: the Redis client this program is built "
                                  "with (hiredis 0.14) has no TLS; use redis:// on a trusted network or "
                                  "through a tunnel (ssh -L, stunnel)"));
    if (!url.isValid() || scheme != QLatin1String("redis") || url.host().isEmpty())
        return bad(QStringLiteral("--queue takes redis://[user:password@]HOST[:PORT][/DB]"));
    RedisAddress address;
    address.host = url.host();
    address.port = url.port(6379);
    address.user = url.userName();
    address.password = url.password();
    const QString path = url.path().mid(1);
    if (!path.isEmpty()) {
        bool ok = false;
        address.database = path.toInt(&ok);
        if (!ok || address.database < 0)
            return bad(QStringLiteral("--queue: the database after the host is a number, not \"%1\"").arg(path));
    }
    if (address.password.isEmpty() && !passwordFile.isEmpty()) {
        QFile file(passwordFile);
        if (!file.open(QIODevice::ReadOnly))
            return bad(QStringLiteral("--password-file: cannot read %1: %2").arg(passwordFile, file.errorString()));
        address.password = QString::fromUtf8(file.readLine()).trimmed();
    }
    if (address.password.isEmpty())
        address.password = qEnvironmentVariable("REDISCLI_AUTH");
    return address;
}

} // namespace qm::queue
