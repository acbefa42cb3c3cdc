#include "ui/save_exit_row.h"

#include <QHBoxLayout>
#include <QPushButton>

SaveExitRow makeSaveExitRow(QWidget *window, const QString &saveCaption, const QString &exitCaption)
{
    SaveExitRow row{new QHBoxLayout, new QPushButton(saveCaption, window), new QPushButton(exitCaption, window)};
    row.save->setObjectName(QStringLiteral("saveButton"));
    row.exit->setObjectName(QStringLiteral("exitButton"));
    row.layout->addStretch();
    row.layout->addWidget(row.save);
    row.layout->addWidget(row.exit);
    QObject::connect(row.exit, &QPushButton::clicked, window, &QWidget::close);
    return row;
}
