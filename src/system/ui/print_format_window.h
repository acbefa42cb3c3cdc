#pragma once
#include "system/report_data.h"
#include "ui/grid_window.h"

#include <QStringList>

class QPushButton;

// 打印格式设置: the print formats of one window's print codes. 位置 takes a file
// chosen with its "..." button (only the file name is kept: templates live in
// PrintFormat/); "设计" opens the template designer on the current row's file
// with the calling window's data as sample; "保存" writes all edits in one
// transaction. Enter moves to the next control (the next cell in the grid; on
// a button it presses it).
class TGG_DJ : public GridWindow
{
    Q_OBJECT
public:
    explicit TGG_DJ(const QStringList &codes, QWidget *parent = nullptr);

    // What the designer's live preview shows. Without lines a few empty ones
    // stand in, so that the template's line band is seen; the company row is
    // always there.
    void setSampleData(const ReportData &data) { m_sample = data; }
    ReportData designerData() const;

public Q_SLOTS:
    // The "..." of 位置: asks for a template file and puts its name into the
    // current row's DZ (pending until saved). False when nothing was chosen.
    bool chooseFormatFile();
    // "设计" on the current row, modally. A row without a file first gets
    // "<code>.html" (pending like any edit).
    void design();

protected:
    void afterLoad() override;
    void saveFailed(const Outcome &outcome) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPushButton *m_design = nullptr;
    ReportData m_sample;
};

// Shows the print formats of a window's codes modally and returns when the
// template window has closed. The sample is what the designer previews.
void openPrintFormats(const QStringList &codes, QWidget *parent, const ReportData &sample = ReportData());
