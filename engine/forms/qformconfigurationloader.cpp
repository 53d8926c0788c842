// The half of QFormConfiguration that reads the configuration subtree from the directory.
#include "access/ldapapi.h"
#include "access/qbindmanager.h"
#include "access/qdsmanager.h"
#include "access/qerror.h"
#include "forms/filterescape.h"
#include "forms/qconfigentry.h"
#include "forms/qformconfiguration.h"
#include "forms/qformfield.h"
#include "forms/qforminput.h"
#include "forms/qruleset.h"
#include "forms/qsearchclass.h"
#include "model/qstringlist.h"
#include "qdebugoutput.h"
#include "schema/oidtable.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <optional>
#include <vector>

namespace harrow {

namespace {

using Attributes = std::vector<std::string>;

// Input and field entries are found by name, which must match exactly, never as a pattern.
std::string NameFilter(const std::string& name) {
    return "(cn=" + EscapeFilterValue(name) + ")";
}

QStringList SplitList(const std::string& list) {
    QStringList names;
    names.SetSplitString(list, '$');
    return names;
}

// The names of the attribute's first value; none when the entry lacks the attribute.
QStringList NameList(const QConfigEntry& entry, const char* attribute) {
    return entry.Has(attribute) == 1 ? SplitList(entry.FirstValue(attribute)) : QStringList();
}

PtrList<QOC> KnownObjectClasses(const Oidtable* table, const QConfigEntry& entry) {
    PtrList<QOC> known;
    for (const std::string& name : entry.Values("lsObjectClassDefinition")) {
        QOC* objectClass = table->str2oc(name);
        if (objectClass != nullptr) {
            known.AddTail(objectClass);
            continue;
        }
        const std::string tabs(17, '\t');
        QDebugOutput::Writef("QFormConfiguration::LoadSearchClasses%sUnrecognized object class in "
                             "search class entry:%s\nOC: %s%s\nDN: %s\n",
                             tabs.c_str(), tabs.c_str(), name.c_str(), tabs.c_str(),
                             entry.DN().c_str());
    }
    return known;
}

// Object classes win over a URL; an entry with neither defines nothing.
QSearchClass* CreateSearchClass(QDSManager* manager, const QConfigEntry& entry) {
    const std::string name = entry.FirstValue("cn");
    const std::string url = entry.FirstValue("lsLDAPURI");
    PtrList<QOC> objectClasses = KnownObjectClasses(manager->Table(), entry);
    if (!objectClasses.IsEmpty()) {
        return new QSearchClass(manager->Table(), name, objectClasses);
    }
    if (!url.empty()) {
        return new QSearchClass(manager, name, url);
    }
    return nullptr;
}

// The first class of the list named by one of the names of the value, trying the names in order.
QSearchClass* FirstNamedClass(const std::string& value, const PtrList<QSearchClass>& classes) {
    for (const std::string& name : SplitList(value)) {
        for (QSearchClass* searchClass : classes) {
            if (searchClass->Name() == name) {
                return searchClass;
            }
        }
    }
    return nullptr;
}

PtrList<QAttrT> KnownAttributeTypes(const Oidtable* table, const QConfigEntry& entry) {
    PtrList<QAttrT> known;
    for (const std::string& name : NameList(entry, "lsFiltAttrList")) {
        QAttrT* type = table->str2at(name);
        if (type != nullptr) {
            known.AddTail(type);
        }
    }
    return known;
}

template <typename T> PtrList<T> Release(std::vector<std::unique_ptr<T>>& owned) {
    PtrList<T> released;
    for (std::unique_ptr<T>& item : owned) {
        released.AddTail(item.release());
    }
    owned.clear();
    return released;
}

void ReportMissingDN(const char* loader, const char* what) {
    QDebugOutput::Writef("QFormConfiguration::%s\t\t\t\t\t\t\t\t\t\n"
                         "Failed to get DN from LDAP message whilst reading %s!\n",
                         loader, what);
}

void ReportSearchFailure(const char* loader, int rc, const char* lineBreak = "\n") {
    QDebugOutput::Writef("QFormConfiguration::%s\t\t\t\t\t%sldap_search_ext_s: %s\n", loader,
                         lineBreak, ldap_err2string(rc));
}

// The entries one level below base that match the filter, in server order, read in pages of
// pageSize (0: at once); nothing when the search fails, which the named loader reports (a loader
// without a name stays silent). A server that stops at its limits keeps what it sent.
std::optional<std::vector<QConfigEntry>>
ReadChildren(QDSManager* manager, ldap* ld, const std::string& base, const std::string& filter,
             const Attributes& attributes, const char* loader, const char* lineBreak = "\n") {
    std::vector<QConfigEntry> entries;
    std::string cookie;
    do {
        ldapapi::Message chain;
        const int rc = ldapapi::SearchPageS(ld, base, LDAP_SCOPE_ONELEVEL, filter, attributes,
                                            manager->PageSize(), cookie, chain);
        if (rc != LDAP_SUCCESS && !ldapapi::IsLimitExceeded(rc)) {
            if (loader != nullptr) {
                ReportSearchFailure(loader, rc, lineBreak);
            }
            return std::nullopt;
        }
        std::vector<QConfigEntry> page = QConfigEntry::ReadAll(manager->Table(), ld, chain.get());
        std::move(page.begin(), page.end(), std::back_inserter(entries));
    } while (!cookie.empty());
    return entries;
}

} // namespace

int QFormConfiguration::LoadConfiguration(const std::string& subtreeDn, const std::string& host,
                                          int port) {
    // The session is released on every path, failures included. Start-up waits on it, so a hung
    // server fails it like a bind to that server would.
    QError* error = nullptr;
    const ldapapi::Handle session = manager->BindManager()->OpenSession(host, port, error);
    loadError.reset(error);
    if (!session) {
        return 0;
    }
    // A server that answers the bind and then falls silent is given up like any search of it.
    ldapapi::SetTimeLimit(session.get(), manager->StallTime());
    // Rule sets come first because forms name them.
    if (LoadRuleSets(session.get(), subtreeDn) == 0) {
        return 0;
    }
    return LoadForms(session.get(), subtreeDn);
}

int QFormConfiguration::LoadRuleSets(ldap* ld, const std::string& base) {
    const auto entries =
        ReadChildren(manager, ld, base, "(objectclass=lsRuleSet)", {"cn"}, "LoadRuleSets");
    if (!entries) {
        return 0;
    }
    for (const QConfigEntry& entry : *entries) {
        if (entry.DN().empty()) {
            ReportMissingDN("LoadRuleSets", "rule set entries");
            continue;
        }
        // A rule set whose classes could not be read is still defined.
        PtrList<QSearchClass> searchClasses;
        LoadSearchClasses(ld, entry.DN(), searchClasses);
        std::string name;
        for (const std::string& value : entry.Values("cn")) {
            name = value;
        }
        AddRuleSet(name, searchClasses);
    }
    return 1;
}

int QFormConfiguration::LoadSearchClasses(ldap* ld, const std::string& base,
                                          PtrList<QSearchClass>& out) {
    const auto entries =
        ReadChildren(manager, ld, base, "(objectclass=lsSearchClass)",
                     {"cn", "lsObjectClassDefinition", "lsSearchClassList", "lsLDAPURI"}, nullptr);
    if (!entries) {
        return 0;
    }
    struct Defined {
        QSearchClass* searchClass;
        Attributes subClassLists;
    };
    std::vector<Defined> defined;
    for (const QConfigEntry& entry : *entries) {
        if (entry.DN().empty()) {
            ReportMissingDN("LoadSearchClasses", "search classes");
            continue;
        }
        QSearchClass* searchClass = CreateSearchClass(manager, entry);
        if (searchClass != nullptr) {
            out.AddTail(searchClass);
            defined.push_back({searchClass, entry.Values("lsSearchClassList")});
        }
    }
    // Sub-classes resolve only once every class of the rule set exists, so that a class may
    // name one defined after it.
    for (const Defined& entry : defined) {
        for (const std::string& value : entry.subClassLists) {
            QSearchClass* subClass = FirstNamedClass(value, out);
            if (subClass != nullptr) {
                entry.searchClass->AddSearchClass(subClass);
            }
        }
    }
    return 1;
}

int QFormConfiguration::LoadForms(ldap* ld, const std::string& base) {
    const auto entries = ReadChildren(
        manager, ld, base, "(objectclass=lsSearchForm)",
        {"cn", "lsInputList", "lsRuleSetName", "lsToolTip", "lsHelpString"}, "LoadForms");
    if (!entries) {
        return 0;
    }
    for (const QConfigEntry& entry : *entries) {
        if (entry.DN().empty()) {
            ReportMissingDN("LoadForms", "a form entry");
            continue;
        }
        const std::string ruleSetName = entry.FirstValue("lsRuleSetName");
        QRuleSet* ruleSet = GetRuleSet(ruleSetName);
        if (ruleSet == nullptr) {
            const std::string tabs(9, '\t');
            QDebugOutput::Writef("QFormConfiguration::LoadForms%s\n"
                                 "Invalid rule set name '%s' in form entry:%s\nDN: %s\n",
                                 tabs.c_str(), ruleSetName.c_str(), tabs.c_str(),
                                 entry.DN().c_str());
            continue;
        }
        std::unique_ptr<QFormInput> target;
        std::vector<std::unique_ptr<QFormInput>> context;
        bool first = true;
        for (const std::string& inputName : NameList(entry, "lsInputList")) {
            std::unique_ptr<QFormInput> input(
                LoadFormInput(ld, entry.DN().c_str(), inputName, ruleSet));
            if (first) {
                target = std::move(input);
                first = false;
            } else if (input) {
                context.push_back(std::move(input));
            }
        }
        const std::string name = entry.FirstValue("cn");
        if (name.empty() || !target) {
            continue;
        }
        PtrList<QFormInput> contextInputs = Release(context);
        AddForm(name, target.release(), contextInputs, ruleSetName, entry.FirstValue("lsToolTip"),
                entry.FirstValue("lsHelpString"));
    }
    return 1;
}

QFormInput* QFormConfiguration::LoadFormInput(ldap* ld, const char* formDn,
                                              const std::string& inputName, QRuleSet* ruleSet) {
    const auto entries = ReadChildren(manager, ld, formDn, NameFilter(inputName),
                                      {"cn", "lsFieldList", "lsSearchClassName"}, "LoadFormInput");
    if (!entries) {
        return nullptr;
    }
    std::unique_ptr<QFormInput> loaded;
    for (const QConfigEntry& entry : *entries) {
        if (entry.DN().empty()) {
            ReportMissingDN("LoadFormInput", "a form input entry");
            return nullptr;
        }
        const std::string name = entry.FirstValue("cn");
        std::vector<std::unique_ptr<QFormField>> fields;
        for (const std::string& fieldName : NameList(entry, "lsFieldList")) {
            std::unique_ptr<QFormField> field(LoadFormField(ld, entry.DN().c_str(), fieldName));
            if (field) {
                fields.push_back(std::move(field));
            }
        }
        QSearchClass* searchClass = ruleSet->GetSearchClass(entry.FirstValue("lsSearchClassName"));
        if (name.empty() || searchClass == nullptr || fields.empty()) {
            const std::string tabs(9, '\t');
            QDebugOutput::Writef("QFormConfiguration::LoadFormInput%s\n"
                                 "Failed to load form input subtree at:%s\n%s\n",
                                 tabs.c_str(), tabs.c_str(), entry.DN().c_str());
            continue;
        }
        PtrList<QFormField> loadedFields = Release(fields);
        loaded = std::make_unique<QFormInput>(name, searchClass, loadedFields);
    }
    return loaded.release();
}

QFormField* QFormConfiguration::LoadFormField(ldap* ld, const char* inputDn,
                                              const std::string& fieldName) {
    // This loader's report keeps the header and the library's text on one line.
    const auto entries = ReadChildren(manager, ld, inputDn, NameFilter(fieldName),
                                      {"cn", "lsFiltAttrList"}, "LoadFormField", "");
    if (!entries) {
        return nullptr;
    }
    std::unique_ptr<QFormField> loaded;
    for (const QConfigEntry& entry : *entries) {
        if (entry.DN().empty()) {
            ReportMissingDN("LoadFormField", "a form field entry");
            return nullptr;
        }
        const std::string name = entry.FirstValue("cn");
        PtrList<QAttrT> types = KnownAttributeTypes(manager->Table(), entry);
        if (!name.empty() && !types.IsEmpty()) {
            loaded = std::make_unique<QFormField>(name, std::string(), types);
        }
    }
    return loaded.release();
}

} // namespace harrow
