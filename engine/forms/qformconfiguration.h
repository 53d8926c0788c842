// QFormConfiguration: the search forms and rule sets that the directory publishes, read once at
// start-up. It owns every form and rule set; the manager that created it owns it.
#pragma once

#include "harrow32_export.h"
#include "model/qstringlist.h"
#include "ptrlist.h"

#include <memory>
#include <string>

struct ldap;

namespace harrow {

class QDSManager;
class QError;
class QForm;
class QFormField;
class QFormInput;
class QRuleSet;
class QSearchClass;

class HARROW32_EXPORT QFormConfiguration {
public:
    explicit QFormConfiguration(QDSManager* manager);
    QFormConfiguration(const QFormConfiguration&) = delete;
    QFormConfiguration& operator=(const QFormConfiguration&) = delete;
    virtual ~QFormConfiguration();

    // Appends the name of every form, in load order.
    void GetFormList(QStringList& names) const;
    // The first form of that name, or null; it stays owned by the configuration.
    QForm* GetForm(const std::string& formName) const;

    // Reads the rule sets, then the forms, below subtreeDn on an anonymous session of its own.
    // Returns 1 when both were read.
    int LoadConfiguration(const std::string& subtreeDn, const std::string& host, int port);
    // Why the last load could not reach or sign in to the server; null when it could.
    const QError* LoadError() const { return loadError.get(); }

private:
    int LoadRuleSets(ldap* ld, const std::string& base);
    int LoadSearchClasses(ldap* ld, const std::string& base, PtrList<QSearchClass>& out);
    int LoadForms(ldap* ld, const std::string& base);
    QFormInput* LoadFormInput(ldap* ld, const char* formDn, const std::string& inputName,
                              QRuleSet* ruleSet);
    QFormField* LoadFormField(ldap* ld, const char* inputDn, const std::string& fieldName);
    int AddRuleSet(const std::string& ruleSetName, PtrList<QSearchClass>& searchClasses);
    int AddForm(const std::string& formName, QFormInput* target, PtrList<QFormInput>& context,
                const std::string& ruleSetName, const std::string& toolTip,
                const std::string& helpString);
    QRuleSet* GetRuleSet(const std::string& ruleSetName) const;

    QDSManager* manager;
    PtrList<QForm> forms;
    PtrList<QRuleSet> ruleSets;
    std::unique_ptr<QError> loadError;
};

} // namespace harrow
