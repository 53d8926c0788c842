#include "access/qreadcompletionreport.h"

namespace harrow {

QReadCompletionReport::QReadCompletionReport(const QDN& dn, const std::string& host)
    : dn(dn), host(host) {}

QReadCompletionReport::~QReadCompletionReport() = default;

} // namespace harrow
