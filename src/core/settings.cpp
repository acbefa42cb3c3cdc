#include "core/settings.h"
#include "core/home.h"

#include <SimpleIni.h>
#include <QDebug>
#include <QFile>

struct Settings::Impl
{
    CSimpleIniA ini{false, false, false};
    std::shared_ptr<Files::Calls> calls;
};

Settings::Settings(const QString &path, std::shared_ptr<Files::Calls> calls) : m_path(path), d(std::make_unique<Impl>())
{
    d->calls = calls ? std::move(calls) : std::make_shared<Files::Calls>();
    reload();
}

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
        // A crash can leave a run of NUL bytes in the file; the parser would
        // take the first for the end of the text and lose every later section.
        // Each ends the line it stands in instead.
        data.replace('\0', '\n');
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

Outcome Settings::setValue(const QString &section, const QString &key, const QString &value)
{
    d->ini.SetValue(section.toUtf8().constData(), key.toUtf8().constData(), value.toUtf8().constData());
    return save();
}

Outcome Settings::setInt(const QString &section, const QString &key, int value)
{
    return setValue(section, key, QString::number(value));
}

Outcome Settings::setFlag(const QString &section, const QString &key, bool on)
{
    return setValue(section, key, on ? QStringLiteral("T") : QStringLiteral("F"));
}

Outcome Settings::remove(const QString &section, const QString &key)
{
    if (d->ini.Delete(section.toUtf8().constData(), key.toUtf8().constData()))
        return save();
    return Outcome::success();
}

Outcome Settings::save()
{
    std::string out;
    if (d->ini.Save(out) < 0)
        return Outcome::failure(QStringLiteral("无法保存文件：") + m_path);
    const Outcome written = Files::writeWhole(m_path, QByteArray::fromStdString(out), *d->calls);
    if (!written)
        qWarning().noquote() << written.text();
    return written;
}
