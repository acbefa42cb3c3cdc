#include "ui/pickers.h"

#include <QHash>

namespace {
QHash<QString, Pickers::Picker> &registry()
{
    static QHash<QString, Pickers::Picker> pickers;
    return pickers;
}
} // namespace

void Pickers::add(const QString &name, Picker picker) { registry().insert(name, std::move(picker)); }

void Pickers::remove(const QString &name) { registry().remove(name); }

Pickers::Picker Pickers::find(const QString &name) { return registry().value(name); }
