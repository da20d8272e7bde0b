// The step dialog of the search.
#include "operations/frm_suchweiter.h"

#include "platform/fixed_dialog.h"
#include "viewer/twips.h"

#include <QCloseEvent>

namespace operations {
namespace {

FrmSuchweiter *g_instance = nullptr;

} // namespace

FrmSuchweiter &FrmSuchweiter::instance()
{
    if (!g_instance)
        g_instance = new FrmSuchweiter;
    return *g_instance;
}

void FrmSuchweiter::unload()
{
    delete g_instance;
    g_instance = nullptr;
}

FrmSuchweiter::FrmSuchweiter()
    : Frame1(new QGroupBox(QStringLiteral(" Suchmethode "), this)),
      Option1 {new QRadioButton(QStringLiteral("Finde den Nächsten"), Frame1),
               new QRadioButton(QStringLiteral("Finde den Vorgänger"), Frame1)},
      Command1(new QPushButton(QStringLiteral("&Abbrechen"), this)),
      Command2(new QPushButton(QStringLiteral("&OK"), this))
{
    using viewer::px;
    setWindowTitle(QStringLiteral("  weitersuchen"));
    setModal(true);
    platform::useFixedDialogFrame(*this);
    setFixedSize(px(4575), px(1770));
    QFont small = font(); // the places are those of a small dialog font
    small.setPointSizeF(8);
    setFont(small);
    Frame1->setGeometry(px(120), px(120), px(2955), px(1515));
    Option1[0]->setGeometry(px(420), px(360), px(2300), px(375));
    Option1[1]->setGeometry(px(420), px(960), px(2300), px(375));
    Option1[0]->setChecked(true);
    Command1->setGeometry(px(3240), px(240), px(1215), px(495));
    Command2->setGeometry(px(3240), px(1140), px(1215), px(495));
    Command2->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
}

bool FrmSuchweiter::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        Command2->setFocus(); // Form_Activate
    return QDialog::event(event);
}

void FrmSuchweiter::Command1_Click()
{
    m_resultText = QStringLiteral("0");
    hide();
}

void FrmSuchweiter::Command2_Click()
{
    m_resultText = Option1[0]->isChecked() ? QStringLiteral("1") : QStringLiteral("2");
    hide();
}

void FrmSuchweiter::reject()
{
    Command1_Click(); // Esc
}

void FrmSuchweiter::closeEvent(QCloseEvent *event)
{
    m_resultText.clear();
    m_closedByWindow = true;
    QDialog::closeEvent(event);
}

} // namespace operations
