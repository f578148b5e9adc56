#include "table_view.h"

#include <QMouseEvent>
#include <QScroller>
#include <QScrollerProperties>

// Touch through QScroller::grabGesture; the mouse by hand (dragInput), since QFlickGesture
// delays or swallows the press and release the cells need and reads the wall clock.

namespace wayfarer::ui {

void TableView::setUpKineticScrolling() {
    QScroller::grabGesture(viewport(), QScroller::TouchGesture);
    QScrollerProperties properties = QScroller::scroller(viewport())->scrollerProperties();
    properties.setScrollMetric(QScrollerProperties::VerticalOvershootPolicy,
                               QVariant::fromValue(QScrollerProperties::OvershootAlwaysOff));
    properties.setScrollMetric(QScrollerProperties::HorizontalOvershootPolicy,
                               QVariant::fromValue(QScrollerProperties::OvershootAlwaysOff));
    QScroller::scroller(viewport())->setScrollerProperties(properties);
}

bool TableView::dragInput(QScroller::Input input, QWidget& source, const QMouseEvent& event) {
    QScroller* scroller = QScroller::scroller(viewport());
    const QPointF position = source.mapTo(viewport(), event.position().toPoint());
    scroller->handleInput(input, position, static_cast<qint64>(event.timestamp()));
    return scroller->state() == QScroller::Dragging || scroller->state() == QScroller::Scrolling;
}

void TableView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mousePressEvent(event);
    dragInput(QScroller::InputPress, *viewport(), *event);
    event->accept();
}

void TableView::mouseMoveEvent(QMouseEvent* event) {
    if (!event->buttons().testFlag(Qt::LeftButton))
        return QAbstractScrollArea::mouseMoveEvent(event);
    dragInput(QScroller::InputMove, *viewport(), *event);
    event->accept();
}

void TableView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mouseReleaseEvent(event);
    dragInput(QScroller::InputRelease, *viewport(), *event);
    event->accept();
}

}
