#include "access/qreadresult.h"

#include "model/qentry.h"

namespace harrow {

namespace {

std::unique_ptr<QEntry> CopyOf(const std::unique_ptr<QEntry>& entry) {
    return entry ? std::make_unique<QEntry>(*entry) : nullptr;
}

} // namespace

QReadResult::QReadResult(QEntry* entry) : entry(entry) {}

QReadResult::QReadResult(const QReadResult& other) : entry(CopyOf(other.entry)) {}

QReadResult& QReadResult::operator=(const QReadResult& other) {
    if (this != &other) {
        entry = CopyOf(other.entry);
    }
    return *this;
}

QReadResult::~QReadResult() = default;

QEntry* QReadResult::GetEntry() {
    return entry.release();
}

} // namespace harrow
