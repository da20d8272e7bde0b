// Fixed-size dialog windows.
#include "platform/fixed_dialog.h"

#include <QLayout>
#include <QWidget>

namespace platform {

void useFixedDialogFrame(QWidget &window)
{
    window.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowCloseButtonHint);
}

void fixDialogSize(QWidget &window, int width)
{
    useFixedDialogFrame(window);
    int height = window.sizeHint().height();
    if (QLayout *layout = window.layout(); layout && layout->hasHeightForWidth())
        height = layout->totalHeightForWidth(width);
    window.setFixedSize(width, height);
}

} // namespace platform
