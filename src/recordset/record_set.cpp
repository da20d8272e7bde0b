// Opening, navigating, filtering, sorting and searching the record set.
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

Status RecordSet::inOneState(const std::function<void()> &work) const
{
    // A copy never changes; a file read live is checked before and after the pass.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const dbf::FileState before = m_table->bytesState();
        work();
        if (m_table->bytesState() == before)
            return {};
    }
    std::optional<Error> change = FileChange();
    if (change)
        change->description += " Die Datei ändert sich ständig; sie wurde nicht zu Ende gelesen.";
    else
        change = Error {kFileChanged,
                        "Die Datei »" + m_table->path()
                                + "« ändert sich ständig; sie wurde nicht zu Ende gelesen."};
    return *change;
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
void RecordSet::readCurrent()
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        const dbf::FileState before = m_table->bytesState();
        m_currentHeld = m_table->readRecord(m_record, m_current);
        if (m_table->bytesState() == before)
            return;
    }
}

Result<RecordOrder> RecordSet::filteredAndSorted()
{
    if (!m_filter && m_sort.empty())
        return m_base;
    const ByteSortKeys *byteKeys = m_byteKeys ? &*m_byteKeys : nullptr;
    auto keep = [&](std::string_view bytes) {
        return m_table->visits(bytes) && (!m_filter || m_filter->matches(bytes));
    };
    std::vector<uint32_t> records;
    const Status consistent = inOneState([&] {
        records.clear();
        if (m_base.isFileOrder() && !m_sort.empty()) {
            // One pass over the file decides deletion and filter and builds the sort keys.
            records = sortedRecords(m_sort, *m_table, *m_collator, byteKeys, keep);
        } else if (m_base.isFileOrder()) {
            std::array<std::vector<uint32_t>, 2> halves;
            inTableHalves(*m_table, [&](int half, uint64_t begin, uint64_t end) {
                m_table->scanRange(begin, end, [&](uint64_t record, std::string_view bytes) {
                    if (keep(bytes))
                        halves[static_cast<size_t>(half)].push_back(static_cast<uint32_t>(record));
                });
            });
            records = std::move(halves[0]);
            records.insert(records.end(), halves[1].begin(), halves[1].end());
        } else {
            // The query's own order: filtered in one pass over the file, then sorted within it.
            records = m_base.records();
            if (m_filter) {
                std::vector<bool> matches(m_table->recordCount());
                m_table->scan([&](uint64_t record, std::string_view bytes) {
                    matches[record] = m_filter->matches(bytes);
                });
                std::erase_if(records, [&](uint32_t record) { return !matches[record]; });
            }
            // Records another program cut off are not sorted by the zeros they read as.
            const uint64_t held = m_table->recordsHeld(m_table->bytesState());
            std::erase_if(records, [&](uint32_t record) { return record >= held; });
            sortRecords(records, m_sort, *m_table, *m_collator, byteKeys);
        }
    });
    if (!consistent.ok())
        return consistent.error();
    return RecordOrder::list(std::move(records));
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

Status RecordSet::ForEach(const std::function<bool(std::string_view record)> &visit)
{
    if (Status closed = closedError(); !closed.ok())
        return closed;
    // Only records of the table as it was opened are handed on.
    const dbf::FileState &before = m_table->openedState();
    auto changed = [&]() -> Status {
        if (m_table->bytesState() == before)
            return {};
        if (auto change = FileChange())
            return *change;
        return Error {kFileChanged,
                      "Die Datei »" + m_table->path()
                              + "« wurde von einem anderen Programm geändert."};
    };
    if (Status change = changed(); !change.ok())
        return change;
    if (m_view.isFileOrder()) {
        m_table->scanFrom(0, false, [&](uint64_t, std::string_view bytes) {
            return !m_table->visits(bytes) || visit(bytes);
        });
        return changed();
    }
    // Records are copied in batches and handed on once the file is found unchanged after them.
    constexpr uint64_t kBatch = 4096;
    const bool live = !m_table->holdsSnapshot();
    const uint64_t held = m_table->recordsHeld(before);
    std::vector<std::string> batch;
    for (uint64_t position = 0;;) {
        batch.clear();
        bool more = true;
        for (; batch.size() < kBatch; ++position) {
            const std::optional<uint32_t> record = m_view.at(position);
            if (!record) {
                more = false;
                break;
            }
            if (!live) {
                if (!visit(m_table->recordBytes(*record)))
                    return {};
            } else if (*record < held) {
                batch.emplace_back(m_table->recordBytes(*record));
            }
        }
        if (Status change = changed(); !change.ok())
            return change;
        for (const std::string &bytes : batch) {
            if (!visit(bytes))
                return {};
        }
        if (!more)
            return {};
    }
}

Status RecordSet::SetFilter(const std::string &criterion)
{
    if (Status closed = closedError(); !closed.ok())
        return closed;
    std::optional<Predicate> filter;
    if (!criterion.empty()) {
        const auto german = collator();
        if (!german)
            return german.error();
        auto parsed = parseCriterion(criterion, "Filterkriterium");
        if (!parsed)
            return parsed.error();
        auto bound = Predicate::bind(
                *parsed, *m_table, [this](const std::string &name) { return fieldOf(name); },
                **german, criterion, "Filterkriterium");
        if (!bound)
            return bound.error();
        filter = std::move(*bound);
    }
    std::swap(m_filter, filter);
    auto view = filteredAndSorted();
    if (!view) {
        m_filter = std::move(filter);
        return view.error();
    }
    m_filterText = criterion;
    m_view = std::move(*view);
    placeAt(0, true);
    moved();
    return {};
}

Status RecordSet::SetSort(const std::string &sort)
{
    if (Status closed = closedError(); !closed.ok())
        return closed;
    if (const auto german = collator(); !german)
        return german.error();
    auto fields = parseSort(sort, [this](const std::string &name) { return fieldOf(name); });
    if (!fields)
        return fields.error();
    std::swap(m_sort, *fields);
    auto view = filteredAndSorted();
    if (!view) {
        m_sort = std::move(*fields);
        return view.error();
    }
    m_sortText = sort;
    m_view = std::move(*view);
    placeAt(0, true);
    moved();
    return {};
}

Status RecordSet::Find(const std::string &criterion, int64_t skip, SearchDirection direction,
                       std::optional<int64_t> start)
{
    if (Status closed = closedError(); !closed.ok())
        return closed;
    const auto german = collator();
    if (!german)
        return german.error();
    auto parsed = parseCriterion(criterion, "Suchkriterium");
    if (!parsed)
        return parsed.error();
    if (parsed->kind != Criterion::Kind::Clause)
        return Error {kInvalidArgument,
                      "Das Suchkriterium " + quoted(criterion)
                              + " ist ungültig: gesucht wird nach einem "
                                "einzigen Vergleich, ohne AND und OR."};
    auto predicate = Predicate::bind(
            *parsed, *m_table, [this](const std::string &name) { return fieldOf(name); }, **german,
            criterion, "Suchkriterium");
    if (!predicate)
        return predicate.error();

    std::optional<uint64_t> from;
    if (!start) {
        if (m_bof || m_eof)
            return Error {kNoCurrentRecord, "Es gibt keinen aktuellen Datensatz."};
        from = m_position;
    } else if (!m_bof && !m_eof && *start == int64_t(m_record) + 1) {
        from = m_position;
    } else if (*start >= 1 && static_cast<uint64_t>(*start) <= m_table->recordCount()) {
        from = m_view.positionOf(static_cast<uint32_t>(*start - 1));
    }
    if (!from)
        return Error {kInvalidArgument,
                      "Das Lesezeichen " + std::to_string(*start)
                              + " bezeichnet keinen Datensatz der "
                                "Datensatzgruppe."};

    const int64_t step = direction == SearchDirection::Forward ? 1 : -1;
    const int64_t firstPosition = static_cast<int64_t>(*from) + skip * step;
    std::optional<uint64_t> found;
    const std::optional<uint32_t> first =
            firstPosition >= 0 ? m_view.at(static_cast<uint64_t>(firstPosition)) : std::nullopt;
    const Status consistent = inOneState([&] {
        found.reset();
        if (first && m_view.isFileOrder()) {
            // Positions follow the file here: read it in chunks from the start on, counting the
            // records the set shows.
            int64_t position = firstPosition;
            m_table->scanFrom(*first, step < 0, [&](uint64_t, std::string_view bytes) {
                if (!m_table->visits(bytes))
                    return true;
                if (predicate->matches(bytes)) {
                    found = static_cast<uint64_t>(position);
                    return false;
                }
                position += step;
                return true;
            });
        } else if (first) {
            // Records another program cut off match nothing rather than by the zeros they read as.
            const uint64_t held = m_table->recordsHeld(m_table->bytesState());
            for (int64_t position = firstPosition; position >= 0; position += step) {
                const std::optional<uint32_t> record = m_view.at(static_cast<uint64_t>(position));
                if (!record)
                    break;
                if (*record < held && predicate->matches(m_table->recordBytes(*record))) {
                    found = static_cast<uint64_t>(position);
                    break;
                }
            }
        }
    });
    if (!consistent.ok())
        return consistent;
    placeAt(found, direction == SearchDirection::Backward);
    if (!found) { // no match: beyond the end searched towards, even in a set that has records
        m_bof = direction == SearchDirection::Backward;
        m_eof = !m_bof;
    }
    moved();
    return {};
}

} // namespace recordset
