#pragma once

#include <QElapsedTimer>
#include <QWidget>

class QLabel;
class QProgressBar;

// The small busy window shown while a workbook is read: one label,
// "正在导入，请稍候..........", kept above every other window, with the busy
// mouse pointer while it is shown. On long work the reader reports its rows
// through step(): the window then shows the rows done of the rows in the sheet
// and keeps painting.
class frmMsg : public QWidget {
    Q_OBJECT
public:
    explicit frmMsg(QWidget* owner = nullptr);
    ~frmMsg() override;

    // Shows the window on top of all others and sets the busy mouse pointer.
    void begin();
    // Hides the window and restores the normal mouse pointer. Safe to call twice.
    void end();

    // `done` of `total` rows are read. From kProgressFrom rows on the progress
    // is shown; the window is repainted at most every kPaintIntervalMs.
    void step(int done, int total);

    static constexpr int kProgressFrom = 1000;
    static constexpr int kPaintIntervalMs = 100;

    QLabel* label() const { return m_label; }
    QProgressBar* progressBar() const { return m_progress; }

private:
    void paintNow();

    QLabel* m_label;
    QLabel* m_rows;
    QProgressBar* m_progress;
    QElapsedTimer m_sincePaint;
    bool m_busy = false;
};
