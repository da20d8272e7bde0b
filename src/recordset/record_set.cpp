// Opening the record set, moving through it and reading the current record's fields.
#include "record_set.h"

#include "dbf/names.h"
#include "query.h"
#include "table_halves.h"
#include "text_util.h"

#include <array>

namespace recordset {

Result<std::shared_ptr<RecordSet>> RecordSet::Open(const std::string &connection,
                                                   const std::string &queryText,
                                                   const dbf::OpenOptions &options)
{
    auto path = databasePath(connection);
    if (!path)
        return path.error();
    auto query = parseQuery(queryText);
    if (!query)
        return query.error();
    // A query's table name stands without blanks around it; a file's name may begin with one.
    if (!dbf::sameName(query->table, trimmed(tableNameOf(*path))))
        return Error {kTableNotFound,
                      "Die Tabelle " + quoted(query->table) + " gibt es in der Datenbank »" + *path
                              + "« nicht."};
    auto table = dbf::Table::open(*path, options);
    if (!table)
        return Error {kTableNotFound, table.error().description,
                      std::make_shared<const Error>(table.error())};
    if (table->recordCount() > UINT32_MAX)
        return Error {kTableNotFound,
                      "Die Datei »" + *path + "« hat mehr als " + std::to_string(UINT32_MAX)
                              + " Datensätze."};
    std::shared_ptr<RecordSet> set(new RecordSet);
    set->m_table = std::make_shared<const dbf::Table>(std::move(*table));
    set->m_tableName = query->table;
    const dbf::Table &t = *set->m_table;
    if (query->columns.empty()) {
        for (size_t i = 0; i < t.fieldCount(); ++i)
            set->m_columns.push_back(i);
    }
    for (const std::string &name : query->columns) {
        const int field = t.fieldIndex(name);
        if (field < 0)
            return set->NoColumn(name);
        set->m_columns.push_back(static_cast<size_t>(field));
    }

    set->m_base = RecordOrder::fileOrder(t);
    if (!query->orderBy.empty()) {
        const int field = t.fieldIndex(query->orderBy);
        if (field < 0)
            return set->NoColumn(query->orderBy);
        const auto collator = set->collator();
        if (!collator)
            return collator.error();
        std::vector<uint32_t> records;
        const Status sorted = set->inOneState([&] {
            records = sortedRecords({{static_cast<size_t>(field), query->descending}}, t,
                                    **collator, set->m_byteKeys ? &*set->m_byteKeys : nullptr,
                                    [&](std::string_view bytes) { return t.visits(bytes); });
        });
        if (!sorted.ok())
            return sorted.error();
        set->m_base = RecordOrder::list(std::move(records));
    }
    set->m_view = set->m_base;
    set->placeAt(0, true);
    return set;
}

Result<const Collator *> RecordSet::collator()
{
    // Loading the collation data costs more than opening a table, so only what compares text
    // loads it.
    if (!m_collator) {
        auto german = Collator::german();
        if (!german)
            return german.error();
        m_collator = std::move(*german);
        m_byteKeys = ByteSortKeys::create(m_table->decoder(), *m_collator);
    }
    return &*m_collator;
}

std::optional<Error> RecordSet::FileChange() const
{
    if (Status closed = closedError(); !closed.ok())
        return closed.error();
    auto change = m_table->change();
    if (!change)
        return std::nullopt;
    const std::string shown = m_table->keepsOpenedBytes()
            ? " Angezeigt wird weiter die Tabelle, wie sie beim Öffnen war."
            : " Angezeigt werden ab jetzt die Datensätze vom Öffnen, wie sie jetzt in der Datei "
              "stehen; Datensätze, die es nicht mehr gibt, bleiben leer.";
    return Error {kFileChanged,
                  change->description + shown + " Neu laden zeigt die Datei, wie sie jetzt ist."};
}

Status RecordSet::closedError() const
{
    if (m_table)
        return {};
    return Error {kObjectClosed, "Die Datensatzgruppe ist geschlossen."};
}

Status RecordSet::Close()
{
    if (Status closed = closedError(); !closed.ok())
        return closed;
    m_table.reset();
    m_base = m_view = RecordOrder();
    m_filter.reset();
    m_sort.clear();
    return {};
}

Error RecordSet::NoColumn(const std::string &name) const
{
    return {kErrorsInCommand,
            "Die Spalte " + quoted(name) + " gibt es in der Tabelle " + quoted(m_tableName)
                    + " nicht."};
}

int RecordSet::fieldOf(const std::string &name) const
{
    for (size_t column : m_columns) {
        if (dbf::sameName(m_table->fieldName(column), name))
            return static_cast<int>(column);
    }
    return -1;
}

void RecordSet::moved()
{
    if (m_moveHandler)
        m_moveHandler();
}

// Puts the set on `position`, or before the first record (beforeFirst) or after the last
// when there is no record there.
void RecordSet::placeAt(std::optional<uint64_t> position, bool beforeFirst)
{
    const std::optional<uint32_t> record = position ? m_view.at(*position) : std::nullopt;
    if (record) {
        m_bof = m_eof = false;
        m_position = *position;
        m_record = *record;
        readCurrent();
        return;
    }
    m_bof = beforeFirst;
    m_eof = !beforeFirst;
    if (!m_view.at(0)) // an empty set stands before its first and after its last record at once
        m_bof = m_eof = true;
}

// Read once per move, so that every field shown is of the same bytes; read live, again when
// another program wrote the file meanwhile.
// Read once per move, so that every field shown is of the same bytes of one state of the file.
void RecordSet::readCurrent()
{
    m_table->inOneState([&] { m_currentHeld = m_table->readRecord(m_record, m_current); },
                        dbf::kPassAttempts, m_record, uint64_t {m_record} + 1);
}

Result<int64_t> RecordSet::RecordCount()
{
    if (Status closed = closedError(); !closed.ok())
        return closed.error();
    return static_cast<int64_t>(m_view.size());
}

Result<int64_t> RecordSet::AbsolutePosition()
{
    if (Status closed = closedError(); !closed.ok())
        return closed.error();
    if (!m_bof && !m_eof)
        return static_cast<int64_t>(m_position) + 1;
    if (m_bof && m_eof)
        return kPositionUnknown;
    return m_bof ? kPositionBOF : kPositionEOF;
}

Status RecordSet::SetAbsolutePosition(int64_t position)
{
    if (Status closed = closedError(); !closed.ok())
        return closed;
    const auto count = static_cast<int64_t>(m_view.size());
    if (position < 1 || position > count)
        return Error {kInvalidArgument,
                      "Die Position " + std::to_string(position)
                              + " gibt es nicht; die Datensatzgruppe hat " + std::to_string(count)
                              + " Datensätze."};
    placeAt(static_cast<uint64_t>(position - 1), true);
    moved();
    return {};
}

Result<int64_t> RecordSet::Bookmark()
{
    if (Status closed = closedError(); !closed.ok())
        return closed.error();
    if (m_bof || m_eof)
        return Error {kNoCurrentRecord, "Es gibt keinen aktuellen Datensatz."};
    return static_cast<int64_t>(m_record) + 1;
}

Status RecordSet::SetBookmark(int64_t bookmark)
{
    if (Status closed = closedError(); !closed.ok())
        return closed;
    std::optional<uint64_t> position;
    if (bookmark >= 1 && static_cast<uint64_t>(bookmark) <= m_table->recordCount())
        position = m_view.positionOf(static_cast<uint32_t>(bookmark - 1));
    if (!position)
        return Error {kInvalidArgument,
                      "Das Lesezeichen " + std::to_string(bookmark)
                              + " bezeichnet keinen Datensatz der "
                                "Datensatzgruppe."};
    placeAt(position, true);
    moved();
    return {};
}

Status RecordSet::MoveFirst()
{
    if (Status closed = closedError(); !closed.ok())
        return closed;
    placeAt(0, true);
    moved();
    return {};
}

Status RecordSet::MoveLast()
{
    if (Status closed = closedError(); !closed.ok())
        return closed;
    const uint64_t count = m_view.size();
    placeAt(count ? std::optional<uint64_t>(count - 1) : std::nullopt, false);
    moved();
    return {};
}

Status RecordSet::MoveNext()
{
    if (Status closed = closedError(); !closed.ok())
        return closed;
    if (m_eof)
        return Error {kNoCurrentRecord,
                      "Die Datensatzgruppe steht schon hinter dem letzten Datensatz."};
    placeAt(m_bof ? 0 : m_position + 1, false);
    moved();
    return {};
}

Status RecordSet::MovePrevious()
{
    if (Status closed = closedError(); !closed.ok())
        return closed;
    if (m_bof)
        return Error {kNoCurrentRecord,
                      "Die Datensatzgruppe steht schon vor dem ersten Datensatz."};
    if (m_eof)
        return MoveLast();
    placeAt(m_position > 0 ? std::optional<uint64_t>(m_position - 1) : std::nullopt, true);
    moved();
    return {};
}

Result<bool> RecordSet::AtBOF() const
{
    if (Status closed = closedError(); !closed.ok())
        return closed.error();
    return m_bof;
}

Result<bool> RecordSet::AtEOF() const
{
    if (Status closed = closedError(); !closed.ok())
        return closed.error();
    return m_eof;
}

Result<size_t> RecordSet::FieldCount() const
{
    if (Status closed = closedError(); !closed.ok())
        return closed.error();
    return m_columns.size();
}

Result<std::string> RecordSet::FieldName(size_t index) const
{
    if (Status closed = closedError(); !closed.ok())
        return closed.error();
    if (index >= m_columns.size())
        return Error {kItemNotFound,
                      "Das Feld Nummer " + std::to_string(index)
                              + " gibt es nicht; die Datensatzgruppe hat "
                              + std::to_string(m_columns.size()) + " Felder."};
    return m_table->fieldName(m_columns[index]);
}

Result<std::string> RecordSet::FieldText(size_t index) const
{
    if (!m_table || index >= m_columns.size()) // closed or outside: FieldName says which
        return FieldName(index).error();
    if (m_bof || m_eof)
        return Error {kNoCurrentRecord, "Es gibt keinen aktuellen Datensatz."};
    if (!m_currentHeld) {
        const auto gone = m_table->checkRecord(m_record);
        return Error {kRecordGone, gone ? gone->description : "Der Datensatz ist nicht mehr da."};
    }
    return m_table->text(m_current, m_columns[index]).text;
}

std::string RecordSet::FieldText(std::string_view record, size_t index) const
{
    return m_table->text(record, m_columns[index]).text;
}

void RecordSet::AppendFieldText(std::string_view record, size_t index, std::string &out) const
{
    m_table->appendText(record, m_columns[index], out);
}

dbf::Value RecordSet::FieldValue(std::string_view record, size_t index) const
{
    return m_table->value(record, m_columns[index]);
}

} // namespace recordset
