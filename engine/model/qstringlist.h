// QStringList: the engine's ordered list of strings, which can also split one string at a
// separator character. It owns its strings.
#pragma once

#include "harrow32_export.h"

#include <list>
#include <string>

namespace harrow {

class HARROW32_EXPORT QStringList : public std::list<std::string> {
public:
    QStringList() = default;
    QStringList(const QStringList& other) = default;
    QStringList& operator=(const QStringList& other);
    virtual ~QStringList();

    // Appends the pieces of text between separators, empty ones included, without emptying the
    // list first; returns how many pieces were appended (at least one).
    unsigned int SetSplitString(const std::string& text, char separator);
};

} // namespace harrow
