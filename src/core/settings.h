#pragma once
#include <QString>
#include <memory>


// Default.ini: per-installation settings. Every read names its own default;
// every change is written to the file at once. A missing or unwritable file is
// not an error: reads give the defaults and failed writes go unreported.
class Settings
{
public:
    explicit Settings(const QString &path);
    ~Settings();

    QString value(const QString &section, const QString &key, const QString &defaultValue = QString()) const;
    int intValue(const QString &section, const QString &key, int defaultValue) const;
    // Flags are "T"/"F"; anything but "T" means not set.
    bool flag(const QString &section, const QString &key, bool defaultValue) const;
    bool contains(const QString &section, const QString &key) const;

    void setValue(const QString &section, const QString &key, const QString &value);
    void setInt(const QString &section, const QString &key, int value);
    void setFlag(const QString &section, const QString &key, bool on);
    void remove(const QString &section, const QString &key);

    QString path() const { return m_path; }
    void reload();

private:
    void save();
    QString m_path;
    struct Impl;
    std::unique_ptr<Impl> d;
};
