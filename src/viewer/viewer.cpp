// The viewer window: layout, life cycle, keys, record counter, error reports, and its menus built
// from the menu table.
#include "viewer/viewer.h"

#include "database/database_names.h"
#include "database/program_state.h"
#include "database/station_record.h"
#include "operations/frm_eingabe.h"
#include "platform/platform.h"
#include "viewer/twips.h"
#include "viewer/value_field.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QMenuBar>

namespace viewer {
namespace {

// Client area and the places of the controls, in twips.
constexpr int kClientWidth = 5535, kClientHeight = 6120;
constexpr int kLabelLeft = 120, kLabelWidth = 1815, kLabelHeight = 240;
constexpr int kFieldLeft = 2040;
constexpr int kBarTop = 5745, kBarHeight = 375;

struct FieldPlace
{
    int fieldTop, fieldHeight, labelTop, fieldWidth;
};

constexpr FieldPlace kPlaces[Viewer::kFieldCount] = {
        {420, 315, 480, 3405},   {780, 315, 840, 3400},   {1140, 315, 1200, 3400},
        {1500, 315, 1560, 3405}, {1860, 315, 1920, 3405}, {2220, 315, 2280, 3405},
        {2580, 315, 2640, 3405}, {2940, 315, 3000, 3405}, {3300, 630, 3420, 3405},
        {3960, 630, 4080, 3400}, {4620, 315, 4680, 3400}, {4980, 315, 5040, 3400},
        {5340, 315, 5400, 3400},
};

// Key codes of the navigation keys.
constexpr int kKeyPageUp = 33, kKeyPageDown = 34, kKeyUp = 38, kKeyDown = 40;

int keyCode(int qtKey)
{
    switch (qtKey) {
    case Qt::Key_PageUp:
        return kKeyPageUp;
    case Qt::Key_PageDown:
        return kKeyPageDown;
    case Qt::Key_Up:
        return kKeyUp;
    case Qt::Key_Down:
        return kKeyDown;
    default:
        return 0;
    }
}

} // namespace

QString activationCaption(const QString &databasePath)
{
    const auto table = database::tableNameFromPath(databasePath);
    return QStringLiteral("  dBase-Viewer: ") + (table ? *table : QString());
}

Viewer::Viewer(QWidget *parent) : QMainWindow(parent), m_dataControl(nullptr)
{
    platform::setMousePointer(platform::kHourglass);
    setWindowTitle(QStringLiteral("  dBase - Viewer"));
    setFocusPolicy(Qt::StrongFocus);
    createFields();
    createMenus();
    setFixedSize(sizeHint()); // the layout is fixed; the client area holds the controls' places
    // Coming back from another application is no activation of the program's own.
    connect(qApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (state != Qt::ApplicationActive)
                    m_leftApplication = true;
            });
    connect(m_dataControl, &DataControl::MoveComplete, this, &Viewer::datPrimaryRS_MoveComplete);
    // The column list of the column-and-term dialog, at the first table that opens: the start
    // fills it only when it finds a table, and without it a table opened later could never be
    // filtered, sorted or searched.
    connect(m_dataControl, &DataControl::MoveComplete, this, [this] {
        if (m_dataControl->Recordset())
            operations::FrmEingabe::instance().fillColumnList(labelCaptions());
    });
    connect(m_dataControl, &DataControl::Error, this, &Viewer::datPrimaryRS_Error);
}

void Viewer::createFields()
{
    auto *client = new QWidget(this);
    client->setFixedSize(px(kClientWidth), px(kClientHeight));
    setCentralWidget(client);

    // An etched rule under the menu bar.
    auto *rule = new QFrame(client);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    rule->setGeometry(px(30), 0, px(5520 - 30), 2);

    for (int i = 0; i < kFieldCount; ++i) {
        const FieldPlace &place = kPlaces[i];
        m_labels[i] = new QLabel(database::stationColumnCaption(i), client);
        m_labels[i]->setGeometry(px(kLabelLeft), px(place.labelTop), px(kLabelWidth),
                                 px(kLabelHeight));

        auto *field = new ValueField(*m_labels[i], client);
        field->setGeometry(px(kFieldLeft), px(place.fieldTop), px(place.fieldWidth),
                           px(place.fieldHeight));
        field->setAutoFillBackground(true);
        field->setBackgroundRole(QPalette::Base);
        field->setForegroundRole(QPalette::Text);
        field->setFrameShape(QFrame::StyledPanel);
        field->setFrameShadow(QFrame::Sunken);
        field->setIndent(3);
        field->setWordWrap(place.fieldHeight > 315);
        field->setAlignment(Qt::AlignLeft
                            | (place.fieldHeight > 315 ? Qt::AlignTop : Qt::AlignVCenter));
        field->setTextFormat(Qt::PlainText);
        m_fields[i] = field;
    }

    m_dataControl = new DataControl(client);
    m_dataControl->setGeometry(0, px(kBarTop), px(kClientWidth), px(kBarHeight));
    for (int i = 0; i < kFieldCount; ++i)
        m_dataControl->bind(m_fields[i], database::stationColumnName(i));
}

void Viewer::createMenus()
{
    for (const operations::MenuEntry &entry : operations::menus())
        m_menus[static_cast<size_t>(entry.menu)] = menuBar()->addMenu(entry.caption);
    for (const operations::MenuItem &item : operations::menuItems()) {
        QMenu *menu = this->menu(item.menu);
        if (item.separatorBefore)
            menu->addSeparator();
        QAction *action = menu->addAction(item.caption);
        action->setShortcut(item.shortcut);
        connect(action, &QAction::triggered, this,
                [this, &item] { item.run(*this, m_startModule); });
        // The enabling rule runs when a menu opens, and only then.
        if (item.followsDatabasePath)
            connect(menu, &QMenu::aboutToShow, action,
                    [action] { action->setEnabled(operations::databaseCommandsEnabled()); });
        m_items[static_cast<size_t>(item.item)] = action;
    }
}

void Viewer::setStartModule(operations::StartModule start)
{
    m_startModule = std::move(start);
}

void Viewer::setActivationHook(std::function<void()> hook)
{
    m_activationHook = std::move(hook);
}

QStringList Viewer::labelCaptions() const
{
    QStringList captions;
    for (const QLabel *label : m_labels)
        captions << label->text();
    return captions;
}

QString Viewer::shownFieldText(int index) const
{
    return m_fields[static_cast<size_t>(index)]->text();
}

bool Viewer::event(QEvent *event)
{
    // Activation by one of the program's own windows; coming back from another program is none.
    if (event->type() == QEvent::WindowActivate) {
        if (!m_leftApplication)
            Form_Activate();
        m_leftApplication = false;
    }
    return QMainWindow::event(event);
}

void Viewer::Form_Activate()
{
    if (m_activationHook)
        m_activationHook();
    setWindowTitle(activationCaption(database::program().databasePath));
}

void Viewer::keyPressEvent(QKeyEvent *event)
{
    const int code = keyCode(event->key());
    const auto set = m_dataControl->Recordset();
    if (code && set && set->isOpen()) {
        const auto position = set->AbsolutePosition();
        const auto count = set->RecordCount();
        if (position && count && *count > 0) {
            // Up steps forward and Down back; Page Up jumps to the end and Page Down to the start.
            if (code == kKeyUp && *position != *count && *position >= 1)
                (void)set->SetAbsolutePosition(*position + 1);
            else if (code == kKeyDown && *position != 1 && *position >= 1)
                (void)set->SetAbsolutePosition(*position - 1);
            else if (code == kKeyPageUp)
                (void)set->SetAbsolutePosition(*count);
            else if (code == kKeyPageDown)
                (void)set->SetAbsolutePosition(1);
        }
    }
    QMainWindow::keyPressEvent(event);
}

void Viewer::datPrimaryRS_MoveComplete()
{
    const auto set = m_dataControl->Recordset();
    const auto position =
            set ? set->AbsolutePosition() : recordset::Result<int64_t>(recordset::kPositionUnknown);
    m_dataControl->setCaption(
            QStringLiteral(" DS: ")
            + QString::number(position ? *position : recordset::kPositionUnknown));
}

void Viewer::datPrimaryRS_Error(qint32 number, QString &description, bool &cancelDisplay)
{
    database::ProgramState &state = database::program();
    state.lastRecordSourceError = number;
    if (number == database::kErrorNeverShown) {
        cancelDisplay = true;
        return;
    }
    if (!state.viewerVisible)
        return; // during start-up the control's own display shows it
    cancelDisplay = true;
    platform::messageBox(QStringLiteral("Datenbank-Fehler:") + description, platform::kExclamation,
                         QStringLiteral(" unerwarteter Fehler"));
}

void Viewer::closeEvent(QCloseEvent *event)
{
    // The shut-down sequence; every step runs whatever became of the one before.
    database::ProgramState &state = database::program();
    platform::writeSetting(database::kApplicationTitle, QStringLiteral("Settings"),
                           QStringLiteral("Datenbank"), state.databasePath);
    platform::setMousePointer(platform::kArrow);
    database::closeQuietly(*m_dataControl);
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        if (*it != this)
            (*it)->close();
    }
    event->accept();
    QCoreApplication::quit();
}

} // namespace viewer
