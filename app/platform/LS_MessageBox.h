// LS_MessageBox: the one place the program shows a message box, so that tests can take the box
// instead of a user. It owns nothing but the replaceable presenter.
#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

class QWidget;

class LS_MessageBox {
public:
    struct Box {
        QWidget* owner = nullptr;
        QString caption;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
    };
    // Shows the box and returns the button the user chose.
    using Presenter = std::function<QMessageBox::StandardButton(const Box&)>;

    // A modal box with an OK button.
    static QMessageBox::StandardButton Show(QWidget* owner, const QString& caption,
                                            const QString& text, QMessageBox::Icon icon);

    // Replaces how boxes are shown; an empty presenter restores the real one. Returns the
    // previous presenter.
    static Presenter SetPresenter(Presenter presenter);
};
