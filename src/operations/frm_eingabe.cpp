// The column-and-term dialog.
#include "operations/frm_eingabe.h"

#include "platform/fixed_dialog.h"
#include "platform/platform.h"
#include "viewer/twips.h"

#include <QEvent>
#include <QKeyEvent>

namespace operations {
namespace {

FrmEingabe *g_instance = nullptr;

} // namespace

FrmEingabe &FrmEingabe::instance()
{
    if (!g_instance)
        g_instance = new FrmEingabe;
    return *g_instance;
}

void FrmEingabe::unload()
{
    delete g_instance;
    g_instance = nullptr;
}

FrmEingabe::FrmEingabe()
    : Frame1(new QGroupBox(QStringLiteral("&Spalte auswählen:"), this)),
      List1(new QListWidget(Frame1)),
      Label1(new QLabel(QStringLiteral("S&uchbegriff: "), this)),
      Text1(new QLineEdit(this)),
      Label2(new QLabel(QStringLiteral("Platzhalter  wie   *   %    sind  möglich"), this)),
      Command1(new QPushButton(QStringLiteral("&OK"), this)),
      Command2(new QPushButton(QStringLiteral("&Abbrechen"), this))
{
    using viewer::px;
    setWindowTitle(QStringLiteral("  Suchen"));
    setModal(true);
    platform::useFixedDialogFrame(*this);
    setFixedSize(px(5550), px(1815));
    // The places are those of a small dialog font; the texts must fit them.
    QFont small = font();
    small.setPointSizeF(8);
    setFont(small);

    Frame1->setGeometry(px(60), px(60), px(2355), px(1635));
    List1->setGeometry(px(120), px(360), px(2115), px(1110));
    QFont courier(QStringLiteral("Courier New"), 8);
    courier.setStyleHint(QFont::Monospace);
    List1->setFont(courier);
    List1->setToolTip(QStringLiteral("Spalte,mit der gearbeitet werden soll: zbsp. DXCC  "));
    Label1->setGeometry(px(2580), px(180), px(1575), px(315));
    Label1->setBuddy(Text1);
    Text1->setGeometry(px(4200), px(120), px(1215), px(315));
    Text1->setToolTip(QStringLiteral("Suchwort eingeben"));
    Label2->setGeometry(px(2580), px(660), px(2835), px(495));
    Label2->setWordWrap(true);
    Command1->setGeometry(px(2580), px(1320), px(1215), px(375));
    Command1->setDefault(true);
    Command2->setGeometry(px(4260), px(1320), px(1215), px(375));

    // The frame's access key leads to the list.
    connect(Frame1, &QGroupBox::clicked, List1, [this] { List1->setFocus(); });
    setTabOrder(List1, Text1);
    setTabOrder(Text1, Command1);
    setTabOrder(Command1, Command2);

    // An entry selected by the mouse or by the keyboard (arrow keys, Home, End); a click on the
    // entry already selected counts too. Qt raises itemClicked for the mouse only, and the
    // current row alone moves when the list takes the focus without selecting anything.
    connect(List1, &QListWidget::itemClicked, this, [this] { List1_Click(); });
    connect(List1, &QListWidget::itemSelectionChanged, this, [this] {
        if (List1->currentItem() && List1->currentItem()->isSelected())
            List1_Click();
    });
    List1->installEventFilter(this);
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
}

void FrmEingabe::fillColumnList(const QStringList &captions)
{
    if (List1->count() > 0)
        return;
    for (int i = 0; i < captions.size(); ++i)
        List1->addItem(QString::number(i) + QLatin1Char(' ') + captions[i]);
}

bool FrmEingabe::sortMode() const
{
    return windowTitle() == QLatin1String("Sortieren");
}

bool FrmEingabe::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        Text1->clear(); // Form_Activate: every showing starts with an empty term
    if (event->type() == QEvent::Show)
        List1->setFocus(); // the first in the tab order
    return QDialog::event(event);
}

bool FrmEingabe::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != List1 || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    // On the first showing the list makes its first entry current without selecting it, so
    // Home there moves nothing and selects nothing, and Down would skip it: with no entry
    // selected, Down chooses the first. A navigation key always chooses the entry it lands on.
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (key == Qt::Key_Down && List1->selectedItems().isEmpty() && List1->count() > 0)
        List1->setCurrentRow(0);
    else
        static_cast<QObject *>(List1)->event(event);
    switch (key) {
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        if (QListWidgetItem *item = List1->currentItem(); item && !item->isSelected())
            item->setSelected(true);
        break;
    default:
        break;
    }
    return true;
}

void FrmEingabe::List1_Click()
{
    if (!sortMode())
        Text1->setFocus();
}

void FrmEingabe::Command1_Click()
{
    const bool chosen =
            List1->currentRow() >= 0 && List1->currentItem() && List1->currentItem()->isSelected();
    if (!chosen || (!sortMode() && Text1->text().isEmpty())) {
        platform::services().beep();
        return;
    }
    m_resultText = QString::number(List1->currentRow()) + QLatin1Char(' ') + Text1->text();
    hide();
}

void FrmEingabe::Command2_Click()
{
    m_resultText.clear();
    hide();
}

void FrmEingabe::reject()
{
    Command2_Click(); // Esc and the window's close command cancel
}

} // namespace operations
