#include "results/LS_EntryViewConfig.h"

#include "platform/LS_Registry.h"
#include "platform/LS_RegistryString.h"
#include "platform/LS_Settings.h"
#include "platform/Resource.h"
#include "results/LS_ObjectClasses.h"

#include "model/qstringlist.h"
#include "qdebugoutput.h"
#include "schema/oidtable.h"

LS_EntryViewConfig::LS_EntryViewConfig() = default;

LS_EntryViewConfig::~LS_EntryViewConfig() = default;

int LS_EntryViewConfig::Load(LS_Settings& settings, const harrow::Oidtable& table) {
    m_table = &table;
    const std::unique_ptr<LS_RegistryKey> key = settings.OpenRegistryKey("Entry Display");
    std::string classList;
    if (!key ||
        !LS_RegistryString::Read(settings, key.get(), "Object Classes", true, 0, classList)) {
        settings.ShowError(res::IDS_REGISTRY_MISSING);
        return 0;
    }
    harrow::QStringList names;
    names.SetSplitString(classList, ';');
    for (const std::string& name : names) {
        LoadClass(settings, *key, name);
    }
    return 1;
}

void LS_EntryViewConfig::LoadClass(const LS_Settings& settings, const LS_RegistryKey& key,
                                   const std::string& className) {
    harrow::QOC* objectClass = m_table->str2oc(className);
    if (!objectClass) {
        harrow::QDebugOutput::Writef(
            "LS_EntryViewConfig::Load()\t\t\t\t\t\t\t\nInvalid object class found in registry "
            "value:\t\t\t\t\t\t\t\nRegKey: HKCU/Software/Calder Institute/Larkspur/Entry "
            "Display\t\t\t\t\t\t\t\nRegValue: Object Classes\t\t\t\t\t\t\t\nInvalid Value: %s\n\n",
            className.c_str());
        return;
    }
    std::string itemList;
    if (!LS_RegistryString::Read(settings, &key, className.c_str(), true, 0, itemList)) {
        return;
    }
    auto display = std::make_unique<LS_ObjectClassDisplay>(objectClass);
    harrow::QStringList items;
    items.SetSplitString(itemList, ';');
    for (const std::string& item : items) {
        harrow::QStringList parts;
        parts.SetSplitString(item, ':');
        harrow::QAttrT* type = m_table->str2at(parts.front());
        if (!type) {
            harrow::QDebugOutput::Writef("Invalid attribute type (%s) found below Larkspur "
                                         "registry key \"Entry Display\".\n\n",
                                         parts.front().c_str());
            continue;
        }
        int flags = 0;
        for (auto keyword = std::next(parts.begin()); keyword != parts.end(); ++keyword) {
            flags |= LS_DisplayItem::KeywordFlag(*keyword);
        }
        display->AddItem(std::make_unique<LS_DisplayItem>(type, flags));
    }
    if (!display->IsEmpty()) {
        m_classes.push_back(std::move(display));
    }
}

int LS_EntryViewConfig::GetDisplayItems(const harrow::QEntry& entry,
                                        std::vector<const LS_DisplayItem*>& items) const {
    items.clear();
    std::vector<harrow::QOC*> classes;
    LS_ObjectClasses::Of(entry, m_table, classes);
    for (const harrow::QOC* objectClass : classes) {
        if (const LS_ObjectClassDisplay* display = Display(objectClass)) {
            display->GetItems(items);
            return 1;
        }
    }
    return 0;
}

const LS_ObjectClassDisplay* LS_EntryViewConfig::Display(const harrow::QOC* objectClass) const {
    for (const std::unique_ptr<LS_ObjectClassDisplay>& display : m_classes) {
        if (display->Class() == objectClass) {
            return display.get();
        }
    }
    return nullptr;
}
