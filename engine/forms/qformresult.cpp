#include "forms/qformresult.h"

namespace harrow {

QFormResult::QFormResult(PtrList<QEntry>& list) : entries(list) {}

QFormResult::~QFormResult() = default;

unsigned QFormResult::GetEntries(PtrList<QEntry>& out) {
    return entries.MoveTo(out);
}

} // namespace harrow
