#include "ui/FrmAbout.h"

#include "platform/Desktop.h"
#include "ui/Fonts.h"

#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

namespace bg {

namespace {

constexpr int ClientWidthTwips = 4080;
constexpr int ClientHeightTwips = 2940;

FrmAbout *g_current = nullptr;

// The 32 x 32 pointing hand; its hot spot, the fingertip, is stored with the picture.
QCursor handCursor()
{
    const QImage image(QStringLiteral(":/cursors/hand.png"));
    if (image.isNull())
        return QCursor(Qt::PointingHandCursor);
    bool okX = false;
    bool okY = false;
    const int x = image.text(QStringLiteral("HotspotX")).toInt(&okX);
    const int y = image.text(QStringLiteral("HotspotY")).toInt(&okY);
    return QCursor(QPixmap::fromImage(image), okX ? x : 5, okY ? y : 0);
}

void setTextColor(QLabel *label, const QColor &color)
{
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, color);
    label->setPalette(pal);
}

} // namespace

FrmAbout::FrmAbout(Desktop &desktop, const QString &contactAddress, QWidget *parent)
    : QDialog(parent),
      m_desktop(desktop),
      m_contactAddress(contactAddress),
      m_twips(Twips::forWidget(nullptr))
{
    installFontSubstitutes();
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("關於 Splashwheel"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/about.png")));
    setFont(uiFont());
    // Fixed single border, no minimise or maximise button.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(m_twips.toPixelsX(ClientWidthTwips), m_twips.toPixelsY(ClientHeightTwips));

    buildControls();
    Form_Load();

    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    g_current = this;
}

FrmAbout::~FrmAbout()
{
    if (g_current == this)
        g_current = nullptr;
}

FrmAbout *FrmAbout::current()
{
    return g_current;
}

QStringList FrmAbout::aboutLines()
{
    return {QStringLiteral("版本：4.0"),
            QStringLiteral("用途：自動更換開關機 LOGO"),
            QStringLiteral("完成日期：2000/07/16"),
            QStringLiteral("適用：Windows 95/98"),
            QString(),
            QStringLiteral("本程式為免費軟體，"),
            QStringLiteral("歡迎自由使用與散佈。"),
            QString(),
            QStringLiteral("寫信給我")};
}

void FrmAbout::buildControls()
{
    // Created from back to front, so that a control listed earlier covers a later one.
    imgAbout = new QLabel(this);
    imgAbout->setObjectName(QStringLiteral("imgAbout"));
    imgAbout->setGeometry(m_twips.toPixels({120, 120, 1260, 2175}));
    imgAbout->setFrameStyle(QFrame::Box | QFrame::Plain);
    imgAbout->setLineWidth(1);
    imgAbout->setScaledContents(true); // the picture is stretched to the control
    imgAbout->setPixmap(QPixmap(QStringLiteral(":/pictures/about.png")));

    lblAbout = new QLabel(QStringLiteral("Splashwheel"), this);
    lblAbout->setObjectName(QStringLiteral("lblAbout"));
    lblAbout->setGeometry(m_twips.toPixels({1515, 120, 2460, 375}));
    lblAbout->setFont(kaiFont(15.75));
    lblAbout->setAlignment(Qt::AlignCenter);
    // Its single-line border is black; the window paints it around the yellow caption.
    lblAbout->setContentsMargins(1, 1, 1, 1);
    setTextColor(lblAbout, QColor(255, 255, 0));

    lblAbout2 = new QLabel(this);
    lblAbout2->setObjectName(QStringLiteral("lblAbout2"));
    lblAbout2->move(m_twips.toPixelsX(1530), m_twips.toPixelsY(615));
    lblAbout2->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    lblAbout3 = new QLabel(m_contactAddress, this);
    lblAbout3->setObjectName(QStringLiteral("lblAbout3"));
    lblAbout3->setGeometry(m_twips.toPixels({2295, 2040, 1620, 180}));
    QFont link = mingFont(9.0);
    link.setItalic(true);
    link.setUnderline(true);
    lblAbout3->setFont(link);
    lblAbout3->setAlignment(Qt::AlignCenter);
    setTextColor(lblAbout3, QColor(0, 0, 255));
    lblAbout3->adjustSize(); // sizes itself to its caption, keeping its left edge
    lblAbout3->setCursor(handCursor());
    lblAbout3->installEventFilter(this);

    cmdSure = new QPushButton(QStringLiteral("確定"), this);
    cmdSure->setObjectName(QStringLiteral("cmdSure"));
    cmdSure->setGeometry(m_twips.toPixels({2760, 2520, 1215, 300}));
    cmdSure->setDefault(true);
    connect(cmdSure, &QPushButton::clicked, this, &FrmAbout::cmdSure_Click);

    // Only the button takes the focus.
    for (QWidget *w : {static_cast<QWidget *>(imgAbout), static_cast<QWidget *>(lblAbout),
                       static_cast<QWidget *>(lblAbout2), static_cast<QWidget *>(lblAbout3)})
        w->setFocusPolicy(Qt::NoFocus);
    cmdSure->setFocus();
}

void FrmAbout::Form_Load()
{
    lblAbout2->setText(aboutLines().join(QLatin1Char('\n')));
    lblAbout2->adjustSize();
}

void FrmAbout::cmdSure_Click()
{
    accept();
}

void FrmAbout::lblAbout3_Click()
{
    setTextColor(lblAbout3, QColor(255, 0, 0));
    lblAbout3->repaint();
    m_desktop.shellOpen(this, QStringLiteral("mailto:") + m_contactAddress, sw::Normal);
}

void FrmAbout::paintEvent(QPaintEvent *event)
{
    QDialog::paintEvent(event);
    // Two lines one pixel apart form an etched separator above the button.
    QPainter painter(this);
    const int left = m_twips.toPixelsX(120);
    const int right = m_twips.toPixelsX(3960);
    const int dark = m_twips.toPixelsY(2355);
    const int light = std::max(dark + 1, m_twips.toPixelsY(2370));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawLine(left, dark, right, dark);
    painter.setPen(QColor(255, 255, 255));
    painter.drawLine(left, light, right, light);
    painter.setPen(Qt::black);
    painter.drawRect(lblAbout->geometry().adjusted(0, 0, -1, -1));
}

bool FrmAbout::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lblAbout3 && event->type() == QEvent::MouseButtonRelease) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        // A click: the button comes up over the link it went down on.
        if (mouse->button() == Qt::LeftButton && lblAbout3->rect().contains(mouse->position().toPoint())) {
            lblAbout3_Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace bg
