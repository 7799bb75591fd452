#include "ui/ConversionProgress.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace bg {

ConversionProgress::ConversionProgress(int total, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_total(total)
{
    setObjectName(QStringLiteral("frmConverting"));
    setWindowTitle(QStringLiteral("轉換成開機畫面"));
    setWindowModality(Qt::WindowModal);
    m_text = new QLabel(this);
    m_bar = new QProgressBar(this);
    m_bar->setRange(0, total);
    auto *lines = new QVBoxLayout(this);
    lines->addWidget(m_text);
    lines->addWidget(m_bar);
    setMinimumWidth(320);
    setDone(0);
}

void ConversionProgress::setDone(int done)
{
    m_text->setText(QStringLiteral("正在轉換圖片（%1／%2）…").arg(done + (done < m_total)).arg(m_total));
    m_bar->setValue(done);
}

} // namespace bg
