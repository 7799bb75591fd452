#pragma once

#include <QDialog>

namespace bg {

// A full-picture window that a click closes: a press and a release inside it. A release left over
// from the press that opened it does not close it.
class ClickAwayDialog : public QDialog
{
    Q_OBJECT

public:
    using QDialog::QDialog;

protected:
    void showEvent(QShowEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_pressed = false;
};

} // namespace bg
