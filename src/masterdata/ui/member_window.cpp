#include "masterdata/ui/member_window.h"
#include "masterdata/initials.h"

#include "core/db/record_set.h"
#include "core/prompt.h"
#include "masterdata/member_list.h"
#include "masterdata/points_correction.h"
#include "masterdata/ui/points_window.h"
#include "ui/progress_window.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

TBM_KH::TBM_KH(QWidget *parent) : GridWindow(QStringLiteral("会员资料"), MemberList::spec(), parent)
{
    setObjectName(QStringLiteral("TBM_KH"));

    auto *row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("客户数量："), this));
    m_count = new QLineEdit(this);
    m_count->setObjectName(QStringLiteral("countBox"));
    m_count->setReadOnly(true);
    m_count->setMaximumWidth(90);
    row->addWidget(m_count);
    m_levels = new QLabel(this);
    m_levels->setObjectName(QStringLiteral("levelSummary"));
    row->addWidget(m_levels, 1);
    row->addWidget(new QLabel(QStringLiteral("最近"), this));
    m_days = new QLineEdit(QStringLiteral("0"), this);
    m_days->setObjectName(QStringLiteral("dayBox"));
    m_days->setMaximumWidth(50);
    row->addWidget(m_days);
    row->addWidget(new QLabel(QStringLiteral("天内办卡会员"), this));
    auto *query = new QPushButton(QStringLiteral("查询"), this);
    query->setObjectName(QStringLiteral("queryButton"));
    query->setAutoDefault(false);
    row->addWidget(query);
    static_cast<QVBoxLayout *>(layout())->insertLayout(0, row);

    auto *pinyin = new QPushButton(QStringLiteral("简拼[&J]"), this);
    pinyin->setObjectName(QStringLiteral("pinyinButton"));
    pinyin->setAutoDefault(false);
    addToolWidget(pinyin);
    auto *points = new QPushButton(QStringLiteral("积分修改"), this);
    points->setObjectName(QStringLiteral("pointsButton"));
    points->setAutoDefault(false);
    addToolWidget(points);

    connect(query, &QPushButton::clicked, this, &TBM_KH::queryRecent);
    connect(pinyin, &QPushButton::clicked, this, &TBM_KH::regeneratePinyin);
    connect(points, &QPushButton::clicked, this, &TBM_KH::correctPoints);
}

void TBM_KH::afterLoad() { showSummary(); }

void TBM_KH::afterSave() { showSummary(); }

void TBM_KH::showSummary()
{
    const MemberList::Summary s = MemberList::summary();
    m_count->setText(QString::number(s.total));
    m_levels->setText(s.levels.join(QStringLiteral("  ")));
}

void TBM_KH::queryRecent()
{
    commitEdits();
    if (isUnsaved()) {
        switch (prompt().question(QStringLiteral("当前还没有保存，是否现在保存？"), QStringLiteral("提示"),
                                  Prompt::YesNoCancel)) {
        case Prompt::Answer::Yes:
            if (!save())
                return;
            break;
        case Prompt::Answer::No:
            break;
        default:
            return;
        }
    }
    records().setConditions(MemberList::conditions(m_days->text()));
    reload();
}

void TBM_KH::regeneratePinyin() { regenerateInitials(&Initials::regenerate); }

void TBM_KH::correctPoints()
{
    commitEdits();
    if (!PointsCorrection::mayCorrect()) {
        prompt().message(QStringLiteral("您没有权操作，请联系管理员！"), QStringLiteral("提示："),
                         Prompt::Icon::Information);
        return;
    }
    if (TJFXG::current()) {
        TJFXG::current()->raise();
        TJFXG::current()->activateWindow();
        return;
    }
    const int row = currentRow();
    if (row < 0)
        return;
    // The member as saved: a code typed but not yet saved names nobody.
    const QVariant code = records().loadedKey(row);
    if (code.isNull()) {
        prompt().info(QStringLiteral("请先保存当前会员！"));
        return;
    }
    QPointer<TBM_KH> self(this);
    TJFXG::open(code.toString(), [self](const QString &member, double zjf, double dxjf, double syjf) {
        if (self)
            self->pointsChanged(member, zjf, dxjf, syjf);
    });
}

void TBM_KH::pointsChanged(const QString &code, double zjf, double dxjf, double syjf)
{
    RecordSet &set = records();
    for (int row = 0; row < set.rowCount(); ++row) {
        if (set.loadedKey(row).toString() != code)
            continue;
        set.setStoredValue(row, QStringLiteral("ZJF"), zjf);
        set.setStoredValue(row, QStringLiteral("DXJF"), dxjf);
        set.setStoredValue(row, QStringLiteral("SYJF"), syjf);
        return;
    }
}
