// QReadReport: the payload of a read request's progress notice, naming what happened, the DN
// being read and the server's host. It owns its copy of the DN.
#pragma once

#include "harrow32_export.h"
#include "model/qdn.h"

#include <cstdint>
#include <string>

namespace harrow {

enum QReadReportType : int32_t {
    // The search was sent to the server.
    READ_INVOKED = 0,
};

class HARROW32_EXPORT QReadReport {
public:
    QReadReport(QReadReportType type, const QDN& dn, const std::string& host);
    QReadReport(const QReadReport& other) = default;
    QReadReport& operator=(const QReadReport& other) = default;
    ~QReadReport();

    QReadReportType Type() const { return type; }
    const QDN& DN() const { return dn; }
    const std::string& Host() const { return host; }

private:
    QReadReportType type;
    QDN dn;
    std::string host;
};

} // namespace harrow
