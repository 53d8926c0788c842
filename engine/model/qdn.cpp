#include "model/qdn.h"

#include "access/qbindmanager.h"
#include "access/qdsmanager.h"
#include "model/dntext.h"
#include "schema/schematext.h"

namespace harrow {

QDN::QDN(const QDN& other) {
    *this = other;
}

QDN& QDN::operator=(const QDN& other) {
    if (this == &other) {
        return *this;
    }
    // The RDNs themselves are copied: the printed form is unescaped and does not always parse
    // back to the same DN (a value ending in a backslash escapes the comma printed after it).
    Attach(other.manager, other.connId);
    for (QRDN* rdn : other.RDNs()) {
        rdns.AddTail(new QRDN(*rdn));
    }
    text = other.text;
    parsedLength = text.size();
    set = other.set;
    return *this;
}

QDN::~QDN() {
    UnsetDN();
}

void QDN::Attach(QDSManager* ds, long id) {
    UnsetDN();
    manager = ds;
    connId = id;
    if (manager != nullptr) {
        manager->BindManager()->AddRef(connId);
    }
}

int QDN::SetDN(QDSManager* ds, long id, const std::string& dn) {
    Attach(ds, id);
    if (dn.empty()) {
        return 1;
    }
    text = dntext::StrippedLeft(dntext::TrimmedLeft(dn), '/');
    text = dntext::StrippedRight(TrimmedRight(text), '/');
    rdnLeft = true;
    set = 1;
    return 1;
}

void QDN::ParseNextRDN() const {
    std::string::size_type next = 0;
    rdns.AddTail(new QRDN(Table(), NextRDNText(parsedLength, next)));
    rdnLeft = next != std::string::npos;
    parsedLength = rdnLeft ? next : text.size();
}

std::string QDN::NextRDNText(std::string::size_type from, std::string::size_type& next) const {
    const std::string rest = text.substr(from);
    const std::string::size_type comma = dntext::FindUnescaped(rest, ',');
    if (comma == std::string::npos) {
        next = std::string::npos;
        return rest;
    }
    next = from + comma + 1;
    return rest.substr(0, comma);
}

const PtrList<QRDN>& QDN::RDNs() const {
    while (rdnLeft) {
        ParseNextRDN();
    }
    return rdns;
}

void QDN::UnsetDN() {
    DeleteRDNs();
    if (manager != nullptr) {
        manager->BindManager()->LoseRef(connId);
    }
    connId = -1;
    manager = nullptr;
    set = 0;
}

void QDN::DeleteRDNs() {
    for (QRDN* rdn : rdns) {
        delete rdn;
    }
    rdns.RemoveAll();
    std::string().swap(text);
    parsedLength = 0;
    rdnLeft = false;
}

Oidtable* QDN::Table() const {
    return manager != nullptr ? manager->Table() : nullptr;
}

int QDN::GetDN(std::string& out) const {
    return JoinRDNs(&QRDN::GetRDNString, out);
}

int QDN::GetFriendlyDN(std::string& out) const {
    return JoinRDNs(&QRDN::GetFriendlyRDNString, out);
}

int QDN::JoinRDNs(RDNPrinter print, std::string& out) const {
    out.clear();
    bool first = true;
    for (QRDN* rdn : RDNs()) {
        std::string text;
        (rdn->*print)(text);
        out += first ? text : ", " + text;
        first = false;
    }
    return 1;
}

int QDN::GetRDN(QRDN& out) const {
    int found = 0;
    VisitRDNs([&](const QRDN& rdn) {
        out = rdn;
        found = 1;
        return false;
    });
    return found;
}

bool QDN::VisitRDNs(const std::function<bool(const QRDN&)>& visit) const {
    for (const QRDN* rdn : rdns) {
        if (!visit(*rdn)) {
            return false;
        }
    }
    std::string::size_type from = rdnLeft ? parsedLength : std::string::npos;
    while (from != std::string::npos) {
        std::string::size_type next = 0;
        const QRDN rdn(Table(), NextRDNText(from, next));
        if (!visit(rdn)) {
            return false;
        }
        from = next;
    }
    return true;
}

int QDN::operator==(const QDN& other) const {
    if (RDNs().GetCount() != other.RDNs().GetCount()) {
        return 0;
    }
    PtrList<QRDN>::Position mine = rdns.GetHeadPosition();
    PtrList<QRDN>::Position theirs = other.rdns.GetHeadPosition();
    while (mine != nullptr) {
        if (!(*rdns.GetNext(mine) == *other.rdns.GetNext(theirs))) {
            return 0;
        }
    }
    return 1;
}

} // namespace harrow
