// LS_DirectoryOptionsDlg: View > Directory Options, the dialog for the "Startup" settings (the
// server, its port and the configuration subtree DN). Each setting is one row of a table, so
// that more settings are a row each. It owns its editors; the registry file is the program's.
#pragma once

#include <QDialog>

#include <string>
#include <vector>

class QFormLayout;
class QLineEdit;
class QSpinBox;

class LS_Settings;

class LS_DirectoryOptionsDlg : public QDialog {
    Q_OBJECT

public:
    // Shows and saves the settings of settings, which outlive the dialog.
    LS_DirectoryOptionsDlg(LS_Settings& settings, QWidget* parent);
    ~LS_DirectoryOptionsDlg() override;

    // Writes the settings to the registry file, keeping everything else in it; false, after
    // telling the user, when the file could not be written.
    bool Save();

    // The editor of a setting by its registry value name, for the tests; null for none.
    QLineEdit* TextEditor(const char* valueName) const;
    QSpinBox* NumberEditor(const char* valueName) const;

private:
    enum class Kind { Text, Number };
    struct Setting {
        const char* valueName;
        const char* label;
        Kind kind;
        QWidget* editor = nullptr;
    };

    void AddRow(Setting setting);
    void UpdateOk();

    QFormLayout* m_rows = nullptr;
    LS_Settings& m_store;
    std::vector<Setting> m_settings;
    QWidget* m_okButton = nullptr;
};
