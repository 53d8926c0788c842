#include "platform/LS_FileDialog.h"

#include <QDir>
#include <QFileDialog>

#include <utility>

namespace {

LS_FileDialog::Chooser& CurrentChooser() {
    static LS_FileDialog::Chooser chooser;
    return chooser;
}

QString AskUser(const LS_FileDialog::Request& request) {
    return QFileDialog::getSaveFileName(request.owner, request.caption,
                                        QDir::home().filePath(request.suggestedName),
                                        request.filter);
}

} // namespace

QString LS_FileDialog::GetSaveFileName(QWidget* owner, const QString& caption,
                                       const QString& suggestedName, const QString& filter) {
    const Request request{owner, caption, suggestedName, filter};
    const Chooser& chooser = CurrentChooser();
    return chooser ? chooser(request) : AskUser(request);
}

LS_FileDialog::Chooser LS_FileDialog::SetChooser(Chooser chooser) {
    return std::exchange(CurrentChooser(), std::move(chooser));
}
