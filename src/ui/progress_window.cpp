#include "ui/progress_window.h"

#include <QApplication>
#include <QProgressBar>
#include <QVBoxLayout>

Tformspzx::Tformspzx(QWidget *parent) : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("Tformspzx"));
    setWindowTitle(QStringLiteral("工作进度"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("progressBar"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_bar);
    resize(360, 60);
}

void Tformspzx::setRange(int minimum, int maximum)
{
    m_bar->setRange(minimum, maximum);
    m_position = m_shown = minimum;
    m_bar->setValue(minimum);
}

void Tformspzx::setPosition(int position)
{
    m_position = position;
    const int span = qMax(1, (m_bar->maximum() - m_bar->minimum()) / 200);
    if (position >= m_bar->maximum()) {
        m_bar->setValue(m_bar->maximum());
        close();
        return;
    }
    if (position - m_shown < span)
        return;
    m_shown = position;
    m_bar->setValue(position);
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
