// Command line parsing and the `info`, `show` and `check` commands.
#include "cli.h"

#include "check_report.h"
#include "chunked_output.h"
#include "dbf/ascii.h"
#include "options.h"
#include "record_writer.h"
#include "recordset/query.h"
#include "recordset/record_set.h"
#include "version/version.h"
#include "visible_text.h"

#include <cstdio>
#include <iomanip>

namespace cli {
namespace {

// What the header tells is written at once; the deleted records and the reader's findings follow
// when the one pass over the deletion flags is done (the values are check's). False when
// another program wrote the file during that pass, again and again.
bool writeInfo(const dbf::Table &table, std::ostream &out)
{
    const dbf::TableHeader &h = table.header();
    char date[40];
    std::snprintf(date, sizeof date, "%02d.%02d.%04d", h.day, h.month, h.year);
    // No date where the bytes name no day: what is stored, for the reader to judge.
    const std::string lastUpdate = dbf::lastUpdateValid(h)
            ? std::string(date)
            : "ungültig (Bytes " + dbf::lastUpdateBytesText(h) + ")";

    out << "Datei:            " << visible(table.path()) << '\n'
        << "Version:          " << dbf::hexByte(h.version) << " ("
        << dbf::dialectName(h.dialect, h.version) << ")\n"
        << "Letzte Änderung:  " << lastUpdate << '\n'
        << "Codepage:         " << visible(table.encoding().name) << " ("
        << visible(table.encoding().reason) << ")\n"
        << "Datensätze:       " << h.headerRecordCount << " laut Kopf, " << table.recordCount()
        << " vorhanden\n"
        << "Datensatzlänge:   " << h.recordLength << " Bytes (Kopf: " << h.headerLength
        << " Bytes)\n"
        << "Memodatei:        " << (table.memoPath().empty() ? "keine" : visible(table.memoPath()))
        << '\n'
        << "Felder:           " << table.fieldCount() << '\n';
    for (size_t i = 0; i < table.fieldCount(); ++i) {
        const dbf::Field &f = table.field(i);
        const std::string name = visible(table.fieldName(i));
        out << "  " << std::setw(4) << i + 1 << "  " << name
            << std::string(name.size() < 12 ? 12 - name.size() : 1, ' ') << f.type << std::setw(7)
            << f.length << std::setw(4) << int(f.decimals) << '\n';
    }
    out.flush();

    TableCheck check;
    if (!table.inOneState([&] { check = summarizeTable(table); }))
        return false;
    out << "Gelöscht:         " << check.deleted << " von " << table.recordCount()
        << " Datensätzen\n";
    if (!check.findings.empty()) {
        out << "Befunde:\n";
        for (const CheckFinding &finding : check.findings)
            out << "  " << shortForm(finding, table) << '\n';
    }
    return true;
}

// Reports the error that started the failure, so that a missing file has the reader's number
// whether the table was opened for `info` or through the record set for `show`.
int fail(std::ostream &err, const dbf::Error &error)
{
    const dbf::Error &origin = error.origin();
    err << "talvo-dbf: " << origin.number << ": " << visible(origin.description) << '\n';
    return 1;
}

// After writing: another program may have written the file meanwhile; what was written is the
// table as it was when opened, or, read live, as far as the change.
int failIfChanged(const recordset::RecordSet &set, std::ostream &err)
{
    const auto change = set.FileChange();
    return change ? fail(err, *change) : 0;
}

// Hands the records of the presentation, or with a search only its matches, to `output` one
// after another; how many, or what stopped it.
recordset::Result<uint64_t> addRecords(recordset::RecordSet &set, const Options &options,
                                       ChunkedOutput &output)
{
    uint64_t written = 0;
    auto wanted = [&] { return !options.limit || written < *options.limit; };
    if (options.find.empty()) {
        int64_t position = 0;
        const auto status = set.ForEach([&](std::string_view record) {
            if (!wanted())
                return false;
            output.add(record, ++position);
            ++written;
            return true;
        });
        if (!status.ok())
            return status.error();
        return written;
    }

    // The matches one after another, as the search steps through them.
    const auto direction = options.backward ? recordset::SearchDirection::Backward
                                            : recordset::SearchDirection::Forward;
    if (const auto moved = options.backward ? set.MoveLast() : set.MoveFirst(); !moved.ok())
        return moved.error();
    for (bool first = true; !*set.AtEOF() && !*set.AtBOF() && wanted(); first = false) {
        if (const auto found = set.Find(options.find, first ? options.skip : 1, direction);
            !found.ok())
            return found.error();
        // Read live, a match found after another program wrote the file is of another state.
        if (*set.AtEOF() || *set.AtBOF() || !set.table().keepsOpenedBytes())
            break;
        output.add(set.CurrentRecord(), *set.AbsolutePosition());
        ++written;
    }
    return written;
}

// The records, formatted on two threads (ChunkedOutput); a search without a match ends in 1.
int writeRecords(recordset::RecordSet &set, const Options &options, std::ostream &out,
                 std::ostream &err)
{
    const auto writer = RecordWriter::create(options.format, set, options.plain);
    std::string begin;
    writer->appendBegin(begin);
    out << begin;
    ChunkedOutput output(*writer, out);
    const auto added = addRecords(set, options, output);
    output.finish();
    if (!added)
        return fail(err, added.error());
    if (const int changed = failIfChanged(set, err))
        return changed;
    return *added || options.find.empty() ? 0 : 1;
}

int show(const Options &options, std::ostream &out, std::ostream &err)
{
    const std::string query = options.query.empty()
            ? "select * from " + recordset::tableNameOf(options.files.front())
            : options.query;
    auto opened = recordset::RecordSet::Open(
            "database=" + recordset::connectionValue(options.files.front()), query, options.open);
    if (!opened)
        return fail(err, opened.error());
    recordset::RecordSet &set = **opened;
    // What opening found, for scripts to see; the records on standard output stay clean.
    for (const dbf::Finding &finding : set.table().findings())
        err << "talvo-dbf: " << dbf::severityText(dbf::severityOf(finding.kind)) << ": "
            << visible(finding.text) << '\n';
    if (!options.filter.empty()) {
        if (const auto filtered = set.SetFilter(options.filter); !filtered.ok())
            return fail(err, filtered.error());
    }
    if (!options.sort.empty()) {
        if (const auto sorted = set.SetSort(options.sort); !sorted.ok())
            return fail(err, sorted.error());
    }
    if (options.count) {
        out << *set.RecordCount() << '\n';
        return 0;
    }
    return writeRecords(set, options, out, err);
}

} // namespace

int run(const std::vector<std::string> &args, std::ostream &out, std::ostream &err)
{
    Options options;
    if (const auto usage = parseOptions(args, options)) {
        err << "talvo-dbf: " << kUsageError << ": " << visible(*usage)
            << " Hilfe: talvo-dbf --help\n";
        return 2;
    }
    if (options.help) {
        out << kUsage;
        return 0;
    }
    if (options.version) {
        out << "talvo-dbf " << talvo::kVersion << '\n';
        return 0;
    }

    int exit = 0;
    if (options.command == "check") {
        exit = check(options, out, err);
    } else if (options.command == "info") {
        const auto table = dbf::Table::open(options.files.front(), options.open);
        if (!table)
            return fail(err, table.error());
        if (!writeInfo(*table, out))
            return fail(err, table->changeFoundByPass());
    } else {
        exit = show(options, out, err);
    }
    out.flush();
    return exit;
}

} // namespace cli
