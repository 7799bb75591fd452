#pragma once

#include "ui/ClickAwayDialog.h"
#include <QImage>

namespace bg {

// The full-size preview: one logo at its real size of 320 x 400 pixels in a window without any
// frame, shown modally until it is clicked. It stays above all other windows when the tool was
// started with a command line.
class FrmLogoPreview : public ClickAwayDialog
{
    Q_OBJECT
public:
    // The client area in twips: exactly one logo at 15 twips per pixel.
    static constexpr int ClientWidthTwips = 4800;
    static constexpr int ClientHeightTwips = 6000;

    // commandText is the tool's command line; owner is the window the preview is centred on
    // (none, or a hidden one: the screen).
    FrmLogoPreview(const QString &commandText, QWidget *owner = nullptr);
    ~FrmLogoPreview() override;

    // The window's background picture, drawn unscaled from the top-left corner.
    void setPicture(const QImage &picture);
    const QImage &picture() const { return m_picture; }

    // Shows a picture modally and returns when the preview has been clicked away.
    static void showModal(const QImage &picture, const QString &commandText, QWidget *owner);

    // The preview window open at this moment, or null; lets a caller waiting in the modal loop
    // (a test, an automation hook) find it.
    static FrmLogoPreview *current();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void centre();

    QImage m_picture;
    QWidget *m_owner = nullptr;
};

} // namespace bg
