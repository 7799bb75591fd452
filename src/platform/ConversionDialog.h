#pragma once

#include "platform/Desktop.h"

#include <QDialog>
#include <QFutureWatcher>
#include <QImage>
#include <QTimer>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace bg {

// The window that offers to make pictures into boot logos. It shows one picture at a time as the
// boot screen would show it after the conversion, lets the user pick how the picture takes the
// screen and whether the logo gets the turning colour bar, and ends with the choice (Convert) or
// without one (Cancel, Escape, the close button).
//
// Previews are drawn by the offer on a worker thread, one at a time; a change made while one is
// being drawn is drawn right after it, and a preview that no longer matches the window's choice
// is never shown; a logo whose palette turns at boot turns in the preview too. The window waits
// for a running preview before it goes, so the offer's function is not called after the window
// is gone.
class ConversionDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ConversionDialog(const ConversionOffer &offer, QWidget *parent = nullptr);
    ~ConversionDialog() override;

    ConversionChoice choice() const;

    static constexpr int PreviewWidth = 640;
    static constexpr int PreviewHeight = 480;

private:
    struct Request
    {
        int index = 0;
        ConversionChoice choice;
        bool operator==(const Request &) const = default;
    };

    Request wanted() const;
    void refreshPreview();
    void previewDrawn();
    void showFrame();
    void turnPalette();

    ConversionOffer m_offer;
    QLabel *m_prompt = nullptr;
    QComboBox *m_pictures = nullptr;
    QLabel *m_preview = nullptr;
    QRadioButton *m_fit = nullptr;
    QRadioButton *m_fill = nullptr;
    QCheckBox *m_band = nullptr;
    QPushButton *m_convert = nullptr;
    QFutureWatcher<BootFrame> m_drawing;
    BootFrame m_shown;
    QTimer m_turning;
    Request m_drawn;     // what the running (or last) preview shows
    bool m_busy = false; // a preview is being drawn
};

} // namespace bg
