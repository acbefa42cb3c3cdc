#include "core/settings.h"

#include <SimpleIni.h>
#include <QFile>
#include <QSaveFile>

struct Settings::Impl
{
    CSimpleIniA ini{false, false, false};
};

Settings::Settings(const QString &path) : m_path(path), d(std::make_unique<Impl>()) { reload(); }
Settings::~Settings() = default;

void Settings::reload()
{
    d->ini.Reset();
    d->ini.SetUnicode(false); // UTF-8 text without a byte-order mark
    QFile f(m_path);
    if (f.open(QIODevice::ReadOnly)) {
        QByteArray data = f.readAll();
        if (data.startsWith("\xEF\xBB\xBF"))
            data.remove(0, 3);
        d->ini.LoadData(data.constData(), static_cast<size_t>(data.size()));
    }
}

QString Settings::value(const QString &section, const QString &key, const QString &defaultValue) const
{
    const char *v = d->ini.GetValue(section.toUtf8().constData(), key.toUtf8().constData(), nullptr);
    return v ? QString::fromUtf8(v) : defaultValue;
}

bool Settings::contains(const QString &section, const QString &key) const
{
    return d->ini.GetValue(section.toUtf8().constData(), key.toUtf8().constData(), nullptr) != nullptr;
}

int Settings::intValue(const QString &section, const QString &key, int defaultValue) const
{
    bool ok = false;
    const int n = value(section, key).trimmed().toInt(&ok);
    return ok ? n : defaultValue;
}

bool Settings::flag(const QString &section, const QString &key, bool defaultValue) const
{
    return value(section, key, defaultValue ? QStringLiteral("T") : QStringLiteral("F")) == QLatin1String("T");
}

void Settings::setValue(const QString &section, const QString &key, const QString &value)
{
    d->ini.SetValue(section.toUtf8().constData(), key.toUtf8().constData(), value.toUtf8().constData());
    save();
}

void Settings::setInt(const QString &section, const QString &key, int value)
{
    setValue(section, key, QString::number(value));
}

void Settings::setFlag(const QString &section, const QString &key, bool on)
{
    setValue(section, key, on ? QStringLiteral("T") : QStringLiteral("F"));
}

void Settings::remove(const QString &section, const QString &key)
{
    if (d->ini.Delete(section.toUtf8().constData(), key.toUtf8().constData()))
        save();
}

void Settings::save()
{
    std::string out;
    if (d->ini.Save(out) < 0)
        return;
    // Written through a temporary file so that a crash never leaves half a file.
    QSaveFile f(m_path);
    if (!f.open(QIODevice::WriteOnly))
        return;
    f.write(out.data(), static_cast<qint64>(out.size()));
    f.commit();
}
