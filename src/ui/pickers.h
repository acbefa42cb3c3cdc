#pragma once
#include <QString>
#include <QVariantMap>
#include <functional>
#include <optional>

class QWidget;

// The pickers a grid cell's "..." button can open, by name ("customer",
// "product", …). Each area registers its own at start-up; a picker shows its
// window over `parent`, starts from what was typed in the cell and returns
// the picked row (field → value), or nothing when the user cancelled.
namespace Pickers {
using Picker = std::function<std::optional<QVariantMap>(QWidget *parent, const QString &typed)>;

// Registers a picker; a later one of the same name replaces it.
void add(const QString &name, Picker picker);
// Forgets a picker (tests register their own for a while).
void remove(const QString &name);
// The picker of that name; an empty function when none is registered.
Picker find(const QString &name);
} // namespace Pickers
