// The message box window: an optional icon, the text and one OK button.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace platform {

class MessageDialog final : public QDialog
{
public:
    // `style` as for messageBox(): without an icon the text starts at the left margin.
    MessageDialog(QWidget *parent, const QString &text, int style, const QString &title);

    QLabel *icon; // nullptr for a box without an icon
    QLabel *text;
    QPushButton *ok;
};

} // namespace platform
