// QRDN: a relative distinguished name, the attribute-value pairs of one DN component in the
// order they were parsed. It owns its pairs.
#pragma once

#include "harrow32_export.h"
#include "model/qrdnattr.h"
#include "ptrlist.h"

#include <functional>
#include <string>

namespace harrow {

class Oidtable;

class HARROW32_EXPORT QRDN {
public:
    using Position = PtrList<QRDNAttr>::Position;

    QRDN() = default;
    // Parses one RDN; types are resolved through the table (a null table resolves none). No
    // unescaping is done.
    QRDN(Oidtable* table, const std::string& rdn);
    QRDN(const QRDN& other);
    // Copies the other's pairs: the same types with copies of the value bytes.
    QRDN& operator=(const QRDN& other);
    ~QRDN();

    // The pairs, last parsed first, joined by " + "; returns 1.
    int GetRDNString(std::string& out) const;
    // Only the values, last parsed first, joined by ", "; returns 1.
    int GetFriendlyRDNString(std::string& out) const;

    Position GetHeadRDNAttr() const { return pairs.GetHeadPosition(); }
    QRDNAttr* GetNextRDNAttr(Position& pos) const { return pairs.GetNext(pos); }

    // Equal pairs matched one for one, in any order.
    int operator==(const QRDN& other) const;

private:
    using PairPrinter = std::function<void(const QRDNAttr&, std::string&)>;

    int JoinPairs(std::string& out, const char* joint, const PairPrinter& print) const;
    void AddPair(Oidtable* table, const std::string& pair);
    void DeletePairs();

    PtrList<QRDNAttr> pairs;
};

} // namespace harrow
