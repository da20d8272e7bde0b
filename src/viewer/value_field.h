// A value field of the viewer window: shows one column of the current record, takes no focus,
// is read by screen readers as its caption and its value, and offers its value for copying.
#pragma once

#include <QLabel>

namespace viewer {

class ValueField final : public QLabel
{
    Q_OBJECT

public:
    // `caption` is the field's label, which names the field for screen readers as well.
    ValueField(QLabel &caption, QWidget *parent);

    // Puts the whole value on the clipboard.
    void copyValue() const;

protected:
    // A right click offers "Kopieren"; the keyboard stays with the window.
    void contextMenuEvent(QContextMenuEvent *event) override;
};

} // namespace viewer
