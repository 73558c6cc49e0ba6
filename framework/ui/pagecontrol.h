#pragma once

// TPageControl and TTabSheet: pages behind tabs (a QTabWidget underneath, each page one tab).
//
// A page disabled by code (SetEnabled(false), or setEnabled on the widget) cannot be worked on: its
// tab refuses the user and its controls are disabled. Disabling the page that is showing leaves it
// showing (disabled) until code or the user chooses another page.

#include "framework/ui/control.h"
#include "framework/ui/events.h"

#include <QTabWidget>

class TPageControl;

class TTabSheet : public TControl<QWidget> {
    Q_OBJECT
public:
    explicit TTabSheet(QWidget* parent = nullptr);

    // The page control holding this page; nullptr before it is added to one.
    TPageControl* PageControl() const { return m_pageControl; }
    // Adds the page at the end of pageControl's pages (a page belongs to one page control).
    void SetPageControl(TPageControl* pageControl);
    int PageIndex() const;

    QString Caption() const { return m_caption; }
    void SetCaption(const QString& caption);
    bool TabVisible() const { return m_tabVisible; }
    void SetTabVisible(bool visible);
    int ImageIndex() const { return m_imageIndex; }
    void SetImageIndex(int index) { m_imageIndex = index; }

protected:
    void changeEvent(QEvent* event) override;

private:
    friend class TPageControl;

    TPageControl* m_pageControl = nullptr;
    QString m_caption;
    bool m_tabVisible = true;
    int m_imageIndex = -1;
};

class TPageControl : public TControl<QTabWidget> {
    Q_OBJECT
public:
    explicit TPageControl(QWidget* parent = nullptr);

    int PageCount() const { return count(); }
    TTabSheet* Pages(int index) const;
    TTabSheet* ActivePage() const;
    // Shows page (by code: neither OnChanging nor OnChange fires). Nothing when page is not one of
    // this control's pages.
    void SetActivePage(TTabSheet* page);
    int ActivePageIndex() const { return currentIndex(); }
    void SetActivePageIndex(int index) { SetActivePage(Pages(index)); }

    // OnChanging before the user switches pages (setting AllowChange to false, or throwing, keeps the
    // page); OnChange after the user switched. Both through the user-action boundary.
    TTabChangingEvent OnChanging;
    TNotifyEvent OnChange;

    // ---- Used by TTabSheet ----
    void addPage(TTabSheet* page);
    void updatePage(TTabSheet* page);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Asks OnChanging whether the user may leave the showing page for the page at index.
    bool userMayChangeTo(int index);

    bool m_changingByCode = false;
};
