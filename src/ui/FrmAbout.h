#pragma once

#include "ui/Twips.h"

#include <QDialog>
#include <QStringList>

class QLabel;
class QPushButton;

namespace bg {

class Desktop;

// The About window: version, purpose and date of the tool, and a mail link to its author.
// Shown modally by the Help menu; cmdSure or the title bar closes it.
class FrmAbout : public QDialog
{
    Q_OBJECT
public:
    FrmAbout(Desktop &desktop, const QString &contactAddress, QWidget *parent = nullptr);
    ~FrmAbout() override;

    // The About window that is open now, or null: a modal window must be reachable from
    // outside its own event loop.
    static FrmAbout *current();

    // The nine lines of lblAbout2.
    static QStringList aboutLines();

    void Form_Load();
    void cmdSure_Click();
    void lblAbout3_Click();

    QPushButton *cmdSure = nullptr;
    QLabel *lblAbout3 = nullptr;
    QLabel *lblAbout2 = nullptr;
    QLabel *lblAbout = nullptr;
    QLabel *imgAbout = nullptr;

    const Twips &twips() const { return m_twips; }

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();

    Desktop &m_desktop;
    QString m_contactAddress;
    Twips m_twips;
};

} // namespace bg
