#pragma once
#include "masterdata/points_correction.h"

#include <QWidget>
#include <functional>

class QLineEdit;
class QPushButton;

// TJFXG, "积分修改": overwrites one member's three point counters. It stays
// above the other windows without being modal; one exists at a time.
class TJFXG : public QWidget
{
    Q_OBJECT
public:
    // Tells the member list the counters now stored for a member.
    using Saved = std::function<void(const QString &code, double zjf, double dxjf, double syjf)>;

    // Opens the dialog for a member (an unknown member: a message, no dialog).
    // An open dialog is brought forward unchanged instead.
    static TJFXG *open(const QString &memberCode, Saved saved);
    // The open dialog, if any.
    static TJFXG *current();
    ~TJFXG() override;

public Q_SLOTS:
    // "清空积分": the three new values become 0.
    void clearPoints();
    // "确 定": writes the correction; closes on success.
    bool confirm();

private:
    TJFXG(const PointsCorrection::Draft &draft, Saved saved);
    void showBefore();

    PointsCorrection::Draft m_draft;
    Saved m_saved;
    QLineEdit *m_number = nullptr;
    QLineEdit *m_before[3] = {};
    QLineEdit *m_after[3] = {};
};
