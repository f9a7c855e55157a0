#pragma once

#include <QHash>
#include <QString>

namespace qm {

// Where a reader of options gets them. Every read goes to the source at the moment of use, so a
// change to settings.dat applies from the next page on.
class SettingsSource
{
public:
    virtual ~SettingsSource() = default;
    virtual QString read(const QString& section, const QString& key) const = 0;
};

// settings.dat itself.
class FileSettings : public SettingsSource
{
public:
    explicit FileSettings(QString path)
        : m_path(std::move(path))
    {
    }
    QString read(const QString& section, const QString& key) const override;
    const QString& path() const { return m_path; }

private:
    QString m_path;
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
