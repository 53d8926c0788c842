// LS_TabStops: the form a field or button sits on, as its keys see it: Tab moves the focus to the
// form's next stop and Enter starts the form's search. The form window implements it; it owns
// nothing.
#pragma once

class QWidget;

class LS_TabStops {
public:
    LS_TabStops() = default;
    LS_TabStops(const LS_TabStops&) = delete;
    LS_TabStops& operator=(const LS_TabStops&) = delete;
    virtual ~LS_TabStops() = default;

    // Gives the focus to the stop after (before, with previous set) current; returns the control
    // that has it.
    virtual QWidget* FocusNextTabStop(QWidget* current, int previous) = 0;
    virtual void OnSearch() = 0;
};
