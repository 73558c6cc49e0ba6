#include "framework/ui/pagecontrol.h"

#include "framework/ui/boundary.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QTabBar>

TTabSheet::TTabSheet(QWidget* parent) : TControl<QWidget>(parent) {}

void TTabSheet::SetPageControl(TPageControl* pageControl) {
    if (pageControl && !m_pageControl)
        pageControl->addPage(this);
}

int TTabSheet::PageIndex() const {
    return m_pageControl ? m_pageControl->indexOf(const_cast<TTabSheet*>(this)) : -1;
}

void TTabSheet::SetCaption(const QString& caption) {
    m_caption = caption;
    if (m_pageControl)
        m_pageControl->updatePage(this);
}

void TTabSheet::SetTabVisible(bool visible) {
    m_tabVisible = visible;
    if (m_pageControl)
        m_pageControl->updatePage(this);
}

void TTabSheet::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange && m_pageControl)
        m_pageControl->updatePage(this);
    QWidget::changeEvent(event);
}

TPageControl::TPageControl(QWidget* parent) : TControl<QTabWidget>(parent) {
    tabBar()->installEventFilter(this);
    connect(this, &QTabWidget::currentChanged, this, [this] {
        if (!m_changingByCode && OnChange)
            zrm::ui::guardUserAction(this, [this] { OnChange(this); });
    });
}

TTabSheet* TPageControl::Pages(int index) const {
    return qobject_cast<TTabSheet*>(widget(index));
}

TTabSheet* TPageControl::ActivePage() const {
    return qobject_cast<TTabSheet*>(currentWidget());
}

void TPageControl::SetActivePage(TTabSheet* page) {
    if (!page || indexOf(page) < 0)
        return;
    QScopedValueRollback guard(m_changingByCode, true);
    setCurrentWidget(page);
}

void TPageControl::addPage(TTabSheet* page) {
    QScopedValueRollback guard(m_changingByCode, true);
    page->m_pageControl = this;
    addTab(page, page->Caption());
    updatePage(page);
}

void TPageControl::updatePage(TTabSheet* page) {
    const int index = indexOf(page);
    if (index < 0)
        return;
    // QTabBar moves away from a tab that becomes disabled or hidden; the showing page stays put
    // until someone chooses another.
    QScopedValueRollback guard(m_changingByCode, true);
    const int current = currentIndex();
    setTabText(index, page->Caption());
    setTabVisible(index, page->TabVisible());
    setTabEnabled(index, !page->testAttribute(Qt::WA_ForceDisabled));
    if (currentIndex() != current)
        setCurrentIndex(current);
}

bool TPageControl::userMayChangeTo(int index) {
    if (index < 0 || index == currentIndex())
        return true;
    if (!isTabEnabled(index))
        return false;
    bool allow = true;
    if (OnChanging && !zrm::ui::guardUserAction(this, [&] { OnChanging(this, allow); }))
        return false;
    return allow;
}

bool TPageControl::eventFilter(QObject* watched, QEvent* event) {
    if (watched != tabBar())
        return TControl<QTabWidget>::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            return !userMayChangeTo(tabBar()->tabAt(mouse->position().toPoint()));
        }
        case QEvent::KeyPress: {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Left || key->key() == Qt::Key_Right || key->key() == Qt::Key_Home ||
                key->key() == Qt::Key_End) {
                int target = currentIndex();
                const int step = (key->key() == Qt::Key_Left || key->key() == Qt::Key_Home) ? -1 : 1;
                do {
                    target += step;
                } while (target >= 0 && target < count() && !(isTabEnabled(target) && isTabVisible(target)));
                if (target < 0 || target >= count())
                    return false;
                return !userMayChangeTo(target);
            }
            return false;
        }
        case QEvent::Wheel:
            return true;  // a page is chosen by a click or a key, never by scrolling over the tabs
        default:
            return false;
    }
}

void TPageControl::keyPressEvent(QKeyEvent* event) {
    const bool ctrlTab = (event->modifiers() & Qt::ControlModifier) &&
                         (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab ||
                          event->key() == Qt::Key_PageUp || event->key() == Qt::Key_PageDown);
    if (ctrlTab) {
        const bool back = event->key() == Qt::Key_Backtab || event->key() == Qt::Key_PageUp ||
                          (event->modifiers() & Qt::ShiftModifier);
        int target = currentIndex();
        for (int tries = 0; tries < count(); ++tries) {
            target = (target + (back ? count() - 1 : 1)) % count();
            if (isTabEnabled(target) && isTabVisible(target))
                break;
        }
        if (target == currentIndex() || !userMayChangeTo(target)) {
            event->accept();
            return;
        }
        setCurrentIndex(target);
        event->accept();
        return;
    }
    QTabWidget::keyPressEvent(event);
}
