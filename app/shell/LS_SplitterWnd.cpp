#include "shell/LS_SplitterWnd.h"

#include <QPainter>
#include <QSplitterHandle>
#include <QVBoxLayout>

namespace {

const int borderWidth = 1;

// The bar between the columns: a raised edge filled with the button face.
class SplitterBar : public QSplitterHandle {
public:
    SplitterBar(Qt::Orientation orientation, QSplitter* parent)
        : QSplitterHandle(orientation, parent) {}

protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        QPainter painter(this);
        const QRect bar = rect();
        painter.fillRect(bar, palette().color(QPalette::Button));
        painter.setPen(palette().color(QPalette::Light));
        painter.drawLine(bar.topLeft(), bar.topRight());
        painter.drawLine(bar.topLeft(), bar.bottomLeft());
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawLine(bar.bottomLeft(), bar.bottomRight());
        painter.drawLine(bar.topRight(), bar.bottomRight());
    }
};

// The border round one pane: a sunken edge, then a flat button-face frame inside it.
class PaneFrame : public QWidget {
public:
    PaneFrame(QWidget* pane, QWidget* parent) : QWidget(parent), pane(pane) {
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(2 * borderWidth, 2 * borderWidth, 2 * borderWidth,
                                   2 * borderWidth);
        layout->addWidget(pane);
    }

    QWidget* Pane() const { return pane; }

protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        QPainter painter(this);
        const QRect edge = rect();
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawLine(edge.topLeft(), edge.topRight());
        painter.drawLine(edge.topLeft(), edge.bottomLeft());
        painter.setPen(palette().color(QPalette::Light));
        painter.drawLine(edge.bottomLeft(), edge.bottomRight());
        painter.drawLine(edge.topRight(), edge.bottomRight());
        painter.setPen(palette().color(QPalette::Button));
        painter.drawRect(
            edge.adjusted(borderWidth, borderWidth, -2 * borderWidth, -2 * borderWidth));
    }

private:
    QWidget* pane;
};

} // namespace

LS_SplitterWnd::LS_SplitterWnd(QWidget* parent) : QSplitter(Qt::Horizontal, parent) {
    setHandleWidth(BAR_WIDTH);
    setChildrenCollapsible(false);
}

void LS_SplitterWnd::AddPane(QWidget* pane) {
    auto* frame = new PaneFrame(pane, this);
    frame->setMinimumSize(MINIMUM_SIZE, MINIMUM_SIZE);
    addWidget(frame);
    setStretchFactor(count() - 1, count() == 1 ? 0 : 1);
}

QWidget* LS_SplitterWnd::Pane(int column) const {
    const auto* frame = dynamic_cast<const PaneFrame*>(widget(column));
    return frame ? frame->Pane() : nullptr;
}

QSplitterHandle* LS_SplitterWnd::createHandle() {
    return new SplitterBar(orientation(), this);
}

void LS_SplitterWnd::showEvent(QShowEvent* event) {
    QSplitter::showEvent(event);
    // The left column opens at its ideal width; the right one takes the rest of the frame.
    if (!sized && count() == 2) {
        sized = true;
        setSizes({IDEAL_SIZE, std::max(IDEAL_SIZE, width() - IDEAL_SIZE - handleWidth())});
    }
}
