#include "core/db/document_number.h"

#include "core/clock.h"
#include "core/db/database.h"
#include "core/session.h"

namespace {

QString todayText() { return Clock::today().toString(QStringLiteral("yyyyMMdd")); }

} // namespace

QString Documents::NewDocumentNumber(const QString &type)
{
    const Session &s = App::session();
    const QString day = todayText();
    const QString employee = s.currentUserCode;

    const int n = Db::scalarSql(QStringLiteral("SELECT DJSL FROM GG_XZ WHERE YGBM = ? AND DJLX = ? AND RQ = ?"),
                            {employee, type, day})
                      .toInt();
    QString number;
    if (n != 0) {
        number = day + employee + (QStringLiteral("00000") + QString::number(n + 1)).right(5);
    } else {
        // The clearing and the new counter go together; inside a save's
        // transaction the guard nests into it, so they stand or fall with the save.
        Transaction tx;
        QString error;
        if (!tx.active()) {
            tx.commit(&error);
            throw DbError(error);
        }
        Db::execSql(QStringLiteral("DELETE FROM GG_XZ WHERE YGBM = ? AND DJLX = ?"), {employee, type});
        Db::execSql(QStringLiteral("INSERT INTO GG_XZ (YGBM, DJLX, RQ, DJSL) VALUES (?, ?, ?, 0)"),
                {employee, type, day});
        if (!tx.commit(&error))
            throw DbError(error);
        number = day + employee + QStringLiteral("00001");
    }
    if (s.shortNumbers())
        number = number.left(8) + number.mid(12);
    return number;
}

void Documents::CommitDocumentNumber(const QString &type, const QString &number)
{
    const Session &s = App::session();
    const QString counter = number.right(s.shortNumbers() ? 4 : 5);
    // A number edited by hand may end in something else; it moves no counter.
    if (counter.isEmpty())
        return;
    for (const QChar ch : counter)
        if (ch < QLatin1Char('0') || ch > QLatin1Char('9'))
            return;
    const int c = counter.toInt();
    Db::execSql(QStringLiteral("UPDATE GG_XZ SET DJSL = CASE WHEN DJSL IS NULL OR DJSL < ? THEN ? ELSE DJSL END "
                           "WHERE YGBM = ? AND DJLX = ? AND RQ = ?"),
            {c, c, s.currentUserCode, type, todayText()});
}
