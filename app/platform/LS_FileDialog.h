// LS_FileDialog: the one place the program asks for a file to save to, so that tests can answer
// instead of a user. It owns nothing but the replaceable chooser.
#pragma once

#include <QString>

#include <functional>

class QWidget;

class LS_FileDialog {
public:
    struct Request {
        QWidget* owner = nullptr;
        QString caption;
        QString suggestedName;
        QString filter;
    };
    // The path chosen; empty when the user cancelled.
    using Chooser = std::function<QString(const Request&)>;

    static QString GetSaveFileName(QWidget* owner, const QString& caption,
                                   const QString& suggestedName, const QString& filter);
    // Replaces how the path is asked for; an empty chooser restores the real dialog. Returns
    // the previous chooser.
    static Chooser SetChooser(Chooser chooser);
};
