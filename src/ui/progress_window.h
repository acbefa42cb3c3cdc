#pragma once
#include <QWidget>

class QProgressBar;

// Tformspzx, "工作进度": one bar for a long run over many rows (regenerating
// pinyin initials). It stays above the windows and closes itself when the
// position reaches the maximum.
class Tformspzx : public QWidget
{
    Q_OBJECT
public:
    explicit Tformspzx(QWidget *parent = nullptr);

    void setRange(int minimum, int maximum);
    // Moves the bar; the screen follows in steps of about half a percent, so
    // that a run over a hundred thousand rows is not spent repainting.
    void setPosition(int position);
    int position() const { return m_position; }
    QProgressBar *bar() const { return m_bar; }

private:
    QProgressBar *m_bar = nullptr;
    int m_position = 0;
    int m_shown = 0;
};
