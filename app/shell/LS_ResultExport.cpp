#include "shell/LS_ResultExport.h"

#include "results/LS_EntryListModel.h"

#include "search/ldifwriter.h"

#include <QStringList>

namespace {

QString CsvField(QString text) {
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r'))) {
        return text;
    }
    return QLatin1Char('"') + text.replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

QByteArray CsvLine(const QStringList& fields) {
    QStringList quoted;
    for (const QString& field : fields) {
        quoted << CsvField(field);
    }
    return quoted.join(QLatin1Char(',')).toUtf8() + "\r\n";
}

} // namespace

QByteArray LS_ResultExport::Csv(const LS_EntryListModel& rows) {
    QStringList header;
    for (int column = 0; column < rows.columnCount(); ++column) {
        header << rows.headerData(column, Qt::Horizontal).toString();
    }
    QByteArray text = CsvLine(header);
    for (int row = 0; row < rows.rowCount(); ++row) {
        QStringList fields;
        for (int column = 0; column < rows.columnCount(); ++column) {
            fields << rows.ColumnText(row, column);
        }
        text += CsvLine(fields);
    }
    return text;
}

QByteArray LS_ResultExport::Ldif(const LS_EntryListModel& rows) {
    QByteArray text = "version: 1\n\n";
    larkspur::search::LdifWriter writer(nullptr, {});
    for (int row = 0; row < rows.rowCount(); ++row) {
        if (const harrow::QEntry* entry = rows.EntryAt(row)) {
            const std::string& record = writer.Record(*entry);
            text.append(record.data(), static_cast<qsizetype>(record.size()));
        }
    }
    return text;
}
