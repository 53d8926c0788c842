#include "search/csvwriter.h"

namespace larkspur::search {

CsvWriter::CsvWriter(std::FILE* out, std::vector<AttributeColumn> chosen)
    : stream(out), columns(std::move(chosen)) {
    for (const AttributeColumn& column : columns) {
        AppendCell(column.name);
    }
    EndRow();
}

void CsvWriter::Write(const harrow::QEntry& entry) {
    for (const AttributeColumn& column : columns) {
        std::string cell;
        for (const std::string& value : ColumnValues(entry, column)) {
            cell += cell.empty() ? "" : "\n";
            cell += value;
        }
        AppendCell(cell);
    }
    EndRow();
}

// Every cell is quoted, so commas, quotes and line breaks in values need no other care.
void CsvWriter::AppendCell(const std::string& text) {
    if (!row.empty()) {
        row += ',';
    }
    row += '"';
    for (char c : text) {
        row += c;
        if (c == '"') {
            row += '"';
        }
    }
    row += '"';
}

void CsvWriter::EndRow() {
    row += "\r\n";
    std::fwrite(row.data(), 1, row.size(), stream);
    row.clear();
}

} // namespace larkspur::search
