#pragma once
#include "ui/grid_window.h"

class QLabel;
class QLineEdit;
class QPushButton;

// 会员资料: the member grid with its count summary, the recent-members query,
// pinyin regeneration and the points correction.
class TBM_KH : public GridWindow
{
    Q_OBJECT
public:
    explicit TBM_KH(QWidget *parent = nullptr);

public Q_SLOTS:
    // "查询": re-reads the members who joined in the last N days (any other
    // text in the day box: all of them); unsaved edits are asked about first.
    void queryRecent();
    // "简拼[&J]"
    void regeneratePinyin();
    // "积分修改": the points correction for the member under the cursor.
    void correctPoints();

protected:
    void afterLoad() override;
    void afterSave() override;

private:
    void showSummary();
    // A correction was written: only that member's row follows, other pending edits stay.
    void pointsChanged(const QString &code, double zjf, double dxjf, double syjf);

    QLineEdit *m_count = nullptr;
    QLabel *m_levels = nullptr;
    QLineEdit *m_days = nullptr;
};
