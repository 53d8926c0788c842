#include "forms/qformconfiguration.h"

#include "access/qerror.h"
#include "forms/qform.h"
#include "forms/qforminput.h"
#include "forms/qruleset.h"
#include "forms/qsearchclass.h"
#include "qdebugoutput.h"

namespace harrow {

QFormConfiguration::QFormConfiguration(QDSManager* manager) : manager(manager) {}

QFormConfiguration::~QFormConfiguration() {
    for (QForm* form : forms) {
        delete form;
    }
    for (QRuleSet* ruleSet : ruleSets) {
        delete ruleSet;
    }
}

void QFormConfiguration::GetFormList(QStringList& names) const {
    for (QForm* form : forms) {
        names.push_back(form->Name());
    }
}

QForm* QFormConfiguration::GetForm(const std::string& formName) const {
    for (QForm* form : forms) {
        if (form->Name() == formName) {
            return form;
        }
    }
    return nullptr;
}

int QFormConfiguration::AddRuleSet(const std::string& ruleSetName,
                                   PtrList<QSearchClass>& searchClasses) {
    if (GetRuleSet(ruleSetName) != nullptr) {
        QDebugOutput::Writef("QFormConfiguration::AddRuleSet\t\t\t\t\t\n"
                             "More than one definition of rule set found.\t\t\t\t\t\n"
                             "Rule Set: %s",
                             ruleSetName.c_str());
        // Nobody else holds the discarded definition's classes.
        for (QSearchClass* searchClass : searchClasses) {
            delete searchClass;
        }
        return 0;
    }
    ruleSets.AddTail(new QRuleSet(ruleSetName, searchClasses));
    return 1;
}

int QFormConfiguration::AddForm(const std::string& formName, QFormInput* target,
                                PtrList<QFormInput>& context, const std::string& ruleSetName,
                                const std::string& toolTip, const std::string& helpString) {
    QRuleSet* ruleSet = GetRuleSet(ruleSetName);
    if (ruleSet == nullptr) {
        QDebugOutput::Writef("QFormConfiguration::AddForm\t\t\t\t\t\n"
                             "Failed to find named rule set when defining form\t\t\t\t\t\n"
                             "Rule Set: %s\t\t\t\t\t\n"
                             "Form: %s\n",
                             ruleSetName.c_str(), formName.c_str());
        // The inputs were handed over for the form; without one they have no owner.
        delete target;
        for (QFormInput* input : context) {
            delete input;
        }
        return 0;
    }
    QForm* form = new QForm(formName, target, context, ruleSet);
    forms.AddTail(form);
    form->TipString() = toolTip;
    form->HelpString() = helpString;
    return 1;
}

QRuleSet* QFormConfiguration::GetRuleSet(const std::string& ruleSetName) const {
    for (QRuleSet* ruleSet : ruleSets) {
        if (ruleSet->Name() == ruleSetName) {
            return ruleSet;
        }
    }
    return nullptr;
}

} // namespace harrow
