#include "access/qreaderrorreport.h"

namespace harrow {

QReadErrorReport::QReadErrorReport(const QError& error, const QDN& dn, const std::string& host)
    : error(error), dn(dn), host(host) {}

QReadErrorReport::~QReadErrorReport() = default;

} // namespace harrow
