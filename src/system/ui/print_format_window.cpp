#include "system/ui/print_format_window.h"
#include "ui/button_line_edit.h"

#include "core/db/database.h"
#include "core/home.h"
#include "core/prompt.h"
#include "core/db/record_set.h"
#include "core/session.h"
#include "system/print_format_list.h"
#include "system/ui/report_preview.h"
#include "ui/row_model.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolButton>

namespace {

// Lines shown by the designer when the calling window has none to offer.
constexpr int kSampleLines = 3;

bool isEnter(const QKeyEvent *e)
{
    return (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) &&
           (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

// The 位置 cell in edit: the file name with a "..." button that picks a template file.
class FormatFileEditor : public ButtonLineEdit
{
public:
    explicit FormatFileEditor(QWidget *parent)
        : ButtonLineEdit(QStringLiteral("formatFileEdit"), QStringLiteral("chooseFormatButton"), parent)
    {
        button->setToolTip(QStringLiteral("选择打印格式"));
    }
};

class FormatFileDelegate : public QStyledItemDelegate
{
public:
    FormatFileDelegate(TGG_DJ *window, QObject *parent) : QStyledItemDelegate(parent), m_window(window) {}

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        auto *editor = new FormatFileEditor(parent);
        // The window ends this editor (keeping what was typed) before it asks for the file.
        QPointer<TGG_DJ> window = m_window;
        QObject::connect(editor->button, &QToolButton::clicked, editor, [window] {
            if (window)
                window->chooseFormatFile();
        });
        return editor;
    }
    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        static_cast<FormatFileEditor *>(editor)->edit->setText(index.data(Qt::EditRole).toString());
    }
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        model->setData(index, static_cast<FormatFileEditor *>(editor)->edit->text(), Qt::EditRole);
    }

private:
    TGG_DJ *m_window;
};

} // namespace

TGG_DJ::TGG_DJ(const QStringList &codes, QWidget *parent)
    : GridWindow(QStringLiteral("打印格式设置"), PrintFormatList::spec(codes), parent)
{
    setObjectName(QStringLiteral("TGG_DJ"));
    // Shown over the document or query window that asked for it, not inside it.
    setWindowFlags(Qt::Dialog);
    resize(620, 360);

    // The rows are the calling window's print codes: nothing to add, remove or search.
    setFeatureShown(Feature::InsertDelete, false);
    setFeatureShown(Feature::Filter, false);
    setFeatureShown(Feature::Export, false);

    m_design = new QPushButton(QStringLiteral("设计"), this);
    m_design->setObjectName(QStringLiteral("designButton"));
    m_design->setAutoDefault(false);
    addToolWidget(m_design);
    if (auto *save = findChild<QPushButton *>(QStringLiteral("saveButton")))
        save->setText(QStringLiteral("保存"));
    if (auto *exit = findChild<QPushButton *>(QStringLiteral("exitButton")))
        exit->setText(QStringLiteral("退出"));
    connect(m_design, &QPushButton::clicked, this, &TGG_DJ::design);

    const int dz = model()->columnOf(QStringLiteral("DZ"));
    view()->setItemDelegateForColumn(dz, new FormatFileDelegate(this, view()));

    view()->installEventFilter(this);
    for (QAbstractButton *b : findChildren<QAbstractButton *>())
        b->installEventFilter(this);
}

void TGG_DJ::afterLoad()
{
    if (records().rowCount() > 0)
        setCurrentRow(0, QStringLiteral("DZ"));
}

ReportData TGG_DJ::designerData() const
{
    ReportData data = m_sample;
    if (data.company.isEmpty()) {
        try {
            data.loadCompany();
        } catch (const DbError &) {
            // The designer still edits; its preview shows the company empty.
        }
    }
    if (data.lines.isEmpty())
        for (int i = 0; i < kSampleLines; ++i)
            data.lines.append(QVariantMap());
    return data;
}

bool TGG_DJ::chooseFormatFile()
{
    commitEdits();
    const int row = currentRow();
    if (row < 0)
        return false;
    const QString chosen = prompt().openFile(QStringLiteral("选择打印格式"), App::home().printFormatDir(),
                                             QStringLiteral("打印格式 (*.html)"));
    // Only the name is kept: the template is always looked for in PrintFormat/,
    // wherever it was chosen.
    const QString name = PrintFormatList::formatFileName(chosen);
    if (name.isEmpty())
        return false;
    const bool set = records().editValue(row, records().fieldIndex(QStringLiteral("DZ")), name);
    setCurrentRow(row, QStringLiteral("DZ"));
    return set;
}

void TGG_DJ::design()
{
    commitEdits();
    const int row = currentRow();
    if (row < 0)
        return;
    RecordSet &set = records();
    const int dz = set.fieldIndex(QStringLiteral("DZ"));
    QString file = PrintFormatList::templateFile(set.value(row, dz).toString());
    if (file.isEmpty()) {
        const QString name = PrintFormatList::proposedFileName(set.value(row, QStringLiteral("DM")).toString());
        if (name.isEmpty())
            return;
        set.editValue(row, dz, name);
        file = PrintFormatList::templateFile(name);
    }
    // The designer writes the template file itself; the row only names it.
    ReportDesigner designer(file, designerData(), this);
    designer.exec();
}

void TGG_DJ::saveFailed(const Outcome &outcome)
{
    // The short word of this window; a refusal of a row still says which.
    prompt().info(outcome.message.isEmpty() ? QStringLiteral("保存失败！") : outcome.message);
}

bool TGG_DJ::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || !isEnter(static_cast<QKeyEvent *>(event)))
        return GridWindow::eventFilter(watched, event);

    if (watched == view()) {
        // Enter ending a cell edit reaches the grid after the editor: the edit
        // is being committed and the cursor stays. Otherwise Enter goes on to
        // the next cell as Tab does.
        const bool editing = view()->indexWidget(view()->currentIndex()) != nullptr;
        if (!editing) {
            QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
            QCoreApplication::sendEvent(view(), &tab);
        }
        return true;
    }
    if (auto *button = qobject_cast<QAbstractButton *>(watched)) {
        if (button->isEnabled())
            button->click();
        return true;
    }
    return GridWindow::eventFilter(watched, event);
}

void openPrintFormats(const QStringList &codes, QWidget *parent, const ReportData &sample)
{
    QPointer<TGG_DJ> window = new TGG_DJ(codes, parent);
    window->setSampleData(sample);
    window->setWindowModality(Qt::ApplicationModal);
    // The window deletes itself when closed; the caller goes on after that.
    QEventLoop loop;
    QObject::connect(window, &QObject::destroyed, &loop, &QEventLoop::quit);
    window->show();
    if (window)
        loop.exec(QEventLoop::DialogExec);
}
