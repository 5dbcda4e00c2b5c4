// ProgressBar1's kind: a horizontal progress bar with the semantics of the classic native
// control rather than QProgressBar's. It starts at position 0 (not -1); a change of range
// clamps the position into it and never moves it otherwise; stepping adds the step and starts
// over at the minimum when it passes the maximum; a range without width (maximum 0) shows an
// empty bar, never a busy indicator. No text is shown.
//
// The recognition pass steps the bar without returning to the event loop, so the bar paints
// itself as it changes: at once when its filled width has changed and the last paint is at
// least kRepaintInterval old, otherwise at the next return to the event loop.
#pragma once

#include <QElapsedTimer>
#include <QWidget>

class TProgressBar : public QWidget
{
public:
    explicit TProgressBar(QWidget *parent = nullptr);

    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    int position() const { return m_position; }
    int stepSize() const { return m_step; }

    void setRange(int minimum, int maximum);
    void setMaximum(int maximum) { setRange(m_minimum, maximum); }
    // Clamped into the range.
    void setPosition(int position);
    void setStep(int step) { m_step = step; }
    // position + step, or the minimum when that passes the maximum.
    void stepIt();

    // How many pixels of the bar's inside are filled at the current position.
    int filledWidth() const;

    // The shortest time between two paints made while the event loop is not running.
    static constexpr int kRepaintIntervalMs = 20;

protected:
    void paintEvent(QPaintEvent *event) override;
    // The bar is a control of its own: mouse events over it never reach the window beneath.
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void refresh();

    int m_minimum = 0;
    int m_maximum = 100;
    int m_position = 0;
    int m_step = 1;
    int m_paintedFill = -1; // the filled width of the last paint, -1 before the first
    QElapsedTimer m_sincePaint;
};
