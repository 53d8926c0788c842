#include "platform/LS_MessageBox.h"

#include <utility>

namespace {

LS_MessageBox::Presenter& CurrentPresenter() {
    static LS_MessageBox::Presenter presenter;
    return presenter;
}

QMessageBox::StandardButton ShowModal(const LS_MessageBox::Box& box) {
    QMessageBox message(box.icon, box.caption, box.text, QMessageBox::Ok, box.owner);
    message.exec();
    return QMessageBox::Ok;
}

} // namespace

QMessageBox::StandardButton LS_MessageBox::Show(QWidget* owner, const QString& caption,
                                                const QString& text, QMessageBox::Icon icon) {
    const Box box{owner, caption, text, icon};
    const Presenter& presenter = CurrentPresenter();
    return presenter ? presenter(box) : ShowModal(box);
}

LS_MessageBox::Presenter LS_MessageBox::SetPresenter(Presenter presenter) {
    return std::exchange(CurrentPresenter(), std::move(presenter));
}
