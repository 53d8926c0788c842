// QForm: a search form, a target input plus the context inputs that locate where the target is
// searched for. It owns its inputs; the rule set belongs to the configuration.
#pragma once

#include "harrow32_export.h"
#include "ptrlist.h"

#include <memory>
#include <string>

namespace harrow {

class QFormInput;
class QRuleSet;

class HARROW32_EXPORT QForm {
public:
    // Copies the context pointers; the form owns the target and the context inputs from now on.
    QForm(const std::string& name, QFormInput* target, PtrList<QFormInput>& context,
          QRuleSet* ruleSet);
    QForm(const QForm&) = delete;
    QForm& operator=(const QForm&) = delete;
    ~QForm();

    const std::string& Name() const { return name; }
    QRuleSet* RuleSet() const { return ruleSet; }
    QFormInput* Target() const { return target.get(); }
    std::string& TipString() { return tipString; }
    const std::string& TipString() const { return tipString; }
    std::string& HelpString() { return helpString; }
    const std::string& HelpString() const { return helpString; }

    // Fresh copies of the inputs for the user to fill: target gets a copy of the target, and a
    // copy of every context input is appended to context. The caller owns all the copies.
    void BuildInputFields(QFormInput*& targetCopy, PtrList<QFormInput>& contextCopies) const;
    // Appends the form's own context inputs (still owned by the form).
    void Context(PtrList<QFormInput>& out) const;

private:
    std::string name;
    std::unique_ptr<QFormInput> target;
    PtrList<QFormInput> context;
    QRuleSet* ruleSet;
    std::string tipString;
    std::string helpString;
};

} // namespace harrow
