// The record set's whole-table work: filtering, sorting, searching and handing on its records,
// each a pass over the file that reads it in one state.
#include "record_set.h"
#include "table_halves.h"
#include "text_util.h"

#include <array>

namespace recordset {

Status RecordSet::inOneState(const std::function<void()> &work) const
{
    if (m_table->inOneState(work))
        return {};
    std::optional<Error> change = FileChange();
    if (change)
        change->description += " Die Datei ändert sich ständig; sie wurde nicht zu Ende gelesen.";
    else
        change = Error {kFileChanged,
                        "Die Datei »" + m_table->path()
                                + "« ändert sich ständig; sie wurde nicht zu Ende gelesen."};
    return *change;
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

Status RecordSet::ForEach(const std::function<bool(std::string_view record)> &visit)
{
    if (Status closed = closedError(); !closed.ok())
        return closed;
    // Only records of the table as it was opened are handed on, and those handed on cannot be
    // taken back: the pass stops at the first records read after another program wrote the
    // file and is not run again.
    if (m_table->keepsOpenedBytes() && m_table->inOneState([&] { handOn(visit); }, 1))
        return {};
    if (auto change = FileChange())
        return *change;
    return m_table->changeFoundByPass();
}

void RecordSet::handOn(const std::function<bool(std::string_view record)> &visit)
{
    if (m_view.isFileOrder()) {
        m_table->scanFrom(0, false, [&](uint64_t, std::string_view bytes) {
            return !m_table->visits(bytes) || visit(bytes);
        });
        return;
    }
    if (m_table->holdsSnapshot()) {
        for (uint64_t position = 0; const std::optional<uint32_t> record = m_view.at(position);
             ++position) {
            if (!visit(m_table->recordBytes(*record)))
                return;
        }
        return;
    }
    // Read live, records are copied in batches and handed on once the file is found unchanged
    // after them.
    constexpr uint64_t kBatch = 4096;
    const uint64_t held = m_table->recordsHeld(m_table->openedState());
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
            if (*record < held)
                batch.emplace_back(m_table->recordBytes(*record));
        }
        if (!m_table->keepsOpenedBytes())
            return;
        for (const std::string &bytes : batch) {
            if (!visit(bytes))
                return;
        }
        if (!more)
            return;
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
    std::optional<uint64_t> found;
    const Status consistent = inOneState(
            [&] { found = search(*predicate, static_cast<int64_t>(*from) + skip * step, step); });
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

std::optional<uint64_t> RecordSet::search(const Predicate &predicate, int64_t firstPosition,
                                          int64_t step)
{
    const std::optional<uint32_t> first =
            firstPosition >= 0 ? m_view.at(static_cast<uint64_t>(firstPosition)) : std::nullopt;
    if (!first)
        return std::nullopt;
    std::optional<uint64_t> found;
    if (m_view.isFileOrder()) {
        // Positions follow the file here: read it in chunks from the start on, counting the
        // records the set shows.
        int64_t position = firstPosition;
        m_table->scanFrom(*first, step < 0, [&](uint64_t, std::string_view bytes) {
            if (!m_table->visits(bytes))
                return true;
            if (predicate.matches(bytes)) {
                found = static_cast<uint64_t>(position);
                return false;
            }
            position += step;
            return true;
        });
        return found;
    }
    // Records another program cut off match nothing rather than by the zeros they read as.
    const uint64_t held = m_table->recordsHeld(m_table->bytesState());
    for (int64_t position = firstPosition; position >= 0; position += step) {
        const std::optional<uint32_t> record = m_view.at(static_cast<uint64_t>(position));
        if (!record)
            break;
        if (*record < held && predicate.matches(m_table->recordBytes(*record)))
            return static_cast<uint64_t>(position);
    }
    return std::nullopt;
}

} // namespace recordset
