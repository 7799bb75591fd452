#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;

namespace bg {

// The small window that covers the main window while pictures are being converted: it keeps the
// user from starting anything else on the folder meanwhile, and counts the pictures done. It
// cannot be closed by the user; its owner closes it when the work ends.
class ConversionProgress : public QDialog
{
    Q_OBJECT
public:
    ConversionProgress(int total, QWidget *parent);

    void setDone(int done);

protected:
    void reject() override {} // Escape and the close button do not stop the work

private:
    QLabel *m_text = nullptr;
    QProgressBar *m_bar = nullptr;
    int m_total = 0;
};

} // namespace bg
