// The record set: a static, read-only snapshot of one table with filter, sort, find and
// bookmarks, as the viewer's commands use it.
#pragma once

#include "byte_sort_keys.h"
#include "collator.h"
#include "dbf/table.h"
#include "error.h"
#include "predicate.h"
#include "record_order.h"
#include "sort_order.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace recordset {

// AbsolutePosition when there is no current record.
constexpr int64_t kPositionUnknown = -1;
constexpr int64_t kPositionBOF = -2;
constexpr int64_t kPositionEOF = -3;

enum class SearchDirection { Forward = 1, Backward = -1 };

// What the set shows of a record, whatever it works on, comes from the same bytes: those of
// the moment it was opened. A small table is copied then; a larger one is read live, and every
// move and every pass over the file checks that the file is as it was. When another program
// wrote it, FileChange() says so; from then on a live set shows the records it has as they are
// now in the file, and each pass over the file sees it in one state.
// Every operation on a closed record set fails with kObjectClosed. Positions are 1-based.
// Bookmarks are record numbers + 1: they designate the same record across filter and sort
// changes for as long as the record set lives. Not thread-safe: one record set, one thread.
class RecordSet
{
public:
    // Opens the file that `connection` names ("…;database=PATH") read-only and runs `query`
    // on it. The current record is the first one. Fails with kTableNotFound for a missing or
    // unreadable file or a table other than the file's, kErrorsInCommand for a query outside
    // the supported form or naming a column the table lacks.
    static Result<std::shared_ptr<RecordSet>> Open(const std::string &connection,
                                                   const std::string &query,
                                                   const dbf::OpenOptions &options = {});

    // Called after every move of the current record, whatever caused it.
    void setMoveHandler(std::function<void()> handler) { m_moveHandler = std::move(handler); }

    // Releases the table. Closing a closed set fails with kObjectClosed.
    Status Close();
    bool isOpen() const { return m_table != nullptr; }

    // The number of records as currently filtered. In file order without filter the first
    // call scans the deletion flags once; opening does not.
    Result<int64_t> RecordCount();
    // 1-based place of the current record in the current order; kPositionBOF, kPositionEOF or
    // kPositionUnknown when there is none.
    Result<int64_t> AbsolutePosition();
    // Moves to `position`; kInvalidArgument outside 1 … RecordCount.
    Status SetAbsolutePosition(int64_t position);
    // The current record's bookmark; kNoCurrentRecord when there is none.
    Result<int64_t> Bookmark();
    // Makes the record `bookmark` designates current; kInvalidArgument if it designates no
    // record of the current presentation.
    Status SetBookmark(int64_t bookmark);

    // MoveFirst and MoveLast leave an empty set before its first and after its last record.
    // MoveNext past the last record gives EOF, MovePrevious before the first BOF; moving on
    // from there fails with kNoCurrentRecord.
    Status MoveFirst();
    Status MoveLast();
    Status MoveNext();
    Status MovePrevious();
    // (`BOF` and `EOF`; EOF is a macro of the C library.)
    Result<bool> AtBOF() const;
    Result<bool> AtEOF() const;

    Result<size_t> FieldCount() const;
    // Name of field `index`, as the table spells it; kItemNotFound outside the record.
    Result<std::string> FieldName(size_t index) const;
    // Text of field `index` of the current record as the reader shows it ("" for null);
    // kItemNotFound outside the record, kNoCurrentRecord without a current record, kRecordGone
    // when another program cut the record off the file.
    Result<std::string> FieldText(size_t index) const;
    // The bytes of the current record, read when it became current; blank when it is gone.
    // REQUIRES: a current record
    std::string_view CurrentRecord() const { return m_current; }

    // kFileChanged naming the file, what another program changed in it since the set was
    // opened and what the set shows now; std::nullopt while the file is as it was.
    std::optional<Error> FileChange() const;

    // Text of field `index` of the record with these bytes (as ForEach() gives them).
    // REQUIRES: isOpen() and index < FieldCount()
    std::string FieldText(std::string_view record, size_t index) const;
    // The same text, appended to `out`.
    void AppendFieldText(std::string_view record, size_t index, std::string &out) const;
    // The value itself, for machine-read output; valid while the set's table is open.
    dbf::Value FieldValue(std::string_view record, size_t index) const;
    // The table's field that field `index` of the set shows, for reading its bytes directly.
    size_t TableField(size_t index) const { return m_columns[index]; }

    // Visits the records of the current presentation in order, with their bytes, for as long as
    // `visit` returns true; the current record stays. In the file's order it reads the file in
    // large chunks. Read live, it hands on only records of the file as it was opened: it stops
    // before the first ones read after another program wrote it and fails with kFileChanged.
    Status ForEach(const std::function<bool(std::string_view record)> &visit);

    // The filter criterion in force, "" for none. Setting one keeps the sort, moves to the
    // first record and fails with kInvalidArgument for a criterion it cannot parse or apply,
    // leaving the filter in force as it was. "" clears the filter.
    const std::string &Filter() const { return m_filterText; }
    Status SetFilter(const std::string &criterion);
    // The sort in force, "" for the query's order. Setting one keeps the filter, moves to the
    // first record and fails with kInvalidArgument, leaving the sort as it was.
    const std::string &Sort() const { return m_sortText; }
    Status SetSort(const std::string &sort);

    // Starting at the record `start` designates (the current record without it), moved on by
    // `skip` records in `direction`, makes the first record that matches `criterion` (one
    // clause) current. Without a match the set stands at EOF searching forward, at BOF
    // searching backward. Fails with kInvalidArgument for a bad criterion or bookmark and
    // kNoCurrentRecord without a start.
    Status Find(const std::string &criterion, int64_t skip = 0,
                SearchDirection direction = SearchDirection::Forward,
                std::optional<int64_t> start = std::nullopt);

    // REQUIRES: isOpen()
    const dbf::Table &table() const { return *m_table; }

    // The error of a column `name` that the table lacks: a query names it, or a field of the
    // viewer is bound to it. It names the column and the query's table.
    Error NoColumn(const std::string &name) const;

private:
    RecordSet() = default;
    Status closedError() const;
    // The German collator, loaded on first use.
    Result<const Collator *> collator();
    int fieldOf(const std::string &name) const;
    Result<RecordOrder> filteredAndSorted();
    // Runs `work`, a pass over the file, again while another program wrote the file meanwhile;
    // kFileChanged when it kept changing.
    Status inOneState(const std::function<void()> &work) const;
    // ForEach()'s pass: stops at the first records read after another program wrote the file.
    void handOn(const std::function<bool(std::string_view record)> &visit);
    // The position of the first record that matches `predicate`, from `firstPosition` on in
    // steps of `step` (1 or -1); std::nullopt without one.
    std::optional<uint64_t> search(const Predicate &predicate, int64_t firstPosition, int64_t step);
    void placeAt(std::optional<uint64_t> position, bool beforeFirst);
    void readCurrent();
    void moved();

    std::shared_ptr<const dbf::Table> m_table;
    std::string m_tableName; // as the query names it
    std::optional<Collator> m_collator;
    std::optional<ByteSortKeys> m_byteKeys; // set with the collator when the code page allows
    std::vector<size_t> m_columns; // record set field → table field
    RecordOrder m_base; // the query's order
    RecordOrder m_view; // filtered and sorted
    std::string m_filterText;
    std::optional<Predicate> m_filter;
    std::string m_sortText;
    std::vector<SortField> m_sort;

    bool m_bof = true;
    bool m_eof = true;
    uint64_t m_position = 0; // valid while neither BOF nor EOF
    uint32_t m_record = 0;
    std::string m_current; // the current record's bytes
    bool m_currentHeld = false; // whether the file still held them
    std::function<void()> m_moveHandler;
};

} // namespace recordset
