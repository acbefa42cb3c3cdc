#include "masterdata/ui/points_window.h"

#include "core/prompt.h"
#include "ui/enter_moves_focus.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {
QPointer<TJFXG> g_open;

QString pointsText(double v) { return QString::number(v, 'f', v == double(qint64(v)) ? 0 : 2); }
} // namespace

TJFXG *TJFXG::current() { return g_open; }

TJFXG *TJFXG::open(const QString &memberCode, Saved saved)
{
    if (g_open) {
        g_open->raise();
        g_open->activateWindow();
        return g_open;
    }
    const std::optional<PointsCorrection::Draft> draft = PointsCorrection::start(memberCode);
    if (!draft) {
        prompt().info(QStringLiteral("没有找到该会员！"));
        return nullptr;
    }
    g_open = new TJFXG(*draft, std::move(saved));
    g_open->show();
    return g_open;
}

TJFXG::TJFXG(const PointsCorrection::Draft &draft, Saved saved)
    : QWidget(nullptr, Qt::Dialog | Qt::WindowStaysOnTopHint), m_draft(draft), m_saved(std::move(saved))
{
    setObjectName(QStringLiteral("TJFXG"));
    setWindowTitle(QStringLiteral("积分修改"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto readOnlyBox = [this](const QString &name, const QString &text) {
        auto *box = new QLineEdit(text, this);
        box->setObjectName(name);
        box->setReadOnly(true);
        box->setFocusPolicy(Qt::NoFocus);
        return box;
    };
    auto *grid = new QGridLayout;
    m_number = readOnlyBox(QStringLiteral("ID"), draft.number);
    grid->addWidget(new QLabel(QStringLiteral("单号："), this), 0, 0);
    grid->addWidget(m_number, 0, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("日期："), this), 0, 3);
    grid->addWidget(readOnlyBox(QStringLiteral("RQ"), draft.date), 0, 4);
    grid->addWidget(new QLabel(QStringLiteral("会员编码："), this), 1, 0);
    grid->addWidget(readOnlyBox(QStringLiteral("KHBM"), draft.memberCode), 1, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("会员名称："), this), 1, 3);
    grid->addWidget(readOnlyBox(QStringLiteral("KHMC"), draft.memberName), 1, 4);

    const char *titles[] = {"总积分", "兑现积分", "剩余积分"};
    const char *beforeNames[] = {"ZJF", "DXJF", "SYJF"};
    const char *afterNames[] = {"X_ZJF", "X_DXJF", "X_SYJF"};
    grid->addWidget(new QLabel(QStringLiteral("当前积分："), this), 3, 0);
    grid->addWidget(new QLabel(QStringLiteral("修改为："), this), 4, 0);
    for (int i = 0; i < 3; ++i) {
        grid->addWidget(new QLabel(QString::fromUtf8(titles[i]), this), 2, 1 + i);
        m_before[i] = readOnlyBox(QString::fromLatin1(beforeNames[i]), QString());
        grid->addWidget(m_before[i], 3, 1 + i);
        m_after[i] = new QLineEdit(this);
        m_after[i]->setObjectName(QString::fromLatin1(afterNames[i]));
        grid->addWidget(m_after[i], 4, 1 + i);
    }

    auto *clear = new QPushButton(QStringLiteral("清空积分"), this);
    clear->setObjectName(QStringLiteral("clearButton"));
    auto *ok = new QPushButton(QStringLiteral("确 定"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    auto *exit = new QPushButton(QStringLiteral("退 出"), this);
    exit->setObjectName(QStringLiteral("exitButton"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(clear);
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(exit);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    connect(clear, &QPushButton::clicked, this, &TJFXG::clearPoints);
    connect(ok, &QPushButton::clicked, this, &TJFXG::confirm);
    connect(exit, &QPushButton::clicked, this, &QWidget::close);

    showBefore();
    for (int i = 0; i < 3; ++i)
        m_after[i]->setText(m_before[i]->text());
    EnterMovesFocus::install(this);
    resize(460, 190);
    QTimer::singleShot(0, ok, qOverload<>(&QWidget::setFocus));
}

TJFXG::~TJFXG() = default;

void TJFXG::showBefore()
{
    m_before[0]->setText(pointsText(m_draft.before.zjf));
    m_before[1]->setText(pointsText(m_draft.before.dxjf));
    m_before[2]->setText(pointsText(m_draft.before.syjf));
}

void TJFXG::clearPoints()
{
    for (QLineEdit *box : m_after)
        box->setText(QStringLiteral("0"));
}

bool TJFXG::confirm()
{
    double values[3] = {};
    for (int i = 0; i < 3; ++i) {
        bool ok = false;
        values[i] = m_after[i]->text().trimmed().toDouble(&ok);
        if (!ok) {
            prompt().message(QStringLiteral("积分必须是不小于0的整数！"), QStringLiteral("提示："),
                             Prompt::Icon::Information);
            m_after[i]->setFocus();
            return false;
        }
    }
    PointsCorrection::Counters fresh{-1, -1, -1};
    const Outcome out = PointsCorrection::apply(m_draft, {values[0], values[1], values[2]}, &fresh);
    if (!out) {
        if (out.message == QStringLiteral("修改失败！")) {
            // The counters moved meanwhile: what the user now compares against is what is stored.
            if (fresh.zjf >= 0) {
                m_draft.before = fresh;
                showBefore();
            }
            prompt().warn(out.text());
        } else {
            prompt().message(out.message, QStringLiteral("提示："), Prompt::Icon::Information);
        }
        return false;
    }
    m_number->setText(m_draft.number);
    if (m_saved)
        m_saved(m_draft.memberCode, values[0], values[1], values[2]);
    prompt().message(QStringLiteral("修改成功！"), QStringLiteral("提示："), Prompt::Icon::Information);
    close();
    return true;
}
