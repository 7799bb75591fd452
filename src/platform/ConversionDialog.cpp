#include "platform/ConversionDialog.h"

#include "platform/BootLogoFormat.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace bg {

ConversionDialog::ConversionDialog(const ConversionOffer &offer, QWidget *parent)
    : QDialog(parent), m_offer(offer)
{
    setObjectName(QStringLiteral("frmConvert"));
    setWindowTitle(offer.title);
    setModal(true);

    m_prompt = new QLabel(offer.prompt, this);
    m_prompt->setObjectName(QStringLiteral("lblPrompt"));
    m_prompt->setWordWrap(true);

    m_pictures = new QComboBox(this);
    m_pictures->setObjectName(QStringLiteral("cboPicture"));
    m_pictures->addItems(offer.pictureNames);
    auto *picturesLabel = new QLabel(QStringLiteral("預覽的圖片(&P)："), this);
    picturesLabel->setBuddy(m_pictures);
    auto *picturesLine = new QHBoxLayout;
    picturesLine->addWidget(picturesLabel);
    picturesLine->addWidget(m_pictures, 1);
    // One picture needs no choosing: its name is in the prompt.
    m_pictures->setVisible(offer.pictureNames.size() > 1);
    picturesLabel->setVisible(offer.pictureNames.size() > 1);

    m_preview = new QLabel(this);
    m_preview->setObjectName(QStringLiteral("imgBootScreen"));
    m_preview->setFixedSize(PreviewWidth, PreviewHeight);
    m_preview->setAlignment(Qt::AlignCenter);
    m_preview->setAutoFillBackground(true);
    QPalette black = m_preview->palette();
    black.setColor(QPalette::Window, Qt::black);
    black.setColor(QPalette::WindowText, Qt::white);
    m_preview->setPalette(black);

    auto *layoutBox = new QGroupBox(QStringLiteral("畫面配置"), this);
    m_fit = new QRadioButton(QStringLiteral("顯示整張圖片，空白處填入圖片邊緣的顏色(&F)"), layoutBox);
    m_fit->setObjectName(QStringLiteral("optFit"));
    m_fit->setChecked(true);
    m_fill = new QRadioButton(QStringLiteral("填滿整個畫面，裁掉多出的部分(&L)"), layoutBox);
    m_fill->setObjectName(QStringLiteral("optFill"));
    auto *layoutLines = new QVBoxLayout(layoutBox);
    layoutLines->addWidget(m_fit);
    layoutLines->addWidget(m_fill);

    m_band = new QCheckBox(QStringLiteral("在畫面底部加上開機時流動的色帶(&A)"), this);
    m_band->setObjectName(QStringLiteral("chkAnimatedBand"));

    auto *buttons = new QDialogButtonBox(this);
    m_convert = buttons->addButton(QStringLiteral("轉換(&C)"), QDialogButtonBox::AcceptRole);
    m_convert->setObjectName(QStringLiteral("cmdConvert"));
    m_convert->setDefault(true);
    QPushButton *cancel = buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *lines = new QVBoxLayout(this);
    lines->addWidget(m_prompt);
    lines->addLayout(picturesLine);
    lines->addWidget(m_preview, 0, Qt::AlignHCenter);
    lines->addWidget(layoutBox);
    lines->addWidget(m_band);
    lines->addWidget(buttons);
    lines->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_pictures, &QComboBox::currentIndexChanged, this, &ConversionDialog::refreshPreview);
    connect(m_fill, &QRadioButton::toggled, this, &ConversionDialog::refreshPreview);
    connect(m_band, &QCheckBox::toggled, this, &ConversionDialog::refreshPreview);
    connect(&m_drawing, &QFutureWatcher<BootFrame>::finished, this, &ConversionDialog::previewDrawn);
    m_turning.setInterval(bootlogo::StepMilliseconds);
    connect(&m_turning, &QTimer::timeout, this, &ConversionDialog::turnPalette);
    refreshPreview();
}

ConversionDialog::~ConversionDialog()
{
    // The worker calls the offer's function, which may use what its caller holds only while the
    // window is open.
    m_drawing.waitForFinished();
}

ConversionChoice ConversionDialog::choice() const
{
    return wanted().choice;
}

ConversionDialog::Request ConversionDialog::wanted() const
{
    return {std::max(m_pictures->currentIndex(), 0), {m_fill->isChecked(), m_band->isChecked()}};
}

void ConversionDialog::refreshPreview()
{
    if (m_busy || !m_offer.preview)
        return; // previewDrawn() starts the next one
    m_drawn = wanted();
    m_busy = true;
    if (m_preview->pixmap().isNull())
        m_preview->setText(QStringLiteral("正在產生預覽…"));
    const auto draw = m_offer.preview;
    const Request request = m_drawn;
    m_drawing.setFuture(QtConcurrent::run([draw, request] {
        return draw(request.index, request.choice);
    }));
}

void ConversionDialog::previewDrawn()
{
    m_busy = false;
    if (!(m_drawn == wanted())) {
        refreshPreview();
        return;
    }
    m_shown = m_drawing.result();
    m_turning.stop();
    if (m_shown.frame.isNull()) {
        m_preview->setPixmap(QPixmap());
        m_preview->setText(QStringLiteral("無法讀取這張圖片。"));
        return;
    }
    showFrame();
    if (m_shown.frame.format() == QImage::Format_Indexed8 && m_shown.firstAnimated != 0
        && m_shown.firstAnimated < quint32(m_shown.frame.colorCount()))
        m_turning.start();
}

void ConversionDialog::showFrame()
{
    // The screen mode stretches the logo over the whole 4:3 screen.
    m_preview->setPixmap(QPixmap::fromImage(
        m_shown.frame.convertToFormat(QImage::Format_RGB32)
            .scaled(PreviewWidth, PreviewHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
}

void ConversionDialog::turnPalette()
{
    QList<QRgb> palette = m_shown.frame.colorTable();
    bootlogo::rotatePalette(palette, quint32(palette.size()), m_shown.firstAnimated);
    m_shown.frame.setColorTable(palette);
    showFrame();
}

} // namespace bg
