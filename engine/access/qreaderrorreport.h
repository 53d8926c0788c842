// QReadErrorReport: the payload of a read request's error notice: the error, the DN that could
// not be read and the server's host. It owns its copies of all three.
#pragma once

#include "access/qerror.h"
#include "harrow32_export.h"
#include "model/qdn.h"

#include <string>

namespace harrow {

class HARROW32_EXPORT QReadErrorReport {
public:
    QReadErrorReport(const QError& error, const QDN& dn, const std::string& host);
    QReadErrorReport(const QReadErrorReport& other) = default;
    QReadErrorReport& operator=(const QReadErrorReport& other) = default;
    ~QReadErrorReport();

    const QError& Error() const { return error; }
    const QDN& DN() const { return dn; }
    const std::string& Host() const { return host; }

private:
    QError error;
    QDN dn;
    std::string host;
};

} // namespace harrow
