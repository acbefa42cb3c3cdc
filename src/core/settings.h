#pragma once
#include "core/outcome.h"

#include <QString>
#include <memory>

namespace Files {
class Calls;
}

// Default.ini: per-installation settings. Every read names its own default;
// every change is written to the file at once. A missing file is not an
// error: reads give the defaults. A change is written through a temporary
// file that replaces Default.ini only when it was written whole, so a full
// disk or a crash never leaves half a file; a failed write keeps the old file
// and is returned (and logged) to the caller. The file is readable by its
// owner only: it holds the remembered login.
class Settings
{
public:
    // calls: the system calls writes go through (tests play a failing disk).
    explicit Settings(const QString &path, std::shared_ptr<Files::Calls> calls = {});
    ~Settings();

    QString value(const QString &section, const QString &key, const QString &defaultValue = QString()) const;
    int intValue(const QString &section, const QString &key, int defaultValue) const;
    // Flags are "T"/"F"; anything but "T" means not set.
    bool flag(const QString &section, const QString &key, bool defaultValue) const;
    bool contains(const QString &section, const QString &key) const;

    Outcome setValue(const QString &section, const QString &key, const QString &value);
    Outcome setInt(const QString &section, const QString &key, int value);
    Outcome setFlag(const QString &section, const QString &key, bool on);
    Outcome remove(const QString &section, const QString &key);

    QString path() const { return m_path; }
    void reload();

private:
    Outcome save();
    QString m_path;
    struct Impl;
    std::unique_ptr<Impl> d;
};
