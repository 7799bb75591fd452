#pragma once

#include "core/BootScreen.h"

#include "ui/ClickAwayDialog.h"
#include <QTimer>

namespace bg {

// The boot preview: a logo as the boot screen shows it, across a 640 x 480 screen (the 320 x 400
// bitmap with each pixel twice as wide as tall), black and without a frame, its palette turning
// at the tool's one pace (bootlogo::StepMilliseconds) while the bitmap asks for it. Modal; Escape
// or a click closes it.
class FrmBootPreview : public ClickAwayDialog
{
    Q_OBJECT
public:
    static constexpr int ScreenWidth = 640;
    static constexpr int ScreenHeight = 480;

    // owner: the window the preview is centred on (none, or a hidden one: the screen).
    explicit FrmBootPreview(const BootScreen &screen, QWidget *owner = nullptr);
    ~FrmBootPreview() override;

    const BootScreen &screen() const { return m_screen; }

    // Shows the logo modally; returns when the preview has been closed.
    static void showModal(const BootScreen &screen, QWidget *owner);

    // The boot preview open at this moment, or null (for whoever waits in its modal loop).
    static FrmBootPreview *current();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void nextFrame();

    BootScreen m_screen;
    QWidget *m_owner = nullptr;
    QTimer m_frames;
};

} // namespace bg
