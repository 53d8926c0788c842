#include "access/qreadreport.h"

namespace harrow {

QReadReport::QReadReport(QReadReportType type, const QDN& dn, const std::string& host)
    : type(type), dn(dn), host(host) {}

QReadReport::~QReadReport() = default;

} // namespace harrow
