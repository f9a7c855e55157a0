#pragma once

#include <QHash>
#include <QString>
#include <functional>
#include <memory>

namespace qm {

// Where a reader of options gets them. Every read goes to the source at the moment of use, so a
// change to settings.dat applies from the next page on.
class SettingsSource
{
public:
    virtual ~SettingsSource() = default;
    virtual QString read(const QString& section, const QString& key) const = 0;
};

// settings.dat itself. The parsed file is kept and read again only when its size, modification time or
// identity changed, so a change still applies from the next page on without a full read per value.
// A file that exists but cannot be read (too large, not text, no permission) counts as empty: the
// defaults apply, after the problem handler has been told once.
class FileSettings : public SettingsSource
{
public:
    explicit FileSettings(QString path);
    ~FileSettings() override;

    QString read(const QString& section, const QString& key) const override;
    const QString& path() const { return m_path; }

    // Runs once, with the reason, the first time the file is found unreadable; until a handler is set
    // the problem waits for it.
    void setProblemHandler(std::function<void(const QString& reason)> handler);
    // Why the file could not be read at the last look; empty when it was read (or is missing).
    QString problem() const;

private:
    struct Cache;
    void refresh() const;
    void tell() const;

    QString m_path;
    std::unique_ptr<Cache> m_cache;
    std::function<void(const QString&)> m_onProblem;
};

// Values set for one run (the command line's options) in front of another source; nothing is written.
class OverriddenSettings : public SettingsSource
{
public:
    explicit OverriddenSettings(const SettingsSource& base)
        : m_base(base)
    {
    }
    void set(const QString& section, const QString& key, const QString& value);
    QString read(const QString& section, const QString& key) const override;

private:
    static QString slot(const QString& section, const QString& key);
    const SettingsSource& m_base;
    QHash<QString, QString> m_values;
};

} // namespace qm
