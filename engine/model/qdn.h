// QDN: a distinguished name with the manager and connection it was obtained on, parsed into RDNs
// as far as it is first asked for. It owns its text, its RDNs and, while it names a manager, one
// reference on that connection.
#pragma once

#include "harrow32_export.h"
#include "model/qrdn.h"
#include "ptrlist.h"

#include <functional>
#include <string>

namespace harrow {

class Oidtable;
class QDSManager;

class HARROW32_EXPORT QDN {
public:
    using Position = PtrList<QRDN>::Position;

    QDN() = default;
    // The same RDNs on the same manager and connection, with a connection reference of its own.
    QDN(const QDN& other);
    QDN& operator=(const QDN& other);
    ~QDN();

    // Replaces the DN with the parsed text; an empty text leaves it unset but still holding the
    // connection reference. Returns 1.
    int SetDN(QDSManager* manager, long connId, const std::string& dn);
    // Drops the RDNs and the connection reference.
    void UnsetDN();

    int IsSet() const { return set; }
    // The text the DN was set from, without surrounding white space and slashes: for a DN from a
    // server, exactly what the server sent, which printing the RDNs does not reproduce.
    const std::string& Text() const { return text; }

    // The RDNs in attribute form, most specific first, joined by ", "; returns 1.
    int GetDN(std::string& out) const;
    // The same with values only; returns 1.
    int GetFriendlyDN(std::string& out) const;
    // Copies the first (most specific) RDN into out; 0 and out untouched when there is none.
    int GetRDN(QRDN& out) const;
    // Calls visit with each RDN, most specific first, until it returns false; returns whether
    // every call returned true. RDNs not parsed yet are parsed for the call only, so that a
    // glance at the DNs of many entries leaves none of them holding its parsed pairs.
    bool VisitRDNs(const std::function<bool(const QRDN&)>& visit) const;

    Position GetHeadRDNPosition() const { return RDNs().GetHeadPosition(); }
    QRDN* GetNextRDN(Position& pos) const { return RDNs().GetNext(pos); }
    unsigned int GetRDNCount() const { return static_cast<unsigned int>(RDNs().GetCount()); }

    QDSManager* DS() const { return manager; }
    long GetConnID() const { return connId; }
    // The manager's schema table, or null without a manager.
    Oidtable* Table() const;

    // Same number of RDNs, each equal to the one at the same place.
    int operator==(const QDN& other) const;

private:
    using RDNPrinter = int (QRDN::*)(std::string&) const;

    // Unsets the DN, then names the manager and connection and takes a reference on it.
    void Attach(QDSManager* ds, long id);
    int JoinRDNs(RDNPrinter print, std::string& out) const;
    void DeleteRDNs();
    // All RDNs, parsing what is left of the text.
    const PtrList<QRDN>& RDNs() const;
    // Parses the next RDN of the text and keeps it; only while one is left.
    void ParseNextRDN() const;
    // The text of the RDN that starts at from; next becomes where the one after it starts, or
    // npos after the last.
    std::string NextRDNText(std::string::size_type from, std::string::size_type& next) const;

    int set = 0;
    QDSManager* manager = nullptr;
    long connId = -1;
    // Most entries of a search are only ever shown by their first RDN, if at all, and their
    // parsed pairs cost several times their text: the text is parsed one RDN at a time when
    // first asked for.
    std::string text;
    // How much of the text the RDNs parsed so far cover.
    mutable std::string::size_type parsedLength = 0;
    mutable bool rdnLeft = false;
    mutable PtrList<QRDN> rdns;
};

} // namespace harrow
