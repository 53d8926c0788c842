#include "results/LS_IconMap.h"

#include "platform/LS_Registry.h"
#include "platform/LS_RegistryString.h"
#include "platform/LS_Settings.h"
#include "platform/Resource.h"
#include "results/LS_ObjectClasses.h"

#include "model/qstringlist.h"
#include "qdebugoutput.h"
#include "schema/oidtable.h"

#include <cstdint>

LS_IconMap::LS_IconMap() = default;

LS_IconMap::~LS_IconMap() = default;

int LS_IconMap::Load(LS_Settings& settings, const harrow::Oidtable& table) {
    m_table = &table;
    const std::unique_ptr<LS_RegistryKey> key = settings.OpenRegistryKey("Icons");
    std::uint32_t count = 0;
    unsigned long size = sizeof count;
    if (!key || !settings.ReadRegistryValue(key.get(), "Icon Count", LS_REG_DWORD, &count, size)) {
        settings.ShowError(res::IDS_REGISTRY_MISSING);
        return 0;
    }
    const int icons = static_cast<int>(count & 0xff);
    for (int image = 0; image < icons; ++image) {
        const std::string valueName = "Icon" + std::to_string(image);
        std::string text;
        if (!LS_RegistryString::Read(settings, key.get(), valueName.c_str(), true, ICON_BUFFER_SIZE,
                                     text)) {
            continue;
        }
        if (text == "=default") {
            m_defaultIcon = image;
        } else {
            AddMapping(text, image);
        }
    }
    return 1;
}

void LS_IconMap::AddMapping(const std::string& classList, int image) {
    harrow::QStringList names;
    names.SetSplitString(classList, ';');
    std::vector<harrow::QOC*> classes;
    for (const std::string& name : names) {
        harrow::QOC* objectClass = m_table->str2oc(name);
        if (!objectClass) {
            harrow::QDebugOutput::Writef(
                "Unrecognised object class (%s) found in registry key \"Icon List\".\n",
                name.c_str());
            continue;
        }
        classes.push_back(objectClass);
    }
    if (!classes.empty()) {
        m_mappings.push_back(std::make_unique<LS_IconMapping>(std::move(classes), image));
    }
}

int LS_IconMap::GetIcon(const harrow::QEntry& entry, int& image) const {
    std::vector<harrow::QOC*> classes;
    LS_ObjectClasses::Of(entry, m_table, classes);
    for (const harrow::QOC* objectClass : classes) {
        if (const LS_IconMapping* mapping = Mapping(objectClass)) {
            image = mapping->Image();
            return 1;
        }
    }
    if (m_defaultIcon < 0) {
        return 0;
    }
    image = m_defaultIcon;
    return 1;
}

const LS_IconMapping* LS_IconMap::Mapping(const harrow::QOC* objectClass) const {
    for (const std::unique_ptr<LS_IconMapping>& mapping : m_mappings) {
        if (mapping->Contains(objectClass)) {
            return mapping.get();
        }
    }
    return nullptr;
}
