#include "ui/ProgressBar.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionProgressBar>

#include <algorithm>

TProgressBar::TProgressBar(QWidget *parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

void TProgressBar::setRange(int minimum, int maximum)
{
    if (minimum == m_minimum && maximum == m_maximum)
        return;
    m_minimum = minimum;
    m_maximum = maximum;
    setPosition(m_position);
    refresh();
}

void TProgressBar::setPosition(int position)
{
    // Written out rather than std::clamp, which requires minimum <= maximum.
    if (position > m_maximum)
        position = m_maximum;
    if (position < m_minimum)
        position = m_minimum;
    if (position == m_position)
        return;
    m_position = position;
    refresh();
}

void TProgressBar::stepIt()
{
    const long long next = static_cast<long long>(m_position) + m_step;
    setPosition(next > m_maximum ? m_minimum : int(next));
}

int TProgressBar::filledWidth() const
{
    if (m_maximum <= m_minimum)
        return 0;
    const long long done = static_cast<long long>(m_position) - m_minimum;
    const long long range = static_cast<long long>(m_maximum) - m_minimum;
    return int(done * width() / range);
}

void TProgressBar::refresh()
{
    if (filledWidth() == m_paintedFill)
        return;
    if (!m_sincePaint.isValid() || m_sincePaint.elapsed() >= kRepaintIntervalMs)
        repaint();
    else
        update();
}

void TProgressBar::paintEvent(QPaintEvent *)
{
    QStyleOptionProgressBar option;
    option.initFrom(this);
    option.state |= QStyle::State_Horizontal;
    option.textVisible = false;
    // The style is given a range that is never empty, so that it never draws a busy indicator;
    // a bar without range is drawn as an empty one.
    if (m_maximum > m_minimum) {
        option.minimum = m_minimum;
        option.maximum = m_maximum;
        option.progress = m_position;
    } else {
        option.minimum = 0;
        option.maximum = 1;
        option.progress = 0;
    }
    QPainter painter(this);
    style()->drawControl(QStyle::CE_ProgressBar, &option, &painter, this);
    m_paintedFill = filledWidth();
    m_sincePaint.restart();
}

void TProgressBar::mousePressEvent(QMouseEvent *event)
{
    event->accept();
}

void TProgressBar::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
}

void TProgressBar::mouseDoubleClickEvent(QMouseEvent *event)
{
    event->accept();
}

void TProgressBar::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
}
