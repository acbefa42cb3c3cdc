#pragma once
#include "core/db/grid_spec.h"

#include <QStringList>

// The print formats (gg_dj) of one window's print codes, as the template window
// edits them: 名称 and 位置 shown, the code hidden. Codes match without regard to
// ASCII case ("skd" finds "SKD"). The window edits existing rows only.
namespace PrintFormatList {

GridSpec spec(const QStringList &codes);

// What a chosen template file leaves in DZ: its name without any folder, since
// templates are always looked for in PrintFormat/ ("C:\x\skd2.html" and
// "/some/folder/skd2.html" both give "skd2.html").
QString formatFileName(const QString &chosenPath);

// The file name proposed for a code whose row names no template yet ("<code>.html").
QString proposedFileName(const QString &code);

// The one way from a stored template name (gg_dj.DZ) to a file: PrintFormat/ +
// the file name of DZ, never anywhere else ("../x.html", "/etc/x.html" and
// "C:\\x\\x.html" all give PrintFormat/x.html). Empty when DZ names no file.
QString templateFile(const QString &dz);

} // namespace PrintFormatList
