#include "large_dataset.h"

#include "core/db/database.h"
#include "core/home.h"
#include "core/text/money.h"
#include "core/session.h"

#include <QDate>
#include <QDir>
#include <QSqlError>
#include <QSqlQuery>
#include <array>
#include <cmath>
#include <random>

namespace LargeDataset {

namespace {
const int kCategories = 50;

// A Chinese character with its pinyin initial, so that the quick-search code
// (JP) of a generated name costs no lookup.
struct Hanzi
{
    const char *text;
    char initial;
};

const Hanzi kSurnames[] = {
    {"王", 'W'}, {"李", 'L'}, {"张", 'Z'}, {"刘", 'L'}, {"陈", 'C'}, {"杨", 'Y'}, {"黄", 'H'}, {"赵", 'Z'},
    {"吴", 'W'}, {"周", 'Z'}, {"徐", 'X'}, {"孙", 'S'}, {"马", 'M'}, {"朱", 'Z'}, {"胡", 'H'}, {"郭", 'G'},
    {"何", 'H'}, {"高", 'G'}, {"林", 'L'}, {"罗", 'L'}, {"郑", 'Z'}, {"梁", 'L'}, {"谢", 'X'}, {"宋", 'S'},
    {"唐", 'T'}, {"许", 'X'}, {"韩", 'H'}, {"冯", 'F'}, {"邓", 'D'}, {"曹", 'C'}, {"彭", 'P'}, {"曾", 'Z'},
    {"肖", 'X'}, {"田", 'T'}, {"董", 'D'}, {"袁", 'Y'}, {"潘", 'P'}, {"于", 'Y'}, {"蒋", 'J'}, {"蔡", 'C'},
    {"余", 'Y'}, {"杜", 'D'}, {"叶", 'Y'}, {"程", 'C'}, {"苏", 'S'}, {"魏", 'W'}, {"吕", 'L'}, {"丁", 'D'},
    {"任", 'R'}, {"沈", 'S'},
};

const Hanzi kGiven[] = {
    {"伟", 'W'}, {"芳", 'F'}, {"娜", 'N'}, {"敏", 'M'}, {"静", 'J'}, {"丽", 'L'}, {"强", 'Q'}, {"磊", 'L'},
    {"军", 'J'}, {"洋", 'Y'}, {"勇", 'Y'}, {"艳", 'Y'}, {"杰", 'J'}, {"娟", 'J'}, {"涛", 'T'}, {"明", 'M'},
    {"超", 'C'}, {"秀", 'X'}, {"霞", 'X'}, {"平", 'P'}, {"刚", 'G'}, {"桂", 'G'}, {"英", 'Y'}, {"华", 'H'},
    {"玉", 'Y'}, {"兰", 'L'}, {"红", 'H'}, {"梅", 'M'}, {"琳", 'L'}, {"婷", 'T'}, {"雪", 'X'}, {"慧", 'H'},
    {"颖", 'Y'}, {"佳", 'J'}, {"欣", 'X'}, {"怡", 'Y'}, {"晨", 'C'}, {"浩", 'H'}, {"宇", 'Y'}, {"轩", 'X'},
    {"子", 'Z'}, {"涵", 'H'}, {"梓", 'Z'}, {"萱", 'X'}, {"诺", 'N'}, {"思", 'S'}, {"雨", 'Y'}, {"嘉", 'J'},
    {"文", 'W'}, {"博", 'B'}, {"然", 'R'}, {"鑫", 'X'}, {"建", 'J'}, {"国", 'G'}, {"志", 'Z'}, {"海", 'H'},
    {"春", 'C'}, {"晓", 'X'}, {"婉", 'W'}, {"倩", 'Q'},
};

const char *const kPhonePrefixes[] = {"138", "139", "135", "136", "137", "150", "151", "152", "158",
                                      "159", "186", "187", "188", "177", "199", "133", "189"};
const char *const kCities[] = {"北京市朝阳区", "上海市浦东新区", "广州市天河区", "深圳市南山区", "杭州市西湖区",
                               "成都市武侯区", "南京市鼓楼区", "武汉市洪山区", "西安市雁塔区", "长沙市岳麓区",
                               "苏州市姑苏区", "重庆市渝中区"};
const char *const kRoads[] = {"人民路", "解放路", "中山路", "建设路", "和平路", "新华路", "长江路", "幸福路"};
const char *const kCompanies[] = {"中国银行", "市第一医院", "实验中学", "华为技术", "腾讯科技",
                                  "国家电网", "市税务局", "建设银行", "阿里巴巴", "个体经营"};
const char *const kRemarks[] = {"", "", "", "", "老客户介绍", "婚纱照套系A", "需要提前预约", "对价格敏感",
                                "喜欢户外拍摄", "VIP 客户"};
// The delivered levels (BM_KHJB) by their lower bound of points; a member's
// JB holds the level's name and ZK its discount, as RecalcMemberLevel leaves them.
struct Level
{
    const char *name;
    double from;
    double discount;
};
const Level kLevels[] = {{"钻石会员", 20000, 0.85}, {"金卡会员", 5000, 0.9}, {"银卡会员", 1000, 0.95}, {"普通会员", 0, 1.0}};
const Level &levelFor(double points)
{
    for (const Level &l : kLevels)
        if (points >= l.from)
            return l;
    return kLevels[std::size(kLevels) - 1];
}
// The price tier a member buys at (JG), mostly the plain price.
const char *const kTiers[] = {"原价", "原价", "原价", "原价", "原价", "原价", "售价一", "售价一", "售价二", "售价三"};

struct ProductKind
{
    const char *name;
    const char *jp;
    const char *category;
    const char *unit;
    double basePrice;
};
const ProductKind kProducts[] = {
    {"婚纱", "HS", "01", "套", 2999},   {"礼服", "LF", "01", "套", 1299},   {"西装", "XZ", "01", "套", 1599},
    {"相册", "XC", "02", "本", 399},    {"相框", "XK", "02", "个", 129},    {"水晶摆台", "SJBT", "02", "个", 259},
    {"头纱", "TS", "03", "件", 99},     {"手捧花", "SPH", "03", "束", 188}, {"婚鞋", "HX", "03", "双", 299},
    {"化妆套餐", "HZTC", "04", "次", 599}, {"外景拍摄", "WJPS", "04", "次", 1999}, {"精修照片", "JXZP", "04", "张", 50},
};

const int kPointRules[] = {1, 5, 10, 10, 10, 20, 50, 100};

class Generator
{
public:
    explicit Generator(unsigned seed) : m_rng(seed) {}

    int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_rng); }
    bool chance(int percent) { return between(1, 100) <= percent; }
    template <typename T, size_t N> const T &pick(const T (&items)[N]) { return items[size_t(between(0, int(N) - 1))]; }
    double money(double low, double high)
    {
        return Money::roundMoney(std::uniform_real_distribution<double>(low, high)(m_rng));
    }
    QString digits(int count)
    {
        QString s(count, Qt::Uninitialized);
        for (int i = 0; i < count; ++i)
            s[i] = QLatin1Char(char('0' + between(0, 9)));
        return s;
    }
    QString date(const QDate &from, int spanDays)
    {
        return from.addDays(between(0, spanDays)).toString(QStringLiteral("yyyy-MM-dd"));
    }

private:
    std::mt19937 m_rng;
};

// One prepared statement with positional binds; throws DbError on failure.
class Insert
{
public:
    Insert(const QString &sql) : m_query(Database::db())
    {
        if (!m_query.prepare(sql))
            throw DbError(m_query.lastError().text());
    }
    Insert &operator<<(const QVariant &value)
    {
        m_query.bindValue(m_next++, value);
        return *this;
    }
    void exec()
    {
        if (!m_query.exec())
            throw DbError(m_query.lastError().text());
        m_next = 0;
    }
    ~Insert() { m_query.finish(); }

private:
    QSqlQuery m_query;
    int m_next = 0;
};

void generateMembers(Generator &g, int count)
{
    Insert q(QStringLiteral(
        "INSERT INTO bm_kh (BM, MC, KH, JP, XB, DH, QQ, SR, HQ, DW, DZ, ZJLX, ZJ, JB, JG, ZK, ZJF, DXJF, SYJF, "
        "LJXF, ZHYE, ZHQK, RQ, TSJ, QF, BZ, JSRBM, JSR, JSRJF) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
        "?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    const QDate birthFrom(1965, 1, 1), weddingFrom(2018, 1, 1), joinedFrom(2010, 1, 1);
    std::vector<QString> names;
    names.reserve(size_t(count));
    for (int n = 0; n < count; ++n) {
        const Hanzi &surname = g.pick(kSurnames);
        const Hanzi &first = g.pick(kGiven);
        QString name = QString::fromUtf8(surname.text) + QString::fromUtf8(first.text);
        QString jp = QString(QLatin1Char(surname.initial)) + QLatin1Char(first.initial);
        if (g.chance(70)) {
            const Hanzi &second = g.pick(kGiven);
            name += QString::fromUtf8(second.text);
            jp += QLatin1Char(second.initial);
        }
        names.push_back(name);
        const QString phone = QString::fromLatin1(g.pick(kPhonePrefixes)) + g.digits(8);
        const QString address = QString::fromUtf8(g.pick(kCities)) + QString::fromUtf8(g.pick(kRoads)) +
                                QString::number(g.between(1, 999)) + QStringLiteral("号") +
                                QString::number(g.between(1, 30)) + QStringLiteral("栋") +
                                QString::number(g.between(101, 2505));
        const double points = g.between(0, 30000);
        const double used = g.chance(30) ? double(g.between(0, int(points))) : 0.0;
        const Level &level = levelFor(points);
        const QVariant none;
        // Some members came through an earlier one; the introducer's own
        // credit is part of the points drawn above.
        const bool introduced = n > 0 && g.chance(8);
        const int introducer = introduced ? g.between(0, n - 1) : -1;
        q << memberCode(n) << name << QStringLiteral("C%1").arg(n + 1, 8, 10, QLatin1Char('0')) << jp
          << (g.chance(55) ? QStringLiteral("女") : QStringLiteral("男")) << phone
          << (g.chance(40) ? QVariant(g.digits(9)) : none) << (g.chance(80) ? QVariant(g.date(birthFrom, 12000)) : none)
          << (g.chance(60) ? QVariant(g.date(weddingFrom, 2900)) : none)
          << (g.chance(50) ? QVariant(QString::fromUtf8(g.pick(kCompanies))) : none) << address
          << QStringLiteral("身份证") << QString(QStringLiteral("3201") + g.digits(14)) << QString::fromUtf8(level.name)
          << QString::fromUtf8(g.pick(kTiers)) << level.discount << points << used << points - used
          << g.money(0, 50000) << (g.chance(20) ? g.money(0, 5000) : 0.0) << (g.chance(5) ? g.money(0, 2000) : 0.0)
          << g.date(joinedFrom, 5000) << (g.chance(10) ? 1 : 0) << 0 << QString::fromUtf8(g.pick(kRemarks))
          << (introduced ? QVariant(memberCode(introducer)) : none)
          << (introduced ? QVariant(names[size_t(introducer)]) : none) << (g.chance(3) ? double(g.between(1, 50) * 10) : 0.0);
        q.exec();
    }
}

// 50 categories, each with its points rule (yuan per point), named after the
// kind of product it holds.
void generateCategories(Generator &g)
{
    Insert q(QStringLiteral("INSERT INTO bm_splb (BM, MC, JFGZ) VALUES (?, ?, ?)"));
    for (int c = 0; c < kCategories; ++c) {
        const ProductKind &k = kProducts[size_t(c) % std::size(kProducts)];
        q << categoryCode(c) << QStringLiteral("%1系列%2").arg(QString::fromUtf8(k.name)).arg(c / int(std::size(kProducts)) + 1)
          << QString::number(g.pick(kPointRules));
        q.exec();
    }
}

void generateProducts(Generator &g, int count)
{
    std::vector<QString> rules;
    {
        QSqlQuery r = Db::execSql(QStringLiteral("SELECT JFGZ FROM bm_splb ORDER BY BM"));
        while (r.next())
            rules.push_back(r.value(0).toString());
    }
    Insert q(QStringLiteral("INSERT INTO bm_sp (BM, MC, JP, LB, TXM, XH, DW, SCCJ, SLHS, TDZ, TJF, JJ, LSJ, SJ1, SJ2, "
                            "KCSL, KCJE, BZ, JFGZ) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (int n = 0; n < count; ++n) {
        const int category = n % kCategories;
        const ProductKind &k = kProducts[size_t(category) % std::size(kProducts)];
        const QString model = QStringLiteral("%1-%2").arg(QLatin1Char(char('A' + g.between(0, 25)))).arg(n + 1);
        const double price = Money::roundMoney(k.basePrice * (0.6 + g.between(0, 80) / 100.0));
        const double cost = Money::roundMoney(price * 0.55);
        const double stock = g.between(0, 200);
        q << productCode(n) << QString::fromUtf8(k.name) + model << QString::fromLatin1(k.jp) + model
          << categoryCode(category) << QStringLiteral("69") + g.digits(11) << model << QString::fromUtf8(k.unit)
          << QStringLiteral("禾岚供应链") << 1 << (g.chance(10) ? 1 : 0) << 1 << cost << price
          << Money::roundMoney(price * 0.95) << Money::roundMoney(price * 0.9) << stock << Money::roundMoney(stock * cost)
          << QString() << (size_t(category) < rules.size() ? QVariant(rules[size_t(category)]) : QVariant());
        q.exec();
    }
}

void generateOrders(Generator &g, const Options &o)
{
    Insert head(QStringLiteral("INSERT INTO xsd_zb (ID, RQ, SJ, KHBM, KHMC, JBR, ZDR, YYRQ, ZSL, ZJE, ZML, JF, SS, QK, "
                               "SH, BZ) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    Insert line(QStringLiteral("INSERT INTO xsd_mx (ID, SPBM, SPMC, SLHS, DW, ZQDJ, ZK, DJ, SL, JE, JJ, ML) VALUES "
                               "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    const QDate from(2019, 1, 1);
    for (int n = 0; n < o.orders; ++n) {
        const QDate day = from.addDays(g.between(0, 1800));
        const QString id = QStringLiteral("XS%1%2").arg(day.toString(QStringLiteral("yyyyMMdd"))).arg(n + 1, 6, 10,
                                                                                                      QLatin1Char('0'));
        double total = 0, margin = 0, quantity = 0;
        for (int l = 0; l < o.linesPerOrder; ++l) {
            const ProductKind &k = g.pick(kProducts);
            const double price = Money::roundMoney(k.basePrice * (0.6 + g.between(0, 80) / 100.0));
            const double count = g.between(1, 3);
            const double amount = Money::roundMoney(price * count);
            const double cost = Money::roundMoney(price * 0.55);
            total += amount;
            margin += amount - cost * count;
            quantity += count;
            line << id << productCode(g.between(0, o.products - 1)) << QString::fromUtf8(k.name) << 1
                 << QString::fromUtf8(k.unit) << price << 1.0 << price << count << amount << cost
                 << Money::roundMoney(amount - cost * count);
            line.exec();
        }
        const double paid = g.chance(70) ? Money::roundMoney(total) : Money::roundMoney(total * 0.3);
        head << id << day.toString(QStringLiteral("yyyy-MM-dd"))
             << QStringLiteral("%1:%2:00").arg(g.between(9, 20), 2, 10, QLatin1Char('0')).arg(g.between(0, 59), 2, 10,
                                                                                                 QLatin1Char('0'))
             << memberCode(g.between(0, o.members - 1)) << QStringLiteral("会员") << QStringLiteral("001")
             << QStringLiteral("001") << day.addDays(g.between(7, 120)).toString(QStringLiteral("yyyy-MM-dd"))
             << quantity << Money::roundMoney(total) << Money::roundMoney(margin) << std::floor(total) << paid
             << Money::roundMoney(total - paid) << QStringLiteral("T") << QString();
        head.exec();
    }
}

} // namespace

QString memberCode(int n) { return QStringLiteral("%1").arg(n + 1, 6, 10, QLatin1Char('0')); }
QString categoryCode(int c) { return QStringLiteral("%1").arg(c + 1, 2, 10, QLatin1Char('0')); }
// Products are dealt to the categories in turn: the n-th is the
// (n / 50 + 1)-th of its category.
QString productCode(int n)
{
    return categoryCode(n % kCategories) + QStringLiteral("%1").arg(n / kCategories + 1, 4, 10, QLatin1Char('0'));
}

bool generate(const Options &options, QString *error)
{
    if (options.orders > 0 && (options.members <= 0 || options.products <= 0)) {
        if (error)
            *error = QStringLiteral("orders need members and products");
        return false;
    }
    // Random codes, names and phone numbers land all over their indexes; a page
    // cache large enough for them keeps the inserts from rereading pages.
    const QVariant cacheSize = Db::scalarSql(QStringLiteral("PRAGMA cache_size"));
    Db::execSql(QStringLiteral("PRAGMA cache_size = -262144"));
    struct RestoreCache
    {
        QVariant size;
        ~RestoreCache() { Db::execSql(QStringLiteral("PRAGMA cache_size = %1").arg(size.toLongLong())); }
    } restore{cacheSize};
    try {
        Transaction tx;
        if (!tx.active())
            throw DbError(Database::db().lastError().text());
        Generator g(options.seed);
        generateMembers(g, options.members);
        if (options.products > 0)
            generateCategories(g);
        generateProducts(g, options.products);
        generateOrders(g, options);
        QString commitError;
        if (!tx.commit(&commitError))
            throw DbError(commitError);
    } catch (const DbError &e) {
        if (error)
            *error = e.text();
        return false;
    }
    return true;
}

FreshHome::FreshHome()
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return;
    }
    App::setHome(m_dir.path());
    if (!App::home().prepare(&m_error))
        return;
    if (!Database::open(App::home().defaultDataFile())) {
        m_error = Database::lastError();
        return;
    }
    m_open = true;
}

FreshHome::~FreshHome()
{
    if (m_open)
        Database::close();
    App::reset();
}

} // namespace LargeDataset
