#include "masterdata/product_picture.h"

#include "core/db/database.h"
#include "core/home.h"
#include "core/session.h"

#include <QDir>
#include <QFileInfo>

namespace ProductPicture {
namespace {

QString homeRoot() { return QDir::cleanPath(QFileInfo(App::home().root()).absoluteFilePath()); }

const QString writeFailed = QStringLiteral("保存失败，请先保存然后重试！");

} // namespace

QString folder() { return App::home().path(QStringLiteral("图片")); }

QString storedPath(const QString &chosenFile)
{
    if (chosenFile.isEmpty())
        return QString();
    const QString file = QDir::cleanPath(QFileInfo(chosenFile).absoluteFilePath());
    const QString relative = QDir(homeRoot()).relativeFilePath(file);
    if (relative.startsWith(QLatin1String("../")) || relative == QLatin1String("..") || QDir::isAbsolutePath(relative))
        return file;
    return relative;
}

QString resolve(const QString &stored)
{
    QString path = stored.trimmed();
    if (path.isEmpty())
        return QString();
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (QDir::isAbsolutePath(path))
        return QDir::cleanPath(path);
    const QString clean = QDir::cleanPath(path);
    if (clean == QLatin1String("..") || clean.startsWith(QLatin1String("../")))
        return QString();
    return QDir::cleanPath(homeRoot() + QLatin1Char('/') + clean);
}

QImage load(const QString &stored)
{
    const QString file = resolve(stored);
    if (file.isEmpty() || !QFileInfo(file).isFile())
        return QImage();
    return QImage(file);
}

QString read(const QString &code)
{
    return Db::scalarSql(QStringLiteral("SELECT TP FROM bm_sp WHERE BM = ?"), {code}).toString();
}

Outcome write(const QString &code, const QString &stored)
{
    try {
        QSqlQuery q = Db::execSql(QStringLiteral("UPDATE bm_sp SET TP = ? WHERE BM = ?"),
                                  {stored.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(stored), code});
        if (q.numRowsAffected() < 1)
            return Outcome::failure(writeFailed, QStringLiteral("没有编码为 %1 的商品。").arg(code));
    } catch (const DbError &e) {
        return Outcome::failure(writeFailed, e.text());
    }
    return Outcome::success();
}

} // namespace ProductPicture
