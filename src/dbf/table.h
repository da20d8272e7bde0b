// A dBase table opened read-only: its fields, its records and their values.
#pragma once

#include "byte_source.h"
#include "codepage.h"
#include "display.h"
#include "error.h"
#include "finding.h"
#include "header.h"
#include "memo_file.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dbf {

struct OpenOptions
{
    bool includeDeleted = false; // dBase's SET DELETED OFF: deleted records are visited too
    std::string encoding; // a code page name that overrides the table's own, "" for none
    uint64_t snapshotLimit = kSnapshotLimit; // larger files are read live, see ByteSource
};

// Opening copies a small file whole (see kSnapshotLimit) and reads only the header of a larger
// one: no memory is spent per record until a caller asks. All reading is const and safe from
// any thread.
class Table
{
public:
    // Opens `path` and its memo and .cpg files, found whatever the case of their extensions.
    // Fails with the errors of ByteSource::openFile and parseHeader, and UnknownEncoding for an
    // override no converter exists for. A missing or damaged memo file is only a warning.
    static Result<Table> open(const std::string &path, const OpenOptions &options = {});

    // The same from bytes in memory; `memo` may be null. `name` stands for the path.
    static Result<Table> fromBytes(const std::string &name, std::string table,
                                   std::optional<std::string> memo = {},
                                   MemoFormat memoFormat = MemoFormat::DBase3,
                                   const OpenOptions &options = {});

    const std::string &path() const { return m_path; }
    const TableHeader &header() const { return m_header; }
    const EncodingChoice &encoding() const { return m_encoding; }
    const TextDecoder &decoder() const { return m_decoder; }
    const std::string &memoPath() const; // "" when there is no memo file
    // The memo file; null when there is none or it could not be read.
    const MemoFile *memo() const { return m_memo ? &*m_memo : nullptr; }
    // What opening found wrong with the table, in the order found.
    const std::vector<Finding> &findings() const { return m_findings; }
    bool includesDeleted() const { return m_includeDeleted; }
    // Whether the record with these bytes is visited: not deleted, unless deleted records are.
    bool visits(std::string_view recordBytes) const
    {
        return m_includeDeleted || recordBytes[0] != '*';
    }

    // The visible fields: all but _NullFlags.
    size_t fieldCount() const { return m_visible.size(); }
    const Field &field(size_t index) const { return m_header.fields[m_visible[index]]; }
    const std::string &fieldName(size_t index) const { return m_names[index]; }
    // Index of the visible field named `name` (dbf::sameName); -1 if none.
    int fieldIndex(std::string_view name) const;

    // Records present in the file, deleted ones included; may differ from the header's count.
    uint64_t recordCount() const { return m_recordCount; }
    // REQUIRES: record < recordCount()
    bool isDeleted(uint64_t record) const { return recordBytes(record)[0] == '*'; }
    std::string_view recordBytes(uint64_t record) const;
    // The bytes behind the last record as the file was opened: the end marker 0x1A and whatever
    // follows it; empty when the file ends with the records or inside the last one.
    std::string_view bytesAfterRecords() const;
    // The value of a field as the viewer shows it.
    FieldText text(uint64_t record, size_t field) const;
    // The same for a record's bytes as recordBytes() or scan() give them.
    FieldText text(std::string_view recordBytes, size_t field) const;
    // Appends the text that text() gives to `out`: for whole-table output, without a string
    // per value.
    void appendText(std::string_view recordBytes, size_t field, std::string &out) const;
    // The value itself; its text and bytes point into the table's files, valid while it lives.
    Value value(std::string_view recordBytes, size_t field) const;
    std::string_view fieldBytes(std::string_view recordBytes, size_t field) const;

    // Visits every record in file order with its bytes, reading the file in large chunks; for
    // whole-table work this is several times faster than recordBytes() record by record.
    // Read live, a scan leaves out records the file no longer holds and stops at the first
    // chunk read after another program wrote the file: run it in inOneState() to know whether
    // it saw the file in one state.
    void scan(const std::function<void(uint64_t record, std::string_view bytes)> &visit) const;
    // The same for the records [begin, end); safe to run on several threads at once.
    void scanRange(uint64_t begin, uint64_t end,
                   const std::function<void(uint64_t record, std::string_view bytes)> &visit) const;
    // The same from record `first` towards the end, or backward towards the start, for as long
    // as `visit` returns true.
    void scanFrom(uint64_t first, bool backward,
                  const std::function<bool(uint64_t record, std::string_view bytes)> &visit) const;

    // Whether the records are a copy taken when the table was opened: then they never change.
    bool holdsSnapshot() const { return m_bytes->isSnapshot(); }
    // The state of the bytes the records are read from, now; compare two to know whether
    // another program wrote them in between. Costs two system calls when read live, none for a
    // copy.
    FileState bytesState() const { return m_bytes->bytesState(); }
    // The state of the bytes when the table was opened.
    const FileState &openedState() const { return m_bytes->openedState(); }
    // Whether the bytes read are still those of the moment the table was opened.
    bool keepsOpenedBytes() const { return m_bytes->bytesState() == m_bytes->openedState(); }
    // What another program did to the file since it was opened (FileChanged, naming the file
    // and the change), std::nullopt while it is as it was. Looks at the file under its path.
    std::optional<Error> change() const;
    // change() for a pass that did not read the file in one state: when the file looks as it
    // did when opened (a save was under way then), that another program changed it.
    Error changeFoundByPass() const;

    // Copies the bytes of `record` into `into`, as they are now when the table is read live.
    // False, and `into` blank, when the file no longer holds the whole record.
    // REQUIRES: record < recordCount()
    bool readRecord(uint64_t record, std::string &into) const;
    // An error naming the record when the file no longer holds it: another program shortened
    // the file since it was opened. Never for a copy. Reopening shows the file as it is now.
    std::optional<Error> checkRecord(uint64_t record) const;
    // The records [0, result) that a file in `state` holds whole; all for a copy.
    uint64_t recordsHeld(const FileState &state) const;

    // Every pass over the records and every read of one runs here, so that what it read is the
    // file in one state: `pass`, which reads records among [first, end), is run again while
    // another program wrote the file meanwhile, up to `attempts` times in all. False when the
    // file changed during the last attempt. A copy is read once and is always in one state.
    // When the file's state was taken too soon after its last change to tell a save under way
    // (FileState::racy), the header and those records are compared before and after the pass.
    bool inOneState(const std::function<void()> &pass, int attempts = kPassAttempts,
                    uint64_t first = 0, uint64_t end = UINT64_MAX) const;

    // The first record at or after `record` that is visited: not deleted, unless deleted records
    // are included. std::nullopt past the last one.
    std::optional<uint64_t> nextRecord(uint64_t record) const;

private:
    Table() = default;
    // scanFrom() that stops before record `end` when going forward.
    void
    scanWithin(uint64_t first, uint64_t end, bool backward,
               const std::function<bool(uint64_t record, std::string_view bytes)> &visit) const;
    static Result<Table> create(const std::string &path, std::shared_ptr<const ByteSource> bytes,
                                const OpenOptions &options);
    void countRecords();
    // Findings about bytes after the last record and about deletion flags at sampled starts.
    void checkRecordStarts();
    // The finding for `bad` of `looked` records with no deletion flag, `first` the first of them.
    Finding badFlags(uint64_t bad, uint64_t looked, const std::vector<uint64_t> &first) const;
    // The records [0, result) that a file of `fileSize` bytes holds whole.
    uint64_t recordsIn(uint64_t fileSize) const;
    // A digest of the header and the records [first, end) as the file holds them now.
    uint64_t digest(uint64_t first, uint64_t end) const;
    Result<bool> chooseEncoding(const OpenOptions &options, const std::string &cpgContent);
    // Reads the text in the code page its bytes support when they rule out the one the
    // language driver names, with a finding that says so; `driver` names the driver as the
    // texts do ("Sprachtreiber-Byte 0x57"), found at byte `offset`.
    void readAgainstContradiction(const std::string &driver, uint64_t offset);
    std::vector<std::string_view> textSample() const;
    void openMemo(std::shared_ptr<const ByteSource> bytes, MemoFormat format, std::string path);

    std::string m_path;
    std::shared_ptr<const ByteSource> m_bytes;
    TableHeader m_header;
    std::vector<size_t> m_visible;
    std::vector<std::string> m_names;
    uint64_t m_recordCount = 0;
    std::string m_partialRecord; // the last record when the file cuts it short, blank-padded
    EncodingChoice m_encoding;
    TextDecoder m_decoder;
    std::optional<MemoFile> m_memo;
    std::vector<Finding> m_findings;
    bool m_includeDeleted = false;
};

} // namespace dbf
