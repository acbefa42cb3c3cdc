#pragma once
#include <QString>
#include <QTemporaryDir>
#include <memory>

// A large, realistic data set for the benchmarks: members with Chinese names,
// phone numbers, birthdays, points and balances, the delivered level names in
// JB and price tier names in JG; categories with points rules; products with
// prices and stock; optionally wedding orders with their lines. Values are drawn from a
// seeded generator, so two runs with the same options produce the same rows.
//
// Everything is written in one transaction through prepared statements, which
// keeps 300 000 members within a few seconds.
namespace LargeDataset {

struct Options
{
    int members = 0;       // bm_kh rows, numeric codes "000001"…, some introduced by an earlier member
    int products = 0;      // bm_sp rows in 50 categories "01"…"50", coded category + serial ("010001")
    int orders = 0;        // xsd_zb rows (needs members and products)
    int linesPerOrder = 3; // xsd_mx rows per order
    unsigned seed = 20240101;
};

// Fills the open database of the program (Database::db()). False with the
// database's message.
bool generate(const Options &options, QString *error = nullptr);

// The code of the n-th generated member / category / product (n from 0).
QString memberCode(int n);
QString categoryCode(int n);
QString productCode(int n);

// A fresh temporary home folder with the delivered database, opened as the
// program's database; closed and removed again when destroyed.
class FreshHome
{
public:
    FreshHome();
    ~FreshHome();
    FreshHome(const FreshHome &) = delete;
    FreshHome &operator=(const FreshHome &) = delete;

    bool isOpen() const { return m_open; }
    QString error() const { return m_error; }
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    bool m_open = false;
    QString m_error;
};

} // namespace LargeDataset
