// The data control: record set, buttons, counter and bound fields.
#include "viewer/data_control.h"

#include "database/program_state.h"
#include "dbf/finding.h"
#include "dbf/names.h"
#include "platform/platform.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <utility>

namespace viewer {
namespace {

QString fromUtf8(const std::string &text)
{
    return QString::fromStdString(text);
}

// Whether `text` shows whole in `field`; a value cut off is offered whole as the field's hint.
bool fitsInto(const QLabel &field, const QString &text)
{
    const QRect room = field.contentsRect().adjusted(field.indent(), 0, 0, 0);
    const QFontMetrics metrics(field.font());
    const int flags = field.wordWrap() ? Qt::TextWordWrap : Qt::TextSingleLine;
    const QRect needed = metrics.boundingRect(QRect(0, 0, room.width(), 100000), flags, text);
    return needed.width() <= room.width() && needed.height() <= room.height();
}

// How many of the reader's warnings the message at opening lists; the rest are counted.
constexpr int kListedWarnings = 3;

// What the reader warns of in the table `set` shows, for the message at opening: the file and at
// most kListedWarnings of the warnings, the rest counted; "" when there are none. Notes say
// nothing that the user has to know.
QString openingWarnings(const recordset::RecordSet &set)
{
    const QString &lineBreak = database::program().lineBreak;
    QString listed;
    int more = 0;
    for (const dbf::Finding &finding : set.table().findings()) {
        if (dbf::severityOf(finding.kind) != dbf::Severity::Warning)
            continue;
        if (listed.count(lineBreak) < kListedWarnings)
            listed += lineBreak + QStringLiteral("- ") + fromUtf8(finding.text);
        else
            ++more;
    }
    if (listed.isEmpty())
        return {};
    if (more)
        listed += lineBreak
                + (more == 1 ? QStringLiteral("(und eine weitere Warnung)")
                             : QStringLiteral("(und %1 weitere Warnungen)").arg(more));
    return QStringLiteral("Die Tabelle »%1« ist beschädigt; was angezeigt wird, kann falsch oder "
                          "unvollständig sein:")
                   .arg(fromUtf8(set.table().path()))
            + listed;
}

// The index of the field named `column` in `set`, -1 when it has none.
int fieldIndex(recordset::RecordSet &set, const QString &column)
{
    const std::string name = column.toStdString();
    const size_t count = set.isOpen() ? set.FieldCount().value() : 0;
    for (size_t i = 0; i < count; ++i) {
        if (dbf::sameName(*set.FieldName(i), name))
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace

DataControl::DataControl(QWidget *parent) : QWidget(parent), m_caption(new QLabel(this))
{
    setToolTip(QStringLiteral(" blättern in den Daten "));
    setAutoFillBackground(true);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 1, 2, 1);
    layout->setSpacing(0);
    auto button = [&](QStyle::StandardPixmap icon, const QString &name, auto slot) {
        auto *b = new QToolButton(this);
        b->setIcon(style()->standardIcon(icon));
        b->setAccessibleName(name);
        b->setFocusPolicy(Qt::NoFocus); // the window sees every key
        b->setAutoRaise(true);
        connect(b, &QToolButton::clicked, this, slot);
        layout->addWidget(b);
    };
    button(QStyle::SP_MediaSkipBackward, tr("Erster"),
           [this] { move(&recordset::RecordSet::MoveFirst, false); });
    button(QStyle::SP_MediaSeekBackward, tr("Voriger"),
           [this] { move(&recordset::RecordSet::MovePrevious, true); });
    m_caption->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_caption, 1);
    button(QStyle::SP_MediaSeekForward, tr("Nächster"),
           [this] { move(&recordset::RecordSet::MoveNext, true); });
    button(QStyle::SP_MediaSkipForward, tr("Letzter"),
           [this] { move(&recordset::RecordSet::MoveLast, false); });
}

DataControl::~DataControl()
{
    if (m_set)
        m_set->setMoveHandler(nullptr);
}

void DataControl::setConnectionString(const QString &connection)
{
    m_connectionString = connection;
}

void DataControl::setRecordSource(const QString &query)
{
    m_recordSource = query;
}

database::RunTimeStatus DataControl::Refresh()
{
    auto opened = recordset::RecordSet::Open(m_connectionString.toStdString(),
                                             m_recordSource.toStdString());
    if (opened)
        opened = withBoundColumns(*opened);
    if (m_set) {
        m_set->setMoveHandler(nullptr);
        (void)m_set->Close();
        m_set.reset();
    }
    m_openingWarnings.clear();
    m_announcedChange.clear(); // a table opened anew shows the file as it is now
    if (!opened) {
        const database::RunTimeError error {opened.error().number,
                                            fromUtf8(opened.error().description)};
        showCurrentRecord();
        // While the window is shown, the command that refreshed reports the failure; before,
        // none does, so the control raises its own notification.
        if (!database::program().viewerVisible)
            raiseError(error.number, error.description);
        return error;
    }
    m_openingWarnings = openingWarnings(**opened);
    setRecordset(*opened);
    emit MoveComplete();
    if (!m_openingWarnings.isEmpty())
        QTimer::singleShot(0, this, &DataControl::showOpeningWarnings);
    return std::nullopt;
}

// A table of another shape fails as the query fails for a column it names: the fields bound to
// columns the table lacks would show nothing, record after record, without a word.
recordset::Result<std::shared_ptr<recordset::RecordSet>>
DataControl::withBoundColumns(std::shared_ptr<recordset::RecordSet> set) const
{
    for (const Binding &binding : m_bindings) {
        if (fieldIndex(*set, binding.column) < 0) {
            const recordset::Error missing = set->NoColumn(binding.column.toStdString());
            (void)set->Close();
            return missing;
        }
    }
    return set;
}

void DataControl::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_openingWarnings.isEmpty())
        QTimer::singleShot(0, this, &DataControl::showOpeningWarnings);
}

void DataControl::showOpeningWarnings()
{
    // After the window shows the first record: a table opened before the window appears
    // (at start) is reported when it does.
    if (m_openingWarnings.isEmpty() || !window()->isVisible())
        return;
    const QString text = std::exchange(m_openingWarnings, QString());
    platform::messageBox(text, platform::kExclamation, database::kApplicationTitle);
}

void DataControl::setRecordset(std::shared_ptr<recordset::RecordSet> set)
{
    if (m_set && m_set != set)
        m_set->setMoveHandler(nullptr);
    m_set = std::move(set);
    if (m_set) {
        m_set->setMoveHandler([this] {
            showCurrentRecord();
            emit MoveComplete();
        });
    }
    locateColumns();
    showCurrentRecord();
}

QString DataControl::Caption() const
{
    return m_caption->text();
}

void DataControl::setCaption(const QString &caption)
{
    m_caption->setText(caption);
}

void DataControl::bind(QLabel *field, const QString &column)
{
    m_bindings.push_back({field, column});
    locateColumns();
    showCurrentRecord();
}

void DataControl::locateColumns()
{
    for (Binding &binding : m_bindings)
        binding.index = m_set ? fieldIndex(*m_set, binding.column) : -1;
}

void DataControl::showCurrentRecord()
{
    std::optional<recordset::Error> gone;
    for (const Binding &binding : m_bindings) {
        QString text;
        if (m_set && m_set->isOpen() && binding.index >= 0) {
            const auto value = m_set->FieldText(static_cast<size_t>(binding.index));
            if (value)
                text = fromUtf8(*value);
            else if (value.error().number == recordset::kRecordGone)
                gone = value.error();
        }
        binding.field->setText(text);
        binding.field->setToolTip(fitsInto(*binding.field, text) ? QString() : text);
    }
    // A record another program cut off is said to be gone whenever it is shown; any other
    // change of the file once, at the first record shown after it, whatever record sets the
    // commands make of the table meanwhile. A further change is said again.
    if (!m_set || !m_set->isOpen())
        return;
    const auto change = m_set->FileChange();
    const bool announced = !change || change->description == m_announcedChange;
    if (change)
        m_announcedChange = change->description;
    if (gone)
        raiseError(gone->number, fromUtf8(gone->description));
    else if (!announced)
        raiseError(change->number, fromUtf8(change->description));
}

void DataControl::raiseError(qint32 number, QString description)
{
    bool cancelDisplay = false;
    emit Error(number, description, cancelDisplay);
    if (!cancelDisplay)
        platform::messageBox(description, platform::kExclamation, database::kApplicationTitle);
}

// The buttons: moving past either end leaves the set on its first or last record; on a set
// without records they do nothing, as the keys do.
void DataControl::move(recordset::Status (recordset::RecordSet::*step)(), bool stayAtEnd)
{
    if (!m_set || !m_set->isOpen())
        return;
    const auto count = m_set->RecordCount();
    if (!count || *count <= 0)
        return;
    if (stayAtEnd) {
        const bool forward = step == &recordset::RecordSet::MoveNext;
        const auto position = m_set->AbsolutePosition();
        if (position && *position == (forward ? *count : 1))
            return;
    }
    if (const recordset::Status moved = (m_set.get()->*step)(); !moved.ok())
        raiseError(moved.error().number, fromUtf8(moved.error().description));
}

} // namespace viewer
