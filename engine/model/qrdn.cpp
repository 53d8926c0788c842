#include "model/qrdn.h"

#include "model/dntext.h"
#include "model/qvalue.h"
#include "qdebugoutput.h"
#include "schema/oidtable.h"
#include "schema/schematext.h"

namespace harrow {

QRDN::QRDN(Oidtable* table, const std::string& rdn) {
    std::string rest = dntext::TrimmedLeft(rdn);
    for (;;) {
        const std::string::size_type plus = dntext::FindUnescaped(rest, '+');
        if (plus == std::string::npos || plus == 0) {
            AddPair(table, rest);
            return;
        }
        AddPair(table, rest.substr(0, plus));
        rest.erase(0, plus + 1);
    }
}

QRDN::QRDN(const QRDN& other) {
    *this = other;
}

QRDN& QRDN::operator=(const QRDN& other) {
    if (this == &other) {
        return *this;
    }
    DeletePairs();
    // The stored bytes, not the display form, which may differ (a list's "$", a URI's label).
    for (QRDNAttr* pair : other.pairs) {
        pairs.AddTail(new QRDNAttr(pair->Type(), pair->Value()->Value(), pair->Value()->Length()));
    }
    return *this;
}

QRDN::~QRDN() {
    DeletePairs();
}

void QRDN::DeletePairs() {
    for (QRDNAttr* pair : pairs) {
        delete pair;
    }
    pairs.RemoveAll();
}

void QRDN::AddPair(Oidtable* table, const std::string& pair) {
    const std::string text = Trimmed(pair);
    const std::string::size_type equals = text.find('=');
    if (equals == std::string::npos || equals == 0) {
        return;
    }
    const std::string typeText = TrimmedRight(text.substr(0, equals));
    const std::string valueText = dntext::TrimmedLeft(text.substr(equals + 1));
    QAttrT* type = table != nullptr ? table->str2at(typeText) : nullptr;
    if (type == nullptr) {
        QDebugOutput::Writef("Failed to recognize attribute type: %s\n", typeText.c_str());
        return;
    }
    pairs.AddTail(new QRDNAttr(type, valueText.c_str(), valueText.size() + 1));
}

int QRDN::GetRDNString(std::string& out) const {
    return JoinPairs(out, " + ", [](const QRDNAttr& pair, std::string& text) { pair.Print(text); });
}

int QRDN::GetFriendlyRDNString(std::string& out) const {
    return JoinPairs(out, ", ",
                     [](const QRDNAttr& pair, std::string& text) { pair.Value()->Print(text); });
}

// Each later piece goes in front of the text so far, so the pairs read last parsed first.
int QRDN::JoinPairs(std::string& out, const char* joint, const PairPrinter& print) const {
    out.clear();
    bool first = true;
    for (QRDNAttr* pair : pairs) {
        std::string text;
        print(*pair, text);
        out = first ? text : text + joint + out;
        first = false;
    }
    return 1;
}

int QRDN::operator==(const QRDN& other) const {
    if (pairs.GetCount() != other.pairs.GetCount()) {
        return 0;
    }
    PtrList<QRDNAttr> unmatched = other.pairs;
    for (QRDNAttr* pair : pairs) {
        PtrList<QRDNAttr>::Position pos = unmatched.GetHeadPosition();
        while (pos != nullptr && !(*pair == *unmatched.GetAt(pos))) {
            unmatched.GetNext(pos);
        }
        if (pos == nullptr) {
            return 0;
        }
        unmatched.RemoveAt(pos);
    }
    return 1;
}

} // namespace harrow
