// LS_SplitterWnd: the frame's fixed splitter of one row and two columns, drawing its own bar and
// pane borders. It owns the frames round its panes; the panes are its children.
#pragma once

#include <QSplitter>

class LS_SplitterWnd : public QSplitter {
    Q_OBJECT

public:
    static constexpr int IDEAL_SIZE = 256;
    static constexpr int MINIMUM_SIZE = 192;
    static constexpr int BAR_WIDTH = 6;

    explicit LS_SplitterWnd(QWidget* parent);

    // Puts the pane into the next column, inside a sunken border, at the ideal and minimum
    // sizes.
    void AddPane(QWidget* pane);
    // The pane of a column (0 or 1) as it was added; null when there is none.
    QWidget* Pane(int column) const;

protected:
    QSplitterHandle* createHandle() override;
    void showEvent(QShowEvent* event) override;

private:
    bool sized = false;
};
