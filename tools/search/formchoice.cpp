#include "search/formchoice.h"

#include "forms/qform.h"
#include "forms/qformconfiguration.h"
#include "forms/qforminput.h"
#include "schema/schematext.h"

namespace larkspur::search {

namespace {

std::string InputText(const harrow::QFormInput& input) {
    harrow::QStringList fields;
    input.GetFieldNames(fields);
    std::string text = input.Name() + ":";
    bool first = true;
    for (const std::string& field : fields) {
        text += first ? " " : ", ";
        text += field;
        first = false;
    }
    return text;
}

std::string FormLine(const harrow::QForm& form) {
    std::string line = form.Name() + "\t" + InputText(*form.Target());
    harrow::PtrList<harrow::QFormInput> context;
    form.Context(context);
    for (const harrow::QFormInput* input : context) {
        line += "; " + InputText(*input);
    }
    return line + "\n";
}

} // namespace

std::string FormList(const harrow::QFormConfiguration& config) {
    harrow::QStringList names;
    config.GetFormList(names);
    std::string list;
    for (const std::string& name : names) {
        if (const harrow::QForm* form = config.GetForm(name)) {
            list += FormLine(*form);
        }
    }
    return list;
}

harrow::QForm* ChooseForm(const harrow::QFormConfiguration& config, const std::string& name,
                          std::string& note, std::string& error) {
    if (harrow::QForm* form = config.GetForm(name)) {
        return form;
    }
    harrow::QStringList names;
    config.GetFormList(names);
    for (const std::string& candidate : names) {
        if (harrow::EqualsIgnoringCase(candidate, name)) {
            note = "using the form '" + candidate + "' for '" + name + "'";
            return config.GetForm(candidate);
        }
    }
    error = "no form named '" + name + "'; the forms are:";
    for (const std::string& candidate : names) {
        error += "\n  " + candidate;
    }
    return nullptr;
}

} // namespace larkspur::search
