// The record source contract: what the commands use of the data control `datPrimaryRS` and of
// the window that holds it.
#pragma once

#include "database/run_time_error.h"
#include "recordset/record_set.h"

#include <QString>
#include <memory>
#include <optional>

namespace database {

// An operation's outcome as a run-time error, none on success.
using RunTimeStatus = std::optional<RunTimeError>;

// The run-time error for a record set that is not there (Nothing).
inline RunTimeError objectNotSetError()
{
    return {kObjectNotSet, QStringLiteral("Objektvariable nicht festgelegt")};
}

// The data control: connection and query texts, the record set it opened, and its refresh.
class RecordSourceControl
{
public:
    virtual ~RecordSourceControl() = default;

    // Both take effect at the next Refresh.
    virtual void setConnectionString(const QString &connection) = 0;
    virtual void setRecordSource(const QString &query) = 0;

    // Opens a new record set from the two texts; the bound fields then show its first record
    // and a move notification follows. On failure the control holds no record set.
    virtual RunTimeStatus Refresh() = 0;

    // The record set now open, nullptr when none is.
    virtual std::shared_ptr<recordset::RecordSet> Recordset() const = 0;
    // Binds the fields to `set`, which then show its current record.
    virtual void setRecordset(std::shared_ptr<recordset::RecordSet> set) = 0;
};

// Closes the control's record set, ignoring every failure (none open, already closed).
void closeQuietly(RecordSourceControl &control);

// What the menu commands need of the viewer window.
class DatabaseWindow
{
public:
    virtual ~DatabaseWindow() = default;
    virtual RecordSourceControl &datPrimaryRS() = 0;
    virtual void setWindowCaption(const QString &caption) = 0;
    // The text the bound field `index` shows now.
    virtual QString shownFieldText(int index) const = 0;
    // Paints the window at once, as the commands do after a modal dialog has closed.
    virtual void repaintWindow() = 0;
    // Unloads the window; its shut-down sequence ends the program.
    virtual void closeWindow() = 0;
    // Runs the window's activation handling, as when a window of the program that held the
    // activation gives it back (the info screen, which never takes it from the keys).
    virtual void regainActivation() = 0;
};

} // namespace database
