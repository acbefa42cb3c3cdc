#include "masterdata/member_add.h"

#include "core/db/database.h"
#include "core/db/transaction.h"
#include "core/session.h"
#include "core/settings.h"
#include "core/text/pinyin.h"
#include "masterdata/member_level.h"

#include <QRegularExpression>
#include <QSqlError>

namespace {

const QString walkIn = QStringLiteral("999");
const QString duplicateMessage = QStringLiteral("当行会员卡号已存在，请换用别的卡号！");

bool allDigits(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

// The number a code starts with, as decimal digits without leading zeros
// ("" for none, "0" for zero): codes may be longer than any integer type.
QString leadingNumber(const QString &code)
{
    const QString t = code.trimmed();
    int end = 0;
    while (end < t.size() && t[end] >= QLatin1Char('0') && t[end] <= QLatin1Char('9'))
        ++end;
    if (end == 0)
        return QString();
    QString digits = t.left(end);
    int zeros = 0;
    while (zeros < digits.size() - 1 && digits[zeros] == QLatin1Char('0'))
        ++zeros;
    return digits.mid(zeros);
}

bool numberLess(const QString &a, const QString &b)
{
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

QVariant dateOrNull(const QDate &date)
{
    return date.isValid() ? QVariant(date.toString(Qt::ISODate)) : QVariant();
}

QVariant textOrNull(const QString &text)
{
    return text.isEmpty() ? QVariant() : QVariant(text);
}

} // namespace

QString MemberAdd::incrementCode(const QString &code)
{
    if (!allDigits(code))
        return QString();
    QString next = code;
    for (qsizetype i = next.size() - 1; i >= 0; --i) {
        if (next[i] != QLatin1Char('9')) {
            next[i] = QChar(next[i].unicode() + 1);
            return next;
        }
        next[i] = QLatin1Char('0'); // the carry past the width is lost
    }
    return next;
}

QString MemberAdd::proposeCode()
{
    QSqlQuery codes = Db::execSql(QStringLiteral("SELECT BM FROM bm_kh WHERE BM <> ?"), {walkIn});
    QString maximum;   // greatest leading number
    QString lastText;  // last code in the list's text order
    bool any = false;
    while (codes.next()) {
        const QString code = codes.value(0).toString();
        const QString number = leadingNumber(code);
        if (!number.isEmpty() && (maximum.isEmpty() || numberLess(maximum, number)))
            maximum = number;
        // The member list orders codes ignoring ASCII case, as the column's collation does.
        if (!any || lastText.compare(code, Qt::CaseInsensitive) < 0
            || (lastText.compare(code, Qt::CaseInsensitive) == 0 && lastText < code))
            lastText = code;
        any = true;
    }
    codes.finish();
    if (!any)
        return QString();

    QString proposal = !maximum.isEmpty() && !numberLess(maximum, QStringLiteral("999"))
                           ? incrementCode(maximum)
                           : incrementCode(lastText);
    if (proposal != walkIn)
        return proposal;
    // After 998 the reserved code is skipped for the next free number above it.
    qulonglong candidate = 1000;
    while (codeExists(QString::number(candidate)))
        ++candidate;
    return QString::number(candidate);
}

bool MemberAdd::codeExists(const QString &code)
{
    return Db::scalarSql(QStringLiteral("SELECT COUNT(*) FROM bm_kh WHERE BM = ?"), {code}).toLongLong() > 0;
}

QString MemberAdd::introducerPointsSetting()
{
    return App::settings().value(QStringLiteral("xsd"), QStringLiteral("jsjf"), QStringLiteral("0"));
}

Outcome MemberAdd::addMember(const NewMember &m)
{
    const QString code = m.code.trimmed();
    if (code.isEmpty())
        return Outcome::failure(QStringLiteral("编码不能为空！"));

    const QString discountText = m.discount.trimmed().isEmpty() ? QStringLiteral("1") : m.discount.trimmed();
    bool numeric = false;
    const double discount = discountText.toDouble(&numeric);
    if (!numeric || discount < 0.1 - 1e-9 || discount > 1 + 1e-9)
        return Outcome::failure(QStringLiteral("折扣率请输入0.1至1的数字！"));

    static const QRegularExpression whole(QStringLiteral("^[0-9]{1,9}$"));
    const QString pointsText = m.introducerPoints.trimmed().isEmpty() ? QStringLiteral("0") : m.introducerPoints.trimmed();
    if (!whole.match(pointsText).hasMatch())
        return Outcome::failure(QStringLiteral("介绍人积分请输入不小于0的整数！"));
    const double points = pointsText.toDouble();

    const QString introducer = m.introducerCode.trimmed();
    if (!introducer.isEmpty() && introducer.compare(code, Qt::CaseInsensitive) == 0)
        return Outcome::failure(QStringLiteral("介绍人不能是会员自己！"));

    try {
        Transaction tx;
        if (!tx.active())
            return tx.commit();
        // Checked here, under the write lock: another window may have taken the
        // code since it was proposed or checked on leaving the box.
        if (codeExists(code))
            return Outcome::failure(duplicateMessage);

        QString introducerName = m.introducerName.trimmed();
        if (!introducer.isEmpty()) {
            QSqlQuery found = Db::execSql(QStringLiteral("SELECT MC FROM bm_kh WHERE BM = ?"), {introducer});
            if (!found.next())
                return Outcome::failure(QStringLiteral("介绍人编码不存在，请重新选择介绍人！"));
            introducerName = found.value(0).toString();
        }

        const QDate joinDate = m.joinDate.isValid() ? m.joinDate : QDate();
        QSqlQuery insert(Database::db());
        insert.prepare(QStringLiteral(
            "INSERT INTO bm_kh (BM, MC, KH, JP, JG, ZK, XB, SR, SRBAK, HQ, LJ, DH, QTDH, ZJLX, ZJ, QQ, DZ, BZ, RQ, "
            "JSRBM, JSR, TSJ, ZJF, DXJF, SYJF, JSRJF, LJXF, ZHYE, ZHQK) "
            "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 0, 0, 0, 0, 0, 0, 0)"));
        const QVariantList values = {code,
                                     m.name,
                                     m.card,
                                     Text::PinyinInitials(m.name),
                                     m.priceTier,
                                     discount,
                                     m.sex,
                                     m.lunarBirthday ? QVariant() : dateOrNull(m.birthday),
                                     m.lunarBirthday ? dateOrNull(m.birthday) : QVariant(),
                                     dateOrNull(m.weddingDate),
                                     m.age,
                                     m.mobile,
                                     m.otherPhone,
                                     m.idType,
                                     m.idNumber,
                                     m.qq,
                                     m.hotel,
                                     m.remarks,
                                     dateOrNull(joinDate),
                                     textOrNull(introducer),
                                     textOrNull(introducerName),
                                     m.autoUpgrade};
        for (const QVariant &v : values)
            insert.addBindValue(v);
        if (!insert.exec()) {
            const QSqlError error = insert.lastError();
            // A code taken between the check and the insert still meets the unique index.
            if (error.nativeErrorCode() == QLatin1String("2067") || error.nativeErrorCode() == QLatin1String("1555")
                || error.text().contains(QLatin1String("UNIQUE"), Qt::CaseInsensitive))
                return Outcome::failure(duplicateMessage);
            return Outcome::failure(QStringLiteral("保存失败！"), error.text());
        }
        insert.finish();

        if (!introducer.isEmpty() && points > 0) {
            // Relative, so a credit booked meanwhile by another counter is kept;
            // a missing value counts as 0.
            QSqlQuery credit = Db::execSql(
                QStringLiteral("UPDATE bm_kh SET JSRJF = COALESCE(JSRJF, 0) + ?, ZJF = COALESCE(ZJF, 0) + ?, "
                               "SYJF = COALESCE(SYJF, 0) + ? WHERE BM = ?"),
                {points, points, points, introducer});
            if (credit.numRowsAffected() != 1)
                return Outcome::failure(QStringLiteral("介绍人编码不存在，请重新选择介绍人！"));
            credit.finish();
            // The level follows the new total for members that upgrade automatically.
            MemberLevel::RecalcMemberLevel(introducer, true, 0, 0, 0);
        }
        return tx.commit();
    } catch (const DbError &e) {
        return Outcome::failure(QStringLiteral("保存失败！"), e.text());
    }
}

QVariantMap MemberAdd::memberRow(const QString &code)
{
    QVariantMap row;
    QSqlQuery q = Db::execSql(QStringLiteral("SELECT * FROM bm_kh WHERE BM = ?"), {code});
    if (q.next()) {
        const QSqlRecord r = q.record();
        for (int i = 0; i < r.count(); ++i)
            row.insert(r.fieldName(i), q.value(i));
    }
    return row;
}
