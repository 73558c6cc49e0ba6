#include "framework/ui/control.h"

#include <QEvent>
#include <QPointer>

namespace zrm::ui {

namespace {

constexpr char tagProperty[] = "Tag";
constexpr char alignProperty[] = "Align";

// Lays out the aligned children of one container whenever it resizes or a child asks for it.
class AlignArranger : public QObject {
public:
    explicit AlignArranger(QWidget* container) : QObject(container), m_container(container) {
        setObjectName(QStringLiteral("zrmAlignArranger"));
        container->installEventFilter(this);
    }

    static AlignArranger* of(QWidget* container) {
        auto* existing = container->findChild<AlignArranger*>(QStringLiteral("zrmAlignArranger"),
                                                              Qt::FindDirectChildrenOnly);
        return existing ? existing : new AlignArranger(container);
    }

    void arrange() {
        QRect free = m_container->contentsRect();
        const QObjectList children = m_container->children();
        for (TAlign pass : {alTop, alBottom, alLeft, alRight, alClient}) {
            for (QObject* child : children) {
                auto* widget = qobject_cast<QWidget*>(child);
                if (!widget || widget->isWindow() || alignOf(widget) != pass)
                    continue;
                free = place(widget, pass, free);
            }
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_container &&
            (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest ||
             event->type() == QEvent::ChildAdded))
            arrange();
        return false;
    }

private:
    static QRect place(QWidget* widget, TAlign align, QRect free) {
        switch (align) {
            case alTop:
                widget->setGeometry(free.left(), free.top(), free.width(), widget->height());
                free.setTop(free.top() + widget->height());
                break;
            case alBottom:
                widget->setGeometry(free.left(), free.bottom() + 1 - widget->height(), free.width(),
                                    widget->height());
                free.setBottom(free.bottom() - widget->height());
                break;
            case alLeft:
                widget->setGeometry(free.left(), free.top(), widget->width(), free.height());
                free.setLeft(free.left() + widget->width());
                break;
            case alRight:
                widget->setGeometry(free.right() + 1 - widget->width(), free.top(), widget->width(),
                                    free.height());
                free.setRight(free.right() - widget->width());
                break;
            case alClient:
                widget->setGeometry(free);
                break;
            case alNone:
                break;
        }
        return free;
    }

    QPointer<QWidget> m_container;
};

}  // namespace

int tagOf(const QObject* object) {
    return object->property(tagProperty).toInt();
}

void setTagOf(QObject* object, int tag) {
    object->setProperty(tagProperty, tag);
}

TAlign alignOf(const QWidget* widget) {
    return static_cast<TAlign>(widget->property(alignProperty).toInt());
}

void setAlignOf(QWidget* widget, TAlign align) {
    widget->setProperty(alignProperty, static_cast<int>(align));
    if (QWidget* container = widget->parentWidget())
        AlignArranger::of(container)->arrange();
}

}  // namespace zrm::ui
