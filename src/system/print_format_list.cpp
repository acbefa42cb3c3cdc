#include "system/print_format_list.h"

#include "core/home.h"
#include "core/session.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace PrintFormatList {

GridSpec spec(const QStringList &codes)
{
    GridSpec s;
    s.table = QStringLiteral("gg_dj");
    s.keyColumn = QStringLiteral("DM");
    s.order = {{QStringLiteral("DM")}};
    // DM is declared COLLATE NOCASE, so IN matches the codes in any ASCII case;
    // no codes, no rows.
    QVariantList values;
    for (const QString &code : codes)
        values << code;
    s.conditions = {{QStringLiteral("DM"), GridCondition::Op::In, values}};

    const auto col = &GridColumn::of;
    GridColumn name = col("MC", "名称", 220);
    s.columns.push_back(name);
    s.columns.push_back(col("DZ", "位置", 260));
    GridColumn code = col("DM", "代码", 80);
    code.hidden = true;
    code.readOnly = true;
    s.columns.push_back(code);
    return s;
}

QString formatFileName(const QString &chosenPath)
{
    QString name = chosenPath.trimmed();
    // Values written on Windows carry backslashes; only the last part counts.
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    name = name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return QString();
    return name;
}

QString proposedFileName(const QString &code)
{
    QString name = code.trimmed().toLower();
    name.replace(QRegularExpression(QStringLiteral("[^a-z0-9_\\-]")), QStringLiteral("_"));
    return name.isEmpty() ? QString() : name + QStringLiteral(".html");
}

QString templateFile(const QString &dz)
{
    const QString name = formatFileName(dz);
    if (name.isEmpty())
        return QString();
    const QString folder = App::home().printFormatDir();
    const QString file = folder + QLatin1Char('/') + name;
    // A name without any separator cannot leave the folder; checked all the
    // same, since this path is where the designer writes.
    if (QFileInfo(file).absolutePath() != QFileInfo(folder).absoluteFilePath())
        return QString();
    return file;
}

} // namespace PrintFormatList
