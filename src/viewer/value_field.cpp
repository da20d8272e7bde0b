// The value field and what it tells screen readers.
#include "viewer/value_field.h"

#include <QAccessibleWidget>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMenu>

namespace viewer {
namespace {

// A value field as screen readers see it: static text named by its caption, whose text is the
// value, so that Orca reads "CALL : DL1ABC". Qt's own view of a label has no text to read but
// its name, which for a field would be the value without the caption.
class AccessibleValueField final : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    explicit AccessibleValueField(QWidget *field)
        : QAccessibleWidget(field, QAccessible::StaticText)
    { }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    // The text, read only: nothing to select, no cursor, no attributes.
    QString text(int startOffset, int endOffset) const override
    {
        return value().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return static_cast<int>(value().size()); }
    void selection(int, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = 0;
    }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override { }
    void removeSelection(int) override { }
    void setSelection(int, int, int) override { }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override { }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int, int) override { }
    QString attributes(int offset, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = offset;
        return {};
    }

    using QAccessibleWidget::text;

private:
    QString value() const { return static_cast<const QLabel *>(widget())->text(); }
};

QAccessibleInterface *accessibleValueField(const QString &, QObject *object)
{
    auto *field = qobject_cast<ValueField *>(object);
    return field ? new AccessibleValueField(field) : nullptr;
}

} // namespace

ValueField::ValueField(QLabel &caption, QWidget *parent) : QLabel(parent)
{
    static const bool installed = (QAccessible::installFactory(accessibleValueField), true);
    (void)installed;
    setFocusPolicy(Qt::NoFocus); // the window sees every key
    setAccessibleName(caption.text());
    caption.setBuddy(this); // the label relation between caption and field
}

void ValueField::copyValue() const
{
    QGuiApplication::clipboard()->setText(text());
}

void ValueField::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu menu;
    menu.addAction(QStringLiteral("Kopieren"), this, &ValueField::copyValue);
    menu.exec(event->globalPos());
}

} // namespace viewer
