#include "system/company_info.h"

#include "core/db/database.h"
#include "core/home.h"
#include "core/session.h"

#include <QDir>
#include <QSqlError>
#include <QFileInfo>
#include <QImageReader>
#include <QRegularExpression>
#include <cmath>

namespace Company {
namespace {

// An empty box is stored as an empty text, not as NULL: the row holds what the user saw.
QString boxText(const QString &s) { return s.isNull() ? QStringLiteral("") : s; }

QString columnText(const QVariant &v) { return v.isNull() ? QString() : v.toString(); }

std::optional<QString> nameByCode(const QString &table, const QString &code)
{
    // Table names come from this file only; the code is bound.
    QSqlQuery q = Db::execSql(QStringLiteral("SELECT MC FROM %1 WHERE BM = ?").arg(table), {code});
    if (!q.next())
        return std::nullopt;
    return boxText(columnText(q.value(0)));
}

} // namespace

QString savedMessage() { return QStringLiteral("保存成功！    "); }
QString unknownCodeMessage() { return QStringLiteral("您所输入的编码不存在！"); }
QString pointsRuleMessage() { return QStringLiteral("“消费多少元积一分”请输入0至10000之间的整数！"); }
QString discountMessage() { return QStringLiteral("“全场打折”请输入数字！"); }
QString pickUpDaysMessage() { return QStringLiteral("“取相天数”请输入0至9999之间的整数！"); }
QString failedMessage() { return QStringLiteral("保存失败！"); }

std::optional<CompanyInfo> load()
{
    QSqlQuery q = Db::execSql(QStringLiteral("SELECT GSMC, DH, DZ, MR_GHS, MR_GHSMC, MR_KH, MR_KHMC, LOG, BF, XJF, "
                                         "QXTS, QXSJ, TZK FROM bm_gsxx LIMIT 1"));
    if (!q.next())
        return std::nullopt;
    CompanyInfo c;
    QString *texts[] = {&c.GSMC, &c.DH, &c.DZ, &c.MR_GHS, &c.MR_GHSMC, &c.MR_KH,
                        &c.MR_KHMC, &c.LOG, &c.BF,  &c.XJF,    &c.QXTS,   &c.QXSJ};
    for (int i = 0; i < 12; ++i)
        *texts[i] = columnText(q.value(i));
    const QVariant tzk = q.value(12);
    c.TZK = QString::number(tzk.isNull() ? 1.0 : tzk.toDouble(), 'f', 2);
    return c;
}

std::optional<QString> checkPointsRule(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,9}$"));
    const QString t = text.trimmed();
    if (!digits.match(t).hasMatch() || t.toInt() > 10000)
        return pointsRuleMessage();
    return std::nullopt;
}

std::optional<QString> checkPickUpDays(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,4}$"));
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    if (!digits.match(t).hasMatch())
        return pickUpDaysMessage();
    return std::nullopt;
}

std::optional<QString> checkDiscount(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v) || v < 0)
        return discountMessage();
    return std::nullopt;
}

Outcome save(const CompanyInfo &c, QString *badField)
{
    const auto refuse = [&](const QString &message, const char *field) {
        if (badField)
            *badField = QString::fromLatin1(field);
        return Outcome::failure(message);
    };
    if (auto m = checkPointsRule(c.XJF))
        return refuse(*m, "XJF");
    if (auto m = checkPickUpDays(c.QXTS))
        return refuse(*m, "QXTS");
    if (auto m = checkDiscount(c.TZK))
        return refuse(*m, "TZK");

    const QString tzkText = c.TZK.trimmed();
    const QVariant tzk = tzkText.isEmpty() ? QVariant(QMetaType::fromType<double>()) : QVariant(tzkText.toDouble());
    const QString qxts = c.QXTS.trimmed().isEmpty() ? QStringLiteral("") : QString::number(c.QXTS.trimmed().toInt());
    const QVariantList values = {boxText(c.GSMC), boxText(c.DZ),      boxText(c.DH),     boxText(c.MR_GHS),
                                 boxText(c.MR_GHSMC), boxText(c.MR_KH), boxText(c.MR_KHMC), qxts,
                                 boxText(c.QXSJ), boxText(c.LOG),     boxText(c.BF),
                                 QString::number(c.XJF.trimmed().toInt()), tzk};
    try {
        Transaction tx;
        // Without its transaction the statements below would each commit on
        // their own, and a failure between them would leave half a row.
        if (!tx.active())
            return Outcome::failure(failedMessage(), Database::db().lastError().text());
        const bool hasRow = Db::execSql(QStringLiteral("SELECT 1 FROM bm_gsxx LIMIT 1")).next();
        if (hasRow)
            // The table holds the one company row; every row gets the values so that
            // no reader can ever meet a stale one.
            Db::execSql(QStringLiteral("UPDATE bm_gsxx SET GSMC = ?, DZ = ?, DH = ?, MR_GHS = ?, MR_GHSMC = ?, MR_KH = ?, "
                                   "MR_KHMC = ?, QXTS = ?, QXSJ = ?, LOG = ?, BF = ?, XJF = ?, TZK = ?"),
                    values);
        else
            Db::execSql(QStringLiteral("INSERT INTO bm_gsxx (GSMC, DZ, DH, MR_GHS, MR_GHSMC, MR_KH, MR_KHMC, QXTS, QXSJ, "
                                   "LOG, BF, XJF, TZK) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                    values);
        QString error;
        if (!tx.commit(&error))
            return Outcome::failure(failedMessage(), error);
    } catch (const DbError &e) {
        return Outcome::failure(failedMessage(), e.text());
    }
    return Outcome::success(savedMessage());
}

std::optional<QString> supplierName(const QString &code) { return nameByCode(QStringLiteral("bm_ghs"), code); }
std::optional<QString> customerName(const QString &code) { return nameByCode(QStringLiteral("bm_kh"), code); }

QString backupFolder(const QString &chosen)
{
    if (chosen.isEmpty() || chosen.endsWith(QLatin1Char('/')) || chosen.endsWith(QLatin1Char('\\')))
        return chosen;
    return chosen + QLatin1Char('/');
}

BackgroundChoice chooseBackground()
{
    QString log;
    try {
        if (auto c = load())
            log = c->LOG;
    } catch (const DbError &) {
        // An unreadable company row shows the delivered picture, like a bad file name.
    }
    return chooseBackground(log);
}

BackgroundChoice chooseBackground(const QString &log)
{
    const QString name = QDir::fromNativeSeparators(log.trimmed());
    if (!name.isEmpty()) {
        const QString file = QFileInfo(name).isAbsolute() ? name : App::home().path(name);
        if (QFileInfo(file).isFile() && QImageReader(file).canRead())
            return {file, {}};
    }
    return {App::home().path(QStringLiteral("image.jpg")), QStringLiteral("背景图片路径不正确  ")};
}

} // namespace Company
