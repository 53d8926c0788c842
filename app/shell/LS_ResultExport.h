// LS_ResultExport: the entry list's rows as a file to take elsewhere: CSV (RFC 4180) with the
// list's columns, or LDIF (RFC 2849) with every attribute of each entry. It owns nothing.
#pragma once

#include <QByteArray>

class LS_EntryListModel;

class LS_ResultExport {
public:
    // A header row of column names, then one row per entry in the order shown, in UTF-8 with
    // CRLF line ends; a field is quoted when it holds a comma, a quote or a line break.
    static QByteArray Csv(const LS_EntryListModel& rows);
    // A version line, then one record per entry in the order shown.
    static QByteArray Ldif(const LS_EntryListModel& rows);
};
