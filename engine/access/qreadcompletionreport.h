// QReadCompletionReport: the payload of a read request's completion notice, the DN that was
// read and the server's host. It owns its copy of the DN.
#pragma once

#include "harrow32_export.h"
#include "model/qdn.h"

#include <string>

namespace harrow {

class HARROW32_EXPORT QReadCompletionReport {
public:
    QReadCompletionReport(const QDN& dn, const std::string& host);
    QReadCompletionReport(const QReadCompletionReport& other) = default;
    QReadCompletionReport& operator=(const QReadCompletionReport& other) = default;
    ~QReadCompletionReport();

    const QDN& DN() const { return dn; }
    const std::string& Host() const { return host; }

private:
    QDN dn;
    std::string host;
};

} // namespace harrow
