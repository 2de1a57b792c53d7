#include "app/frmMsg.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

frmMsg::frmMsg(QWidget* owner)
    : QWidget(owner, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(u"frmMsg"_s);
    setWindowTitle(u"Qelvora"_s);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 18, 24, 18);
    m_label = new QLabel(u"正在导入，请稍候.........."_s, this);
    m_label->setObjectName(u"frmMsg_Label1"_s);
    m_rows = new QLabel(this);
    m_rows->setObjectName(u"frmMsg_lblRows"_s);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(u"frmMsg_progress"_s);
    m_progress->setTextVisible(false);
    layout->addWidget(m_label);
    layout->addWidget(m_rows);
    layout->addWidget(m_progress);
    m_rows->hide();
    m_progress->hide();
    setMinimumWidth(320);
}

frmMsg::~frmMsg()
{
    end();
}

void frmMsg::begin()
{
    if (!m_busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_busy = true;
    }
    m_rows->hide();
    m_progress->hide();
    adjustSize();
    if (QWidget* owner = parentWidget(); owner && owner->isVisible())
        move(owner->frameGeometry().center() - rect().center());
    show();
    paintNow();
}

void frmMsg::end()
{
    hide();
    if (m_busy) {
        QApplication::restoreOverrideCursor();
        m_busy = false;
    }
}

void frmMsg::step(int done, int total)
{
    if (total < kProgressFrom)
        return;
    const bool first = m_progress->isHidden();
    if (!first && m_sincePaint.isValid() && m_sincePaint.elapsed() < kPaintIntervalMs && done < total)
        return;
    if (first) {
        m_rows->show();
        m_progress->show();
        adjustSize();
    }
    m_progress->setRange(0, total);
    m_progress->setValue(done);
    m_rows->setText(u"已读取 %1 / %2 行"_s.arg(done).arg(total));
    paintNow();
}

void frmMsg::paintNow()
{
    if (isVisible())
        repaint();
    // Paint and expose events only: the user cannot act while the import runs.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    m_sincePaint.start();
}
