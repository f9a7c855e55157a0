#include "platform/cdp/BrowserEnvironment.h"

namespace qm::cdp {

namespace {

bool Passed(const QString& name)
{
    static const QStringList exact { "HOME", "USER", "LOGNAME", "PATH", "LANG", "LANGUAGE", "TZ", "TZDIR",
        "XDG_RUNTIME_DIR", "XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CACHE_HOME", "FONTCONFIG_FILE", "FONTCONFIG_PATH",
        "DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY", "http_proxy", "https_proxy", "ftp_proxy", "all_proxy", "no_proxy",
        "HTTP_PROXY", "HTTPS_PROXY", "FTP_PROXY", "ALL_PROXY", "NO_PROXY", "SOCKS_SERVER", "auto_proxy",
        // The switches Debian's chromium launcher adds to every start, as the user set them.
        "CHROMIUM_FLAGS" };
    return exact.contains(name) || name.startsWith(QLatin1String("LC_"));
}

} // namespace

QProcessEnvironment BrowserEnvironment(const QProcessEnvironment& ours, const QString& profile)
{
    QProcessEnvironment environment;
    for (const QString& name : ours.keys()) {
        if (Passed(name))
            environment.insert(name, ours.value(name));
    }
    // Chromium's own temporary files (shared memory without /dev/shm) go inside the profile folder, so
    // they are removed with it even when the browser is killed.
    environment.insert(QStringLiteral("TMPDIR"), profile + QStringLiteral("/tmp"));
    // The crash reporter keeps its database under the user's config folder; that is pointed into the
    // profile too.
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), profile + QStringLiteral("/config"));
    return environment;
}

} // namespace qm::cdp
