#include "forms/qform.h"

#include "forms/qforminput.h"

namespace harrow {

QForm::QForm(const std::string& name, QFormInput* target, PtrList<QFormInput>& context,
             QRuleSet* ruleSet)
    : name(name), target(target), context(context), ruleSet(ruleSet) {}

QForm::~QForm() {
    for (QFormInput* input : context) {
        delete input;
    }
}

void QForm::BuildInputFields(QFormInput*& targetCopy, PtrList<QFormInput>& contextCopies) const {
    targetCopy = target->CopySelf();
    for (QFormInput* input : context) {
        contextCopies.AddTail(input->CopySelf());
    }
}

void QForm::Context(PtrList<QFormInput>& out) const {
    for (QFormInput* input : context) {
        out.AddTail(input);
    }
}

} // namespace harrow
