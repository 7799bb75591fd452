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
    // The window a picture window is shown over: the owner's window while it is visible, else
    // none (a start without the main window has a hidden one, and a picture window transient for
    // a window that is not on the screen would not show up).
    static QWidget *visibleOwner(QWidget *owner);

    void showEvent(QShowEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_pressed = false;
};

} // namespace bg
