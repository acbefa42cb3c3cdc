#include "core/db/schema.h"
#include "core/db/database.h"
#include "core/password.h"
#include "core/text/pinyin_table.h"

#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <iterator>

namespace Schema {
namespace {

Column T(const char *n, int width = 50) { return {n, Type::Text, width}; }
Column M(const char *n) { return {n, Type::Text, 0}; } // unbounded text
// Amounts and prices keep their cents: the few an older data model declared
// without decimals (prices, payments, top-ups) are held at two places too,
// since rounding them to whole yuan would change what a customer paid.
// Points and quantities keep their own scale.
Column D(const char *n, int scale = 2) { return {n, Type::Decimal, scale}; }
Column DT(const char *n) { return {n, Type::DateTime}; }
Column B(const char *n) { return {n, Type::Bool}; }
Column L(const char *n) { return {n, Type::Integer}; }
Column NN(Column c)
{
    c.notNull = true;
    return c;
}
// The row key of a table without a code: "ID INTEGER PRIMARY KEY".
Column PK()
{
    Column c = L("ID");
    c.primaryKey = true;
    return c;
}

// Lines shared by the purchase stock-in, purchase return and sales return documents.
std::vector<Column> tradeLines(std::vector<Column> extra = {})
{
    std::vector<Column> c = {T("ID", 16), T("SPBM"), T("SPMC"), T("TXM"), T("XH"), T("DW"), T("SCCJ"),
                             D("SL"), D("DJ"), D("JE"), T("BZ")};
    c.insert(c.end(), extra.begin(), extra.end());
    return c;
}

// Lines of a receipt or a supplier payment: one per paid document.
std::vector<Column> paymentLines()
{
    return {T("ID", 16), T("DJLX"), T("DJ_ID"), DT("RQ"), T("JBR"), T("ZDR"), D("ZSL"),
            D("ZJE"),   D("SS"),   D("QK"),     D("BCSK"), T("BZ")};
}

std::vector<Table> buildTables()
{
    std::vector<Table> t;
    // System tables
    t.push_back({"bm_yg",
                 {T("BM"), T("MC"), T("DLMC"), T("MM", 128), T("ZW"), T("DH"), T("DZ"), DT("SR"), DT("SRBZ"),
                  T("BZ"), M("QX1"), M("QX2"), M("QX3"), M("QX4"), M("qxqt"), M("DLLP")},
                 {"BM"},
                 {"MC", "DLMC"}});
    t.push_back({"bm_gsxx",
                 {M("GSMC"), M("DH"), M("DZ"), M("LOG"), M("BF"), M("MR_GHS"), M("MR_GHSMC"), M("MR_KH"),
                  M("MR_KHMC"), M("QXTS"), M("QXSJ"), M("XJF"), D("TZK")},
                 {},
                 {}});
    t.push_back({"GG_XZ", {NN(T("YGBM", 10)), NN(T("DJLX", 10)), NN(T("RQ", 10)), L("DJSL")}, {}, {"YGBM"}});
    t.push_back({"gg_dj", {T("DM", 10), T("MC"), T("DZ", 100)}, {"DM"}, {}});
    t.push_back({"BM_JP", {M("mc"), M("jp"), PK()}, {}, {"mc"}});
    t.push_back({"gg_xtb", {T("MC"), T("SM"), T("XZ", 1), PK()}, {}, {}});

    // Master data
    t.push_back({"bm_kh",
                 {T("BM"),        T("MC"),       T("KH"),       T("JP"),  T("LJ"),   T("XB"),  T("DH"),
                  T("QTDH", 100), T("QQ"),       DT("SR"),      DT("SRBAK"), DT("HQ"), T("DW", 100),
                  T("DZ", 100),   T("ZJLX"),     T("ZJ"),       T("JSR"), T("JSRBM"), D("JSRJF"), T("JB"),
                  T("JG"),        D("ZK"),       D("ZJF", 0),   D("DXJF", 0), D("SYJF", 0), D("LJXF"),
                  D("ZHYE"),      D("ZHQK"),     DT("RQ"),      DT("ZJRQ"), B("TSJ"), B("QF"), T("BZ")},
                 {"BM"},
                 {"MC", "JP", "DH", "KH", "JSRBM"}});
    t.push_back({"BM_KHJB", {T("BM"), T("MC"), D("ZK"), D("QJF"), D("ZJF")}, {"BM"}, {"QJF"}});
    t.push_back({"bm_sp",
                 {T("BM"),    T("MC", 100), T("JP"),     T("LB"),     T("TXM"),   T("XH"),    T("DW", 100),
                  T("SCCJ", 100), D("MJ"),  B("SLHS"),   B("TDZ"),    B("TJF"),   T("JFGZ"),  D("JJ"),
                  D("LSJ"), D("SJ1"), D("SJ2"), D("SJ3"), D("SJ4"), D("SJ5"), D("KCSL", 0),
                  D("KCJE"), D("CBJJ"), T("TP", 255), T("BZ", 200)},
                 {"BM"},
                 {"JP", "LB", "TXM", "MC"}});
    t.push_back({"bm_splb", {T("BM"), T("MC"), T("JFGZ")}, {"BM"}, {}});
    t.push_back({"bm_txlb", {T("BM"), T("MC")}, {"BM"}, {"MC"}});
    t.push_back({"bm_tx", {T("BM"), T("MC"), D("SL"), D("DJ"), T("LB"), PK()}, {}, {"LB", "BM"}});
    t.push_back({"bm_xm", {T("BM"), T("MC"), B("SZ")}, {"BM"}, {"MC"}});
    t.push_back({"bm_jfsp",
                 {T("BM"), T("MC", 100), T("XH"), T("DW", 100), D("JF"), D("KCSL"), T("BZ", 200)},
                 {"BM"},
                 {}});
    t.push_back({"bm_ghs",
                 {T("BM"), T("MC"), T("LXR"), T("DH"), T("DZ"), D("LJJE"), D("ZHQK"), T("BZ")},
                 {"BM"},
                 {}});
    t.push_back({"BM_TXM",
                 {T("ID"), L("XH"), T("SPBM"), T("SPMC"), T("TXH"), L("SL"), D("LSJ"), D("SJ1"), T("TXM")},
                 {},
                 {"ID"}});

    // Wedding orders
    t.push_back({"xsd_zb",
                 {T("ID", 16),     DT("RQ"),       T("SJ"),         T("KHBM"),     T("KHMC"),    T("JBR"),
                  T("ZDR"),        T("SYR"),       T("SYZL"),       T("HQR"),      T("HZR"),     T("TXMC"),
                  T("JDMC", 255),  DT("YYRQ"),     DT("QXRQ"),      T("QXSJ"),     D("ZSL"),     D("ZMJ"),
                  D("ZJE"),        D("ZML"),    D("JF"),         D("YYSK"),     DT("YYSK_RQ"), T("YYSK_FS", 255),
                  T("YYSH"),       D("SS"),        DT("SS_RQ"),     T("SS_FS", 255), T("SH"),    D("QXSK"),
                  DT("QXSK_RQ"),   T("QXSK_FS", 255), T("QX"),      T("WC"),       D("QK"),      D("HK"),
                  T("BZ")},
                 {"ID"},
                 {"RQ", "KHBM", "YYRQ", "QXRQ"}});
    t.push_back({"xsd_mx",
                 {T("ID", 16), T("SPBM"), T("SPMC"), B("SLHS"), T("TXM"), T("XH"),   T("DW"),    T("SCCJ"),
                  D("ZQDJ"),   D("ZK"),   D("DJ"), D("SL"),  D("MJ"),  D("JE"),   D("JJ"),    D("ML"),
                  B("TDZ"),    B("TJF"),  D("TJFJE"), T("JFGZ"), D("MXJF"), T("BZ")},
                 {},
                 {"ID", "SPBM"}});

    // Member accounts
    t.push_back({"skd_zb",
                 {T("ID", 16), DT("RQ"), T("KHBM"), T("KHMC"), T("JBR"), T("ZDR"), D("SS"), D("CS"), T("SH"),
                  T("BZ")},
                 {"ID"},
                 {"RQ", "KHBM"}});
    t.push_back({"skd_mx", paymentLines(), {}, {"ID", "DJ_ID"}});
    t.push_back({"czd_zb",
                 {T("ID"), DT("RQ"), T("KHBM"), T("KH"), D("JE"), D("ZS"), D("ZJE"), D("ZSJF"), T("SH", 1),
                  T("BZ", 200)},
                 {"ID"},
                 {"RQ", "KHBM"}});
    t.push_back({"djf_zb",
                 {T("ID"), DT("RQ"), T("KHBM"), T("KH"), T("JBR"), D("BCJF"), D("ZSL"), T("SH", 1), T("BZ", 200)},
                 {"ID"},
                 {"RQ", "KHBM"}});
    t.push_back({"djf_mx",
                 {T("ID"), T("SPBM"), T("SPMC"), T("DW"), D("SL"), D("JF"), T("BZ", 200)},
                 {},
                 {"ID", "SPBM"}});
    t.push_back({"JF_XG",
                 {NN(T("ID", 20)), DT("RQ"), T("KHBM"), T("KHMC"), D("ZJF"), D("DXJF"), D("SYJF"), D("X_ZJF"),
                  D("X_DXJF"), D("X_SYJF")},
                 {},
                 {"RQ", "KHBM"}});

    // Trade documents
    t.push_back({"rkd_zb",
                 {T("ID", 16), DT("RQ"), T("GHSBM"), T("GHSMC"), T("JBR"), T("ZDR"), D("ZSL", 0), D("ZJE"),
                  D("SF"), D("QK"), D("HK"), T("SH"), T("BZ")},
                 {"ID"},
                 {"RQ", "GHSBM"}});
    t.push_back({"rkd_mx", tradeLines(), {}, {"ID", "SPBM"}});
    t.push_back({"thd_zb",
                 {T("ID", 16), DT("RQ"), T("GHSBM"), T("GHSMC"), T("JBR"), T("ZDR"), D("ZSL", 0), D("ZJE"),
                  D("SS"), D("QK"), L("HK"), T("SH"), T("BZ")},
                 {"ID"},
                 {"RQ", "GHSBM"}});
    t.push_back({"thd_mx", tradeLines(), {}, {"ID", "SPBM"}});
    t.push_back({"xtd_zb",
                 {T("ID", 16), DT("RQ"), T("SJ"), T("KHBM"), T("KHMC"), T("JBR"), T("ZDR"), D("ZSL"), D("ZJE"),
                  D("SF"), D("QK"), D("HK"), D("JF"), D("ZML"), T("SH"), T("BZ")},
                 {"ID"},
                 {"RQ", "KHBM"}});
    t.push_back({"xtd_mx",
                 tradeLines({D("ZQDJ"), D("ZK"), D("JJ"), D("ML"), B("TDZ"), B("TJF"), D("TJFJE"), T("JFGZ"),
                             D("MXJF")}),
                 {},
                 {"ID", "SPBM"}});
    t.push_back({"pdd_zb",
                 {T("ID", 16), DT("RQ"), T("JBR"), T("ZDR"), D("ZSL"), D("ZJE"), T("SH"), T("BZ")},
                 {"ID"},
                 {"RQ"}});
    t.push_back({"pdd_mx",
                 {T("ID", 16), T("SPBM"), T("SPMC"), T("TXM"), T("XH"), T("DW"), T("SCCJ"), D("SL"), D("XSL"),
                  D("YKSL"), D("XJE"), D("JE"), D("YKJE"), T("BZ")},
                 {},
                 {"ID", "SPBM"}});
    t.push_back({"fkd_zb",
                 {T("ID", 16), DT("RQ"), T("GHSBM"), T("GHSMC"), T("JBR"), T("ZDR"), D("SS"), T("SH"), T("BZ")},
                 {"ID"},
                 {"RQ", "GHSBM"}});
    t.push_back({"fkd_mx", paymentLines(), {}, {"ID", "DJ_ID"}});
    t.push_back({"srd_zb", {T("ID"), T("XM"), DT("RQ"), D("JE"), T("BZ", 200)}, {"ID"}, {"RQ"}});
    t.push_back({"zcd_zb", {T("ID"), T("XM"), DT("RQ"), D("JE"), T("BZ", 200)}, {"ID"}, {"RQ"}});
    return t;
}

QString typeSql(const Column &c)
{
    switch (c.type) {
    case Type::Text:
        return c.size > 0 ? QStringLiteral("VARCHAR(%1) COLLATE NOCASE").arg(c.size)
                          : QStringLiteral("TEXT COLLATE NOCASE");
    case Type::Decimal:
        return QStringLiteral("DECIMAL(18,%1)").arg(c.size);
    case Type::DateTime:
        return QStringLiteral("DATETIME");
    case Type::Bool:
        return QStringLiteral("BOOLEAN");
    case Type::Integer:
        return QStringLiteral("INTEGER");
    }
    return {};
}

bool run(QSqlDatabase db, const QString &sql, const QVariantList &binds, QString *error)
{
    QSqlQuery q(db);
    if (!q.prepare(sql)) {
        if (error)
            *error = q.lastError().text();
        return false;
    }
    for (const QVariant &v : binds)
        q.addBindValue(v);
    if (!q.exec()) {
        if (error)
            *error = q.lastError().text() + QStringLiteral(" [") + sql + QStringLiteral("]");
        return false;
    }
    return true;
}

} // namespace

const std::vector<Table> &tables()
{
    static const std::vector<Table> all = buildTables();
    return all;
}

const char *keyColumn(const Table &table)
{
    for (const Column &c : table.columns)
        if (c.primaryKey)
            return c.name;
    return nullptr;
}

const Table *findTable(const QString &name)
{
    for (const Table &t : tables())
        if (name.compare(QLatin1String(t.name), Qt::CaseInsensitive) == 0)
            return &t;
    return nullptr;
}

QString createTableSql(const Table &table)
{
    QStringList cols;
    for (const Column &c : table.columns)
        cols << QStringLiteral("%1 %2%3%4").arg(QLatin1String(c.name), typeSql(c),
                                               c.primaryKey ? QStringLiteral(" PRIMARY KEY") : QString(),
                                               c.notNull ? QStringLiteral(" NOT NULL") : QString());
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(QLatin1String(table.name), cols.join(QStringLiteral(", ")));
}

bool create(QSqlDatabase db, QString *error)
{
    Transaction tx(db);
    for (const Table &t : tables()) {
        if (!run(db, createTableSql(t), {}, error))
            return false;
        for (const char *k : t.uniqueKey)
            if (!run(db, QStringLiteral("CREATE UNIQUE INDEX ux_%1_%2 ON %1 (%2)").arg(QLatin1String(t.name), QLatin1String(k)), {}, error))
                return false;
        for (const char *k : t.indexed)
            if (!run(db, QStringLiteral("CREATE INDEX ix_%1_%2 ON %1 (%2)").arg(QLatin1String(t.name), QLatin1String(k)), {}, error))
                return false;
    }
    // Counters are looked up by employee, type and day together.
    if (!run(db, QStringLiteral("CREATE INDEX ix_GG_XZ_key ON GG_XZ (YGBM, DJLX, RQ)"), {}, error))
        return false;
    if (!migrateToV5(db, error))
        return false;
    if (!run(db, QStringLiteral("CREATE TABLE helan_schema (version INTEGER NOT NULL)"), {}, error))
        return false;
    if (!run(db, QStringLiteral("INSERT INTO helan_schema (version) VALUES (?)"), {currentVersion}, error))
        return false;
    if (!run(db, QStringLiteral("PRAGMA application_id = %1").arg(applicationId), {}, error))
        return false;
    return tx.commit(error);
}

bool seed(QSqlDatabase db, QString *error)
{
    Transaction tx(db);
    const QString all = QStringLiteral("QX-10,11,12,13,14,15,16,17,18,");
    if (!run(db,
             QStringLiteral("INSERT INTO bm_yg (BM, MC, DLMC, MM, ZW, QX1, QX2, QX3, QX4, qxqt) "
                            "VALUES ('000', '系统管理员', 'sa', ?, '管理', '', '', '', '', ?)"),
             {Password::deliveredAdministratorHash(), all}, error))
        return false;
    if (!run(db,
             QStringLiteral("INSERT INTO bm_kh (BM, MC, JP, JB, JG, ZK, ZJF, DXJF, SYJF, LJXF, ZHYE, ZHQK, TSJ, QF) "
                            "VALUES ('999', '普通客户', 'PTKH', '', '原价', 1, 0, 0, 0, 0, 0, 0, 0, 0)"),
             {}, error))
        return false;
    if (!run(db, QStringLiteral("INSERT INTO bm_ghs (BM, MC, LJJE, ZHQK) VALUES ('001', '通用供货商', 0, 0)"), {}, error))
        return false;
    if (!run(db,
             QStringLiteral("INSERT INTO bm_gsxx (GSMC, DH, DZ, LOG, BF, MR_GHS, MR_GHSMC, MR_KH, MR_KHMC, "
                            "QXTS, QXSJ, XJF, TZK) VALUES ('禾岚婚庆摄影', '', '', 'image.jpg', '', '001', "
                            "'通用供货商', '999', '普通客户', '7', '下午', '1', 1)"),
             {}, error))
        return false;

    struct Format { const char *dm, *mc, *dz; };
    static const Format formats[] = {
        {"XSD", "照相单打印格式", "xsd.html"},          {"XSD_L", "婚纱摄影流程单", "xsd_l.html"},
        {"XSD_Y", "照相预约单", "xsd_y.html"},          {"XSD_Q", "取件单", "xsd_q.html"},
        {"SKD", "收款单打印格式", "skd.html"},          {"CZD", "充值单打印格式", "czd.html"},
        {"DJF", "积分兑现单打印格式", "djf.html"},      {"RKD", "采购入库单打印格式", "rkd.html"},
        {"THD", "采购退货单打印格式", "thd.html"},      {"XTD", "销售退货单打印格式", "xtd.html"},
        {"PDD", "盘点单打印格式", "pdd.html"},          {"FKD", "付款单打印格式", "fkd.html"},
        {"SRD", "其它收入单打印格式", "srd.html"},      {"ZCD", "费用支出单打印格式", "zcd.html"},
        {"TXM", "条形码打印格式", "txm.html"},          {"bb_xsd", "婚礼订单查询", "bb_xsd.html"},
        {"bb_xsd_HZ", "业绩汇总", "bb_xsd_hz.html"},    {"bb_xsdmx", "婚礼订单明细", "bb_xsdmx.html"},
        {"bb_yyd", "预约单查询", "bb_yyd.html"},        {"bb_skd", "收款单查询", "bb_skd.html"},
        {"bb_skdmx", "收款单明细", "bb_skdmx.html"},    {"bb_czd", "充值单查询", "bb_czd.html"},
        {"bb_srd", "其它收入单查询", "bb_srd.html"},    {"bb_zcd", "费用支出单查询", "bb_zcd.html"},
        {"bb_rkd", "采购入库单查询", "bb_rkd.html"},    {"bb_rkdmx", "采购入库明细", "bb_rkdmx.html"},
        {"bb_thd", "采购退货单查询", "bb_thd.html"},    {"bb_thdmx", "采购退货明细", "bb_thdmx.html"},
        {"bb_xtd", "销售退货单查询", "bb_xtd.html"},    {"bb_xtdmx", "销售退货明细", "bb_xtdmx.html"},
        {"bb_pdd", "盘点单查询", "bb_pdd.html"},        {"bb_fkd", "付款单查询", "bb_fkd.html"},
        {"bb_fkdmx", "付款单明细", "bb_fkdmx.html"},    {"kc_kcdtb", "库存明细表", "kc_kcdtb.html"},
    };
    for (const Format &f : formats)
        if (!run(db, QStringLiteral("INSERT INTO gg_dj (DM, MC, DZ) VALUES (?, ?, ?)"),
                 {QString::fromUtf8(f.dm), QString::fromUtf8(f.mc), QString::fromUtf8(f.dz)}, error))
            return false;

    struct Exchange { const char *mc, *sm; };
    static const Exchange exchange[] = {
        {"bm_kh", "会员资料"},   {"BM_KHJB", "会员级别"}, {"bm_sp", "商品资料"},   {"bm_splb", "商品类别"},
        {"bm_txlb", "套系名称"}, {"bm_tx", "套系明细"},   {"bm_xm", "酒店及大厅"}, {"bm_jfsp", "积分商品"},
        {"bm_ghs", "供货商"},    {"bm_yg", "员工资料"},
    };
    for (const Exchange &e : exchange)
        if (!run(db, QStringLiteral("INSERT INTO gg_xtb (MC, SM, XZ) VALUES (?, ?, '')"),
                 {QString::fromUtf8(e.mc), QString::fromUtf8(e.sm)}, error))
            return false;

    struct Level { const char *bm, *mc; double zk, qjf, zjf; };
    static const Level levels[] = {
        {"01", "普通会员", 1.0, 0, 1000},
        {"02", "银卡会员", 0.95, 1000, 5000},
        {"03", "金卡会员", 0.9, 5000, 20000},
        {"04", "钻石会员", 0.85, 20000, 0},
    };
    for (const Level &l : levels)
        if (!run(db, QStringLiteral("INSERT INTO BM_KHJB (BM, MC, ZK, QJF, ZJF) VALUES (?, ?, ?, ?, ?)"),
                 {QString::fromUtf8(l.bm), QString::fromUtf8(l.mc), l.zk, l.qjf, l.zjf}, error))
            return false;
    if (!PinyinTable::insertMissing(db, error))
        return false;
    return tx.commit(error);
}

int version(QSqlDatabase db)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT version FROM helan_schema")) || !q.next())
        return 0;
    return q.value(0).toInt();
}

bool migrateToV4(QSqlDatabase db, QString *error)
{
    // A step before this one may have rebuilt bm_yg from the current
    // definition, which already has the column.
    const Table *yg = findTable(QStringLiteral("bm_yg"));
    const auto column = std::find_if(yg->columns.begin(), yg->columns.end(),
                                     [](const Column &c) { return qstrcmp(c.name, "DLLP") == 0; });
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT COUNT(*) FROM pragma_table_info(?) WHERE name = ? COLLATE NOCASE"));
    q.addBindValue(QLatin1String(yg->name));
    q.addBindValue(QLatin1String(column->name));
    if (!q.exec() || !q.next()) {
        if (error)
            *error = q.lastError().text();
        return false;
    }
    if (q.value(0).toInt() > 0)
        return true;
    q.finish();
    return run(db, QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3").arg(QLatin1String(yg->name), QLatin1String(column->name), typeSql(*column)),
               {}, error);
}

bool migrateToV5(QSqlDatabase db, QString *error)
{
    // The member list counts its members per level after every open and save:
    // with the level and the code in one index that count reads the index
    // alone instead of sorting the whole table.
    return run(db, QStringLiteral("CREATE INDEX IF NOT EXISTS ix_bm_kh_JB_BM ON bm_kh (JB, BM)"), {}, error);
}

namespace {
struct Step
{
    int version;
    bool (*apply)(QSqlDatabase, QString *);
};
constexpr Step steps[] = {{2, migrateToV2}, {3, migrateToV3}, {4, migrateToV4}, {5, migrateToV5}};
static_assert(steps[std::size(steps) - 1].version == currentVersion, "the last step reaches currentVersion");
} // namespace

bool migrate(QSqlDatabase db, QString *error)
{
    const int found = version(db);
    if (found == 0) {
        if (error)
            *error = QStringLiteral("不是本系统的数据库文件");
        return false;
    }
    if (found > currentVersion) {
        if (error)
            *error = QStringLiteral("数据文件的版本比本程序新，请升级程序后再打开。");
        return false;
    }
    for (const Step &step : steps) {
        if (step.version <= found)
            continue;
        Transaction tx(db);
        if (!tx.active())
            return tx.commit(error);
        if (!step.apply(db, error))
            return false;
        if (!run(db, QStringLiteral("UPDATE helan_schema SET version = ?"), {step.version}, error))
            return false;
        if (!tx.commit(error))
            return false;
    }
    return true;
}

} // namespace Schema
