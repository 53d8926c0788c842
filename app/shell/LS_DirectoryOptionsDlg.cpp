#include "shell/LS_DirectoryOptionsDlg.h"

#include "platform/LS_MessageBox.h"
#include "platform/LS_Registry.h"
#include "platform/LS_RegistryWriter.h"
#include "platform/LS_Settings.h"
#include "platform/LS_StringTable.h"
#include "platform/Resource.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cstring>

namespace {

const char* const startupKey = "Startup";
const int widestPort = 65535;

} // namespace

LS_DirectoryOptionsDlg::LS_DirectoryOptionsDlg(LS_Settings& settings, QWidget* parent)
    : QDialog(parent), m_store(settings) {
    setWindowTitle(QStringLiteral("Directory Options"));
    auto* layout = new QVBoxLayout(this);
    m_rows = new QFormLayout;
    layout->addLayout(m_rows);
    AddRow({"Server Address", "&Server:", Kind::Text});
    AddRow({"Server Port", "&Port:", Kind::Number});
    AddRow({"Configuration Subtree DN", "&Configuration subtree DN:", Kind::Text});
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    m_okButton = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    UpdateOk();
    resize(480, sizeHint().height());
}

LS_DirectoryOptionsDlg::~LS_DirectoryOptionsDlg() = default;

void LS_DirectoryOptionsDlg::AddRow(Setting setting) {
    const std::unique_ptr<LS_RegistryKey> key = m_store.OpenRegistryKey(startupKey);
    std::string stored(LS_Settings::STRING_BUFFER_SIZE + 1, '\0');
    unsigned long size = LS_Settings::STRING_BUFFER_SIZE;
    unsigned long type = LS_REG_NONE;
    const bool found = key && key->QueryValue(setting.valueName, type, stored.data(), size);
    if (setting.kind == Kind::Number) {
        auto* spin = new QSpinBox;
        spin->setRange(1, widestPort);
        std::uint32_t number = 0;
        if (found && size >= sizeof number) {
            std::memcpy(&number, stored.data(), sizeof number);
        }
        spin->setValue(static_cast<int>(number));
        setting.editor = spin;
    } else {
        auto* edit = new QLineEdit(found ? QString::fromUtf8(stored.c_str()) : QString());
        connect(edit, &QLineEdit::textChanged, this, &LS_DirectoryOptionsDlg::UpdateOk);
        setting.editor = edit;
    }
    setting.editor->setObjectName(QString::fromUtf8(setting.valueName));
    m_rows->addRow(QString::fromUtf8(setting.label), setting.editor);
    m_settings.push_back(setting);
}

void LS_DirectoryOptionsDlg::UpdateOk() {
    bool complete = true;
    for (const Setting& setting : m_settings) {
        if (auto* edit = qobject_cast<QLineEdit*>(setting.editor)) {
            complete = complete && !edit->text().trimmed().isEmpty();
        }
    }
    if (m_okButton) {
        m_okButton->setEnabled(complete);
    }
}

QLineEdit* LS_DirectoryOptionsDlg::TextEditor(const char* valueName) const {
    return findChild<QLineEdit*>(QString::fromUtf8(valueName));
}

QSpinBox* LS_DirectoryOptionsDlg::NumberEditor(const char* valueName) const {
    return findChild<QSpinBox*>(QString::fromUtf8(valueName));
}

bool LS_DirectoryOptionsDlg::Save() {
    LS_RegistryWriter writer(m_store.RegistryFilePath());
    const std::string keyPath = m_store.RegistryKeyPath(startupKey);
    for (const Setting& setting : m_settings) {
        if (auto* spin = qobject_cast<QSpinBox*>(setting.editor)) {
            writer.SetNumber(keyPath, setting.valueName, static_cast<unsigned long>(spin->value()));
        } else if (auto* edit = qobject_cast<QLineEdit*>(setting.editor)) {
            writer.SetString(keyPath, setting.valueName, edit->text().trimmed().toStdString());
        }
    }
    if (writer.Save()) {
        return true;
    }
    LS_MessageBox::Show(
        this, LS_StringTable::Load(res::IDS_ERROR_CAPTION),
        LS_StringTable::Load(res::IDS_SAVE_FAILED)
            .replace(QStringLiteral("%s"), QString::fromStdString(m_store.RegistryFilePath())),
        QMessageBox::Critical);
    return false;
}
