// CsvWriter: prints engine entries as CSV (RFC 4180): a header of the column names, then one
// row an entry. It owns the columns and a reusable row buffer.
#pragma once

#include "search/entrywriter.h"

#include <cstdio>
#include <string>
#include <vector>

namespace larkspur::search {

class CsvWriter : public EntryWriter {
public:
    // Writes the header at once.
    CsvWriter(std::FILE* stream, std::vector<AttributeColumn> columns);

    // A cell holding several values has them on lines of their own.
    void Write(const harrow::QEntry& entry) override;

private:
    void AppendCell(const std::string& text);
    void EndRow();

    std::FILE* stream;
    std::vector<AttributeColumn> columns;
    std::string row;
};

} // namespace larkspur::search
