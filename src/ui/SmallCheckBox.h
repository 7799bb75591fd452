#pragma once

#include <QCheckBox>

namespace bg {

// A caption-less check box drawn to fill its small control rectangle (12 x 12 pixels at
// 96 dpi), where a style's own indicator would be clipped.
class SmallCheckBox : public QCheckBox
{
    Q_OBJECT
public:
    explicit SmallCheckBox(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
    bool hitButton(const QPoint &pos) const override;
};

} // namespace bg
