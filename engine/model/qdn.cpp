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
    for (QRDN* rdn : other.rdns) {
        rdns.AddTail(new QRDN(*rdn));
    }
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
    std::string rest = dntext::StrippedLeft(dntext::TrimmedLeft(dn), '/');
    rest = dntext::StrippedRight(TrimmedRight(rest), '/');
    Oidtable* table = Table();
    for (;;) {
        const std::string::size_type comma = dntext::FindUnescaped(rest, ',');
        if (comma == std::string::npos) {
            rdns.AddTail(new QRDN(table, rest));
            break;
        }
        rdns.AddTail(new QRDN(table, rest.substr(0, comma)));
        rest.erase(0, comma + 1);
    }
    set = 1;
    return 1;
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
    for (QRDN* rdn : rdns) {
        std::string text;
        (rdn->*print)(text);
        out += first ? text : ", " + text;
        first = false;
    }
    return 1;
}

int QDN::GetRDN(QRDN& out) const {
    if (rdns.IsEmpty()) {
        return 0;
    }
    out = *rdns.GetHead();
    return 1;
}

int QDN::operator==(const QDN& other) const {
    if (rdns.GetCount() != other.rdns.GetCount()) {
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
