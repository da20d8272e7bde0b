// The message box window. Qt's QMessageBox keeps room for an icon that is not there and offers
// maximising; this one is sized to its text and fixed.
#include "platform/message_dialog.h"

#include "platform/fixed_dialog.h"
#include "platform/platform.h"

#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

namespace platform {
namespace {

constexpr int kIconSize = 32;
constexpr int kMaxTextWidth = 520;
// Room in the title bar beside the title: the window's icon, its close box and the frame.
constexpr int kTitleBarRoom = 120;

// The width at which the window manager shows `title` whole: the title in a bold variant of the
// dialog's font (title bars commonly use one), and the room beside it. A box narrower than its
// title has its title cut short ("Talvo-dBa… ft bereits ").
int titleWidth(const QWidget &dialog, const QString &title)
{
    QFont bold = dialog.font();
    bold.setBold(true);
    return QFontMetrics(bold).horizontalAdvance(title) + kTitleBarRoom;
}

} // namespace

MessageDialog::MessageDialog(QWidget *parent, const QString &message, int style,
                             const QString &title)
    : QDialog(parent), icon(nullptr), text(new QLabel(message, this)), ok(nullptr)
{
    setWindowTitle(title);
    auto *row = new QHBoxLayout;
    row->setSpacing(16);
    if (style == kExclamation || style == kInformation) {
        icon = new QLabel(this);
        icon->setPixmap(this->style()
                                ->standardIcon(style == kExclamation
                                                       ? QStyle::SP_MessageBoxWarning
                                                       : QStyle::SP_MessageBoxInformation)
                                .pixmap(kIconSize, kIconSize));
        row->addWidget(icon, 0, Qt::AlignTop);
    }
    text->setTextFormat(Qt::PlainText);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    text->setMaximumWidth(kMaxTextWidth);
    text->setWordWrap(text->sizeHint().width() > kMaxTextWidth);
    row->addWidget(text, 1);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->setCenterButtons(true);
    ok = buttons->button(QDialogButtonBox::Ok);
    ok->setText(QStringLiteral("OK"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(20, 18, 20, 14);
    column->setSpacing(18);
    column->addLayout(row);
    column->addWidget(buttons);
    fixDialogSize(*this, std::max(sizeHint().width(), titleWidth(*this, title)));
}

} // namespace platform
