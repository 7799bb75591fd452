#include "ui/ClickAwayDialog.h"

#include <QMouseEvent>

namespace bg {

QWidget *ClickAwayDialog::visibleOwner(QWidget *owner)
{
    return owner && owner->isVisible() ? owner->window() : nullptr;
}

void ClickAwayDialog::showEvent(QShowEvent *event)
{
    m_pressed = false;
    QDialog::showEvent(event);
}

void ClickAwayDialog::mousePressEvent(QMouseEvent *event)
{
    m_pressed = true;
    event->accept();
}

void ClickAwayDialog::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (!m_pressed)
        return;
    m_pressed = false;
    accept();
}

} // namespace bg
