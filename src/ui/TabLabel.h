#pragma once

#include <QLabel>

namespace bg {

// A label with a back colour and an optional single-line border, used for the slot tabs and the
// progress bar's track and fill. Colours are Windows colour values (0x00BBGGRR).
class TabLabel : public QLabel
{
    Q_OBJECT
public:
    explicit TabLabel(QWidget *parent = nullptr);

    void setBackColor(quint32 bgr);
    quint32 backColor() const { return m_back; }
    // 0 none, 1 fixed single.
    void setBorderStyle(int style);
    int borderStyle() const { return m_border; }

    static QColor fromBgr(quint32 bgr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    quint32 m_back = 0;
    int m_border = 0;
};

} // namespace bg
