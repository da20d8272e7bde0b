// Writing the health report of `talvo-dbf check`.
#include "check_report.h"

#include "value_formats.h"
#include "visible_text.h"

#include <cstdio>

namespace cli {
namespace {

constexpr int kHealthy = 0, kFindings = 1, kUnreadable = 2;

std::string hexByte(uint8_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

// What the header says of the code page: the language driver byte and dBase 7's driver name.
std::string driverText(const dbf::TableHeader &h)
{
    std::string text = "Sprachtreiber-Byte " + hexByte(h.languageDriver);
    if (!h.languageDriverName.empty())
        text += " »" + h.languageDriverName + "«";
    const std::string codePage = dbf::codePageOfLanguageDriver(h.languageDriver);
    return text
            + (!codePage.empty()          ? " (" + codePage + ")"
                       : h.languageDriver ? std::string(" (unbekannt)")
                                          : std::string(" (keine Angabe)"));
}

const char *sourceName(dbf::EncodingChoice::Source source)
{
    switch (source) {
    case dbf::EncodingChoice::Source::LanguageDriver:
        return "language-driver";
    case dbf::EncodingChoice::Source::CpgFile:
        return "cpg-file";
    case dbf::EncodingChoice::Source::Detected:
        return "detected";
    case dbf::EncodingChoice::Source::Override:
        return "override";
    }
    return "unknown";
}

// The findings that make a table unhealthy: warnings (errors make it unreadable, no finding).
size_t warningCount(const TableCheck &result)
{
    size_t count = 0;
    for (const CheckFinding &finding : result.findings)
        count += dbf::severityOf(finding.kind) != dbf::Severity::Note;
    return count;
}

std::string counted(size_t count, const char *one, const char *many)
{
    return std::to_string(count) + (count == 1 ? one : many);
}

std::string recordList(const CheckFinding &finding)
{
    std::string list;
    for (uint64_t record : finding.records) {
        if (!list.empty())
            list += ", ";
        list += std::to_string(record + 1);
    }
    return list + (finding.count > finding.records.size() ? " …" : "");
}

std::string placeText(const CheckFinding &finding, const dbf::Table &table)
{
    std::string place;
    auto add = [&](const std::string &part) {
        if (!place.empty())
            place += ", ";
        place += part;
    };
    if (finding.offset)
        add("Byte " + std::to_string(*finding.offset)
            + (finding.file != table.path() ? " in " + finding.file : std::string()));
    if (finding.record)
        add("Datensatz " + std::to_string(*finding.record + 1));
    if (finding.field)
        add("Feld »" + table.fieldName(*finding.field) + "«");
    return place;
}

void writeText(const dbf::Table &table, const TableCheck &result, std::ostream &out)
{
    out << "Datei:       " << visible(table.path()) << '\n'
        << "Codepage:    " << visible(driverText(table.header())) << "; gelesen als "
        << visible(table.encoding().name) << " (" << visible(table.encoding().reason) << ")\n"
        << "Datensätze:  " << table.recordCount() << ", davon " << result.deleted << " gelöscht\n"
        << "Memodatei:   " << (table.memoPath().empty() ? "keine" : visible(table.memoPath()))
        << '\n';
    if (result.findings.empty()) {
        out << "Ergebnis:    in Ordnung, keine Befunde\n";
        return;
    }
    out << "Befunde:\n";
    for (const CheckFinding &finding : result.findings) {
        out << "  " << dbf::severityText(dbf::severityOf(finding.kind)) << " " << finding.kind
            << ": " << visible(finding.text);
        if (const std::string place = placeText(finding, table); !place.empty())
            out << " [" << visible(place) << "]";
        if (finding.count > 1)
            out << " (" << finding.count << "-mal, in Datensatz " << recordList(finding) << ")";
        out << '\n';
    }
    const size_t warnings = warningCount(result);
    const size_t notes = result.findings.size() - warnings;
    out << "Ergebnis:    "
        << (warnings ? "lesbar, " + counted(warnings, " Warnung", " Warnungen")
                            + (notes ? ", " + counted(notes, " Hinweis", " Hinweise") : "")
                     : "in Ordnung, " + counted(notes, " Hinweis", " Hinweise"))
        << '\n';
}

void appendNumber(std::optional<uint64_t> value, std::string &out)
{
    out += value ? std::to_string(*value) : "null";
}

void appendJson(const dbf::Table &table, const TableCheck &result, std::string &out)
{
    const dbf::TableHeader &h = table.header();
    const bool healthy = warningCount(result) == 0;
    out += "\"status\":";
    out += healthy ? "\"healthy\"" : "\"findings\"";
    out += ",\"exit\":" + std::to_string(healthy ? kHealthy : kFindings);
    out += ",\"version\":";
    appendJsonString(hexByte(h.version), out);
    out += ",\"records\":" + std::to_string(table.recordCount());
    out += ",\"deleted\":" + std::to_string(result.deleted);
    out += ",\"codepage\":{\"languageDriver\":";
    appendJsonString(hexByte(h.languageDriver), out);
    out += ",\"languageDriverName\":";
    appendJsonString(h.languageDriverName, out);
    out += ",\"chosen\":";
    appendJsonString(table.encoding().name, out);
    out += ",\"source\":";
    appendJsonString(sourceName(table.encoding().source), out);
    out += ",\"reason\":";
    appendJsonString(table.encoding().reason, out);
    out += "},\"memo\":";
    if (table.memoPath().empty())
        out += "null";
    else
        appendJsonString(table.memoPath(), out);
    out += ",\"findings\":[";
    for (size_t i = 0; i < result.findings.size(); ++i) {
        const CheckFinding &finding = result.findings[i];
        out += i ? ",{\"kind\":" : "{\"kind\":";
        appendJsonString(finding.kind, out);
        out += ",\"level\":\"";
        out += dbf::severityName(dbf::severityOf(finding.kind));
        out += '"';
        out += ",\"text\":";
        appendJsonString(finding.text, out);
        out += ",\"file\":";
        appendJsonString(finding.file, out);
        out += ",\"offset\":";
        appendNumber(finding.offset, out);
        out += ",\"record\":";
        appendNumber(finding.record ? std::optional<uint64_t>(*finding.record + 1) : std::nullopt,
                     out);
        out += ",\"field\":";
        if (finding.field)
            appendJsonString(table.fieldName(*finding.field), out);
        else
            out += "null";
        out += ",\"count\":" + std::to_string(finding.count) + ",\"records\":[";
        for (size_t r = 0; r < finding.records.size(); ++r) {
            if (r)
                out += ',';
            out += std::to_string(finding.records[r] + 1);
        }
        out += "]}";
    }
    out += "]";
}

} // namespace

std::string shortForm(const CheckFinding &finding, const dbf::Table &table)
{
    std::string text =
            dbf::severityText(dbf::severityOf(finding.kind)) + (": " + visible(finding.text));
    if (const std::string place = placeText(finding, table); !place.empty())
        text += " [" + visible(place) + "]";
    if (finding.count > 1)
        text += " (" + std::to_string(finding.count) + "-mal)";
    return text;
}

int check(const Options &options, std::ostream &out, std::ostream &err)
{
    const bool json = options.format == Format::Json;
    int exit = kHealthy;
    std::string document = "{\"tables\":[";
    for (size_t i = 0; i < options.files.size(); ++i) {
        const std::string &file = options.files[i];
        if (json) {
            document += i ? ",{\"file\":" : "{\"file\":";
            appendJsonString(file, document);
            document += ',';
        } else if (i) {
            out << '\n';
        }
        auto unreadable = [&](const dbf::Error &error) {
            exit = kUnreadable;
            err << "talvo-dbf: " << error.number << ": " << visible(error.description) << '\n';
            if (json) {
                document += "\"status\":\"unreadable\",\"exit\":2,\"error\":{\"level\":\""
                        + std::string(dbf::severityName(dbf::Severity::Error))
                        + "\",\"number\":" + std::to_string(error.number) + ",\"description\":";
                appendJsonString(error.description, document);
                document += "}}";
            } else {
                out << "Datei:       " << visible(file)
                    << "\nErgebnis:    nicht lesbar: " << error.number << ": "
                    << visible(error.description) << '\n';
            }
        };
        const auto table = dbf::Table::open(file, options.open);
        if (!table) {
            unreadable(table.error());
            continue;
        }
        // Read live, findings about a file that another program wrote meanwhile may be of
        // neither state; a copy stays the table as opened.
        TableCheck result;
        if (!table->inOneState([&] { result = checkTable(*table); })
            || !table->keepsOpenedBytes()) {
            unreadable(table->changeFoundByPass());
            continue;
        }
        if (warningCount(result))
            exit = std::max(exit, kFindings);
        if (json) {
            appendJson(*table, result, document);
            document += '}';
        } else {
            writeText(*table, result, out);
        }
    }
    if (json)
        out << document << "],\"exit\":" << exit << "}\n";
    return exit;
}

} // namespace cli
