#include "model/qstringlist.h"

namespace harrow {

QStringList& QStringList::operator=(const QStringList& other) {
    if (this != &other) {
        std::list<std::string>::operator=(other);
    }
    return *this;
}

QStringList::~QStringList() = default;

unsigned int QStringList::SetSplitString(const std::string& text, char separator) {
    unsigned int appended = 0;
    std::string::size_type start = 0;
    for (;;) {
        const std::string::size_type found = text.find(separator, start);
        if (found == std::string::npos) {
            push_back(text.substr(start));
            return appended + 1;
        }
        push_back(text.substr(start, found - start));
        ++appended;
        start = found + 1;
    }
}

} // namespace harrow
